#pragma once

#include "sources/rowmarking.h"
#include "staging/stagingrecords.h"
#include "tally/xmltext.h"
#include "vouchers/vouchernumbers.h"

#include <QAnyStringView>
#include <QHash>
#include <QSet>
#include <QString>

#include <optional>
#include <span>
#include <unordered_map>

namespace staging {
class StagingStore;
}

namespace vouchers {

// The cells every voucher import type reads: the voucher key's and the common header's.
struct CommonValues
{
    QString VCHTYPE;
    QString VCHNO;
    QString VCHDATE;
    QString ID; // read only when the source has an ID column of its own
    QString REFNO;
    QString NARRATION;
};

enum class ColumnUse
{
    Required, // read without asking: a work grid without the column is a run-time error
    Optional, // read only when the source has the column (a first column counts); else it stays as it was
};

// One column an import type reads into a member of its row values.
template <typename Values> struct Column
{
    const char *key;
    QString Values::*field;
    ColumnUse use = ColumnUse::Required;
    CellForm form = CellForm::Text;
};

// A record field that takes the same text in every row an import type writes.
template <typename Rec> struct FixedValue
{
    QString Rec::*field;
    const char *value;
};

template <typename Rec> void assignFixedValues(Rec &record, std::span<const FixedValue<Rec>> values)
{
    for (const FixedValue<Rec> &value : values)
        record.*(value.field) = QString::fromLatin1(value.value);
}

// How a run turns rows into vouchers.
enum class Grouping
{
    ByKey,   // consecutive rows with one voucher key are one voucher, posted when the key changes
    EachRow, // every row that holds a voucher is one, posted at once and marked like a master
};

class RowHandler;

// What a row handler sees of the run going on: the staging store and the company and voucher id to stage under,
// the row in hand and its cells, and the voucher open.
class VoucherRun final
{
public:
    VoucherRun(sources::ImportWindow &window, staging::StagingStore &store);
    Q_DISABLE_COPY_MOVE(VoucherRun)

    staging::StagingStore &store() { return m_store; }
    const QString &company() const { return m_company; }
    const QString &vchId() const { return m_vchId; }
    int row() const { return m_row; }
    const CommonValues &common() const { return m_common; }
    // The voucher key of the row in hand, and that of the voucher open before it (none before the first and
    // after a blank row).
    const QString &key() const { return m_key; }
    const std::optional<QString> &openKey() const { return m_openKey; }

    // Whether the source has a column of that name (the work grid may carry an ID column the loader added).
    bool sourceHas(const char *key);
    // The work-grid text of the row in hand, untrimmed; a run-time error when the grid has no such column.
    QString cell(const char *key);
    // Whether every cell of the row in hand is blank.
    bool rowIsBlank() const;

    // The work grid's columns, for a type whose columns a map names: their number, the tag of one and the map row
    // that gave it, whether one has a key, and the text of the row in hand in the column with that key (a run-time
    // error when the grid has no such column).
    int columnCount() const;
    QString columnTag(int gridColumn) const;
    int columnTagRow(int gridColumn) const;
    bool hasColumnOfKey(const QString &key) const;
    QString cellOfKey(const QString &key) const;

    // Keeps the voucher open now from the server: its rows are marked with this result, which says "ERROR" and
    // why, as a voucher the server refused. The first refusal of a voucher is the one its rows show.
    void refuseVoucher(const QString &result);
    // The same for a fault of the row in hand: "ERROR: row <N> <what>; the voucher was not sent", N being the work
    // grid's row as the window shows it.
    void refuseRow(const QString &what);

    // Keeps the voucher of the row in hand from the server, as for a character XML cannot carry: the cell of the
    // column with that key should hold a number and does not.
    void refuseNumber(QAnyStringView key, const QString &cell);

