#pragma once

#include <QString>

// The records a posting procedure fills and the row writers store. Each field feeds the column of the same
// name followed by "_"; a field left empty is stored as empty text.
namespace staging {

struct VoucherRec
{
    QString AlterID;
    QString AsOriginal;
    QString AsPayslip;
    QString Audited;
    QString BasePartyName;
    QString BasicBuyerName;
    QString BasicBuyersSalesTaxNo;
    QString BasicDueDateOfPymt;
    QString BasicFinalDestination;
    QString BasicOrderRef;
    QString BasicShippedBy;
    QString BasicShipDocumentNo;
    QString Date;
    QString DiffActualQty;
    QString EffectiveDate;
    QString ForJobCosting;
    QString GUID;
    QString HasCashFlow;
    QString HasDiscounts;
    QString IsCancelled;
    QString IsDeleted;
    QString IsInvoice;
    QString IsOptional;
    QString IsPostDated;
    QString MFGJournal;
    QString Narration;
    QString PartyLedgerName;
    QString PartyName;
    QString Reference;
    QString UseForCompound;
    QString UseForGainLoss;
    QString UseForGodownTransfer;
    QString UseForInterest;
    QString UseTrackingNumber;
    QString VoucherTypeName;
    QString VoucherNumber;
};

struct LedgerEntryRec
{
    QString LedgerName;
    QString GSTClass;
    QString IsDeemedPositive;
    QString LedgerFromItem;
    QString RemoveZeroEntries;
    QString IsPartyLedger;
    QString Amount;
    QString TaxClassificationName;
    QString VATAssessableValue;
    QString BasicRateOfInvoiceTax;
    QString TDSPartyName;
    QString Narration;
};
using AllLedgerEntryRec = LedgerEntryRec;

struct AccountingAllocationRec
{
    QString LedgerName;
    QString GSTClass;
    QString IsDeemedPositive;
    QString LedgerFromItem;
    QString RemoveZeroEntries;
    QString IsPartyLedger;
    QString Amount;
    QString TaxClassificationName;
    QString VATAssessableValue;
    QString BasicRateOfInvoiceTax;
    QString TDSPartyName;
};

struct BillAllocationRec
{
    QString Name;
    QString BillCreditPeriod;
    QString BillType;
    QString Amount;
    QString TDSDeducteeSectionNumber;
    QString TDSLedgerNC;
    QString TDSDeducteeIsSpecialRate;
    QString TDSDeducteeSpecialRate;
    QString ServiceTaxLedger;
};

struct TaxBillAllocationRec
{
    QString Name;
    QString BillType;
    QString IsInputAvail;
    QString IsPureAgentBill;
    QString TDSTaxRate;
    QString TDSSurcharge;
    QString TDSAddlSurcharge;
    QString STSecondaryCessRate;
    QString Amount;
    QString SurchargeAmount;
    QString AddlSurchargeAmount;
    QString STSecondaryCessAmount;
    QString AssessableAmount;
    QString ExpenseAmount;
    QString AbatementAmount;
    QString AbatementNotificationNo;
};

struct CategoryAllocationRec
{
    QString Category;
    QString Name;
    QString Amount;
};

struct InventoryEntryRec
{
    QString StockItemName;
    QString IsDeemedPositive;
    QString IsAutoNigate;
    QString Rate;
    QString Amount;
    QString ActualQty;
    QString BilledQty;
};
using InventoryEntryInOutRec = InventoryEntryRec;

struct BatchAllocationRec
{
    QString MFDOn;
    QString GodownName;
    QString BatchName;
    QString IndentNo;
    QString OrderNo;
    QString TrackingNo;
    QString Amount;
    QString ActualQty;
    QString BilledQty;
    QString DestinationGodownName;
    QString OrderDueDate;
    QString ExpiryPeriod;
};

struct InvoiceDelNoteRec
{
    QString BasicShippingDate;
    QString BasicShipDeliveryNote;
};

struct InvoiceOrderRec
{
    QString BasicOrderDate;
    QString BasicPurchaseOrderNo;
};

} // namespace staging
