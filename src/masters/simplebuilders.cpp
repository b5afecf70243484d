#include "masters/masterbuilders.h"
#include "masters/masterconstants.h"
#include "masters/mastermessage.h"

// The masters that are one element with single children and a name list: what each element holds is the
// table of its children below.
namespace masters {

namespace {

constexpr ChildElement<LedgerGroupRec> groupChildren[] = {
    {"PARENT", &LedgerGroupRec::Parent},
    {"ISBILLWISEON", &LedgerGroupRec::IsBillwiseOn},
    {"ISADDABLE", &LedgerGroupRec::IsAddable},
    {"ISSUBLEDGER", &LedgerGroupRec::IsSubLedger},
    {"ISREVENUE", &LedgerGroupRec::IsRevenue},
    {"AFFECTSGROSSPROFIT", &LedgerGroupRec::AffectsGrossProfit},
    {"ISDEEMEDPOSITIVE", &LedgerGroupRec::IsDeemedPositive},
    {"TRACKNEGATIVEBALANCES", &LedgerGroupRec::TrackNegativeBalances},
    {"ISCONDENSED", &LedgerGroupRec::IsCondensed},
    {"SORTPOSITION", &LedgerGroupRec::SortPosition},
    {"AFFECTSSTOCK", &LedgerGroupRec::AffectsStock},
    {"ISCOSTCENTREON", &LedgerGroupRec::IsCostCentreOn},
};

constexpr ChildElement<UnitRec> unitHead[] = {
    {"NAME", &UnitRec::Name},
    {"ISSIMPLEUNIT", &UnitRec::IsSimpleUnit},
};
constexpr ChildElement<UnitRec> simpleUnitChildren[] = {
    {"ORIGINALNAME", &UnitRec::OriginalName},
    {"DECIMALPLACES", &UnitRec::DecimalPlaces},
};
constexpr ChildElement<UnitRec> compoundUnitChildren[] = {
    {"BASEUNITS", &UnitRec::BaseUnits},
    {"ADDITIONALUNITS", &UnitRec::AdditionalUnits},
    {"CONVERSION", &UnitRec::Conversion},
};

constexpr ChildElement<GodownRec> godownChildren[] = {
    {"PARENT", &GodownRec::Parent},
    {"JOBNAME", &GodownRec::JobName},
    {"HASNOSPACE", &GodownRec::HasNoSpace},
    {"HASNOSTOCK", &GodownRec::HasNoStock},
};

constexpr ChildElement<StockGroupRec> stockGroupChildren[] = {
    {"PARENT", &StockGroupRec::Parent},
    {"COSTINGMETHOD", &StockGroupRec::CostingMethod},
    {"VALUATIONMETHOD", &StockGroupRec::ValuationMethod},
    {"BASEUNITS", &StockGroupRec::BaseUnits},
    {"ADDITIONALUNITS", &StockGroupRec::AdditionalUnits},
    {"ISBATCHWISEON", &StockGroupRec::IsBatchwiseOn},
    {"ISPERISHABLEON", &StockGroupRec::IsPerishableOn},
    {"ISADDABLE", &StockGroupRec::IsAddable},
    {"IGNOREPHYSICALDIFFERENCE", &StockGroupRec::IgnorePhysicalDifference},
    {"IGNORENEGATIVESTOCK", &StockGroupRec::IgnoreNegativeStock},
    {"TREATSALESASMANUFACTURED", &StockGroupRec::TreatSalesAsManufactured},
    {"TREATPURCHASESASCONSUMED", &StockGroupRec::TreatPurchasesAsConsumed},
    {"TREATREJECTSASSCRAP", &StockGroupRec::TreatRejectsAsScrap},
    {"HASMFGDATE", &StockGroupRec::HasMfgDate},
    {"ALLOWUSEOFEXPIREDITEMS", &StockGroupRec::AllowUseOfExpiredItems},
    {"IGNOREBATCHES", &StockGroupRec::IgnoreBatches},
    {"IGNOREGODOWNS", &StockGroupRec::IgnoreGodowns},
};

constexpr ChildElement<StockCategoryRec> stockCategoryChildren[] = {
    {"PARENT", &StockCategoryRec::Parent},
};

constexpr ChildElement<CostCategoryRec> costCategoryChildren[] = {
    {"NAME", &CostCategoryRec::Name},
    {"AFFECTSSTOCK", &CostCategoryRec::AffectsStock},
    {"ALLOCATEREVENUE", &CostCategoryRec::AllocateRevenue},
    {"ALLOCATENONREVENUE", &CostCategoryRec::AllocateNonRevenue},
};

constexpr ChildElement<CostCentreRec> costCentreChildren[] = {
    {"NAME", &CostCentreRec::Name},
    {"PARENT", &CostCentreRec::Parent},
    {"CATEGORY", &CostCentreRec::Category},
    {"AFFECTSSTOCK", &CostCentreRec::AffectsStock},
    {"FORPAYROLL", &CostCentreRec::ForPayroll},
    {"FORJOBCOSTING", &CostCentreRec::ForJobCosting},
    {"ISEMPLOYEEGROUP", &CostCentreRec::IsEmployeeGroup},
    {"SORTPOSITION", &CostCentreRec::SortPosition},
};

// The common shape: single children in table order, then the name list.
template <typename Rec, std::size_t N>
tally::TallyReply importNamedMaster(const char *location, const char *element, const QString &company,
                                    const Rec &record, const QString &action, const ChildElement<Rec> (&children)[N])
{
    return trappedBuild(location, [&] {
        MasterMessage message(company, element, record.Name, record.OldName, action);
        message.addChildren(record, std::span<const ChildElement<Rec>>(children));
        message.addNameList(record.Name, record.Alias);
        return message.send();
    });
}

} // namespace

tally::TallyReply ImportGodown(const QString &company, const GodownRec &godown, const QString &action)
{
    return importNamedMaster(locationImportGodown, "GODOWN", company, godown, action, godownChildren);
}

tally::TallyReply ImportUnit(const QString &company, const UnitRec &unit, const QString &action)
{
    return trappedBuild(locationImportUnit, [&] {
        MasterMessage message(company, "UNIT", unit.Name, unit.OldName, action);
        message.addChildren(unit, std::span<const ChildElement<UnitRec>>(unitHead));
        if (unit.Kind == UnitKind::Compound)
            message.addChildren(unit, std::span<const ChildElement<UnitRec>>(compoundUnitChildren));
        else
            message.addChildren(unit, std::span<const ChildElement<UnitRec>>(simpleUnitChildren));
        return message.send();
    });
}

tally::TallyReply ImportLedgerGroup(const QString &company, const LedgerGroupRec &group, const QString &action)
{
    return importNamedMaster(locationImportLedgerGroup, "GROUP", company, group, action, groupChildren);
}

tally::TallyReply ImportStockGroup(const QString &company, const StockGroupRec &group, const QString &action)
{
    return importNamedMaster(locationImportStockGroup, "STOCKGROUP", company, group, action, stockGroupChildren);
}

tally::TallyReply ImportStockCategory(const QString &company, const StockCategoryRec &category, const QString &action)
{
    return importNamedMaster(locationImportStockCategory, "STOCKCATEGORY", company, category, action,
                             stockCategoryChildren);
}

tally::TallyReply ImportCostCategory(const QString &company, const CostCategoryRec &category, const QString &action)
{
    return importNamedMaster(locationImportCostCategory, "COSTCATEGORY", company, category, action,
                             costCategoryChildren);
}

tally::TallyReply ImportCostCentre(const QString &company, const CostCentreRec &centre, const QString &action)
{
    return importNamedMaster(locationImportCostCentre, "COSTCENTRE", company, centre, action, costCentreChildren);
}

} // namespace masters
