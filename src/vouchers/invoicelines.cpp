#include "vouchers/invoicelines.h"

#include "errors/errortrap.h"
#include "sources/gridtext.h"
#include "sources/numbertext.h"
#include "staging/stagingstore.h"
#include "vouchers/voucherrun.h"

#include <QLocale>

#include <cmath>

namespace vouchers {

namespace {

constexpr qint32 errOverflow = 6;

// A line of the voucher that holds one text, and the id that numbers the lines of its kind.
struct TextLine
{
    QString OrderDetailColumns::*value;
    QString OrderDetailColumns::*id;
    bool (staging::StagingStore::*save)(const QString &company, const QString &value, const QString &vchId,
                                        const QString &id);
};
constexpr TextLine textLines[] = {
    {&OrderDetailColumns::TERMSOFDELIVERY, &OrderDetailColumns::bOTId, &staging::StagingStore::SaveBasicOrderTerms},
    {&OrderDetailColumns::CONSIGNEEADDRESS, &OrderDetailColumns::bBAId, &staging::StagingStore::SaveBasicBuyerAddress},
    {&OrderDetailColumns::BUYERADDRESS, &OrderDetailColumns::adId, &staging::StagingStore::SaveAddress},
};

double numberOf(const QString &text)
{
    const double value = sources::NumberText(sources::NumericValue(text)).toDouble();
    if (!std::isfinite(value))
        errors::raise(errOverflow, QStringLiteral("Overflow"));
    return value;
}

} // namespace

LineValue plainLineValue(const InvoiceColumns &row)
{
    const DebitCredit sign = DebitCreditRule(row.DEBIT, row.CREDIT);
    return {sign.amount, row.RATE + QLatin1Char('/') + row.UNIT, sign.isDeemedPositive, sign.signPrefix};
}

QString quantityText(const InvoiceColumns &row)
{
    return row.QUANTITY + QLatin1Char(' ') + row.UNIT;
}

void stageItemLine(VoucherRun &run, InvoiceColumns &row, const LineValue &value)
{
    const QString quantity = quantityText(row);
    row.item.StockItemName = row.ITEMNAME;
    row.item.IsDeemedPositive = value.isDeemedPositive;
    row.item.IsAutoNigate = QStringLiteral("No");
    row.item.Rate = value.rate;
    row.item.Amount = value.amount;
    row.item.ActualQty = quantity;
    row.item.BilledQty = quantity;
    run.store().SaveInventoryEntry(run.company(), row.item, run.vchId(), row.inEId);

    row.allocation.LedgerName = row.LEDGER;
    row.allocation.IsDeemedPositive = value.isDeemedPositive;
    row.allocation.LedgerFromItem = QStringLiteral("No");
    row.allocation.RemoveZeroEntries = QStringLiteral("No");
    row.allocation.IsPartyLedger = QStringLiteral("No");
    row.allocation.Amount = value.amount;
    row.allocation.TaxClassificationName = row.TAXCLASSIFICATION;
    run.store().SaveAccountingAllocation(run.company(), row.allocation, run.vchId(), row.inEId, QStringLiteral("1"));

    row.batch.Amount = value.amount;
    row.batch.ActualQty = quantity;
    row.batch.BilledQty = quantity;
    run.store().SaveBatchAllocation(run.company(), row.batch, run.vchId(), row.inEId, QStringLiteral("1"));

    row.inEId = NextCounter(row.inEId);
}

void fillInvoiceLedgerEntry(InvoiceColumns &row, const LineValue &value, bool partyLine)
{
    row.entry.LedgerName = row.LEDGER;
    row.entry.IsDeemedPositive = value.isDeemedPositive;
    row.entry.LedgerFromItem = QStringLiteral("No");
    row.entry.RemoveZeroEntries = QStringLiteral("No");
    row.entry.IsPartyLedger = partyLine ? QStringLiteral("Yes") : QStringLiteral("No");
    row.entry.Amount = value.amount;
    row.entry.TaxClassificationName = row.TAXCLASSIFICATION;
    row.signPrefix = value.signPrefix;
}

void stageInvoiceBill(VoucherRun &run, BillColumns &row, const QString &ldEId, const QString &biAId,
                      const QString &amount)
{
    row.bill.Name = row.ADJNAME;
    row.bill.BillCreditPeriod = row.ADJDATE;
    row.bill.BillType = row.ADJMETHOD;
    row.bill.Amount = amount;
    run.store().SaveBillAllocation(run.company(), row.bill, run.vchId(), ldEId, biAId);
}

void stageNamedCostRow(VoucherRun &run, CostColumns &row, const QString &ldEId, const QString &amount)
{
    // A centre of blanks names nothing the server holds.
    if (!sources::isBlank(row.COSTCENTRE))
        stageCostRow(run, row, ldEId, amount);
}

void stageOrderLine(VoucherRun &run, OrderDetailColumns &row)
{
    if (row.ORDERNOS.isEmpty() || row.ORDERDATES.isEmpty())
        return;
    row.iOLId = NextCounter(row.iOLId);
    row.order.BasicPurchaseOrderNo = row.ORDERNOS;
    row.order.BasicOrderDate = row.ORDERDATES;
    run.store().SaveInvoiceOrderList(run.company(), row.order, run.vchId(), row.iOLId);
}

void stageOrderDetails(VoucherRun &run, OrderDetailColumns &row)
{
    if (!row.DELNOTENOS.isEmpty() && !row.DELNOTEDATES.isEmpty()) {
        row.iDNId = NextCounter(row.iDNId);
        row.delNote.BasicShipDeliveryNote = row.DELNOTENOS;
        row.delNote.BasicShippingDate = row.DELNOTEDATES;
        run.store().SaveInvoiceDelNotes(run.company(), row.delNote, run.vchId(), row.iDNId);
    }
    stageOrderLine(run, row);
    for (const TextLine &line : textLines) {
        const QString &value = row.*(line.value);
        if (value.isEmpty())
            continue;
        QString &id = row.*(line.id);
        id = NextCounter(id);
        (run.store().*(line.save))(run.company(), value, run.vchId(), id);
    }
}

QString baseAmount(const Currencies &currencies, const QString &amount)
{
    const double product = numberOf(amount) * numberOf(currencies.rate);
    if (!std::isfinite(product))
        errors::raise(errOverflow, QStringLiteral("Overflow"));
    // Fifteen significant digits, as a general number shows them, but written out in full.
    double shown = QString::number(product, 'g', 15).toDouble();
    if (shown == 0)
        shown = 0; // no "-0"
    return QString::number(shown, 'f', QLocale::FloatingPointShortest);
}

QString ForexAmountText(const Currencies &currencies, const QString &amount, const QString &signPrefix)
{
    QString sign;
    QString magnitude = amount;
    if (!signPrefix.isEmpty()) {
        magnitude = signedAmount(signPrefix, amount);
        if (magnitude.startsWith(QLatin1Char('-'))) {
            sign = QStringLiteral("-");
            magnitude.remove(0, 1);
        }
    }
    return sign + currencies.voucher + magnitude + QLatin1String(" @ ") + currencies.base + currencies.rate +
           QLatin1Char('/') + currencies.voucher + QLatin1String(" = ") + sign + currencies.base + QLatin1Char(' ') +
           baseAmount(currencies, magnitude);
}

QString ForexRateText(const Currencies &currencies, const QString &rate, const QString &unit)
{
    return currencies.voucher + rate + QLatin1String(" = ") + currencies.base + QLatin1Char(' ') +
           baseAmount(currencies, rate) + QLatin1Char('/') + unit;
}

} // namespace vouchers
