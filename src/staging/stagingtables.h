#pragma once

#include <QStringList>

#include <span>

namespace staging {

// The column every table carries first: the company a row was staged for.
inline constexpr char companyColumn[] = "CompanyName";

// One table of the staging file: its keys, then its value columns in the order the file declares them. A
// value column's name is the name of the record field it stores, followed by "_".
struct StagingTable
{
    const char *name;
    const char *voucherKey; // "VchID" in Voucher, "FK_VchID" in every other table
    const char *parentKey;  // the entry an allocation row belongs to; nullptr in the other tables
    const char *ownKey;     // the row's own id; nullptr in Voucher, where the voucher id is the row's id
    std::span<const char *const> valueColumns;

    // The column whose number orders the rows of one voucher.
    const char *orderKey() const { return ownKey ? ownKey : voucherKey; }
    // CompanyName, the voucher id, the parent id where the table has one, and the own id.
    QStringList keyColumns() const;
};

extern const StagingTable voucherTable;
extern const StagingTable ledgerEntryTable;
extern const StagingTable allLedgerEntryTable;
extern const StagingTable billAllocationTable;
extern const StagingTable taxBillAllocationTable;
extern const StagingTable categoryAllocationsTable;
extern const StagingTable inventoryEntryTable;
extern const StagingTable inventoryEntryINTable;
extern const StagingTable inventoryEntryOutTable;
extern const StagingTable allInventoryEntryTable;
extern const StagingTable accountingAllocationTable;
extern const StagingTable batchAllocationTable;
extern const StagingTable invoiceDelNotesTable;
extern const StagingTable invoiceOrderListTable;
extern const StagingTable basicOrderTermsTable;
extern const StagingTable basicBuyerAddressTable;
extern const StagingTable addressTable;

// The seventeen tables, in the order a company's clean-up empties them.
inline constexpr std::size_t stagingTableCount = 17;
std::span<const StagingTable *const, stagingTableCount> stagingTables();

} // namespace staging
