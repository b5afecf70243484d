#include "sources/gridtext.h"
#include "staging/stagingstore.h"
#include "vouchers/invoicelines.h"
#include "vouchers/tablehandler.h"
#include "vouchers/voucherconstants.h"
#include "vouchers/voucherlines.h"
#include "vouchers/voucherposting.h"

namespace vouchers {

namespace {

// Service-tax and TDS transactions: ledger lines of the voucher's full ledger list. A line with an assessable
// value gets a service-tax bill at the fixed rates and names the service-tax ledger as its tax party; any other
// line a TDS bill when it names a TDS ledger, else a plain bill when it names one. A line of no amount is left
// out. A row without a ledger, unless it is the voucher's first, adds its bill and cost row to the line above.
// What would be lost keeps the voucher from the server: the amount of a row without a ledger, which the line above
// does not take, and a bill or cost row under a line of no amount.
struct ServiceTaxTdsState : LedgerColumns, BillColumns, CostColumns, ServiceTaxColumns, TdsColumns
{
    QString biAId;          // the voucher's bill rows
    QString tBiAId;         // the voucher's service-tax bill rows
    bool lineStaged = true; // whether the line the row's bill and cost row go under is staged
};
using TT = ServiceTaxTdsState;

constexpr Column<TT> serviceTaxTdsColumns[] = {
    {"LEDGER", &TT::LEDGER},
    {"DEBIT", &TT::DEBIT, Required, Amount},
    {"CREDIT", &TT::CREDIT, Required, Amount},
    {"ADJMETHOD", &TT::ADJMETHOD, Optional},
    {"ADJNAME", &TT::ADJNAME, Optional},
    {"ADJAMOUNT", &TT::ADJAMOUNT, Optional, Amount},
    {"SERVICETAXLEDGER", &TT::SERVICETAXLEDGER, Optional},
    {"ASSESSABLEAMT", &TT::ASSESSABLEAMT, Optional, Amount},
    {"SERVICETAX", &TT::SERVICETAX, Optional, Amount},
    {"CESS", &TT::CESS, Optional, Amount},
    {"SECCESS", &TT::SECCESS, Optional, Amount},
    {"COSTCATEGORY", &TT::COSTCATEGORY, Optional},
    {"COSTCENTRE", &TT::COSTCENTRE, Optional},
    {"COSTAMOUNT", &TT::COSTAMOUNT, Optional, Amount},
    {"TDSLEDGER", &TT::TDSLEDGER, Optional},
    {"TDSRATE", &TT::TDSRATE, Optional, Amount},
    {"ISSPECIALRATE", &TT::ISSPECIALRATE, Optional},
};
constexpr auto serviceTaxTdsHeader = partyFields<TT>(&TT::LEDGER);
// Every id advances before its row is written: the voucher's first row makes line 1.
constexpr Counter<TT> serviceTaxTdsCounters[] = {
    {&TT::ldEId, "0"},
    {&TT::cAId, "0"},
    {&TT::biAId, "0"},
    {&TT::tBiAId, "0"},
};
constexpr char serviceTaxRate[] = "12";

// The row's line by DebitCreditRule, but a credit only when above 0. A line that is neither has no amount and
// keeps the side of the line before, for the rows under it.
void fillServiceTaxTdsLine(TT &state)
{
    const QString isDeemedPositive = state.entry.IsDeemedPositive;
    const QString signPrefix = state.signPrefix;
    fillLedgerLine(state);
    if (!isNonZero(state.DEBIT) && !isAboveZero(state.CREDIT)) {
        state.entry.Amount = QStringLiteral("0");
        state.entry.IsDeemedPositive = isDeemedPositive;
        state.signPrefix = signPrefix;
    }
}

// Whether a row without an assessable value has a bill: a TDS bill when it names a TDS ledger, else a plain bill
// when it names one.
bool hasTdsOrPlainBill(const TT &state)
{
    return !state.TDSLEDGER.isEmpty() || !sources::isBlank(state.ADJNAME);
}

// A TDS bill, or a plain bill that states no deduction.
void stageTdsOrPlainBill(TT &state, VoucherRun &run)
{
    if (!hasTdsOrPlainBill(state))
        return;
    const bool tds = !state.TDSLEDGER.isEmpty();
    fillTdsDeduction(state.bill, tds ? static_cast<const TdsColumns &>(state) : TdsColumns());
    state.bill.ServiceTaxLedger = state.SERVICETAXLEDGER;
    state.biAId = NextCounter(state.biAId);
    stageInvoiceBill(run, state, state.ldEId, state.biAId, signedBillAmount(state, state));
}

void stageServiceTaxTdsTransaction(TT &state, VoucherRun &run)
{
    // A row without a ledger continues the line above, unless it opens the voucher: a line of its own would put a
    // nameless entry in place of that line.
    const bool ownLine = !state.LEDGER.isEmpty() || state.ldEId == QLatin1String("0");
    if (ownLine)
        state.ldEId = NextCounter(state.ldEId);
    // A source without ASSESSABLEAMT, or a cell without a number, has no assessable value.
    const bool assessable = isAboveZero(state.ASSESSABLEAMT);
    fillServiceTaxTdsLine(state);
    state.entry.TDSPartyName = assessable ? state.SERVICETAXLEDGER : QString();
    if (ownLine) {
        state.lineStaged = isNonZero(state.entry.Amount);
        if (state.lineStaged)
            run.store().SaveAllLedgerEntry(run.company(), state.entry, run.vchId(), state.ldEId);
    } else if (isNonZero(state.entry.Amount)) {
        refuseWithoutLedger(run, "an amount", "its bill and cost centre to the line above");
        return;
    }
    if (!state.lineStaged) {
        if (assessable)
            refuseUnderLineOfNoAmount(run, "a service-tax bill");
        else if (hasTdsOrPlainBill(state))
            refuseUnderLineOfNoAmount(run, "a bill");
        else if (!state.COSTCENTRE.isEmpty())
            refuseUnderLineOfNoAmount(run, "a cost centre");
        return;
    }

    if (assessable) {
        state.tBiAId = NextCounter(state.tBiAId);
        stageServiceTaxBill(run, state, state, state.ldEId, state.tBiAId, QLatin1String(serviceTaxRate),
                            state.signPrefix);
    } else {
        stageTdsOrPlainBill(state, run);
    }
    stageCostRow(run, state, state.ldEId, signedAmount(state.signPrefix, state.COSTAMOUNT));
}

// The location code under which error reports of this type show.
constexpr char locationPostSTTDSTransaction[] = "F01-0025A";
constexpr TypeTable<TT> serviceTaxTdsType{locationPostSTTDSTransaction, all(serviceTaxTdsColumns),
                                          all(serviceTaxTdsHeader),     all(cashFlowHeader),
                                          all(serviceTaxTdsCounters),   stageServiceTaxTdsTransaction};

} // namespace

void PostSTTDSTransaction(sources::ImportWindow &window)
{
    postWithTable(window, serviceTaxTdsType);
}

} // namespace vouchers
