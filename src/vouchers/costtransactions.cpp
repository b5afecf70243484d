// Cost-centre transactions: a row is a ledger line with its bill and a cost-centre row; a row without a ledger
// adds one more cost-centre row to the line staged before it. Such a row that gives a bill, or a cost row before
// the voucher's first line, keeps the voucher from the server rather than lose them.

#include "sources/gridtext.h"
#include "staging/stagingstore.h"
#include "vouchers/invoicelines.h"
#include "vouchers/tablehandler.h"
#include "vouchers/voucherconstants.h"
#include "vouchers/voucherlines.h"
#include "vouchers/voucherposting.h"

namespace vouchers {

namespace {

using staging::VoucherRec;

struct CostTransactionState : LedgerColumns, BillColumns, CostColumns
{
    QString LINENARRATION;
};
using CS = CostTransactionState;

constexpr Column<CS> costColumns[] = {
    {"LEDGER", &CS::LEDGER},
    {"DEBIT", &CS::DEBIT, Required, Amount},
    {"CREDIT", &CS::CREDIT, Required, Amount},
    {"ADJMETHOD", &CS::ADJMETHOD},
    {"ADJNAME", &CS::ADJNAME},
    {"ADJDATE", &CS::ADJDATE},
    {"ADJAMOUNT", &CS::ADJAMOUNT, Required, Amount},
    {"COSTCATEGORY", &CS::COSTCATEGORY},
    {"COSTCENTRE", &CS::COSTCENTRE},
    {"COSTAMOUNT", &CS::COSTAMOUNT, Required, Amount},
    {"LINENARRATION", &CS::LINENARRATION, Optional},
};
constexpr auto costHeader = partyFields<CS>(&CS::LEDGER);
constexpr char noLedgerEntryId[] = "0"; // the entry id of a voucher before its first ledger line
constexpr Counter<CS> costCounters[] = {
    {&CS::ldEId, noLedgerEntryId},
    {&CS::cAId, "0"},
};

// Sales and purchases are invoices; the type's name must be written exactly so.
void costInvoiceFlag(const CS &, const VoucherRun &run, VoucherRec &header)
{
    const QString &type = run.common().VCHTYPE;
    if (type == QLatin1String("Sales") || type == QLatin1String("Purchase"))
        header.IsInvoice = QStringLiteral("Yes");
}

void stageCostTransaction(CS &state, VoucherRun &run)
{
    if (!state.LEDGER.isEmpty()) {
        state.ldEId = NextCounter(state.ldEId);
        fillLedgerLine(state);
        state.entry.Narration = state.LINENARRATION;
        run.store().SaveLedgerEntry(run.company(), state.entry, run.vchId(), state.ldEId);
        // Every line has its bill row, an empty one too: the server is sent only those with an amount.
        stageInvoiceBill(run, state, state.ldEId, QStringLiteral("1"), signedBillAmount(state, state));
        state.cAId = QStringLiteral("0");
    } else if (refusedCostContinuation(run, state.ADJNAME, state.COSTCENTRE,
                                       state.ldEId != QLatin1String(noLedgerEntryId))) {
        return;
    }
    // Under the line staged last, with its sign.
    stageNamedCostRow(run, state, state.ldEId, signedAmount(state.signPrefix, state.COSTAMOUNT));
}

// The location code under which error reports of this type show.
constexpr char locationPostCostTransaction[] = "F01-0025";
constexpr TypeTable<CS> costType{
    locationPostCostTransaction, all(costColumns),     all(costHeader), all(cashFlowHeader),
    all(costCounters),           stageCostTransaction, costInvoiceFlag};

} // namespace

void PostCostTransaction(sources::ImportWindow &window)
{
    postWithTable(window, costType);
}

} // namespace vouchers
