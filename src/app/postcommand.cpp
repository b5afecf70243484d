// The Post command and the report menu item of the main window.

#include "app/frmexcel.h"
#include "app/importtypedispatch.h"
#include "app/runreport.h"
#include "errors/errortrap.h"
#include "platform/prompter.h"
#include "platform/system.h"
#include "sources/importtypes.h"
#include "sources/workgrid.h"
#include "staging/stagingstore.h"
#include "tally/transport.h"

#include <QAction>
#include <QComboBox>

namespace app {

namespace {

using namespace platform;

const QString crlf = QStringLiteral("\r\n");

QString confirmationText(const QString &importType)
{
    return QStringLiteral("You have selected  >") + importType +
           QStringLiteral("<.  This will pass the data in Tally.") + crlf + QStringLiteral(" Do you want to continue?");
}

} // namespace

void frmExcel::cmdPost_Click()
{
    m_lastPostEnd = PostEnd::NotRun;
    errors::trap(QStringLiteral("F01-0015"), [&] {
        const QString company = m_cmbCurrentCompanyList->currentText();
        if (company.isEmpty()) {
            msgBox(QStringLiteral("Please select a company."), MsgBoxStyle::OkOnly, QStringLiteral("Select Company."));
            m_cmbCurrentCompanyList->setFocus();
            m_mnuSaveR->setVisible(false);
            m_lastPostEnd = PostEnd::NoCompany;
            return;
        }

        const QString importType = m_cmbTableName->currentText();
        if (importType.isEmpty() || importType == sources::SelectImportTypeText) {
            msgBox(QStringLiteral("Select a Import Type."), MsgBoxStyle::Critical | MsgBoxStyle::OkOnly,
                   QStringLiteral("Import Type"));
            // The list's own visibility, not the window's: an unattended run posts before the window is shown.
            if (m_cmbTableName->isVisibleTo(this))
                m_cmbTableName->setFocus();
            m_mnuSaveR->setVisible(false);
            m_lastPostEnd = PostEnd::NoImportType;
            return;
        }

        if (!m_Silent && company == QLatin1String("CURRENTLY SELECTED COMPANY IN TALLY"))
            msgBox(QStringLiteral("This will post the data to the Currently Selected Company in Tally."),
                   MsgBoxStyle::Information | MsgBoxStyle::OkOnly, QStringLiteral("Selected Company."));

        if (!m_Silent) {
            const int answer = msgBox(confirmationText(importType), MsgBoxStyle::Information | MsgBoxStyle::YesNo,
                                      QStringLiteral("Pelko 1.0. Continue?"));
            if (answer != MsgBoxResult::Yes) {
                m_lastPostEnd = PostEnd::Declined;
                return;
            }
        }

        clearRunResults();

        {
            // No second run, reload or refresh may start while this one yields to the event loop; every request
            // of the run goes to the server the settings name now; a failure that repeats in it is shown once.
            const BusyScope busy(*this);
            const tally::RunServer server;
            const errors::RunScope failures;
            const staging::StagingCounts staged = staging::stagingCounts();
            m_runStopped.clear();
            m_lastPostEnd = ImportTypeDispatch(importType.toUpper(), *this) ? PostEnd::Posted : PostEnd::NothingPosted;
            if (!m_runStopped.isEmpty() && !m_sentBeforeStop)
                m_lastPostEnd = PostEnd::StoppedBeforePosting;
            // A staging file that failed before any voucher could be read back means nothing was posted.
            if (m_lastPostEnd == PostEnd::Posted && staging::stagingCounts().failures > staged.failures &&
                staging::stagingCounts().vouchersRead == staged.vouchersRead)
                m_lastPostEnd = PostEnd::StagingFailed;
        }

        // A load that failed leaves the grid without columns; there is then nothing to fit, and posting
        // nothing is no error.
        if (m_workGrid.findColumn(sources::ProcessStatusKey) > 0)
            m_workGrid.fitColumnWidth(sources::ProcessStatusKey);
        if (m_workGrid.columns() >= 1)
            m_workGrid.fitColumnWidth(1);

        if (!m_Silent)
            msgBox((m_runStopped.isEmpty() ? QStringLiteral("Processing of data Completed.") : m_runStopped) + crlf +
                       QStringLiteral("Please check the Errors if any."),
                   MsgBoxStyle::OkOnly, QStringLiteral("Excel to Tally"));

        m_mnuSaveR->setVisible(true);
    });
}

void frmExcel::runStopped(const QString &why, bool anythingSent)
{
    m_runStopped = why;
    m_sentBeforeStop = anythingSent;
}

void frmExcel::clearRunResults()
{
    // The report is written from the rows: what an earlier run left in them would pass for this run's results.
    const int status = m_workGrid.findColumn(sources::ProcessStatusKey);
    if (status == 0)
        return;
    const sources::RedrawSuspender suspender(m_workGrid);
    for (int row = 1; row <= m_workGrid.rows(); ++row) {
        if (!m_workGrid.text(row, status).isEmpty())
            m_workGrid.setText(row, status, QString());
    }
    m_workGrid.clearMarks();
}

void frmExcel::mnuSaveR_Click()
{
    errors::trap(QStringLiteral("F01-0037"), [&] {
        const QString fileName = ReportFileName(platform::programFolder(), m_CurrentCompany, platform::system().now());
        // A report that could not be written has been reported by the save; telling the user where it lies
        // would send them looking for a file that is not there.
        if (SaveReport(m_workGrid, fileName))
            msgBox(QStringLiteral("Report has been saved at following location.") + crlf + fileName);
    });
}

} // namespace app
