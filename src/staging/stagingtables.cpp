#include "staging/stagingtables.h"

#include <array>

namespace staging {

namespace {

// clang-format off
constexpr const char *voucherColumns[] = {
    "Date_", "GUID_", "Narration_", "VoucherTypeName_", "VoucherNumber_", "Reference_", "PartyLedgerName_",
    "BasePartyName_", "PartyName_", "BasicShippedBy_", "BasicBuyerName_", "DiffActualQty_", "Audited_",
    "ForJobCosting_", "IsOptional_", "EffectiveDate_", "UseForInterest_", "UseForGainLoss_", "UseForGodownTransfer_",
    "UseForCompound_", "AlterID_", "IsCancelled_", "HasCashFlow_", "IsPostDated_", "UseTrackingNumber_", "IsInvoice_",
    "MFGJournal_", "HasDiscounts_", "AsPayslip_", "IsDeleted_", "AsOriginal_", "BasicShipDocumentNo_",
    "BasicFinalDestination_", "BasicDueDateOfPymt_", "BasicOrderRef_", "BasicBuyersSalesTaxNo_",
    // No record field feeds these two: they stay empty.
    "BasicDateTimeOfInvoice_", "BasicDateTimeOfRemoval_",
};
constexpr const char *ledgerEntryColumns[] = {
    "LedgerName_", "Narration_", "GSTClass_", "IsDeemedPositive_", "LedgerFromItem_", "RemoveZeroEntries_",
    "IsPartyLedger_", "Amount_", "TaxClassificationName_", "VATAssessableValue_", "BasicRateOfInvoiceTax_",
    "TDSPartyName_",
};
constexpr const char *billAllocationColumns[] = {
    "Name_", "BillCreditPeriod_", "BillType_", "Amount_", "TDSDeducteeSectionNumber_", "TDSLedgerNC_",
    "TDSDeducteeIsSpecialRate_", "TDSDeducteeSpecialRate_", "ServiceTaxLedger_",
};
constexpr const char *taxBillAllocationColumns[] = {
    "Name_", "BillType_", "IsPureAgentBill_", "IsInputAvail_", "TDSTaxRate_", "TDSSurcharge_", "TDSAddlSurcharge_",
    "STSecondaryCessRate_", "Amount_", "SurchargeAmount_", "AddlSurchargeAmount_", "STSecondaryCessAmount_",
    "AssessableAmount_", "ExpenseAmount_", "AbatementAmount_", "AbatementNotificationNo_",
};
constexpr const char *categoryAllocationColumns[] = {"Category_", "Name_", "Amount_"};
constexpr const char *inventoryEntryColumns[] = {
    "StockItemName_", "IsDeemedPositive_", "IsAutoNigate_", "Rate_", "Amount_", "ActualQty_", "BilledQty_",
};
constexpr const char *accountingAllocationColumns[] = {
    "LedgerName_", "GSTClass_", "IsDeemedPositive_", "LedgerFromItem_", "RemoveZeroEntries_", "IsPartyLedger_",
    "Amount_", "TaxClassificationName_", "VATAssessableValue_", "BasicRateOfInvoiceTax_", "TDSPartyName_",
    // No record field feeds it: it stays empty.
    "Narration_",
};
constexpr const char *batchAllocationColumns[] = {
    "MFDOn_", "GodownName_", "BatchName_", "IndentNo_", "OrderNo_", "TrackingNo_", "Amount_", "ActualQty_",
    "BilledQty_", "DestinationGodownName_", "OrderDueDate_", "ExpiryPeriod_",
};
constexpr const char *invoiceDelNoteColumns[] = {"BasicShippingDate_", "BasicShipDeliveryNote_"};
constexpr const char *invoiceOrderColumns[] = {"BasicOrderDate_", "BasicPurchaseOrderNo_"};
constexpr const char *basicOrderTermsColumns[] = {"BasicOrderTerms_"};
constexpr const char *basicBuyerAddressColumns[] = {"BasicBuyerAddress_"};
constexpr const char *addressColumns[] = {"Address_"};
// clang-format on

constexpr char vchId[] = "VchID";
constexpr char fkVchId[] = "FK_VchID";
constexpr char fkLdEId[] = "FK_LdEID";
constexpr char fkInEId[] = "FK_InEID";

} // namespace

const StagingTable voucherTable{"Voucher", vchId, nullptr, nullptr, voucherColumns};
const StagingTable ledgerEntryTable{"LedgerEntry", fkVchId, nullptr, "LdEID", ledgerEntryColumns};
const StagingTable allLedgerEntryTable{"AllLedgerEntry", fkVchId, nullptr, "LdEID", ledgerEntryColumns};
const StagingTable billAllocationTable{"BillAllocation", fkVchId, fkLdEId, "BiAID", billAllocationColumns};
const StagingTable taxBillAllocationTable{"TaxBillAllocation", fkVchId, fkLdEId, "TBiAID", taxBillAllocationColumns};
const StagingTable categoryAllocationsTable{"CategoryAllocations", fkVchId, fkLdEId, "CAID", categoryAllocationColumns};
const StagingTable inventoryEntryTable{"InventoryEntry", fkVchId, nullptr, "InEID", inventoryEntryColumns};
const StagingTable inventoryEntryINTable{"InventoryEntryIN", fkVchId, nullptr, "InEID", inventoryEntryColumns};
const StagingTable inventoryEntryOutTable{"InventoryEntryOut", fkVchId, nullptr, "InEID", inventoryEntryColumns};
const StagingTable allInventoryEntryTable{"AllInventoryEntry", fkVchId, nullptr, "InEID", inventoryEntryColumns};
const StagingTable accountingAllocationTable{"AccountingAllocation", fkVchId, fkInEId, "AcAID",
                                             accountingAllocationColumns};
const StagingTable batchAllocationTable{"BatchAllocation", fkVchId, fkInEId, "BaAID", batchAllocationColumns};
const StagingTable invoiceDelNotesTable{"InvoiceDelNotes", fkVchId, nullptr, "IDNID", invoiceDelNoteColumns};
const StagingTable invoiceOrderListTable{"InvoiceOrderList", fkVchId, nullptr, "IOLID", invoiceOrderColumns};
const StagingTable basicOrderTermsTable{"BasicOrderTerms", fkVchId, nullptr, "BOTID", basicOrderTermsColumns};
const StagingTable basicBuyerAddressTable{"BasicBuyerAddress", fkVchId, nullptr, "BBAID", basicBuyerAddressColumns};
const StagingTable addressTable{"Address", fkVchId, nullptr, "AdID", addressColumns};

QStringList StagingTable::keyColumns() const
{
    QStringList keys{QLatin1String(companyColumn), QLatin1String(voucherKey)};
    if (parentKey)
        keys.append(QLatin1String(parentKey));
    if (ownKey)
        keys.append(QLatin1String(ownKey));
    return keys;
}

std::span<const StagingTable *const, stagingTableCount> stagingTables()
{
    static const std::array<const StagingTable *, stagingTableCount> tables{
        &voucherTable,
        &ledgerEntryTable,
        &billAllocationTable,
        &taxBillAllocationTable,
        &accountingAllocationTable,
        &batchAllocationTable,
        &invoiceOrderListTable,
        &invoiceDelNotesTable,
        &basicOrderTermsTable,
        &basicBuyerAddressTable,
        &addressTable,
        &categoryAllocationsTable,
        &inventoryEntryTable,
        &inventoryEntryINTable,
        &inventoryEntryOutTable,
        &allLedgerEntryTable,
        &allInventoryEntryTable,
    };
    return tables;
}

} // namespace staging
