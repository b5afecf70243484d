// Stock journals: items moved into stock or out of it, each movement with the batch rows that say from or to
// which godown.

#include "sources/gridtext.h"
#include "staging/stagingstore.h"
#include "vouchers/stocklines.h"
#include "vouchers/tablehandler.h"
#include "vouchers/voucherconstants.h"
#include "vouchers/voucherlines.h"
#include "vouchers/voucherposting.h"

namespace vouchers {

namespace {

using staging::InventoryEntryInOutRec;
using staging::VoucherRec;

// A row with an item opens its movement; rows after it without one add batch rows to it. The reference and the
// direction carry on from the last row that gave them, also into the next voucher.
struct StockJournalState : StockBatchColumns
{
    QString QUANTITY;
    QString UNIT;
    QString RATE;
    QString AMOUNT;
    QString BATCHAMOUNT;
    QString DIRECTION;
    QString reference;
    InventoryEntryInOutRec inward;
    InventoryEntryInOutRec outward;
};
using SJ = StockJournalState;

constexpr Column<SJ> stockJournalColumns[] = {
    {"QUANTITY", &SJ::QUANTITY, Required, WideAmountOfText}, {"UNIT", &SJ::UNIT},
    {"RATE", &SJ::RATE, Required, WideAmountOfText},         {"AMOUNT", &SJ::AMOUNT, Optional, Amount},
    {"BATCHAMOUNT", &SJ::BATCHAMOUNT, Optional, Amount},
};
constexpr FixedValue<VoucherRec> stockJournalHeader[] = {
    {&VoucherRec::HasCashFlow, "No"},
    {&VoucherRec::AsOriginal, "No"},
    {&VoucherRec::IsInvoice, "No"},
};
// Item rows are numbered from 1 within a voucher, inward and outward alike, so that a batch row's entry id names
// one entry; batch rows from 1 within their item.
constexpr char noItemYet[] = "0";
constexpr Counter<SJ> stockJournalCounters[] = {
    {&SJ::inEId, noItemYet},
    {&SJ::baAId, "0"},
};

void stockJournalReference(const SJ &state, const VoucherRun &, VoucherRec &header)
{
    header.Reference = state.reference;
}

// DIRECTION as it is compared: "IN" and "OUT" in any letter case, with blanks around them.
QString directionOf(const SJ &state)
{
    return sources::trimSpaces(state.DIRECTION).toUpper();
}

void fillMovement(const SJ &state, InventoryEntryInOutRec &entry, const QString &amount, const char *isDeemedPositive)
{
    const QString quantity = state.QUANTITY + QLatin1Char(' ') + state.UNIT;
    entry.StockItemName = state.ITEMNAME;
    entry.IsAutoNigate = QStringLiteral("No");
    entry.Rate = state.RATE + QLatin1Char('/') + state.UNIT;
    entry.Amount = amount;
    entry.IsDeemedPositive = QString::fromLatin1(isDeemedPositive);
    entry.ActualQty = quantity;
    entry.BilledQty = quantity;
}

// An item row's movement, inward or outward by its direction. A direction that is neither is no movement the
// server could be told of: the voucher is refused rather than posted without the item.
void stageMovement(SJ &state, VoucherRun &run)
{
    state.inEId = NextCounter(state.inEId);
    state.baAId = QStringLiteral("0");
    const QString direction = directionOf(state);
    if (direction == QLatin1String("IN")) {
        fillMovement(state, state.inward, signedAmount(QStringLiteral("-"), state.AMOUNT), "Yes");
        run.store().SaveInventoryEntryIN(run.company(), state.inward, run.vchId(), state.inEId);
    } else if (direction == QLatin1String("OUT")) {
        fillMovement(state, state.outward, state.AMOUNT, "No");
        run.store().SaveInventoryEntryOut(run.company(), state.outward, run.vchId(), state.inEId);
    } else {
        run.refuseRow(QStringLiteral("gives its item the direction \"%1\", neither IN nor OUT").arg(state.DIRECTION));
    }
}

void stageStockJournal(SJ &state, VoucherRun &run)
{
    if (isInventoryRow(state.ITEMNAME))
        stageMovement(state, run);
    // The batch row moves its godown's stock the way its item moves; it names the godown as its destination too.
    const QString batchSign = directionOf(state) == QLatin1String("IN") ? QStringLiteral("-") : QString();
    state.batch.DestinationGodownName = state.GODOWNNAME;
    state.batch.Amount = signedAmount(batchSign, state.BATCHAMOUNT);
    state.batch.BilledQty = batchQuantity(state);
    stageStockBatch(run, state, noItemYet);
}

// The location code under which error reports of this type show.
constexpr char locationPostStockJV[] = "F01-0049";
constexpr TypeTable<SJ> stockJournalType{locationPostStockJV,     all(stockJournalColumns),  {},
                                         all(stockJournalHeader), all(stockJournalCounters), stageStockJournal,
                                         stockJournalReference};

class StockJournalHandler final : public TableHandler<SJ>
{
public:
    StockJournalHandler() : TableHandler<SJ>(stockJournalType) {}

    void readRow(VoucherRun &run) override
    {
        TableHandler<SJ>::readRow(run);
        run.readColumns<StockBatchColumns>(state(), all(stockBatchColumns));
        // An empty cell leaves the value of the last row that gave one.
        if (!run.common().REFNO.isEmpty())
            state().reference = run.common().REFNO;
        if (run.sourceHas("DIRECTION")) {
            const QString direction = run.cell("DIRECTION");
            if (!direction.isEmpty())
                state().DIRECTION = direction;
        }
    }
};

} // namespace

void PostStockJV(sources::ImportWindow &window)
{
    StockJournalHandler handler;
    PostGridVouchers(window, handler);
}

} // namespace vouchers
