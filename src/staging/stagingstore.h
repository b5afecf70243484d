#pragma once

#include "staging/stagingrecords.h"
#include "staging/stagingtables.h"

#include <QElapsedTimer>
#include <QSet>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <array>
#include <exception>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

struct sqlite3;

namespace staging {

// The rows one table holds for one staged voucher, in the numeric order of their ids, every column as the file
// stores it.
class StagedRows final
{
public:
    // The names of a table's columns in the order its rows hold them, made once for the table and shared by
    // every read of it.
    class Columns;

    StagedRows() = default;
    // The values row after row, a Null column as a null text.
    StagedRows(std::shared_ptr<const Columns> columns, std::vector<QString> values);

    qsizetype size() const { return m_rows; }
    // The position of a column, matched without regard to case; a run-time error when the table lacks it. Rows
    // of a table that holds none for the voucher are not read, and their columns are -1.
    int column(const char *name) const;
    // The positions of the columns a list names, as column() finds them. The list is one that never changes, at
    // `list`, with `nameAt(list, i)` its i-th of `count` names: the positions are found once for each table layout
    // and list, and last as long as the rows.
    std::span<const int> columns(const void *list, std::size_t count,
                                 const char *(*nameAt)(const void *list, std::size_t at)) const;
    // A column's text, with an empty (Null) column read as "".
    const QString &text(qsizetype row, int column) const;
    bool isNull(qsizetype row, int column) const;

private:
    std::shared_ptr<const Columns> m_columns;
    std::vector<QString> m_values; // row after row
    qsizetype m_width = 0;
    qsizetype m_rows = 0;
};

// The staging file "Pelko10.DAT" in the program folder, held through one connection from the first call to the
// end of the store's life: a posting run owns one store. The file and its seventeen tables are made when they
// are missing; a file that is not a database is reported and left as it is.
//
// Every routine below traps its own failure: it reports the error once with its location code and returns
// false (or ""), and the store stays usable. Each writer replaces the row with the same key, or on failure
// leaves the file as it was; the voucher then counts as failed until the company is cleared again, so that a
// run can tell not to send it. A file deleted or replaced while the store holds it fails the next call that
// begins a transaction or reads the file, and the call after that opens the file anew.
//
// The voucher being staged for a company this store cleared is kept in memory as the file holds it, and the
// builder reads it from there: such a company's rows can only be the ones this store wrote. Its rows are written
// to the file while the server answers the voucher, so that the writing costs the run no time of its own; a
// failure is reported by the store's next call. While the server answers quickly they are written in turns of
// a few dozen milliseconds, a transaction holding the file for one turn and leaving it to any other Pelko for
// the next; within a turn, each wait writes the oldest rows a share at a time for as long as its answer is
// coming, so that the rows that waited through the rest are written over the next answers rather than keep one
// answer waiting. Once an answer was slow, every voucher's rows are written and committed before its answer is
// awaited, so that nothing holds the file while a slow request is on the wire.
//
// The file is read instead, after any rows that wait are written, when its tables are not the ones the store
// makes (triggers or views could change what a write stores) or when the voucher was read or left before; the
// rows of such a voucher are written at once, and committed when it is read. A clean-up, a look at the highest
// id and the end of the store write what waits and commit too. What a crash loses is the rows of the vouchers
// staged last, which were only on their way to the server.
class StagingStore final
{
public:
    StagingStore();
    ~StagingStore();
    Q_DISABLE_COPY_MOVE(StagingStore)

    // Empties all seventeen tables of the company's rows, all or nothing; other companies' rows stay.
    bool ClearCompanyStaging(const QString &company);
    // The highest voucher id staged for the company, compared as text ("9" is above "12"); "1" when it has
    // none, "" after a reported failure.
    QString GetMaxVchID(const QString &company);

    bool SaveVoucher(const QString &company, const VoucherRec &voucher, const QString &vchId);
    bool SaveLedgerEntry(const QString &company, const LedgerEntryRec &entry, const QString &vchId,
                         const QString &ldEId);
    bool SaveAllLedgerEntry(const QString &company, const AllLedgerEntryRec &entry, const QString &vchId,
                            const QString &ldEId);
    bool SaveBillAllocation(const QString &company, const BillAllocationRec &bill, const QString &vchId,
                            const QString &ldEId, const QString &biAId);
    bool SaveTaxBillAllocation(const QString &company, const TaxBillAllocationRec &bill, const QString &vchId,
                               const QString &ldEId, const QString &tBiAId);
    bool SaveCategoryAllocations(const QString &company, const CategoryAllocationRec &allocation, const QString &vchId,
                                 const QString &ldEId, const QString &cAId);
    bool SaveInventoryEntry(const QString &company, const InventoryEntryRec &entry, const QString &vchId,
                            const QString &inEId);
    bool SaveInventoryEntryIN(const QString &company, const InventoryEntryInOutRec &entry, const QString &vchId,
                              const QString &inEId);
    bool SaveInventoryEntryOut(const QString &company, const InventoryEntryInOutRec &entry, const QString &vchId,
                               const QString &inEId);
    bool SaveAllInventoryEntry(const QString &company, const InventoryEntryRec &entry, const QString &vchId,
                               const QString &inEId);
    bool SaveAccountingAllocation(const QString &company, const AccountingAllocationRec &allocation,
                                  const QString &vchId, const QString &inEId, const QString &acAId);
    bool SaveBatchAllocation(const QString &company, const BatchAllocationRec &batch, const QString &vchId,
                             const QString &inEId, const QString &baAId);
    bool SaveInvoiceDelNotes(const QString &company, const InvoiceDelNoteRec &note, const QString &vchId,
                             const QString &iDNId);
    bool SaveInvoiceOrderList(const QString &company, const InvoiceOrderRec &order, const QString &vchId,
                              const QString &iOLId);
    bool SaveBasicOrderTerms(const QString &company, const QString &terms, const QString &vchId, const QString &bOTId);
    bool SaveBasicBuyerAddress(const QString &company, const QString &line, const QString &vchId, const QString &bBAId);
    bool SaveAddress(const QString &company, const QString &line, const QString &vchId, const QString &adId);

