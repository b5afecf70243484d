#include "masters/masterbuilders.h"
#include "masters/masterconstants.h"
#include "masters/masterposting.h"
#include "masters/masterrow.h"

#include "errors/errortrap.h"
#include "platform/system.h"
#include "sources/gridtext.h"
#include "sources/importwindow.h"
#include "sources/lookups.h"
#include "sources/rowmarking.h"
#include "sources/workgrid.h"
#include "tally/transport.h"
#include "tally/xmltext.h"

#include <optional>

// The seven master types whose masters are one grid row each. What a type reads from its row is the table of
// its columns; what it adds to that is the table of its fixed values and, for two types, a last step.
namespace masters {

namespace {

template <typename Rec> struct SimpleMasterType
{
    const char *location;
    const char *progress;
    std::span<const Column<Rec>> columns;
    std::span<const FixedValue<Rec>> fixedValues;
    void (*lastStep)(Rec &record, const MasterRow &row);
    tally::TallyReply (*import)(const QString &company, const Rec &record, const QString &action);
};

// A row that is blank all through holds no master, even when its NAME cell holds blanks.
bool holdsMaster(const sources::WorkGrid &grid, int row, const QString &name)
{
    if (name.isEmpty())
        return false;
    return !name.trimmed().isEmpty() || !sources::IsEmptyRow(grid, row);
}

template <typename Rec> void postSimpleMasters(sources::ImportWindow &window, const SimpleMasterType<Rec> &type)
{
    // A failure that repeats from master to master is shown once.
    const errors::RunScope failures;
    errors::trap(QString::fromLatin1(type.location), [&] {
        const tally::RunServer server;
        window.selectFirstDataTab();
        window.currentCompany() = window.companyListText();
        sources::WorkGrid &grid = window.workGrid();
        const QString progress = QString::fromLatin1(type.progress);
        const QString action = QString::fromLatin1(actionCreate);

        Rec record;
        // Once the server stopped answering or the program was told to stop, the masters after it are marked
        // as not tried.
        std::optional<sources::StoppedRun> stopped;
        bool anythingSent = false;
        const int rows = grid.rows();
        for (int i = 1; i <= rows; ++i) {
            const QString name = grid.text(i, QStringLiteral("NAME"));
            if (!holdsMaster(grid, i, name))
                continue;
            if (!stopped && platform::stopRequested())
                stopped.emplace(window, sources::StoppedRun::Cause::Told, i, anythingSent);
            if (stopped) {
                stopped->markNotTried(sources::PostedRows::master(i));
                continue;
            }
            tally::XmlTextCheck check;
            check.check(QStringLiteral("NAME"), name);
            const MasterRow row(window, i, &check);
            record.Name = name;
            readColumns(record, row, type.columns);
            assignFixedValues(record, type.fixedValues);
            if (type.lastStep)
                type.lastStep(record, row);

            const tally::TallyReply reply =
                check.passed() ? type.import(window.currentCompany(), record, action) : check.heldBack();
            anythingSent = anythingSent || reply.delivery != tally::Delivery::NotSent;
            if (!sources::PostAndMark(window, sources::PostedRows::master(i), reply, progress + QString::number(i)))
                stopped.emplace(window, sources::StoppedRun::Cause::ServerGone, i, true);
        }
    });
}

// Ledger groups: everything but name, alias, parent and the sub-ledger flag is fixed.
constexpr Column<LedgerGroupRec> groupColumns[] = {
    {"NAMEALIAS", &LedgerGroupRec::Alias, ColumnUse::Optional},
    {"PARENT", &LedgerGroupRec::Parent},
    {"SUBLEDGER", &LedgerGroupRec::IsSubLedger},
};
constexpr FixedValue<LedgerGroupRec> groupFixedValues[] = {
    {&LedgerGroupRec::AffectsStock, "No"},     {&LedgerGroupRec::IsBillwiseOn, "No"},
    {&LedgerGroupRec::IsCostCentreOn, "No"},   {&LedgerGroupRec::IsAddable, "No"},
    {&LedgerGroupRec::IsRevenue, "No"},        {&LedgerGroupRec::AffectsGrossProfit, "No"},
    {&LedgerGroupRec::IsDeemedPositive, "No"}, {&LedgerGroupRec::TrackNegativeBalances, "No"},
    {&LedgerGroupRec::IsCondensed, "Yes"},     {&LedgerGroupRec::SortPosition, ""},
};

// Units: the row's kind decides which columns it needs; the other kind's members are emptied so that nothing
// of an earlier row rides along.
constexpr Column<UnitRec> unitColumns[] = {
    {"ISSIMPLEUNIT", &UnitRec::IsSimpleUnit},
};
constexpr Column<UnitRec> simpleUnitColumns[] = {
    {"ORIGINALNAME", &UnitRec::OriginalName},
    {"DECIMALPLACES", &UnitRec::DecimalPlaces},
};
constexpr Column<UnitRec> compoundUnitColumns[] = {
    {"BASEUNITS", &UnitRec::BaseUnits},
    {"ADDITIONALUNITS", &UnitRec::AdditionalUnits},
    {"CONVERSION", &UnitRec::Conversion},
};

UnitKind unitKind(const QString &isSimpleUnit)
{
    return isSimpleUnit.trimmed().toUpper() == QLatin1String("NO") ? UnitKind::Compound : UnitKind::Simple;
}

void readUnitKind(UnitRec &unit, const MasterRow &row)
{
    unit.Kind = unitKind(unit.IsSimpleUnit);
    const bool compound = unit.Kind == UnitKind::Compound;
    for (const auto &column : simpleUnitColumns)
        unit.*(column.field) = compound ? QString() : row.cell(column.key);
    for (const auto &column : compoundUnitColumns)
        unit.*(column.field) = compound ? row.cell(column.key) : QString();
}

constexpr Column<GodownRec> godownColumns[] = {
    {"NAMEALIAS", &GodownRec::Alias, ColumnUse::Optional},
    {"PARENT", &GodownRec::Parent},
    {"HASNOSTOCK", &GodownRec::HasNoStock},
};

constexpr Column<StockGroupRec> stockGroupColumns[] = {
    {"NAMEALIAS", &StockGroupRec::Alias, ColumnUse::Optional},
    {"PARENT", &StockGroupRec::Parent},
    {"ISADDABLE", &StockGroupRec::IsAddable},
};

constexpr Column<StockCategoryRec> stockCategoryColumns[] = {
    {"NAMEALIAS", &StockCategoryRec::Alias, ColumnUse::Optional},
    {"PARENT", &StockCategoryRec::Parent},
};

constexpr Column<CostCategoryRec> costCategoryColumns[] = {
    {"NAMEALIAS", &CostCategoryRec::Alias, ColumnUse::Optional},
    {"ALLOCATEREVENUE", &CostCategoryRec::AllocateRevenue, ColumnUse::Optional},
    {"ALLOCATENONREVENUE", &CostCategoryRec::AllocateNonRevenue, ColumnUse::Optional},
};

constexpr Column<CostCentreRec> costCentreColumns[] = {
    {"NAMEALIAS", &CostCentreRec::Alias, ColumnUse::Optional},
    {"PARENT", &CostCentreRec::Parent},
    {"CATEGORY", &CostCentreRec::Category, ColumnUse::Optional},
    {"AFFECTSSTOCK", &CostCentreRec::AffectsStock, ColumnUse::Optional},
    {"FORPAYROLL", &CostCentreRec::ForPayroll, ColumnUse::Optional},
    {"FORJOBCOSTING", &CostCentreRec::ForJobCosting, ColumnUse::Optional},
    {"ISEMPLOYEEGROUP", &CostCentreRec::IsEmployeeGroup, ColumnUse::Optional},
    {"SORTPOSITION", &CostCentreRec::SortPosition, ColumnUse::Optional},
};

// A cost centre without a category belongs to the category every company has.
void defaultCostCategory(CostCentreRec &centre, const MasterRow &)
{
    if (sources::isBlank(centre.Category))
        centre.Category = QStringLiteral("Primary Cost Category");
}

template <typename T, std::size_t N> constexpr std::span<const T> all(const T (&table)[N])
{
    return std::span<const T>(table);
}

} // namespace

void PostLedgerGroups(sources::ImportWindow &window)
{
    postSimpleMasters<LedgerGroupRec>(window, {locationPostLedgerGroups, progressLedgerGroups, all(groupColumns),
                                               all(groupFixedValues), nullptr, ImportLedgerGroup});
}

void PostUnits(sources::ImportWindow &window)
{
    postSimpleMasters<UnitRec>(window,
                               {locationPostUnits, progressUnits, all(unitColumns), {}, readUnitKind, ImportUnit});
}

void PostGodowns(sources::ImportWindow &window)
{
    postSimpleMasters<GodownRec>(window,
                                 {locationPostGodowns, progressGodowns, all(godownColumns), {}, nullptr, ImportGodown});
}

void PostStockGroups(sources::ImportWindow &window)
{
    postSimpleMasters<StockGroupRec>(
        window, {locationPostStockGroups, progressStockGroups, all(stockGroupColumns), {}, nullptr, ImportStockGroup});
}

void PostStockCategories(sources::ImportWindow &window)
{
    postSimpleMasters<StockCategoryRec>(window, {locationPostStockCategories,
                                                 progressStockCategories,
                                                 all(stockCategoryColumns),
                                                 {},
                                                 nullptr,
                                                 ImportStockCategory});
}

void PostCostCategories(sources::ImportWindow &window)
{
    postSimpleMasters<CostCategoryRec>(window, {locationPostCostCategories,
                                                progressCostCategories,
                                                all(costCategoryColumns),
                                                {},
                                                nullptr,
                                                ImportCostCategory});
}

void PostCostCentres(sources::ImportWindow &window)
{
    postSimpleMasters<CostCentreRec>(window, {locationPostCostCentres,
                                              progressCostCentres,
                                              all(costCentreColumns),
                                              {},
                                              defaultCostCategory,
                                              ImportCostCentre});
}

} // namespace masters
