// The writers of the staging tables: each puts the fields of its record into the columns of the fields' names,
// with the keys it is given, and replaces the row with the same keys.

#include "staging/stagingconstants.h"
#include "staging/stagingstore.h"

#include <array>
#include <iterator>

namespace staging {

namespace {

// The column a record field feeds.
template <typename Rec> struct StoredField
{
    const char *column;
    QString Rec::*field;
};

// clang-format off
constexpr StoredField<VoucherRec> voucherFields[] = {
    {"Date_", &VoucherRec::Date}, {"GUID_", &VoucherRec::GUID}, {"Narration_", &VoucherRec::Narration},
    {"VoucherTypeName_", &VoucherRec::VoucherTypeName}, {"VoucherNumber_", &VoucherRec::VoucherNumber},
    {"Reference_", &VoucherRec::Reference}, {"PartyLedgerName_", &VoucherRec::PartyLedgerName},
    {"BasePartyName_", &VoucherRec::BasePartyName}, {"PartyName_", &VoucherRec::PartyName},
    {"BasicShippedBy_", &VoucherRec::BasicShippedBy}, {"BasicBuyerName_", &VoucherRec::BasicBuyerName},
    {"DiffActualQty_", &VoucherRec::DiffActualQty}, {"Audited_", &VoucherRec::Audited},
    {"ForJobCosting_", &VoucherRec::ForJobCosting}, {"IsOptional_", &VoucherRec::IsOptional},
    {"EffectiveDate_", &VoucherRec::EffectiveDate}, {"UseForInterest_", &VoucherRec::UseForInterest},
    {"UseForGainLoss_", &VoucherRec::UseForGainLoss}, {"UseForGodownTransfer_", &VoucherRec::UseForGodownTransfer},
    {"UseForCompound_", &VoucherRec::UseForCompound}, {"AlterID_", &VoucherRec::AlterID},
    {"IsCancelled_", &VoucherRec::IsCancelled}, {"HasCashFlow_", &VoucherRec::HasCashFlow},
    {"IsPostDated_", &VoucherRec::IsPostDated}, {"UseTrackingNumber_", &VoucherRec::UseTrackingNumber},
    {"IsInvoice_", &VoucherRec::IsInvoice}, {"MFGJournal_", &VoucherRec::MFGJournal},
    {"HasDiscounts_", &VoucherRec::HasDiscounts}, {"AsPayslip_", &VoucherRec::AsPayslip},
    {"IsDeleted_", &VoucherRec::IsDeleted}, {"AsOriginal_", &VoucherRec::AsOriginal},
    {"BasicShipDocumentNo_", &VoucherRec::BasicShipDocumentNo},
    {"BasicFinalDestination_", &VoucherRec::BasicFinalDestination},
    {"BasicDueDateOfPymt_", &VoucherRec::BasicDueDateOfPymt}, {"BasicOrderRef_", &VoucherRec::BasicOrderRef},
    {"BasicBuyersSalesTaxNo_", &VoucherRec::BasicBuyersSalesTaxNo},
};

constexpr StoredField<LedgerEntryRec> ledgerEntryFields[] = {
    {"LedgerName_", &LedgerEntryRec::LedgerName}, {"Narration_", &LedgerEntryRec::Narration},
    {"GSTClass_", &LedgerEntryRec::GSTClass}, {"IsDeemedPositive_", &LedgerEntryRec::IsDeemedPositive},
    {"LedgerFromItem_", &LedgerEntryRec::LedgerFromItem}, {"RemoveZeroEntries_", &LedgerEntryRec::RemoveZeroEntries},
    {"IsPartyLedger_", &LedgerEntryRec::IsPartyLedger}, {"Amount_", &LedgerEntryRec::Amount},
    {"TaxClassificationName_", &LedgerEntryRec::TaxClassificationName},
    {"VATAssessableValue_", &LedgerEntryRec::VATAssessableValue},
    {"BasicRateOfInvoiceTax_", &LedgerEntryRec::BasicRateOfInvoiceTax},
    {"TDSPartyName_", &LedgerEntryRec::TDSPartyName},
};

constexpr StoredField<AccountingAllocationRec> accountingAllocationFields[] = {
    {"LedgerName_", &AccountingAllocationRec::LedgerName}, {"GSTClass_", &AccountingAllocationRec::GSTClass},
    {"IsDeemedPositive_", &AccountingAllocationRec::IsDeemedPositive},
    {"LedgerFromItem_", &AccountingAllocationRec::LedgerFromItem},
    {"RemoveZeroEntries_", &AccountingAllocationRec::RemoveZeroEntries},
    {"IsPartyLedger_", &AccountingAllocationRec::IsPartyLedger}, {"Amount_", &AccountingAllocationRec::Amount},
    {"TaxClassificationName_", &AccountingAllocationRec::TaxClassificationName},
    {"VATAssessableValue_", &AccountingAllocationRec::VATAssessableValue},
    {"BasicRateOfInvoiceTax_", &AccountingAllocationRec::BasicRateOfInvoiceTax},
    {"TDSPartyName_", &AccountingAllocationRec::TDSPartyName},
};

constexpr StoredField<BillAllocationRec> billAllocationFields[] = {
    {"Name_", &BillAllocationRec::Name}, {"BillCreditPeriod_", &BillAllocationRec::BillCreditPeriod},
    {"BillType_", &BillAllocationRec::BillType}, {"Amount_", &BillAllocationRec::Amount},
    {"TDSDeducteeSectionNumber_", &BillAllocationRec::TDSDeducteeSectionNumber},
    {"TDSLedgerNC_", &BillAllocationRec::TDSLedgerNC},
    {"TDSDeducteeIsSpecialRate_", &BillAllocationRec::TDSDeducteeIsSpecialRate},
    {"TDSDeducteeSpecialRate_", &BillAllocationRec::TDSDeducteeSpecialRate},
    {"ServiceTaxLedger_", &BillAllocationRec::ServiceTaxLedger},
};

constexpr StoredField<TaxBillAllocationRec> taxBillAllocationFields[] = {
    {"Name_", &TaxBillAllocationRec::Name}, {"BillType_", &TaxBillAllocationRec::BillType},
    {"IsPureAgentBill_", &TaxBillAllocationRec::IsPureAgentBill},
    {"IsInputAvail_", &TaxBillAllocationRec::IsInputAvail}, {"TDSTaxRate_", &TaxBillAllocationRec::TDSTaxRate},
    {"TDSSurcharge_", &TaxBillAllocationRec::TDSSurcharge},
    {"TDSAddlSurcharge_", &TaxBillAllocationRec::TDSAddlSurcharge},
    {"STSecondaryCessRate_", &TaxBillAllocationRec::STSecondaryCessRate}, {"Amount_", &TaxBillAllocationRec::Amount},
    {"SurchargeAmount_", &TaxBillAllocationRec::SurchargeAmount},
    {"AddlSurchargeAmount_", &TaxBillAllocationRec::AddlSurchargeAmount},
    {"STSecondaryCessAmount_", &TaxBillAllocationRec::STSecondaryCessAmount},
    {"AssessableAmount_", &TaxBillAllocationRec::AssessableAmount},
    {"ExpenseAmount_", &TaxBillAllocationRec::ExpenseAmount},
    {"AbatementAmount_", &TaxBillAllocationRec::AbatementAmount},
    {"AbatementNotificationNo_", &TaxBillAllocationRec::AbatementNotificationNo},
};

constexpr StoredField<CategoryAllocationRec> categoryAllocationFields[] = {
    {"Category_", &CategoryAllocationRec::Category}, {"Name_", &CategoryAllocationRec::Name},
    {"Amount_", &CategoryAllocationRec::Amount},
};

constexpr StoredField<InventoryEntryRec> inventoryEntryFields[] = {
    {"StockItemName_", &InventoryEntryRec::StockItemName}, {"IsDeemedPositive_", &InventoryEntryRec::IsDeemedPositive},
    {"IsAutoNigate_", &InventoryEntryRec::IsAutoNigate}, {"Rate_", &InventoryEntryRec::Rate},
    {"Amount_", &InventoryEntryRec::Amount}, {"ActualQty_", &InventoryEntryRec::ActualQty},
    {"BilledQty_", &InventoryEntryRec::BilledQty},
};

constexpr StoredField<BatchAllocationRec> batchAllocationFields[] = {
    {"MFDOn_", &BatchAllocationRec::MFDOn}, {"GodownName_", &BatchAllocationRec::GodownName},
    {"BatchName_", &BatchAllocationRec::BatchName}, {"IndentNo_", &BatchAllocationRec::IndentNo},
    {"OrderNo_", &BatchAllocationRec::OrderNo}, {"TrackingNo_", &BatchAllocationRec::TrackingNo},
    {"Amount_", &BatchAllocationRec::Amount}, {"ActualQty_", &BatchAllocationRec::ActualQty},
    {"BilledQty_", &BatchAllocationRec::BilledQty},
    {"DestinationGodownName_", &BatchAllocationRec::DestinationGodownName},
    {"OrderDueDate_", &BatchAllocationRec::OrderDueDate}, {"ExpiryPeriod_", &BatchAllocationRec::ExpiryPeriod},
};

constexpr StoredField<InvoiceDelNoteRec> invoiceDelNoteFields[] = {
    {"BasicShippingDate_", &InvoiceDelNoteRec::BasicShippingDate},
    {"BasicShipDeliveryNote_", &InvoiceDelNoteRec::BasicShipDeliveryNote},
};

constexpr StoredField<InvoiceOrderRec> invoiceOrderFields[] = {
    {"BasicOrderDate_", &InvoiceOrderRec::BasicOrderDate},
    {"BasicPurchaseOrderNo_", &InvoiceOrderRec::BasicPurchaseOrderNo},
};
// clang-format on

// The columns of a list of fields, in its order, made once for the list.
template <const auto &fields> struct FieldColumns
{
    static constexpr auto names = [] {
        std::array<const char *, std::size(fields)> columns{};
        for (std::size_t i = 0; i < columns.size(); ++i)
            columns[i] = fields[i].column;
        return columns;
    }();
};

template <const auto &fields, typename Rec> QStringList valuesOf(const Rec &record)
{
    QStringList values;
    values.reserve(qsizetype(std::size(fields)));
    for (const auto &field : fields)
        values.append(record.*(field.field));
    return values;
}

} // namespace

bool StagingStore::SaveVoucher(const QString &company, const VoucherRec &voucher, const QString &vchId)
{
    return writeRow(locationSaveVoucher, voucherTable, {company, vchId}, FieldColumns<voucherFields>::names,
                    valuesOf<voucherFields>(voucher));
}

bool StagingStore::SaveLedgerEntry(const QString &company, const LedgerEntryRec &entry, const QString &vchId,
                                   const QString &ldEId)
{
    return writeRow(locationSaveLedgerEntry, ledgerEntryTable, {company, vchId, ldEId},
                    FieldColumns<ledgerEntryFields>::names, valuesOf<ledgerEntryFields>(entry));
}

bool StagingStore::SaveAllLedgerEntry(const QString &company, const AllLedgerEntryRec &entry, const QString &vchId,
                                      const QString &ldEId)
{
    return writeRow(locationSaveAllLedgerEntry, allLedgerEntryTable, {company, vchId, ldEId},
                    FieldColumns<ledgerEntryFields>::names, valuesOf<ledgerEntryFields>(entry));
}

bool StagingStore::SaveBillAllocation(const QString &company, const BillAllocationRec &bill, const QString &vchId,
                                      const QString &ldEId, const QString &biAId)
{
    return writeRow(locationSaveBillAllocation, billAllocationTable, {company, vchId, ldEId, biAId},
                    FieldColumns<billAllocationFields>::names, valuesOf<billAllocationFields>(bill));
}

bool StagingStore::SaveTaxBillAllocation(const QString &company, const TaxBillAllocationRec &bill, const QString &vchId,
                                         const QString &ldEId, const QString &tBiAId)
{
    return writeRow(locationSaveTaxBillAllocation, taxBillAllocationTable, {company, vchId, ldEId, tBiAId},
                    FieldColumns<taxBillAllocationFields>::names, valuesOf<taxBillAllocationFields>(bill));
}

bool StagingStore::SaveCategoryAllocations(const QString &company, const CategoryAllocationRec &allocation,
                                           const QString &vchId, const QString &ldEId, const QString &cAId)
{
    return writeRow(locationSaveCategoryAllocations, categoryAllocationsTable, {company, vchId, ldEId, cAId},
                    FieldColumns<categoryAllocationFields>::names, valuesOf<categoryAllocationFields>(allocation));
}

bool StagingStore::SaveInventoryEntry(const QString &company, const InventoryEntryRec &entry, const QString &vchId,
                                      const QString &inEId)
{
    return writeRow(locationSaveInventoryEntry, inventoryEntryTable, {company, vchId, inEId},
                    FieldColumns<inventoryEntryFields>::names, valuesOf<inventoryEntryFields>(entry));
}

bool StagingStore::SaveInventoryEntryIN(const QString &company, const InventoryEntryInOutRec &entry,
                                        const QString &vchId, const QString &inEId)
{
    return writeRow(locationSaveInventoryEntryIN, inventoryEntryINTable, {company, vchId, inEId},
                    FieldColumns<inventoryEntryFields>::names, valuesOf<inventoryEntryFields>(entry));
}

bool StagingStore::SaveInventoryEntryOut(const QString &company, const InventoryEntryInOutRec &entry,
                                         const QString &vchId, const QString &inEId)
{
    return writeRow(locationSaveInventoryEntryOut, inventoryEntryOutTable, {company, vchId, inEId},
                    FieldColumns<inventoryEntryFields>::names, valuesOf<inventoryEntryFields>(entry));
}

bool StagingStore::SaveAllInventoryEntry(const QString &company, const InventoryEntryRec &entry, const QString &vchId,
                                         const QString &inEId)
{
    return writeRow(locationSaveAllInventoryEntry, allInventoryEntryTable, {company, vchId, inEId},
                    FieldColumns<inventoryEntryFields>::names, valuesOf<inventoryEntryFields>(entry));
}

bool StagingStore::SaveAccountingAllocation(const QString &company, const AccountingAllocationRec &allocation,
                                            const QString &vchId, const QString &inEId, const QString &acAId)
{
    return writeRow(locationSaveAccountingAllocation, accountingAllocationTable, {company, vchId, inEId, acAId},
                    FieldColumns<accountingAllocationFields>::names, valuesOf<accountingAllocationFields>(allocation));
}

bool StagingStore::SaveBatchAllocation(const QString &company, const BatchAllocationRec &batch, const QString &vchId,
                                       const QString &inEId, const QString &baAId)
{
    return writeRow(locationSaveBatchAllocation, batchAllocationTable, {company, vchId, inEId, baAId},
                    FieldColumns<batchAllocationFields>::names, valuesOf<batchAllocationFields>(batch));
}

bool StagingStore::SaveInvoiceDelNotes(const QString &company, const InvoiceDelNoteRec &note, const QString &vchId,
                                       const QString &iDNId)
{
    return writeRow(locationSaveInvoiceDelNotes, invoiceDelNotesTable, {company, vchId, iDNId},
                    FieldColumns<invoiceDelNoteFields>::names, valuesOf<invoiceDelNoteFields>(note));
}

bool StagingStore::SaveInvoiceOrderList(const QString &company, const InvoiceOrderRec &order, const QString &vchId,
                                        const QString &iOLId)
{
    return writeRow(locationSaveInvoiceOrderList, invoiceOrderListTable, {company, vchId, iOLId},
                    FieldColumns<invoiceOrderFields>::names, valuesOf<invoiceOrderFields>(order));
}

bool StagingStore::SaveBasicOrderTerms(const QString &company, const QString &terms, const QString &vchId,
                                       const QString &bOTId)
{
    return writeRow(locationSaveBasicOrderTerms, basicOrderTermsTable, {company, vchId, bOTId},
                    basicOrderTermsTable.valueColumns.first(1), {terms});
}

bool StagingStore::SaveBasicBuyerAddress(const QString &company, const QString &line, const QString &vchId,
                                         const QString &bBAId)
{
    return writeRow(locationSaveBasicBuyerAddress, basicBuyerAddressTable, {company, vchId, bBAId},
                    basicBuyerAddressTable.valueColumns.first(1), {line});
}

bool StagingStore::SaveAddress(const QString &company, const QString &line, const QString &vchId, const QString &adId)
{
    return writeRow(locationSaveAddress, addressTable, {company, vchId, adId}, addressTable.valueColumns.first(1),
                    {line});
}

} // namespace staging
