#pragma once

#include <QString>

namespace tally {
struct TallyReply;
}

namespace sources {

class ImportWindow;
class WorkGrid;

// The class of a posting result, read from its response summary.
enum class Outcome
{
    Error,
    Created,
    Altered,
    Unrecognised,
};

// "ERROR" or "EXCEPTIONS" before "CREATED" before "ALTERED" or "COMBINED", case ignored: a summary naming ERRORS
// is an error even when it also names CREATED. Any other text is an error as well: an answer that names none of
// them imported nothing ("Unknown Request, cannot be processed", or counters all 0). Only an empty summary, of a
// post that never reached the server, is unrecognised.
Outcome PostOutcome(const QString &result);

// Images of the window's icon list that a row's first cell shows.
inline constexpr int imagePosted = 0;
inline constexpr int imageRejected = 1;
inline constexpr int imageUnrecognised = 3;

// Marks a work-grid row with a posting result: the result in its status cell, an image in its first cell,
// every cell in the outcome's colour and the status cell in bold. An unrecognised result (an empty one: nothing
// reached the server) gets an image of its own and black text, so that it never looks like a success, whatever
// the rows above it or an earlier run showed.
void ReportPostResult(WorkGrid &grid, int row, const QString &result);

// Marks the rows of a voucher the server rejected: every work-grid row whose cell in the column keyed colName
// equals id exactly gets red text in every cell and a bold status cell. curPos is set to 1. Repainting is off
// for the scan and always on again afterwards; a run-time error is reported with the routine's location code.
void ReportErrorByVID(WorkGrid &grid, const QString &id, const QString &colName, qint32 &curPos);

// The rows one post answers for: the row its result goes into, and how they show the outcome.
class PostedRows
{
public:
    // A master, or a voucher that is one row: the row is coloured by its outcome (ReportPostResult).
    static PostedRows master(int row);
    // A voucher whose rows carry its key in their ID cells; its result goes into its last row. A rejected
    // voucher marks every row with that key (ReportErrorByVID).
    static PostedRows voucherWithKey(int lastRow, const QString &key);
    // A voucher of a source without an ID column of its own, in rows firstRow to lastRow; a rejected voucher
    // marks those rows as ReportErrorByVID marks a voucher's rows.
    static PostedRows voucherRows(int firstRow, int lastRow);

    int resultRow() const { return m_lastRow; }

private:
    friend bool PostAndMark(ImportWindow &, const PostedRows &, const tally::TallyReply &, const QString &);
    enum class Kind
    {
        Master,
        VoucherWithKey,
        VoucherRows,
    };
    PostedRows(Kind kind, int firstRow, int lastRow, QString key = QString())
        : m_kind(kind), m_firstRow(firstRow), m_lastRow(lastRow), m_key(std::move(key))
    {}

    Kind m_kind;
    int m_firstRow;
    int m_lastRow;
    QString m_key;
};

// The step after every post of a master or voucher: the reply's summary goes into the status cell of the
// result row, the rows are marked by their outcome, the progress text goes to the status line, the result row
// becomes the current row and the run yields to the event loop. A voucher's rows other than its last keep their
// status cells. A failed post (an HTTP error status, no Tally reply, a reply that imported nothing, no answer at
// all) is marked as rejected.
// Returns whether the run may go on: false after a post that got no answer at all, which stops the run (the
// error has been reported once; the masters or vouchers after it are marked as not tried, StoppedRun).
bool PostAndMark(ImportWindow &window, const PostedRows &rows, const tally::TallyReply &reply, const QString &progress);

// A run that stopped before its last row, as the server stopped answering or the program was told to stop
// (platform::stopRequested). Made when it stops, it says so on the status line with the row it stopped at, and
// to the window; the run then marks every master or voucher it does not try, so that the report, written from
// the rows, has a line for each.
class StoppedRun final
{
public:
    enum class Cause
    {
        ServerGone, // atRow: the result row of the post that got no answer
        Told,       // atRow: the result row of the first master or voucher not tried
    };
    StoppedRun(ImportWindow &window, Cause cause, int atRow, bool anythingSent);

    // The result row of a master or voucher not tried says so, without an image of success or refusal.
    void markNotTried(const PostedRows &rows) const;

private:
    ImportWindow &m_window;
    QString m_rowStatus;
};

} // namespace sources
