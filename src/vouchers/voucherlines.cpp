#include "vouchers/voucherlines.h"

#include "sources/gridtext.h"
#include "staging/stagingstore.h"
#include "vouchers/voucherconstants.h"
#include "vouchers/voucherrun.h"

namespace vouchers {

namespace {

constexpr FixedValue<staging::TaxBillAllocationRec> serviceTaxBillValues[] = {
    {&staging::TaxBillAllocationRec::IsInputAvail, "No"},
    {&staging::TaxBillAllocationRec::IsPureAgentBill, "No"},
    {&staging::TaxBillAllocationRec::TDSSurcharge, "2"},
    {&staging::TaxBillAllocationRec::TDSAddlSurcharge, ""},
    {&staging::TaxBillAllocationRec::STSecondaryCessRate, "1"},
    {&staging::TaxBillAllocationRec::ExpenseAmount, ""},
    {&staging::TaxBillAllocationRec::AbatementAmount, ""},
    {&staging::TaxBillAllocationRec::AbatementNotificationNo, ""},
};

} // namespace

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

void stageServiceTaxBill(VoucherRun &run, const BillColumns &bill, ServiceTaxColumns &tax, const QString &ldEId,
                         const QString &tBiAId, const QString &rate, const QString &signPrefix)
{
    staging::TaxBillAllocationRec &taxBill = tax.taxBill;
    taxBill.Name = bill.ADJNAME;
    taxBill.BillType = bill.ADJMETHOD;
    taxBill.TDSTaxRate = rate;
    taxBill.Amount = signedAmount(signPrefix, bill.ADJAMOUNT);
    taxBill.SurchargeAmount = signedAmount(signPrefix, tax.SERVICETAX);
    taxBill.AddlSurchargeAmount = signedAmount(signPrefix, tax.CESS);
    taxBill.STSecondaryCessAmount = signedAmount(signPrefix, tax.SECCESS);
    taxBill.AssessableAmount = signedAmount(signPrefix, tax.ASSESSABLEAMT);
    assignFixedValues(taxBill, std::span<const FixedValue<staging::TaxBillAllocationRec>>(serviceTaxBillValues));
    run.store().SaveTaxBillAllocation(run.company(), taxBill, run.vchId(), ldEId, tBiAId);
}

void fillTdsDeduction(staging::BillAllocationRec &bill, const TdsColumns &tds)
{
    bill.TDSLedgerNC = tds.TDSLEDGER;
    bill.TDSDeducteeSpecialRate = tds.TDSRATE;
    bill.TDSDeducteeIsSpecialRate = tds.ISSPECIALRATE;
    bill.TDSDeducteeSectionNumber = tds.ISSPECIALRATE == QLatin1String("Yes") ? QStringLiteral("197") : QString();
}

void refuseWithoutLineAbove(VoucherRun &run, const char *part)
{
    run.refuseRow(
        QStringLiteral("gives %1 but no ledger line stands above it in its voucher").arg(QLatin1String(part)));
}

void refuseWithoutLedger(VoucherRun &run, const char *part, const char *continuation)
{
    run.refuseRow(QStringLiteral("gives %1 but no LEDGER, and a row without one adds only %2")
                      .arg(QLatin1String(part), QLatin1String(continuation)));
}

void refuseUnderLineOfNoAmount(VoucherRun &run, const char *part)
{
    run.refuseRow(QStringLiteral("gives %1 to a ledger line of no amount, which the voucher leaves out")
                      .arg(QLatin1String(part)));
}

bool refusedCostContinuation(VoucherRun &run, const QString &billName, const QString &costCentre, bool lineAbove)
{
    if (!sources::isBlank(billName))
        refuseWithoutLedger(run, "a bill", "its cost centre to the line above");
    else if (!lineAbove && !sources::isBlank(costCentre))
        refuseWithoutLineAbove(run, "a cost centre");
    else
        return false;
    return true;
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
