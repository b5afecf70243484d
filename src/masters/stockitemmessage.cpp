#include "masters/masterbuilders.h"
#include "masters/masterconstants.h"
#include "masters/mastermessage.h"

namespace masters {

namespace {

// The opening elements go out as balance, rate, value, unlike the batch lines below.
constexpr ChildElement<StockItemRec> itemChildren[] = {
    {"PARENT", &StockItemRec::Parent},
    {"CATEGORY", &StockItemRec::Category},
    {"TAXCLASSIFICATIONNAME", &StockItemRec::TaxClassificationName},
    {"COSTINGMETHOD", &StockItemRec::CostingMethod},
    {"VALUATIONMETHOD", &StockItemRec::ValuationMethod},
    {"BASEUNITS", &StockItemRec::BaseUnits},
    {"ADDITIONALUNITS", &StockItemRec::AdditionalUnits},
    {"EXCISEITEMCLASSIFICATION", &StockItemRec::ExciseItemClassification},
    {"ISCOSTCENTRESON", &StockItemRec::IsCostCentresOn},
    {"ISBATCHWISEON", &StockItemRec::IsBatchwiseOn},
    {"ISPERISHABLEON", &StockItemRec::IsPerishableOn},
    {"IGNOREPHYSICALDIFFERENCE", &StockItemRec::IgnorePhysicalDifference},
    {"IGNORENEGATIVESTOCK", &StockItemRec::IgnoreNegativeStock},
    {"TREATSALESASMANUFACTURED", &StockItemRec::TreatSalesAsManufactured},
    {"TREATPURCHASESASCONSUMED", &StockItemRec::TreatPurchasesAsConsumed},
    {"TREATREJECTSASSCRAP", &StockItemRec::TreatRejectsAsScrap},
    {"HASMFGDATE", &StockItemRec::HasMfgDate},
    {"ALLOWUSEOFEXPIREDITEMS", &StockItemRec::AllowUseOfExpiredItems},
    {"IGNOREBATCHES", &StockItemRec::IgnoreBatches},
    {"IGNOREGODOWNS", &StockItemRec::IgnoreGodowns},
    {"ISMRPINCLOFTAX", &StockItemRec::IsMrpInclOfTax},
    {"REORDERASHIGHER", &StockItemRec::ReorderAsHigher},
    {"MINORDERASHIGHER", &StockItemRec::MinOrderAsHigher},
    {"CONVERSION", &StockItemRec::Conversion},
    {"DENOMINATOR", &StockItemRec::Denominator},
    {"BASICRATEOFEXCISE", &StockItemRec::BasicRateOfExcise},
    {"RATEOFVAT", &StockItemRec::RateOfVat},
    {"OPENINGBALANCE", &StockItemRec::OpeningBalance},
    {"OPENINGRATE", &StockItemRec::OpeningRate},
    {"OPENINGVALUE", &StockItemRec::OpeningValue},
    {"BASICQTY", &StockItemRec::BasicQty},
    {"BASICTARIFFTYPE", &StockItemRec::BasicTariffType},
    {"VATCOMMODITY", &StockItemRec::VatCommodity},
};

constexpr ListChild<BatchAllocation> batchChildren[] = {
    {"GODOWNNAME", &BatchAllocation::godownName},         {"BATCHNAME", &BatchAllocation::batchName},
    {"OPENINGBALANCE", &BatchAllocation::openingBalance}, {"OPENINGVALUE", &BatchAllocation::openingValue},
    {"OPENINGRATE", &BatchAllocation::openingRate},
};

constexpr ListChild<StandardRate> rateChildren[] = {
    {"DATE", &StandardRate::date},
    {"RATE", &StandardRate::rate},
};

constexpr ListChild<Component> componentChildren[] = {
    {"STOCKITEMNAME", &Component::stockItemName},
    {"GODOWNNAME", &Component::godownName},
    {"ACTUALQTY", &Component::quantity, &Component::unit},
};

constexpr ListChild<ExciseGodown> exciseGodownChildren[] = {
    {"EXCISEGODOWNNAME", &ExciseGodown::godownName},
    {"EXCISEREPUNITS", &ExciseGodown::reportingUnits},
    {"EXCISEALLOCTYPE", &ExciseGodown::allocationType},
    {"STOCKITEMTYPE", &ExciseGodown::stockItemType},
};

template <typename Line, std::size_t N> std::span<const ListChild<Line>> listOf(const ListChild<Line> (&children)[N])
{
    return std::span<const ListChild<Line>>(children);
}

} // namespace

tally::TallyReply ImportStockItem(const QString &company, const StockItemRec &item, const QString &action)
{
    return trappedBuild(locationImportStockItem, [&] {
        MasterMessage message(company, "STOCKITEM", item.Name, item.OldName, action);
        message.addChildren(item, std::span<const ChildElement<StockItemRec>>(itemChildren));
        message.addLists("BATCHALLOCATIONS.LIST", item.BatchAllocations, listOf(batchChildren));
        message.addLists("STANDARDCOSTLIST.LIST", item.StandardCosts, listOf(rateChildren));
        message.addLists("STANDARDPRICELIST.LIST", item.StandardPrices, listOf(rateChildren));
        message.addLists("COMPONENTLIST.LIST", item.Components, listOf(componentChildren));
        message.addLists("EXCISEITEMGODOWN.LIST", item.ExciseGodowns, listOf(exciseGodownChildren));
        message.addNameList(item.Name, item.Alias);
        if (!item.PartNo.isEmpty()) {
            const MasterMessage::Element names = message.add("ADDITIONALNAME.LIST", QString(), ChildKind::Always);
            message.add(names, "ADDITIONALNAME", item.PartNo, ChildKind::IfSet);
        }
        message.add("DESCRIPTION", item.Description, ChildKind::IfSet);
        message.add("NARRATION", item.Narration, ChildKind::IfSet);
        return message.send();
    });
}

} // namespace masters