    // Whether a write of this voucher failed since the company was last cleared.
    bool stagingFailed(const QString &company, const QString &vchId) const;

    // For the voucher builder: reads the voucher's rows of each table, from what the store kept or in one look
    // at the file, which commits what is staged and holds nothing of the file afterwards. Raises a run-time
    // error on failure.
    std::vector<StagedRows> readVoucher(std::span<const StagingTable *const> tables, const QString &company,
                                        const QString &vchId);
    // For the voucher builder, while the server answers the voucher: writes a share of the kept rows that wait,
    // and commits them when the turn is over; true while rows are left that the same wait may write. The first
    // call of each wait says so. What fails is reported by the store's next call.
    bool writeWhileAwaitingAnswer(bool waitBegins) noexcept;

private:
    struct RowValues;
    struct KeptVoucher;
    class Statement;
    struct TableStatement;
    void open();
    void forgetStatements();
    void createMissingTables();
    Statement &statement(const QString &sql);
    void exec(const QString &sql, const QStringList &values = {});
    void exec(Statement &query, const QStringList &values);
    static TableStatement *findStatement(std::vector<TableStatement> &statements, const StagingTable &table);
    TableStatement &addStatement(std::vector<TableStatement> &statements, const StagingTable &table,
                                 const QString &sql);
    StagedRows readRows(const StagingTable &table, const QString &company, const QString &vchId);
    void requireSameFile();
    void beginWriting();
    void commitWrites();
    void rollbackQuietly(const QString &sql);
    // Texts in UTF-8, as the file stores them, one after another in one buffer.
    class Utf8Texts
    {
    public:
        void append(const QString &text);
        std::string_view at(std::size_t index) const
        {
            return std::string_view(m_bytes).substr(m_spans[index].first, m_spans[index].second);
        }
        std::size_t size() const { return m_spans.size(); }
        void clear()
        {
            m_bytes.clear();
            m_spans.clear();
        }

    private:
        std::string m_bytes;
        std::vector<std::pair<std::size_t, std::size_t>> m_spans; // where each text starts, and its size
    };

    bool writeRow(const char *location, const StagingTable &table, const QStringList &keys, const RowValues &row);
    static void appendRowTexts(Utf8Texts &texts, const QStringList &keys, const RowValues &row);
    void insertRow(const StagingTable &table, std::span<const char *const> columns, const Utf8Texts &texts,
                   std::size_t first, std::size_t count);
    void writeFailed(const QString &company, const QString &vchId);
    std::size_t waitingCount() const;
    void writeWaitingRows();
    void writeWaitingRowsLate(std::size_t most);
    void commitLate();
    void reportLateFailures();
    bool tablesAreOurs();
    bool keepRow(const StagingTable &table, const QStringList &keys, const RowValues &row);
    std::unique_ptr<KeptVoucher> takeKeptVoucher(const QString &company, const QString &vchId);
    std::vector<StagedRows> keptRows(std::span<const StagingTable *const> tables, const KeptVoucher *voucher);
    void forgetKeptVouchers();

    QString m_connectionName;
    QSqlDatabase m_database;
    sqlite3 *m_connection = nullptr; // the open database's own handle, which the statements run on
    std::unordered_map<QString, std::unique_ptr<Statement>> m_statements;
    std::vector<TableStatement> m_writes;       // one per table, made at its first write
    std::vector<TableStatement> m_reads;        // one per table, made at its first read
    std::pair<quint64, quint64> m_fileIdentity; // the file the connection opened
    bool m_writing = false;
    QSet<std::pair<QString, QString>> m_failedVouchers;

    struct WaitingRow;
    std::vector<WaitingRow> m_waitingRows; // kept, to be written while an answer is awaited
    std::size_t m_nextWaiting = 0;         // the first of them not written yet
    Utf8Texts m_waitingTexts;              // the keys and values of those rows, row after row
    const char *m_lastLateWriter;          // of the last of them the transaction in hand holds
    struct LateFailure
    {
        const char *location;
        std::exception_ptr error;
    };
    std::vector<LateFailure> m_lateFailures; // of rows written while an answer was awaited, to be reported
    QElapsedTimer m_transactionAge;          // since the transaction in hand began
    QElapsedTimer m_sinceCommit;
    QElapsedTimer m_sinceRequest; // since the builder's last request was written
    bool m_slowAnswer = false;    // the answer before the one awaited was slow

    int m_schemaVersion = -1;            // of the file when its tables were last found to be the store's own; -1: not
    QSet<QString> m_keptCompanies;       // cleared by this store, so that the file holds only its writes for them
    std::unique_ptr<KeptVoucher> m_kept; // the voucher being staged
    std::array<std::vector<int>, stagingTableCount> m_valuePositions; // of each table's writer, found at its first
    std::array<std::shared_ptr<const StagedRows::Columns>, stagingTableCount> m_keptColumns;
    QSet<std::pair<QString, QString>> m_spentVouchers; // read or left: the file answers for them
};

} // namespace staging
