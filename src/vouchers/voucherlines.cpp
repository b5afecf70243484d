#include "vouchers/voucherlines.h"

#include "sources/gridtext.h"
#include "staging/stagingstore.h"
#include "vouchers/voucherconstants.h"
#include "vouchers/voucherrun.h"

namespace vouchers {

bool isInventoryRow(const QString &itemName)
{
    return !sources::isBlank(itemName);
}

void fillLedgerLine(LedgerColumns &line)
{
    const DebitCredit sign = DebitCreditRule(line.DEBIT, line.CREDIT);
    line.entry.LedgerName = line.LEDGER;
    line.entry.LedgerFromItem = QStringLiteral("No");
    line.entry.RemoveZeroEntries = QStringLiteral("No");
    line.entry.IsPartyLedger = line.ldEId == QLatin1String("1") ? QStringLiteral("Yes") : QStringLiteral("No");
    line.entry.Amount = sign.amount;
    line.entry.IsDeemedPositive = sign.isDeemedPositive;
    line.signPrefix = sign.signPrefix;
}

QString signedBillAmount(const LedgerColumns &line, const BillColumns &bill)
{
    return signedAmount(line.signPrefix, cellInForm(bill.ADJAMOUNT, CellForm::Amount));
}

void stageCostRow(VoucherRun &run, CostColumns &cost, const QString &ldEId, const QString &amount)
{
    if (sources::isBlank(cost.COSTCATEGORY))
        cost.COSTCATEGORY = QString::fromLatin1(primaryCostCategory);
    if (cost.COSTCENTRE.isEmpty())
        return;
    cost.cAId = NextCounter(cost.cAId);
    cost.cost.Category = cost.COSTCATEGORY;
    cost.cost.Name = cost.COSTCENTRE;
    cost.cost.Amount = amount;
    run.store().SaveCategoryAllocations(run.company(), cost.cost, run.vchId(), ldEId, cost.cAId);
}

} // namespace vouchers