    // Reads the row's cells into the values, in table order; a cell that does not fit its column's form is
    // refused.
    template <typename Values> void readColumns(Values &values, std::span<const Column<Values>> columns)
    {
        for (const Column<Values> &column : columns) {
            if (const int gridColumn = columnOf(column.key, column.use)) {
                const QString cell = text(column.key, gridColumn);
                if (!fitsForm(cell, column.form))
                    refuseNumber(column.key, cell);
                values.*(column.field) = cellInForm(cell, column.form);
            }
        }
    }

private:
    friend void PostGridVouchers(sources::ImportWindow &window, RowHandler &handler);
    void run(RowHandler &handler);
    void openVoucher(RowHandler &handler);
    // Posts the voucher open, or once the run has stopped marks it as not tried.
    void postVoucher(const sources::PostedRows &rows);
    void postOpenVoucher(int lastRow);
    void readCommonColumns();
    // Refuses the voucher just opened when it cannot be posted as the sheet means it: no ID where the source has
    // an ID column, an ID whose group of voucher type, date and number cannot be told apart, no date, or an ID
    // this run has posted already (the server would alter that voucher instead of creating this one).
    void refuseUnpostableVoucher();
    // The groups of voucher type, date and number that hold two or more IDs and rows without one: the loader left
    // those rows without an ID, as nothing tells which of the group's vouchers they belong to.
    void findGroupsWithoutTellableIds(const RowHandler &handler);
    QString groupOfRow(int row) const;
    // The work-grid column a table names, 0 for an optional column the source lacks.
    int columnOf(const char *key, ColumnUse use);
    // The cell of the row in hand, checked for characters XML cannot carry under its column's key.
    QString text(QAnyStringView key, int gridColumn) const;

    sources::ImportWindow &m_window;
    staging::StagingStore &m_store;
    QString m_company;
    QString m_vchId;
    int m_vouchersDone = 0;
    int m_row = 0;
    CommonValues m_common;
    QString m_key;
    std::optional<QString> m_openKey;
    int m_firstRow = 0;
    bool m_sourceHasId = false;
    staging::VoucherRec m_header;
    QString m_refusal;
    std::unordered_map<const char *, int> m_columns;
    QSet<QString> m_groupsWithoutTellableIds;
    // The REMOTEID of every voucher this run sent, with the row its result stands in.
    QHash<QString, int> m_postedIds;
    // Set once the server stopped answering or the program was told to stop: the vouchers after it are walked
    // as ever, to mark each as not tried, and neither staged nor sent.
    std::optional<sources::StoppedRun> m_stopped;
    // The cells read from the row in hand, and those of the rows of the voucher open: a voucher one of whose
    // cells holds a character XML cannot carry is not sent.
    mutable tally::XmlTextCheck m_rowCheck;
    tally::XmlTextCheck m_voucherCheck;
};

// The part of a voucher run that is an import type's own. startRun comes once, before the first row. Then for every
// row: readRow and voucherKey. A row blank all through ends the voucher open above it and stages nothing. Grouped
// by key, any other row then gets beforeGrouping; when its key is not the open voucher's, that voucher is posted
// and the row opens the next: openVoucher (after the run has filled the header's common fields), and the header
// is staged; then stageLines. Posting each row alone, a row that holdsVoucher gets openVoucher, the header and
// stageLines, and is posted at once.
class RowHandler
{
public:
    virtual ~RowHandler() = default;

    // The location code its errors are reported under ("F01-0023").
    virtual const char *locationCode() const = 0;
    virtual Grouping grouping() const { return Grouping::ByKey; }

    // Gives the per-voucher counters their values before the first row.
    virtual void startRun(VoucherRun &) {}
    // Reads the type's own columns of the row in hand; the run has read the common ones.
    virtual void readRow(VoucherRun &run) = 0;
    // The row's voucher key, given the key the run forms: the ID cell when the source has an ID column, else
    // VCHTYPE, VCHNO and VCHDATE joined by "-".
    virtual QString voucherKey(VoucherRun &, const QString &sharedKey) { return sharedKey; }
    // A run that posts each row alone: whether the row holds a voucher; one that does not is passed over.
    virtual bool holdsVoucher(VoucherRun &) { return true; }
    // A step of some types on a row that is not blank, before the run tests whether it opens a voucher.
    virtual void beforeGrouping(VoucherRun &) {}
    // A voucher opens with the row in hand: counters back to their start values and the type's header fields.
    virtual void openVoucher(VoucherRun &run, staging::VoucherRec &header) = 0;
    // Stages the lines of the row in hand under the voucher open now.
    virtual void stageLines(VoucherRun &run) = 0;
    // Whether a row without an ID continues the voucher above it, rather than being filled by the loader from its
    // group of voucher type, date and number.
    virtual bool idlessRowsContinueAbove() const { return false; }
};

// The voucher posting run: takes the company from the window's list, clears its staged rows, walks the work grid
// once, stages each voucher as the handler says and posts it through the staging store, and marks its rows with
// the result. A voucher one of whose cells (as the handler reads them through the run) holds a character XML
// cannot carry, or a cell of a number column that is no number, is not sent: its last row says which column holds
// what, and the run goes on. A run-time error ends the run with an error report under the handler's location code;
// vouchers posted before keep their results.
void PostGridVouchers(sources::ImportWindow &window, RowHandler &handler);

} // namespace vouchers
