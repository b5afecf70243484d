#include "errors/errortrap.h"
#include "vouchers/invoicelines.h"
#include "vouchers/vouchernumbers.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestVatInvoices final : public QObject
{
    Q_OBJECT

private slots:
    // The two-currency texts of a foreign-currency invoice, from the cells as a row reads them: the exchange rate
    // in AmountFormat, an amount in its column's format. A unit makes the item's rate text instead.
    void forexTexts_data()
    {
        QTest::addColumn<QString>("voucherCurrency");
        QTest::addColumn<QString>("baseCurrency");
        QTest::addColumn<QString>("rateCell");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("sign");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("text");

        const QString usd = u"USD"_s;
        const QString inr = u"INR"_s;
        QTest::newRow("credit") << usd << inr << u"2.5"_s << u"10.000"_s << u""_s << u""_s
                                << u"USD10.000 @ INR2.500/USD = INR 25"_s;
        QTest::newRow("debit") << usd << inr << u"2.5"_s << u"10.000"_s << u"-"_s << u""_s
                               << u"-USD10.000 @ INR2.500/USD = -INR 25"_s;
        QTest::newRow("item rate") << usd << inr << u"2.5"_s << u"4.000"_s << u""_s << u"Nos"_s
                                   << u"USD4.000 = INR 10/Nos"_s;
        QTest::newRow("rate used with three decimals") << usd << inr << u"2.5678"_s << u"10.000"_s << u""_s << u""_s
                                                       << u"USD10.000 @ INR2.568/USD = INR 25.68"_s;
        QTest::newRow("base amount keeps its decimals") << usd << inr << u"2.125"_s << u"3.000"_s << u""_s << u""_s
                                                        << u"USD3.000 @ INR2.125/USD = INR 6.375"_s;
        QTest::newRow("fifteen significant digits")
            << usd << inr << u"1.001"_s << u"1234567890.123"_s << u""_s << u""_s
            << u"USD1234567890.123 @ INR1.001/USD = INR 1235802458.01312"_s;
        QTest::newRow("large amount without exponent")
            << usd << inr << u"2.5"_s << u"100000000000000000000.000"_s << u""_s << u""_s
            << u"USD100000000000000000000.000 @ INR2.500/USD = INR 250000000000000000000"_s;
        // The sign negates the number: a negative debit amount is written with no sign at all.
        QTest::newRow("negative debit") << usd << inr << u"2.5"_s << u"-10.000"_s << u"-"_s << u""_s
                                        << u"USD10.000 @ INR2.500/USD = INR 25"_s;
        QTest::newRow("zero debit") << usd << inr << u"2.5"_s << u"0.000"_s << u"-"_s << u""_s
                                    << u"USD0.000 @ INR2.500/USD = INR 0"_s;
        QTest::newRow("negative credit") << usd << inr << u"2.5"_s << u"-10.000"_s << u""_s << u""_s
                                         << u"USD-10.000 @ INR2.500/USD = INR -25"_s;
        QTest::newRow("no rate") << usd << inr << u"abc"_s << u"10.000"_s << u""_s << u""_s
                                 << u"USD10.000 @ INR0.000/USD = INR 0"_s;
        // A source without the currency columns leaves their places empty.
        QTest::newRow("no currency columns") << u""_s << u""_s << u""_s << u"100.000"_s << u""_s << u""_s
                                             << u"100.000 @ / =  0"_s;
        QTest::newRow("no currency columns, debit") << u""_s << u""_s << u""_s << u"100.000"_s << u"-"_s << u""_s
                                                    << u"-100.000 @ / = - 0"_s;
    }
    void forexTexts()
    {
        QFETCH(QString, voucherCurrency);
        QFETCH(QString, baseCurrency);
        QFETCH(QString, rateCell);
        QFETCH(QString, amount);
        QFETCH(QString, sign);
        QFETCH(QString, unit);
        QFETCH(QString, text);

        const vouchers::Currencies currencies{
            voucherCurrency, baseCurrency,
            rateCell.isEmpty() ? QString() : vouchers::cellInForm(rateCell, vouchers::CellForm::Amount)};
        QCOMPARE(unit.isEmpty() ? vouchers::ForexAmountText(currencies, amount, sign)
                                : vouchers::ForexRateText(currencies, amount, unit),
                 text);
    }

    // A base amount beyond what a double holds ends the run rather than going out as "inf".
    void baseAmountOverflow()
    {
        const vouchers::Currencies currencies{u"USD"_s, u"INR"_s, u"2.500"_s};
        QVERIFY_THROWS_EXCEPTION(errors::RuntimeError,
                                 vouchers::baseAmount(currencies, u"1"_s + QString(400, QLatin1Char('0'))));
        QVERIFY_THROWS_EXCEPTION(errors::RuntimeError,
                                 vouchers::baseAmount({u"USD"_s, u"INR"_s, u"1"_s + QString(300, QLatin1Char('0'))},
                                                      u"1"_s + QString(300, QLatin1Char('0'))));
    }
};

QTEST_GUILESS_MAIN(TestVatInvoices)
#include "testvatinvoices.moc"
