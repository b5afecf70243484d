// Itemized transactions: invoices whose rows are item lines or ledger lines.

#include "staging/stagingstore.h"
#include "vouchers/tablehandler.h"
#include "vouchers/voucherconstants.h"
#include "vouchers/voucherlines.h"
#include "vouchers/voucherposting.h"

namespace vouchers {

namespace {

using staging::VoucherRec;

struct ItemizedState : LedgerColumns, BillColumns
{
    QString ITEMNAME;
    QString QUANTITY;
    QString UNIT;
    QString RATE;
    QString GODOWNNAME;
    QString inEId;
    staging::InventoryEntryRec item;
    staging::AccountingAllocationRec allocation;
    staging::BatchAllocationRec batch;
};
using IS = ItemizedState;

constexpr Column<IS> itemizedColumns[] = {
    {"LEDGER", &IS::LEDGER},
    {"DEBIT", &IS::DEBIT, Required, WideAmount},
    {"CREDIT", &IS::CREDIT, Required, WideAmount},
    {"ADJMETHOD", &IS::ADJMETHOD},
    {"ADJNAME", &IS::ADJNAME},
    {"ADJDATE", &IS::ADJDATE},
    {"ADJAMOUNT", &IS::ADJAMOUNT, Required, WideAmount},
    {"ITEMNAME", &IS::ITEMNAME},
    {"QUANTITY", &IS::QUANTITY, Required, WideAmountOfText},
    {"UNIT", &IS::UNIT},
    {"RATE", &IS::RATE, Required, WideAmountOfText},
    {"GODOWNNAME", &IS::GODOWNNAME},
};
constexpr auto itemizedParty = partyFields<IS>(&IS::LEDGER);
constexpr FixedValue<VoucherRec> itemizedHeader[] = {
    {&VoucherRec::HasCashFlow, "No"},
    {&VoucherRec::AsOriginal, "Yes"},
    {&VoucherRec::IsInvoice, "Yes"},
};
constexpr Counter<IS> itemizedCounters[] = {
    {&IS::ldEId, "1"},
    {&IS::inEId, "1"},
};

// An item line: its inventory entry, the allocation that books its value to LEDGER and the batch row that places
// its quantity, all under one inventory entry id.
void stageItemLine(IS &state, VoucherRun &run)
{
    const DebitCredit sign = DebitCreditRule(state.DEBIT, state.CREDIT);
    const QString quantity = state.QUANTITY + QLatin1Char(' ') + state.UNIT;

    state.item.StockItemName = state.ITEMNAME;
    state.item.IsDeemedPositive = sign.isDeemedPositive;
    state.item.IsAutoNigate = QStringLiteral("No");
    state.item.Rate = state.RATE + QLatin1Char('/') + state.UNIT;
    state.item.Amount = sign.amount;
    state.item.ActualQty = quantity;
    state.item.BilledQty = quantity;
    run.store().SaveInventoryEntry(run.company(), state.item, run.vchId(), state.inEId);

    state.allocation.LedgerName = state.LEDGER;
    state.allocation.IsDeemedPositive = sign.isDeemedPositive;
    state.allocation.LedgerFromItem = QStringLiteral("No");
    state.allocation.RemoveZeroEntries = QStringLiteral("No");
    state.allocation.IsPartyLedger = QStringLiteral("No");
    state.allocation.Amount = sign.amount;
    run.store().SaveAccountingAllocation(run.company(), state.allocation, run.vchId(), state.inEId,
                                         QStringLiteral("1"));

    state.batch.GodownName = state.GODOWNNAME.isEmpty() ? QString::fromLatin1(mainLocation) : state.GODOWNNAME;
    state.batch.BatchName = QString::fromLatin1(primaryBatch);
    state.batch.Amount = sign.amount;
    state.batch.ActualQty = quantity;
    state.batch.BilledQty = quantity;
    run.store().SaveBatchAllocation(run.company(), state.batch, run.vchId(), state.inEId, QStringLiteral("1"));

    state.inEId = NextCounter(state.inEId);
}

// A ledger line, with a bill when the row names one.
void stageLedgerLine(IS &state, VoucherRun &run)
{
    fillLedgerLine(state);
    run.store().SaveLedgerEntry(run.company(), state.entry, run.vchId(), state.ldEId);
    if (!state.ADJNAME.isEmpty()) {
        state.bill.Name = state.ADJNAME;
        state.bill.BillCreditPeriod = state.ADJDATE;
        state.bill.BillType = state.ADJMETHOD;
        state.bill.Amount = signedBillAmount(state, state);
        run.store().SaveBillAllocation(run.company(), state.bill, run.vchId(), state.ldEId, QStringLiteral("1"));
    }
    state.ldEId = NextCounter(state.ldEId);
}

void stageItemizedTransaction(IS &state, VoucherRun &run)
{
    if (isInventoryRow(state.ITEMNAME))
        stageItemLine(state, run);
    else
        stageLedgerLine(state, run);
}

constexpr TypeTable<IS> itemizedType{
    locationPostItemizedTransaction, all(itemizedColumns),    all(itemizedParty), all(itemizedHeader),
    all(itemizedCounters),           stageItemizedTransaction};

} // namespace

void PostItemizedTransaction(sources::ImportWindow &window)
{
    postWithTable(window, itemizedType);
}

} // namespace vouchers
