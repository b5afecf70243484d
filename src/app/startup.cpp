// The main window's start-up: everything that happens before the window is shown, the unattended run included.

#include "app/startup.h"

#include "app/frmexcel.h"
#include "app/modcommandl.h"
#include "app/runreport.h"
#include "errors/errortrap.h"
#include "platform/settings.h"
#include "platform/system.h"
#include "sources/importtypes.h"
#include "sources/sourcelisting.h"
#include "sources/workgrid.h"
#include "tally/transport.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>

#include <optional>

namespace app {

namespace {

QString withoutBlanks(QString text)
{
    return text.remove(QLatin1Char(' '));
}

// Every argument loses its apostrophes; a listed name is compared with an argument the same way.
QString withoutApostrophes(QString text)
{
    return text.remove(QLatin1Char('\''));
}

bool isPostMode(const QString &argument)
{
    const QString mode = argument.toUpper();
    return mode == QLatin1String("POST") || mode == QLatin1String("POSTSILENT");
}

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString listOf(const QStringList &names)
{
    QStringList shown;
    for (const QString &name : names)
        shown << quoted(name);
    return shown.isEmpty() ? QStringLiteral("none") : shown.join(QStringLiteral(", "));
}

// What is wrong with the path of a file source, or "".
QString sourceFileProblem(const QString &path)
{
    const QFileInfo file(path);
    if (path.trimmed().isEmpty())
        return QStringLiteral("no source file was named (argument 2)");
    if (!file.exists())
        return QStringLiteral("the source file ") + quoted(path) + QStringLiteral(" does not exist");
    if (file.isDir())
        return quoted(path) + QStringLiteral(" is a folder, not a source file");
    if (!file.isReadable())
        return QStringLiteral("the source file ") + quoted(path) + QStringLiteral(" cannot be read");
    return {};
}

} // namespace

int exitStatus(const StartupResult &result)
{
    if (!result.autoRunAsked)
        return ExitStatus::Success;
    if (!result.autoRunStarted || !result.posted)
        return ExitStatus::NotRun;
    return result.errorsReported > 0 || result.stopped ? ExitStatus::ErrorsReported : ExitStatus::Success;
}

StartupResult frmExcel::Form_Load(const CommandLine &commandLine)
{
    const qint64 errorsBefore = errors::errorInCount();
    StartupResult result;
    result.autoRunAsked = isPostMode(commandLine.PostMode());
    // What an unattended run found in its way, in the order start-up meets it.
    QString sourceProblem;
    QString importTypeProblem;
    QString companyProblem;

    errors::trap(QStringLiteral("F01-0029"), [&] {
        const QString kind = commandLine.SourceKind().toUpper();
        // A source that cannot be opened leaves the list of import types empty; its own message is the reason.
        QString listingProblem;
        prepareWindow(commandLine, [&] {
            const qint64 errorsBeforeListing = errors::errorInCount();
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
            if (errors::errorInCount() > errorsBeforeListing)
                listingProblem =
                    QStringLiteral("the source could not be opened: ") + errors::lastErrorDescription().simplified();
        });
        if (kind == QLatin1String("XLS") || kind == QLatin1String("MDB"))
            sourceProblem = sourceFileProblem(commandLine.sourcePath());
        if (sourceProblem.isEmpty())
            sourceProblem = listingProblem;

        const QString importType = commandLine.importType();
        bool loadFailed = false;
        if (importType.isEmpty()) {
            importTypeProblem = QStringLiteral("no import type was named (argument 3)");
        } else {
            const QString wanted = withoutBlanks(importType);
            QStringList offered;
            bool matched = false;
            for (int i = 0; i < m_cmbTableName->count() && !matched; ++i) {
                const QString entry = m_cmbTableName->itemText(i);
                if (withoutBlanks(entry) == wanted) {
                    matched = true;
                    m_cmbTableName->setCurrentIndex(i);
                    const qint64 errorsBeforeLoad = errors::errorInCount();
                    cmbTableName_Click();
                    // A load that failed leaves the work grid without its status column: nothing can be posted.
                    loadFailed = m_workGrid.findColumn(sources::ProcessStatusKey) == 0;
                    if (loadFailed && sourceProblem.isEmpty())
                        sourceProblem = quoted(entry) + QStringLiteral(" could not be loaded") +
                                        (errors::errorInCount() > errorsBeforeLoad
                                             ? QStringLiteral(": ") + errors::lastErrorDescription().simplified()
                                             : QString());
                } else if (entry != sources::SelectImportTypeText && !offered.contains(entry)) {
                    offered << entry;
                }
            }
            if (!matched)
                importTypeProblem = QStringLiteral("the import type ") + quoted(importType) +
                                    QStringLiteral(" is not among the source's tables; it offers ") + listOf(offered);
        }

        if (!commandLine.serverAddress().isEmpty())
            platform::writeConfig(QLatin1String(platform::settingServerAddress), commandLine.serverAddress());
        if (!commandLine.port().isEmpty())
            platform::writeConfig(QLatin1String(platform::settingPortNo), commandLine.port());
        // An unattended run keeps to the server it was given, or stored, when it started: another run that
        // stores other settings meanwhile does not turn its requests to that server.
        std::optional<tally::RunServer> runServer;
        if (result.autoRunAsked) {
            platform::ServerSettings server = platform::readServerSettings();
            if (!commandLine.serverAddress().isEmpty())
                server.address = commandLine.serverAddress();
            if (!commandLine.port().isEmpty())
                server.port = commandLine.port();
            runServer.emplace(server);
        }

        cmdRefresh_Click();

        const QString company = commandLine.company();
        QStringList listed;
        for (int i = 0; i < m_cmbCurrentCompanyList->count(); ++i)
            listed << m_cmbCurrentCompanyList->itemText(i);
        if (!company.trimmed().isEmpty()) {
            // The argument has lost its apostrophes: the listed names are compared without theirs, and the run
            // posts to the company as the server lists it.
            const QString wanted = company.toUpper();
            for (int i = 0; i < m_cmbCurrentCompanyList->count(); ++i) {
                if (withoutApostrophes(m_cmbCurrentCompanyList->itemText(i)).toUpper() == wanted) {
                    m_cmbCurrentCompanyList->setCurrentIndex(i);
                    m_CurrentCompany = m_cmbCurrentCompanyList->currentText();
                }
            }
        }

        const bool companyNamedExactly = company.isEmpty() || company == withoutApostrophes(m_CurrentCompany);
        if (!m_refreshProblem.isEmpty())
            companyProblem = m_refreshProblem;
        else if (!company.isEmpty() &&
                 (m_CurrentCompany.isEmpty() || withoutApostrophes(m_CurrentCompany).toUpper() != company.toUpper()))
            companyProblem = QStringLiteral("the company ") + quoted(company) +
                             QStringLiteral(" is not on the server's list; it holds ") + listOf(listed);
        else if (!companyNamedExactly)
            companyProblem = QStringLiteral("the company ") + quoted(company) + QStringLiteral(" is listed as ") +
                             quoted(m_CurrentCompany) + QStringLiteral(": name it as listed");
        else if (m_CurrentCompany.isEmpty())
            companyProblem =
                QStringLiteral("no company is open in Tally and argument 4 names none; the server holds ") +
                listOf(listed);

        if (!result.autoRunAsked)
            return;
        if (m_CurrentCompany.isEmpty() || !companyNamedExactly) {
            result.notPostedBecause = companyProblem;
            return;
        }
        if (loadFailed) {
            result.notPostedBecause = sourceProblem;
            return;
        }

        result.autoRunStarted = true;
        // Told to stop, the run finishes the request in flight, marks the rest and writes its report; the program
        // ends with it, so the window never runs with these handlers.
        platform::stopOnTerminationSignals();
        m_Silent = commandLine.PostMode().toUpper() == QLatin1String("POSTSILENT");
        cmdPost_Click();
        result.posted = m_lastPostEnd == PostEnd::Posted;
        result.stopped = !m_runStopped.isEmpty();
        if (!commandLine.reportPath().isEmpty())
            SaveReport(m_workGrid, commandLine.reportPath());
        switch (m_lastPostEnd) {
        case PostEnd::NoImportType:
            result.notPostedBecause = sourceProblem.isEmpty() ? importTypeProblem : sourceProblem;
            break;
        case PostEnd::Declined:
            result.notPostedBecause = QStringLiteral("the confirmation was answered No");
            break;
        case PostEnd::NothingPosted:
            result.notPostedBecause =
                QStringLiteral("nothing posts the import type ") + quoted(m_cmbTableName->currentText());
            break;
        case PostEnd::StoppedBeforePosting:
            result.notPostedBecause = QStringLiteral("the run was told to stop before anything was sent");
            break;
        case PostEnd::StagingFailed:
            result.notPostedBecause = QStringLiteral("the staging file failed before any voucher was sent: ") +
                                      errors::lastErrorDescription().simplified();
            break;
        case PostEnd::NoCompany:
        case PostEnd::NotRun:
            result.notPostedBecause = QStringLiteral("the Post ended with an error before anything was posted");
            break;
        case PostEnd::Posted:
            break;
        }
    });

    result.errorsReported = errors::errorInCount() - errorsBefore;
    if (result.autoRunAsked && !result.autoRunStarted && result.notPostedBecause.isEmpty())
        result.notPostedBecause =
            QStringLiteral("start-up ended with an error: ") + errors::lastErrorDescription().simplified();
    return result;
}

} // namespace app
