#include "staging/stagingstore.h"
#include "vouchers/tablehandler.h"
#include "vouchers/voucherconstants.h"
#include "vouchers/voucherlines.h"
#include "vouchers/voucherposting.h"

namespace vouchers {

namespace {

// Quick transactions: a row debits DRLEDGER and credits CRLEDGER with one AMOUNT, each line with a bill and,
// when the row names a cost centre, a cost row. Further rows of a voucher add two more lines each.
struct QuickState : BillColumns, CostColumns
{
    QString DRLEDGER;
    QString CRLEDGER;
    QString AMOUNT;
    QString ldEId;
    staging::LedgerEntryRec entry;
};
using QS = QuickState;

constexpr Column<QS> quickColumns[] = {
    {"DRLEDGER", &QS::DRLEDGER},
    {"CRLEDGER", &QS::CRLEDGER},
    {"AMOUNT", &QS::AMOUNT, Required, Amount},
    {"ADJMETHOD", &QS::ADJMETHOD, Optional},
    {"ADJNAME", &QS::ADJNAME, Optional},
    {"ADJDATE", &QS::ADJDATE, Optional},
    {"ADJAMOUNT", &QS::ADJAMOUNT, Optional, Amount},
    {"COSTCATEGORY", &QS::COSTCATEGORY, Optional},
    {"COSTCENTRE", &QS::COSTCENTRE, Optional},
    {"COSTAMOUNT", &QS::COSTAMOUNT, Optional, Amount},
};
constexpr auto quickHeader = partyFields<QS>(&QS::DRLEDGER);
constexpr Counter<QS> quickCounters[] = {
    {&QS::ldEId, "0"},
    {&QS::cAId, "0"},
};

// One side of a quick row: its line, its bill and its cost row, the debit side under "-".
void stageQuickLine(QS &state, VoucherRun &run, const QString &ldEId, const QString &ledger, const QString &sign)
{
    state.entry.LedgerName = ledger;
    state.entry.IsDeemedPositive = sign.isEmpty() ? QStringLiteral("No") : QStringLiteral("Yes");
    state.entry.LedgerFromItem = QStringLiteral("No");
    state.entry.RemoveZeroEntries = QStringLiteral("No");
    state.entry.IsPartyLedger = QStringLiteral("Yes");
    state.entry.Amount = signedAmount(sign, state.AMOUNT);
    run.store().SaveLedgerEntry(run.company(), state.entry, run.vchId(), ldEId);

    state.bill.Name = state.ADJNAME;
    state.bill.BillCreditPeriod = state.ADJDATE;
    state.bill.BillType = state.ADJMETHOD;
    state.bill.Amount = signedAmount(sign, cellInForm(state.ADJAMOUNT, Amount));
    run.store().SaveBillAllocation(run.company(), state.bill, run.vchId(), ldEId, QStringLiteral("1"));

    stageCostRow(run, state, ldEId, signedAmount(sign, state.COSTAMOUNT));
}

// Every row of a voucher reaches it: the k-th row's credit line is entry 2k-1 and its debit line entry 2k.
void stageQuickTransaction(QS &state, VoucherRun &run)
{
    const QString creditId = NextCounter(state.ldEId);
    state.ldEId = NextCounter(creditId);
    stageQuickLine(state, run, state.ldEId, state.DRLEDGER, QStringLiteral("-"));
    stageQuickLine(state, run, creditId, state.CRLEDGER, QString());
}

// The location code under which error reports of this type show.
constexpr char locationPostQuickTransaction[] = "F01-0023C";
constexpr TypeTable<QS> quickType{locationPostQuickTransaction, all(quickColumns),  all(quickHeader),
                                  all(cashFlowHeader),          all(quickCounters), stageQuickTransaction};

} // namespace

void PostQuickTransaction(sources::ImportWindow &window)
{
    postWithTable(window, quickType);
}

} // namespace vouchers
