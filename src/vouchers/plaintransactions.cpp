#include "sources/gridtext.h"
#include "staging/stagingstore.h"
#include "vouchers/tablehandler.h"
#include "vouchers/voucherconstants.h"
#include "vouchers/voucherlines.h"
#include "vouchers/voucherposting.h"

namespace vouchers {

namespace {

using staging::VoucherRec;

// Plain transactions: a row is a ledger line and may add a bill to the line staged last. A bill before the
// voucher's first line keeps the voucher from the server rather than go under no line.
struct TransactionState : LedgerColumns, BillColumns
{
    QString EFFECTIVEDATE;
    QString LINENARRATION;
    QString biAId;
};
using TS = TransactionState;

constexpr Column<TS> transactionColumns[] = {
    {"LEDGER", &TS::LEDGER},
    {"DEBIT", &TS::DEBIT, Required, Amount},
    {"CREDIT", &TS::CREDIT, Required, Amount},
    {"ADJMETHOD", &TS::ADJMETHOD, Optional},
    {"ADJNAME", &TS::ADJNAME, Optional},
    {"ADJDATE", &TS::ADJDATE, Optional},
    {"ADJAMOUNT", &TS::ADJAMOUNT, Optional, Amount},
    {"EFFECTIVEDATE", &TS::EFFECTIVEDATE, Optional},
    {"LINENARRATION", &TS::LINENARRATION, Optional},
};
constexpr auto transactionHeader = partyFields<TS>(&TS::LEDGER);
constexpr char noLedgerEntryId[] = "0"; // the entry id of a voucher before its first ledger line
constexpr Counter<TS> transactionCounters[] = {
    {&TS::ldEId, noLedgerEntryId},
    {&TS::biAId, "0"},
};

void transactionEffectiveDate(const TS &state, const VoucherRun &, VoucherRec &header)
{
    if (!sources::isBlank(state.EFFECTIVEDATE))
        header.EffectiveDate = state.EFFECTIVEDATE;
}

void stageTransaction(TS &state, VoucherRun &run)
{
    if (!state.LEDGER.isEmpty()) {
        state.ldEId = NextCounter(state.ldEId);
        fillLedgerLine(state);
        state.entry.Narration = state.LINENARRATION;
        run.store().SaveLedgerEntry(run.company(), state.entry, run.vchId(), state.ldEId);
    }
    if (!state.ADJNAME.isEmpty()) {
        if (state.ldEId == QLatin1String(noLedgerEntryId)) {
            refuseWithoutLineAbove(run, "a bill");
            return;
        }
        if (state.ADJMETHOD.isEmpty())
            state.ADJMETHOD = QString::fromLatin1(newRef);
        state.biAId = NextCounter(state.biAId);
        state.bill.Name = state.ADJNAME;
        state.bill.BillType = state.ADJMETHOD;
        state.bill.BillCreditPeriod = state.ADJDATE;
        state.bill.Amount = signedBillAmount(state, state);
        run.store().SaveBillAllocation(run.company(), state.bill, run.vchId(), state.ldEId, state.biAId);
    }
}

// The location code under which error reports of this type show.
constexpr char locationPostTransaction[] = "F01-0023";
constexpr TypeTable<TS> transactionType{locationPostTransaction, all(transactionColumns),  all(transactionHeader),
                                        all(cashFlowHeader),     all(transactionCounters), stageTransaction,
                                        transactionEffectiveDate};

} // namespace

void PostTransaction(sources::ImportWindow &window)
{
    postWithTable(window, transactionType);
}

} // namespace vouchers
