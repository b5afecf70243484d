#include "staging/stagingstore.h"
#include "vouchers/tablehandler.h"
#include "vouchers/voucherconstants.h"
#include "vouchers/voucherlines.h"
#include "vouchers/voucherposting.h"

namespace vouchers {

namespace {

// Service-tax transactions: a line with an assessable value gets a service-tax bill and names the service-tax
// ledger as its tax party; any other line gets a plain bill that carries that ledger.
struct ServiceTaxState : LedgerColumns, BillColumns, CostColumns, ServiceTaxColumns
{
    QString SERVICETAXRATE;
};
using SS = ServiceTaxState;

constexpr Column<SS> serviceTaxColumns[] = {
    {"LEDGER", &SS::LEDGER},
    {"DEBIT", &SS::DEBIT, Required, Amount},
    {"CREDIT", &SS::CREDIT, Required, Amount},
    {"ADJMETHOD", &SS::ADJMETHOD, Optional},
    {"ADJNAME", &SS::ADJNAME, Optional},
    {"ADJAMOUNT", &SS::ADJAMOUNT, Optional, Amount},
    {"SERVICETAXLEDGER", &SS::SERVICETAXLEDGER, Optional},
    {"ASSESSABLEAMT", &SS::ASSESSABLEAMT, Optional, Amount},
    {"SERVICETAXRATE", &SS::SERVICETAXRATE, Optional, CellForm::RateAsText},
    {"SERVICETAX", &SS::SERVICETAX, Optional, CellForm::NumberAsText},
    {"CESS", &SS::CESS, Optional, CellForm::NumberAsText},
    {"SECCESS", &SS::SECCESS, Optional, CellForm::NumberAsText},
    {"COSTCATEGORY", &SS::COSTCATEGORY, Optional},
    {"COSTCENTRE", &SS::COSTCENTRE, Optional},
    {"COSTAMOUNT", &SS::COSTAMOUNT, Optional, Amount},
};
constexpr auto serviceTaxHeader = partyFields<SS>(&SS::LEDGER);
constexpr Counter<SS> serviceTaxCounters[] = {
    {&SS::ldEId, "1"},
    {&SS::cAId, "0"},
};
void stageServiceTaxTransaction(SS &state, VoucherRun &run)
{
    // A source without ASSESSABLEAMT, or a cell without a number, makes a plain line.
    const bool assessable = isAboveZero(state.ASSESSABLEAMT);
    fillLedgerLine(state);
    state.entry.TDSPartyName = assessable ? state.SERVICETAXLEDGER : QString();
    state.entry.BasicRateOfInvoiceTax = state.SERVICETAXRATE;
    run.store().SaveLedgerEntry(run.company(), state.entry, run.vchId(), state.ldEId);

    if (assessable) {
        stageServiceTaxBill(run, state, state, state.ldEId, QStringLiteral("1"), state.SERVICETAXRATE, QString());
    } else {
        state.bill.Name = state.ADJNAME;
        state.bill.BillCreditPeriod = QString();
        state.bill.BillType = state.ADJMETHOD;
        state.bill.Amount = signedBillAmount(state, state);
        state.bill.ServiceTaxLedger = state.SERVICETAXLEDGER;
        run.store().SaveBillAllocation(run.company(), state.bill, run.vchId(), state.ldEId, QStringLiteral("1"));
    }

    stageCostRow(run, state, state.ldEId, state.COSTAMOUNT);
    state.ldEId = NextCounter(state.ldEId);
}

// The location code under which error reports of this type show.
constexpr char locationPostServTaxTransaction[] = "F01-0023B";
constexpr TypeTable<SS> serviceTaxType{locationPostServTaxTransaction, all(serviceTaxColumns),
                                       all(serviceTaxHeader),          all(cashFlowHeader),
                                       all(serviceTaxCounters),        stageServiceTaxTransaction};

} // namespace

void PostServTaxTransaction(sources::ImportWindow &window)
{
    postWithTable(window, serviceTaxType);
}

} // namespace vouchers
