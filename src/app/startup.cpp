// The main window's start-up: everything that happens before the window is shown, the unattended run included.

#include "app/startup.h"

#include "app/frmexcel.h"
#include "app/modcommandl.h"
#include "app/runreport.h"
#include "errors/errortrap.h"
#include "platform/settings.h"
#include "sources/sourcelisting.h"

#include <QComboBox>
#include <QLineEdit>

namespace app {

namespace {

QString withoutBlanks(QString text)
{
    return text.remove(QLatin1Char(' '));
}

bool isPostMode(const QString &argument)
{
    const QString mode = argument.toUpper();
    return mode == QLatin1String("POST") || mode == QLatin1String("POSTSILENT");
}

} // namespace

int exitStatus(const StartupResult &result)
{
    if (!result.autoRunAsked)
        return ExitStatus::Success;
    if (!result.autoRunStarted || !result.posted)
        return ExitStatus::NotRun;
    return result.errorsReported > 0 ? ExitStatus::ErrorsReported : ExitStatus::Success;
}

StartupResult frmExcel::Form_Load(const CommandLine &commandLine)
{
    const qint64 errorsBefore = errors::errorInCount();
    StartupResult result;
    result.autoRunAsked = isPostMode(commandLine.PostMode());

    errors::trap(QStringLiteral("F01-0029"), [&] {
        const QString kind = commandLine.SourceKind().toUpper();
        prepareWindow(commandLine, [&] {
            if (kind == QLatin1String("XLS")) {
                if (!m_txtFilePath->text().trimmed().isEmpty())
                    sources::LoadExcelSheets(*this, m_txtFilePath->text());
            } else if (kind == QLatin1String("MDB")) {
                if (!m_txtMdbPath->text().trimmed().isEmpty())
                    sources::LoadAccessTables(*this, m_txtMdbPath->text(), m_txtMDBUser->text(), m_txtMDBPass->text());
            } else if (kind == QLatin1String("ODBC")) {
                if (!m_txtODBCPath->text().trimmed().isEmpty())
                    sources::LoadODBCTables(*this, m_txtODBCPath->text(), m_txtODBCUser->text(), m_txtPass->text());
            }
        });

        const QString importType = commandLine.importType();
        if (!importType.isEmpty()) {
            const QString wanted = withoutBlanks(importType);
            for (int i = 0; i < m_cmbTableName->count(); ++i) {
                if (withoutBlanks(m_cmbTableName->itemText(i)) == wanted) {
                    m_cmbTableName->setCurrentIndex(i);
                    cmbTableName_Click();
                    break;
                }
            }
        }

        if (!commandLine.serverAddress().isEmpty())
            platform::writeConfig(QLatin1String(platform::settingServerAddress), commandLine.serverAddress());
        if (!commandLine.port().isEmpty())
            platform::writeConfig(QLatin1String(platform::settingPortNo), commandLine.port());

        cmdRefresh_Click();

        const QString company = commandLine.company();
        if (!company.trimmed().isEmpty()) {
            const QString wanted = company.toUpper();
            for (int i = 0; i < m_cmbCurrentCompanyList->count(); ++i) {
                if (m_cmbCurrentCompanyList->itemText(i).toUpper() == wanted) {
                    selectListEntry(m_cmbCurrentCompanyList, company);
                    m_CurrentCompany = m_cmbCurrentCompanyList->currentText();
                }
            }
        }

        if (m_CurrentCompany.isEmpty() || !(company.isEmpty() || company == m_CurrentCompany) || !result.autoRunAsked)
            return;

        result.autoRunStarted = true;
        m_Silent = commandLine.PostMode().toUpper() == QLatin1String("POSTSILENT");
        cmdPost_Click();
        result.posted = m_lastPostEnd == PostEnd::Posted;
        if (!commandLine.reportPath().isEmpty())
            SaveReport(m_workGrid, commandLine.reportPath());
    });

    result.errorsReported = errors::errorInCount() - errorsBefore;
    return result;
}

} // namespace app
