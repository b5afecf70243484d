#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One record of texts per master type. A posting loop fills a record, its builder only reads it. Members
// keep the names the server's elements are known by, in the order the records have always had.
namespace masters {

struct LedgerGroupRec
{
    QString AffectsStock;
    QString OldName;
    QString Name;
    QString Alias;
    QString Parent;
    QString IsBillwiseOn;
    QString IsCostCentreOn;
    QString IsAddable;
    QString IsSubLedger;
    QString IsRevenue;
    QString AffectsGrossProfit;
    QString IsDeemedPositive;
    QString TrackNegativeBalances;
    QString IsCondensed;
    QString SortPosition;
};

enum class UnitKind
{
    Simple,
    Compound,
};

// A unit has no alias: its name goes out as a child of its own, not in a name list.
struct UnitRec
{
    QString OldName;
    QString Name;
    QString IsSimpleUnit;
    QString OriginalName;
    QString DecimalPlaces;
    QString BaseUnits;
    QString AdditionalUnits;
    QString Conversion;
    // Decided once from IsSimpleUnit by the posting loop, so that the columns it reads and the elements
    // the builder writes can never disagree.
    UnitKind Kind = UnitKind::Simple;
};

struct GodownRec
{
    QString OldName;
    QString Name;
    QString Alias;
    QString Parent;
    QString JobName;
    QString HasNoSpace;
    QString HasNoStock;
};

struct StockGroupRec
{
    QString OldName;
    QString Name;
    QString Alias;
    QString Parent;
    QString CostingMethod;
    QString ValuationMethod;
    QString BaseUnits;
    QString AdditionalUnits;
    QString IsBatchwiseOn;
    QString IsPerishableOn;
    QString IsAddable;
    QString IgnorePhysicalDifference;
    QString IgnoreNegativeStock;
    QString TreatSalesAsManufactured;
    QString TreatPurchasesAsConsumed;
    QString TreatRejectsAsScrap;
    QString HasMfgDate;
    QString AllowUseOfExpiredItems;
    QString IgnoreBatches;
    QString IgnoreGodowns;
};

struct StockCategoryRec
{
    QString OldName;
    QString Name;
    QString Alias;
    QString Parent;
};

struct CostCategoryRec
{
    QString OldName;
    QString Name;
    QString Alias;
    QString AffectsStock;
    QString AllocateRevenue;
    QString AllocateNonRevenue;
};

struct CostCentreRec
{
    QString OldName;
    QString Name;
    QString Alias;
    QString AffectsStock;
    QString Parent;
    QString Category;
    QString ForPayroll;
    QString ForJobCosting;
    QString IsEmployeeGroup;
    QString SortPosition;
};

// One opening bill of a ledger, as its row gives it.
struct OpeningBill
{
    QString billDate;
    QString billName;
    QString creditPeriod;
    QString amount;
};

// The lines of a ledger's address; the last line is never sent.
inline constexpr int ledgerAddressLines = 5;

struct LedgerRec
{
    QString Alias;
    QStringList Address = QStringList(ledgerAddressLines);
    QString AffectsStock;
    QString AllowInMobile;
    QString Audited;
    QString CurrencyName;
    QString Email;
    QString OldName;
    QString ForPayroll;
    QString ForServiceTax;
    QString GSTType;
    QString IgnoreTDSExempt;
    QString IncomeTaxNumber;
    QString InterestOnBillwise;
    QString IsBillwiseOn;
    QString IsCostCentresOn;
    QString IsCondensed;
    QString IsExempted;
    QString IsInterestOn;
    QString IsInputCredit;
    QString IsTCSApplicable;
    QString IsTDSApplicable;
    QString IsFBTApplicable;
    QString IsGSTApplicable;
    QString LedgerFBTCategory;
    QString LedgerPhone;
    QString LedgerFax;
    QString LedgerContact;
    QString Name;
    QString Narration;
    QString OpeningBalance;
    QString OverrideInterest;
    QString OverrideAdvInterest;
    QString Parent;
    QString PriceLevel;
    QString Pincode;
    QString StateName;
    QString SalesTaxNumber;
    QString VATTINNumber;
    QString ServiceCategory;
    QString ShowInPaySlip;
    QString SortPosition;
    QString TaxClassificationName;
    QString TaxType;
    QString TDSDeducteeType;
    QString TDSRateName;
    QString TDSDeducteeIsSpecialRate;
    QString UseForGratuity;
    QString UseForVAT;
    QList<OpeningBill> OpeningBills;
    QString ExciseRegNo;
    QString ExciseRegistrationDate;
    QString ExciseRange;
    QString ExciseDivision;
    QString ExciseCommissionerate;
    QString ExciseNatureOfPurchase;
};

// The sub-lines of a stock item. A line whose first text is empty counts as no line.
struct BatchAllocation
{
    QString godownName;
    QString batchName;
    QString openingBalance;
    QString openingValue;
    QString openingRate;
};

struct StandardRate
{
    QString date;
    QString rate;
};

struct Component
{
    QString stockItemName;
    QString godownName;
    QString quantity;
    QString unit;
};

struct ExciseGodown
{
    QString godownName;
    QString reportingUnits;
    QString allocationType;
    QString stockItemType;
};

struct StockItemRec
{
    QString OldName;
    QString Name;
    QString Alias;
    QString PartNo;
    QString AdditionalUnits;
    QString AllowUseOfExpiredItems;
    QString BaseUnits;
    QString BasicRateOfExcise;
    QString BasicQty;
    QString Category;
    QString Conversion;
    QString CostingMethod;
    QString Denominator;
    QString Description;
    QString ExciseItemClassification;
    QString Narration;
    QString Parent;
    QString OpeningBalance;
    QString OpeningValue;
    QString OpeningRate;
    QString MinOrderAsHigher;
    QString HasMfgDate;
    QString IgnoreBatches;
    QString IgnoreGodowns;
    QString IgnoreNegativeStock;
    QString IgnorePhysicalDifference;
    QString IsBatchwiseOn;
    QString IsCostCentresOn;
    QString IsMrpInclOfTax;
    QString IsPerishableOn;
    QString ReorderAsHigher;
    QString RateOfVat;
    QString TaxClassificationName;
    QString TreatSalesAsManufactured;
    QString TreatPurchasesAsConsumed;
    QString TreatRejectsAsScrap;
    QString ValuationMethod;
    QList<BatchAllocation> BatchAllocations;
    QList<StandardRate> StandardCosts;
    QList<StandardRate> StandardPrices;
    QList<Component> Components;
    QString BasicTariffType;
    QString VatCommodity;
    QList<ExciseGodown> ExciseGodowns;
};

} // namespace masters
