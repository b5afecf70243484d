#include "staging/stagingstore.h"
#include "vouchers/invoicelines.h"
#include "vouchers/tablehandler.h"
#include "vouchers/voucherconstants.h"
#include "vouchers/voucherlines.h"
#include "vouchers/voucherposting.h"

namespace vouchers {

namespace {

// Credit and debit notes: every row is a ledger line with one bill, the voucher's first line its party line.
struct CrDrNoteState : LedgerColumns, BillColumns
{
};
using CS = CrDrNoteState;

constexpr Column<CS> crDrNoteColumns[] = {
    {"LEDGER", &CS::LEDGER},
    {"DEBIT", &CS::DEBIT, Required, Amount},
    {"CREDIT", &CS::CREDIT, Required, Amount},
    {"ADJMETHOD", &CS::ADJMETHOD, Optional},
    {"ADJNAME", &CS::ADJNAME, Optional},
    {"ADJDATE", &CS::ADJDATE, Optional},
    {"ADJAMOUNT", &CS::ADJAMOUNT, Optional, Amount},
};
constexpr auto crDrNoteHeader = partyFields<CS>(&CS::LEDGER);
constexpr Counter<CS> crDrNoteCounters[] = {
    {&CS::ldEId, "1"},
};

void stageCrDrNote(CS &state, VoucherRun &run)
{
    fillLedgerLine(state);
    run.store().SaveLedgerEntry(run.company(), state.entry, run.vchId(), state.ldEId);
    stageInvoiceBill(run, state, state.ldEId, QStringLiteral("1"), signedBillAmount(state, state));
    state.ldEId = NextCounter(state.ldEId);
}

// The location code under which error reports of this type show.
constexpr char locationPostCrDrNotes[] = "F01-0050";
constexpr TypeTable<CS> crDrNoteType{locationPostCrDrNotes, all(crDrNoteColumns),  all(crDrNoteHeader),
                                     all(cashFlowHeader),   all(crDrNoteCounters), stageCrDrNote};

} // namespace

void PostCrDrNotes(sources::ImportWindow &window)
{
    postWithTable(window, crDrNoteType);
}

} // namespace vouchers
