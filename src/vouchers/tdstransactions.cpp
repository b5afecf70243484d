#include "staging/stagingstore.h"
#include "vouchers/invoicelines.h"
#include "vouchers/tablehandler.h"
#include "vouchers/voucherconstants.h"
#include "vouchers/voucherlines.h"
#include "vouchers/voucherposting.h"

namespace vouchers {

namespace {

// TDS transactions: a row is a ledger line with one bill that carries the TDS details, and a cost row.
struct TdsState : LedgerColumns, BillColumns, CostColumns, TdsColumns
{
};
using DS = TdsState;

constexpr Column<DS> tdsColumns[] = {
    {"LEDGER", &DS::LEDGER},
    {"DEBIT", &DS::DEBIT, Required, Amount},
    {"CREDIT", &DS::CREDIT, Required, Amount},
    {"ADJMETHOD", &DS::ADJMETHOD, Optional},
    {"ADJNAME", &DS::ADJNAME, Optional},
    {"ADJDATE", &DS::ADJDATE, Optional},
    {"ADJAMOUNT", &DS::ADJAMOUNT, Optional, Amount},
    {"TDSLEDGER", &DS::TDSLEDGER, Optional},
    {"TDSRATE", &DS::TDSRATE, Optional, Amount},
    {"ISSPECIALRATE", &DS::ISSPECIALRATE, Optional},
    {"COSTCATEGORY", &DS::COSTCATEGORY, Optional},
    {"COSTCENTRE", &DS::COSTCENTRE, Optional},
    {"COSTAMOUNT", &DS::COSTAMOUNT, Optional, Amount},
};
constexpr auto tdsHeader = partyFields<DS>(&DS::LEDGER);
constexpr Counter<DS> tdsCounters[] = {
    {&DS::ldEId, "1"},
    {&DS::cAId, "0"},
};

void stageTdsTransaction(DS &state, VoucherRun &run)
{
    fillLedgerLine(state);
    run.store().SaveLedgerEntry(run.company(), state.entry, run.vchId(), state.ldEId);

    fillTdsDeduction(state.bill, state);
    stageInvoiceBill(run, state, state.ldEId, QStringLiteral("1"), signedBillAmount(state, state));

    stageCostRow(run, state, state.ldEId, state.COSTAMOUNT);
    state.ldEId = NextCounter(state.ldEId);
}

// The location code under which error reports of this type show.
constexpr char locationPostTDSTransaction[] = "F01-0023A";
constexpr TypeTable<DS> tdsType{locationPostTDSTransaction, all(tdsColumns),  all(tdsHeader),
                                all(cashFlowHeader),        all(tdsCounters), stageTdsTransaction};

} // namespace

void PostTDSTransaction(sources::ImportWindow &window)
{
    postWithTable(window, tdsType);
}

} // namespace vouchers
