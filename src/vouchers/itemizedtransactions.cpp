// Itemized transactions: invoices whose rows are item lines or ledger lines.

#include "staging/stagingstore.h"
#include "vouchers/invoicelines.h"
#include "vouchers/tablehandler.h"
#include "vouchers/voucherconstants.h"
#include "vouchers/voucherlines.h"
#include "vouchers/voucherposting.h"

namespace vouchers {

namespace {

using staging::VoucherRec;

// The rows read no tax classification and no cost centre: those values of an invoice's lines stay empty.
using IS = InvoiceColumns;

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

// An item line, its batch in the godown the row names.
void stageItemizedItem(IS &state, VoucherRun &run)
{
    state.batch.GodownName = state.GODOWNNAME.isEmpty() ? QString::fromLatin1(mainLocation) : state.GODOWNNAME;
    state.batch.BatchName = QString::fromLatin1(primaryBatch);
    stageItemLine(run, state, plainLineValue(state));
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
        stageItemizedItem(state, run);
    else
        stageLedgerLine(state, run);
}

// The location code under which error reports of this type show.
constexpr char locationPostItemizedTransaction[] = "F01-0024";
constexpr TypeTable<IS> itemizedType{
    locationPostItemizedTransaction, all(itemizedColumns),    all(itemizedParty), all(itemizedHeader),
    all(itemizedCounters),           stageItemizedTransaction};

} // namespace

void PostItemizedTransaction(sources::ImportWindow &window)
{
    postWithTable(window, itemizedType);
}

} // namespace vouchers
