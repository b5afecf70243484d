#pragma once

#include "staging/stagedrows.h"
#include "staging/stagingconnection.h"
#include "staging/stagingrecords.h"
#include "staging/stagingtables.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <array>
#include <bitset>
#include <memory>
#include <span>
#include <utility>
#include <vector>

namespace staging {

// The staging file "Pelko10.DAT" in the program folder, held through one connection from the first call to the
// end of the store's life: a posting run owns one store. The file is the one copy of what is staged.
//
// A voucher is staged in one write transaction: TakeVchID begins it and takes the voucher's id from the counter
// the file keeps, the writers add its rows, and readVoucher reads them back for the builder and commits, all before
// the request goes out. Two programs staging into one file therefore never share an id nor read each other's rows,
// and a clean-up by another run cannot take rows a voucher still needs. The tables are made, or remade when their
// layout is not the program's, inside the first write transaction of a connection.
//
// Every routine traps its own failure: it reports the error once with its location code (readVoucher raises it
// for the builder to report) and returns false (or ""). A voucher whose id, write, read or commit failed takes
// nothing into the file and counts as failed, so that a run does not send it; the writers of a failed voucher
// write nothing more and report nothing more.
class StagingStore final
{
public:
    StagingStore();
    // A voucher never read back (one the run did not send) is committed as it stands; a failure is reported.
    ~StagingStore();
    StagingStore(const StagingStore &) = delete;
    StagingStore &operator=(const StagingStore &) = delete;

    // Empties all seventeen tables of the company's rows, all or nothing; other companies' rows stay, and so does
    // the voucher counter.
    bool ClearCompanyStaging(const QString &company);
    // Begins staging the company's next voucher: commits a voucher still staged, begins the voucher's transaction
    // and takes its id, one above the last the file's counter handed out for the company ("1" for the first).
    // "" after a reported failure; the voucher then counts as failed under the empty id.
    QString TakeVchID(const QString &company);

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

    // Whether the staging of this voucher failed since the company was last cleared.
    bool stagingFailed(const QString &company, const QString &vchId) const;

    // For the voucher builder: reads the voucher's rows of each table from the file, inside the transaction that
    // staged them, and commits it. Raises a run-time error on failure; the voucher then counts as failed.
    std::vector<StagedRows> readVoucher(std::span<const StagingTable *const> tables, const QString &company,
                                        const QString &vchId);

private:
    using VoucherKey = std::pair<QString, QString>; // company and voucher id
    // A writer's row: the keys, then the columns the writer sets and their values.
    bool writeRow(const char *location, const StagingTable &table, const QStringList &keys,
                  std::span<const char *const> columns, const QStringList &values);
    void beginTransaction();
    void commitTransaction();
    // Undoes the open transaction after a failure: every voucher it held counts as failed.
    void abandonTransaction(const char *location);
    StagedRows readRows(const StagingTable &table, const QString &company, const QString &vchId);

    StagingConnection m_connection;
    int m_tablesMadeAt = 0;          // the opening of the connection whose first transaction made the tables
    QSet<VoucherKey> m_openVouchers; // staged in the open transaction
    // The tables written for each voucher whose id the open transaction took: no other transaction can have
    // written rows under that id, so the others hold none of its rows and are not read.
    QHash<VoucherKey, std::bitset<stagingTableCount>> m_tablesOfNewVouchers;
    QSet<VoucherKey> m_failedVouchers;
    // The statements of each table, made at its first write and read.
    std::array<QString, stagingTableCount> m_writeSql;
    std::array<QString, stagingTableCount> m_readSql;
    std::array<std::shared_ptr<const StagedRows::Columns>, stagingTableCount> m_readColumns;
};

// How the staging stores of the program have done: failures reported, and vouchers read back for sending. A
// posting that reported a failure and read no voucher posted nothing because its staging file failed.
struct StagingCounts
{
    qint64 failures = 0;
    qint64 vouchersRead = 0;
};
StagingCounts stagingCounts();

} // namespace staging
