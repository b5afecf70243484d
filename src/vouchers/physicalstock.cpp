// Physical stock: the counted quantities of stock items, each item with a batch row per godown or batch in which
// it was counted. A voucher carries quantities only: no rate, amount or billed quantity.

#include "sources/gridtext.h"
#include "staging/stagingstore.h"
#include "vouchers/stocklines.h"
#include "vouchers/tablehandler.h"
#include "vouchers/voucherconstants.h"
#include "vouchers/voucherlines.h"
#include "vouchers/voucherposting.h"

namespace vouchers {

namespace {

using staging::VoucherRec;

struct PhysicalStockState : StockBatchColumns
{
    staging::InventoryEntryRec item;
};
using PS = PhysicalStockState;

constexpr FixedValue<VoucherRec> physicalStockHeader[] = {
    {&VoucherRec::HasCashFlow, "Yes"},
    {&VoucherRec::IsInvoice, "No"},
};
// Items are numbered from 2 within a voucher, batch rows from 1 within their item.
constexpr char noItemYet[] = "1";
constexpr Counter<PS> physicalStockCounters[] = {
    {&PS::inEId, noItemYet},
    {&PS::baAId, "0"},
};

// A row that names an item stages it with the quantity of its own row; a row that names a godown adds a batch
// row to the item staged last.
void stagePhysicalStock(PS &state, VoucherRun &run)
{
    if (isInventoryRow(state.ITEMNAME)) {
        state.inEId = NextCounter(state.inEId);
        state.baAId = QStringLiteral("0");
        state.item.StockItemName = state.ITEMNAME;
        state.item.IsDeemedPositive = QStringLiteral("Yes");
        state.item.IsAutoNigate = QStringLiteral("No");
        state.item.ActualQty = batchQuantity(state);
        run.store().SaveAllInventoryEntry(run.company(), state.item, run.vchId(), state.inEId);
    }
    stageStockBatch(run, state, noItemYet);
}

// The location code under which error reports of this type show.
constexpr char locationPostPhysicalStock[] = "F01-0051";
constexpr TypeTable<PS> physicalStockType{
    locationPostPhysicalStock, {}, {}, all(physicalStockHeader), all(physicalStockCounters), stagePhysicalStock};

// With an ID column of the source's own, a row whose ID is blank continues the voucher above it.
class PhysicalStockHandler final : public TableHandler<PS>
{
public:
    PhysicalStockHandler() : TableHandler<PS>(physicalStockType) {}

    void readRow(VoucherRun &run) override { run.readColumns<StockBatchColumns>(state(), all(stockBatchColumns)); }

    // A row without an ID that follows no voucher keeps its empty key: the run refuses such a voucher.
    QString voucherKey(VoucherRun &run, const QString &sharedKey) override
    {
        if (!run.sourceHas("ID") || !sources::isBlank(sharedKey) || run.rowIsBlank() || !run.openKey())
            return sharedKey;
        return *run.openKey();
    }
    bool idlessRowsContinueAbove() const override { return true; }
};

} // namespace

void PostPhysicalStock(sources::ImportWindow &window)
{
    PhysicalStockHandler handler;
    PostGridVouchers(window, handler);
}

} // namespace vouchers
