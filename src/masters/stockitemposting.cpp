#include "masters/groupedposting.h"
#include "masters/masterbuilders.h"
#include "masters/masterconstants.h"
#include "masters/masterposting.h"
#include "masters/masterrow.h"

#include "errors/errortrap.h"
#include "sources/importwindow.h"

namespace masters {

namespace {

// Read from an item's first row. The costing and valuation methods have defaults that only a present column
// replaces, even with a blank cell.
constexpr FixedValue<StockItemRec> itemStartValues[] = {
    {&StockItemRec::CostingMethod, "Avg. Cost"},
    {&StockItemRec::ValuationMethod, "Avg. Price"},
};

constexpr Column<StockItemRec> itemColumns[] = {
    {"NAMEALIAS", &StockItemRec::Alias, ColumnUse::Optional},
    {"PARENT", &StockItemRec::Parent},
    {"CATEGORY", &StockItemRec::Category},
    {"COSTINGMETHOD", &StockItemRec::CostingMethod, ColumnUse::Optional},
    {"VALUATIONMETHOD", &StockItemRec::ValuationMethod, ColumnUse::Optional},
    {"BASEUNITS", &StockItemRec::BaseUnits},
    {"ADDITIONALUNIT", &StockItemRec::AdditionalUnits, ColumnUse::Optional},
    {"DENOMINATOR", &StockItemRec::Denominator, ColumnUse::Optional},
    {"CONVERSION", &StockItemRec::Conversion, ColumnUse::Optional},
    {"BASICRATEOFEXCISE", &StockItemRec::BasicRateOfExcise},
    {"RATEOFVAT", &StockItemRec::RateOfVat},
    {"ISBATCHWISEON", &StockItemRec::IsBatchwiseOn},
    {"ISCOSTCENTRESON", &StockItemRec::IsCostCentresOn},
    {"IGNORENEGATIVESTOCK", &StockItemRec::IgnoreNegativeStock},
    {"OPENINGBALANCE", &StockItemRec::OpeningBalance, ColumnUse::Required, CellForm::Number},
    {"OPENINGVALUE", &StockItemRec::OpeningValue, ColumnUse::Required, CellForm::NegatedNumber},
    {"OPENINGRATE", &StockItemRec::OpeningRate, ColumnUse::Required, CellForm::Number},
    {"PARTNO", &StockItemRec::PartNo, ColumnUse::Optional},
    {"DESCRIPTION", &StockItemRec::Description, ColumnUse::Optional},
    {"REMARK", &StockItemRec::Narration, ColumnUse::Optional},
};

constexpr Column<StockItemRec> itemCommodityColumns[] = {
    {"EXCISECOMMODITY", &StockItemRec::BasicTariffType, ColumnUse::Optional},
    {"VATCOMMODITY", &StockItemRec::VatCommodity, ColumnUse::Optional},
};

// Which sub-line columns the source has, asked once per run.
struct SubLineColumns
{
    bool godown = false;
    bool batch = false;
    bool standardCost = false;
    bool standardPrice = false;
    bool components = false;
    bool exciseGodown = false;

    explicit SubLineColumns(sources::ImportWindow &window)
    {
        auto has = [&](const char *key) { return sourceHasColumn(window, key); };
        godown = has("GODOWNNAME");
        batch = has("BATCHNAME");
        standardCost = has("STDCOST") && has("STDCOSTDATE");
        standardPrice = has("STDPRICE") && has("STDPRICEDATE");
        components = has("BOMITEM") && has("BOMGODOWN") && has("BOMQTY") && has("BOMUNIT");
        exciseGodown = has("EXCISEGODOWN");
    }
};

class StockItemType final : public GroupedMasterType
{
public:
    explicit StockItemType(sources::ImportWindow &window) : m_window(window), m_columns(window) {}

    void beginMaster(const MasterRow &row, const QString &name) override
    {
        m_batches.clear();
        m_standardCosts.clear();
        m_standardPrices.clear();
        m_components.clear();
        m_exciseGodowns.clear();

        m_item.Name = name;
        assignFixedValues(m_item, std::span<const FixedValue<StockItemRec>>(itemStartValues));
        readColumns(m_item, row, std::span<const Column<StockItemRec>>(itemColumns));
        // The quantity and its unit are written together, without a blank between them.
        if (row.sourceHas("MFGQTY"))
            m_item.BasicQty = row.cell("MFGQTY") + row.cell("MFGUNIT");
        readColumns(m_item, row, std::span<const Column<StockItemRec>>(itemCommodityColumns));
    }

    void addSubLines(const MasterRow &row) override
    {
        if (m_columns.godown) {
            const QString godown = row.cell("GODOWNNAME");
            if (!godown.isEmpty()) {
                m_batches.append({godown, m_columns.batch ? row.cell("BATCHNAME") : QString(),
                                  row.cell("OPENINGBALANCE", CellForm::Number),
                                  row.cell("OPENINGVALUE", CellForm::NegatedNumber),
                                  row.cell("OPENINGRATE", CellForm::Number)});
            }
        }
        if (m_columns.standardCost)
            addRate(m_standardCosts, row.cell("STDCOSTDATE"), row.cell("STDCOST"));
        if (m_columns.standardPrice)
            addRate(m_standardPrices, row.cell("STDPRICEDATE"), row.cell("STDPRICE"));
        if (m_columns.components) {
            Component component{row.cell("BOMITEM"), row.cell("BOMGODOWN"), row.cell("BOMQTY"), row.cell("BOMUNIT")};
            if (!component.stockItemName.isEmpty() && !component.godownName.isEmpty())
                m_components.append(std::move(component));
        }
        if (m_columns.exciseGodown) {
            const QString godown = row.cell("EXCISEGODOWN");
            if (!godown.isEmpty()) {
                m_exciseGodowns.append(
                    {godown, row.cell("EXCISEUNITNAME"), row.cell("VALUATIONTYPE"), row.cell("STOCKITEMTYPE")});
            }
        }
    }

    tally::TallyReply postMaster() override
    {
        m_item.BatchAllocations = m_batches;
        m_item.StandardCosts = m_standardCosts;
        m_item.StandardPrices = m_standardPrices;
        m_item.Components = m_components;
        m_item.ExciseGodowns = m_exciseGodowns;
        return ImportStockItem(m_window.currentCompany(), m_item, QString::fromLatin1(actionCreate));
    }

    int progressRow(int lastRow, int) const override { return lastRow; }

private:
    static void addRate(QList<StandardRate> &rates, const QString &date, const QString &rate)
    {
        if (!date.isEmpty() && !rate.isEmpty())
            rates.append({date, rate});
    }

    sources::ImportWindow &m_window;
    SubLineColumns m_columns;
    StockItemRec m_item;
    QList<BatchAllocation> m_batches;
    QList<StandardRate> m_standardCosts;
    QList<StandardRate> m_standardPrices;
    QList<Component> m_components;
    QList<ExciseGodown> m_exciseGodowns;
};

} // namespace

void PostStockItems(sources::ImportWindow &window)
{
    errors::trap(QString::fromLatin1(locationPostStockItems), [&] {
        window.selectFirstDataTab();
        window.currentCompany() = window.companyListText();
        StockItemType items(window);
        walkMasterGroups(window, progressStockItems, items);
    });
}

} // namespace masters
