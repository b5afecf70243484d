#include "sources/rowmarking.h"

#include "errors/errortrap.h"
#include "sources/importwindow.h"
#include "sources/statusline.h"
#include "sources/workgrid.h"
#include "tally/transport.h"

namespace sources {

namespace {

void markRejectedRow(WorkGrid &grid, int row, const QColor &failed)
{
    const int columns = grid.columns();
    for (int column = 1; column <= columns; ++column)
        grid.setTextColor(row, column, failed);
    grid.setBold(row, grid.columnOfKey(ProcessStatusKey), true);
}

// A voucher's last row shows its outcome by its image alone; an unrecognised result must not keep the image of
// an earlier success.
int voucherImage(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Error:
        return imageRejected;
    case Outcome::Created:
    case Outcome::Altered:
        return imagePosted;
    case Outcome::Unrecognised:
        break;
    }
    return imageUnrecognised;
}

} // namespace

Outcome PostOutcome(const QString &result)
{
    const QString upper = result.toUpper();
    // TallyPrime refuses what it cannot take with EXCEPTIONS and no ERRORS.
    if (upper.contains(QLatin1String("ERROR")) || upper.contains(QLatin1String("EXCEPTIONS")))
        return Outcome::Error;
    if (upper.contains(QLatin1String("CREATED")))
        return Outcome::Created;
    if (upper.contains(QLatin1String("ALTERED")) || upper.contains(QLatin1String("COMBINED")))
        return Outcome::Altered;
    // The server answered, and neither took the request nor refused it: nothing was imported.
    if (!result.isEmpty())
        return Outcome::Error;
    return Outcome::Unrecognised;
}

void ReportPostResult(WorkGrid &grid, int row, const QString &result)
{
    grid.setText(row, ProcessStatusKey, result);

    int image = imageUnrecognised;
    quint32 colour = OleBlack;
    switch (PostOutcome(result)) {
    case Outcome::Error:
        image = imageRejected;
        colour = OleRed;
        break;
    case Outcome::Created:
        image = imagePosted;
        colour = OleBlue;
        break;
    case Outcome::Altered:
        image = imagePosted;
        break;
    case Outcome::Unrecognised:
        break;
    }
    grid.setImage(row, 1, image);

    const QColor textColour = oleColor(colour);
    const int columns = grid.columns();
    for (int column = 1; column <= columns; ++column)
        grid.setTextColor(row, column, textColour);
    grid.setBold(row, grid.columnOfKey(ProcessStatusKey), true);
}

void ReportErrorByVID(WorkGrid &grid, const QString &id, const QString &colName, qint32 &curPos)
{
    errors::trap(QStringLiteral("F01-0027"), [&] {
        // Declared inside the trapped body, so repainting is back on before an error is reported.
        const RedrawSuspender suspender(grid);
        curPos = 1;
        const QColor failed = oleColor(OleRed);
        const int rows = grid.rows();
        for (int row = 1; row <= rows; ++row) {
            if (grid.text(row, grid.columnOfKey(colName)) == id)
                markRejectedRow(grid, row, failed);
        }
    });
}

PostedRows PostedRows::master(int row)
{
    return PostedRows(Kind::Master, row, row);
}

PostedRows PostedRows::voucherWithKey(int lastRow, const QString &key)
{
    return PostedRows(Kind::VoucherWithKey, lastRow, lastRow, key);
}

PostedRows PostedRows::voucherRows(int firstRow, int lastRow)
{
    return PostedRows(Kind::VoucherRows, firstRow, lastRow);
}

bool PostAndMark(ImportWindow &window, const PostedRows &rows, const tally::TallyReply &reply, const QString &progress)
{
    WorkGrid &grid = window.workGrid();
    const int row = rows.m_lastRow;
    // A post that failed is marked as one whatever its text says.
    const bool failed = reply.delivery == tally::Delivery::Failed || reply.delivery == tally::Delivery::NoAnswer;
    const QString result = failed && PostOutcome(reply.summary) != Outcome::Error
                               ? QStringLiteral("ERROR ") + reply.summary
                               : reply.summary;
    if (rows.m_kind == PostedRows::Kind::Master) {
        ReportPostResult(grid, row, result);
    } else {
        grid.setText(row, ProcessStatusKey, result);
        const Outcome outcome = PostOutcome(result);
        if (outcome == Outcome::Error) {
            if (rows.m_kind == PostedRows::Kind::VoucherWithKey) {
                qint32 position = 0;
                ReportErrorByVID(grid, rows.m_key, IdKey, position);
            } else {
                const RedrawSuspender suspender(grid);
                for (int marked = rows.m_firstRow; marked <= row; ++marked)
                    markRejectedRow(grid, marked, oleColor(OleRed));
            }
        }
        grid.setImage(row, 1, voucherImage(outcome));
    }
    window.stat(progress, MsgPanel);
    grid.setCurrentRow(row);
    window.yieldToEvents();
    // A server that gave no answer at all will give none to the rows after it either: the run ends here, its
    // error reported once.
    return reply.delivery != tally::Delivery::NoAnswer;
}

StoppedRun::StoppedRun(ImportWindow &window, Cause cause, int atRow, bool anythingSent) : m_window(window)
{
    const QString why = cause == Cause::ServerGone ? QStringLiteral("the server stopped answering")
                                                   : QStringLiteral("the program was told to stop");
    m_rowStatus = QStringLiteral("NOT POSTED: the run stopped at row %1, as %2").arg(atRow).arg(why);
    const QString line = QStringLiteral("Processing stopped at row %1: %2.").arg(atRow).arg(why);
    window.stat(line, MsgPanel);
    // The server panel said it was running when the run began.
    if (cause == Cause::ServerGone)
        window.stat(QStringLiteral("Tally is not running."), StatPanel);
    window.runStopped(line, anythingSent);
}

void StoppedRun::markNotTried(const PostedRows &rows) const
{
    WorkGrid &grid = m_window.workGrid();
    const int row = rows.resultRow();
    grid.setText(row, ProcessStatusKey, m_rowStatus);
    grid.setImage(row, 1, imageUnrecognised);
    grid.setBold(row, grid.columnOfKey(ProcessStatusKey), true);
}

} // namespace sources
