// Cost-centre transactions: a row is a ledger line with its bill and a cost-centre row; a row without a ledger
// adds one more cost-centre row to the line staged before it.

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
// A cost row met before the first ledger line of a voucher goes under ledger entry 0, which no line has: it is
// kept out of the voucher rather than ending the run.
constexpr Counter<CS> costCounters[] = {
    {&CS::ldEId, "0"},
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
    }
    // Under the line staged last, with its sign.
    stageNamedCostRow(run, state, state.ldEId, signedAmount(state.signPrefix, state.COSTAMOUNT));
}

constexpr TypeTable<CS> costType{
    locationPostCostTransaction, all(costColumns),     all(costHeader), all(cashFlowHeader),
    all(costCounters),           stageCostTransaction, costInvoiceFlag};

} // namespace

void PostCostTransaction(sources::ImportWindow &window)
{
    postWithTable(window, costType);
}

} // namespace vouchers
