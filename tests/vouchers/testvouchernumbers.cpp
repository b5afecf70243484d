#include "errors/errortrap.h"
#include "sources/numbertext.h"
#include "vouchers/vouchernumbers.h"

#include <QLocale>
#include <QTest>

using namespace vouchers;
using namespace Qt::StringLiterals;

class TestVoucherNumbers final : public QObject
{
    Q_OBJECT

private slots:
    // An amount column's text from the number its cell begins with: three decimals, halves away from zero, no
    // grouping, no exponent, every digit kept. A cell that is no number does not fit the column.
    void amountFormat_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("amount"); // empty: no number

        QTest::newRow("empty") << ""
                               << "0.000";
        QTest::newRow("whole") << "123"
                               << "123.000";
        QTest::newRow("one decimal") << "123.5"
                                     << "123.500";
        QTest::newRow("negative fraction") << "-0.25"
                                           << "-0.250";
        QTest::newRow("half up") << "2.0005"
                                 << "2.001";
        QTest::newRow("below half") << "2.00049"
                                    << "2.000";
        QTest::newRow("negative half away from zero") << "-2.0005"
                                                      << "-2.001";
        QTest::newRow("carry into the integer") << "9.9995"
                                                << "10.000";
        QTest::newRow("carry into a new digit") << "999.9999"
                                                << "1000.000";
        QTest::newRow("rounds to zero keeps no sign") << "-0.0004"
                                                      << "0.000";
        QTest::newRow("tiny half") << "0.0005"
                                   << "0.001";
        QTest::newRow("grouped") << "1,234.50"
                                 << "1234.500";
        QTest::newRow("Indian grouping") << "1,23,456.50"
                                         << "123456.500";
        QTest::newRow("text after the number") << "12abc"
                                               << "12.000";
        QTest::newRow("no number") << "abc"
                                   << "";
        QTest::newRow("decimal comma") << "1,5"
                                       << "";
        QTest::newRow("NaN") << "NaN"
                             << "";
        QTest::newRow("brackets") << "(100)"
                                  << "";
        QTest::newRow("exponent read") << "1e5"
                                       << "100000.000";
        QTest::newRow("exponent with sign") << "1.5E+3"
                                            << "1500.000";
        QTest::newRow("exponent beyond fifteen whole digits") << "1E16"
                                                              << "";
        QTest::newRow("blanks inside") << " 1 000 "
                                       << "1000.000";
        QTest::newRow("lone minus") << "-"
                                    << "0.000";
        QTest::newRow("beyond a double's digits") << "12345678901234567890.1234"
                                                  << "12345678901234567890.123";
        QTest::newRow("large without exponent") << "100000000000000000000"
                                                << "100000000000000000000.000";
    }
    void amountFormat()
    {
        QFETCH(QString, cell);
        QFETCH(QString, amount);
        QCOMPARE(fitsForm(cell, CellForm::Amount), !amount.isEmpty());
        QCOMPARE(fitsForm(cell, CellForm::WideAmount), !amount.isEmpty());
        QCOMPARE(fitsForm(cell, CellForm::NumberAsText), !amount.isEmpty());
        if (amount.isEmpty())
            return;
        QCOMPARE(cellInForm(cell, CellForm::Amount), amount);
        QCOMPARE(cellInForm(cell, CellForm::WideAmount), amount);
        QCOMPARE(AmountFormat(sources::NumericValue(cell)), amount);
        QCOMPARE(cellInForm(cell, CellForm::NumberAsText), cell);
    }

    // A quantity or rate cell is formatted only when it is a number and nothing else; any other cell that begins
    // with a number goes as it stands, and one that does not is no number.
    void wideAmountOfText_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("fits");

        QTest::newRow("number") << "12"
                                << "12.000" << true;
        QTest::newRow("blanks around") << "  12.5 "
                                       << "12.500" << true;
        QTest::newRow("signed") << "-3"
                                << "-3.000" << true;
        QTest::newRow("grouped") << "1,200"
                                 << "1200.000" << true;
        QTest::newRow("exponent") << "1.5E+3"
                                  << "1500.000" << true;
        QTest::newRow("point only") << "."
                                    << "." << false;
        QTest::newRow("text after the number") << "12 Nos"
                                               << "12 Nos" << true;
        QTest::newRow("blank inside") << "1 2"
                                      << "1 2" << true;
        QTest::newRow("empty") << ""
                               << "" << true;
        QTest::newRow("words") << "ten"
                               << "ten" << false;
        QTest::newRow("trailing comma") << "12,"
                                        << "12," << true;
        QTest::newRow("decimal comma") << "1,5"
                                       << "1,5" << false;
        QTest::newRow("decimal comma before a unit") << "1,5 Nos"
                                                     << "1,5 Nos" << false;
    }
    void wideAmountOfText()
    {
        QFETCH(QString, cell);
        QFETCH(QString, value);
        QFETCH(bool, fits);
        QCOMPARE(cellInForm(cell, CellForm::WideAmountOfText), value);
        QCOMPARE(fitsForm(cell, CellForm::WideAmountOfText), fits);
        QCOMPARE(cellInForm(cell, CellForm::Text), cell);
        QVERIFY(fitsForm(cell, CellForm::Text));
    }

    // A rate passed on as it stands is read, as the builder reads it, with every "%" removed.
    void rateAsText_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<bool>("fits");

        QTest::newRow("rate") << "12.5" << true;
        QTest::newRow("percent after") << "12.5%" << true;
        QTest::newRow("percent before") << "%12.5" << true;
        QTest::newRow("percent alone") << "%" << true;
        QTest::newRow("word") << "twelve" << false;
        QTest::newRow("decimal comma") << "12,5%" << false;
    }
    void rateAsText()
    {
        QFETCH(QString, cell);
        QFETCH(bool, fits);
        QCOMPARE(fitsForm(cell, CellForm::RateAsText), fits);
        QCOMPARE(cellInForm(cell, CellForm::RateAsText), cell);
    }

    // The debit or credit of a ledger line from its formatted DEBIT and CREDIT.
    void debitCreditRule_data()
    {
        QTest::addColumn<QString>("debitCell");
        QTest::addColumn<QString>("creditCell");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("deemedPositive");
        QTest::addColumn<QString>("prefix");

        QTest::newRow("debit") << "123.5"
                               << ""
                               << "-123.5"
                               << "Yes"
                               << "-";
        QTest::newRow("whole debit") << "100"
                                     << ""
                                     << "-100"
                                     << "Yes"
                                     << "-";
        QTest::newRow("credit") << ""
                                << "100"
                                << "100.000"
                                << "No"
                                << "";
        QTest::newRow("both: the debit wins") << "50"
                                              << "70"
                                              << "-50"
                                              << "Yes"
                                              << "-";
        QTest::newRow("neither") << ""
                                 << ""
                                 << "0.000"
                                 << "No"
                                 << "";
        QTest::newRow("zero debit is a credit") << "0"
                                                << "20"
                                                << "20.000"
                                                << "No"
                                                << "";
        QTest::newRow("negative debit") << "-5"
                                        << ""
                                        << "5"
                                        << "Yes"
                                        << "-";
        QTest::newRow("grouped debit") << "1,234.50"
                                       << ""
                                       << "-1234.5"
                                       << "Yes"
                                       << "-";
        QTest::newRow("text debit is a credit") << "n/a"
                                                << "7"
                                                << "7.000"
                                                << "No"
                                                << "";
    }
    void debitCreditRule()
    {
        QFETCH(QString, debitCell);
        QFETCH(QString, creditCell);
        const DebitCredit sign =
            DebitCreditRule(cellInForm(debitCell, CellForm::Amount), cellInForm(creditCell, CellForm::Amount));
        QTEST(sign.amount, "amount");
        QTEST(sign.isDeemedPositive, "deemedPositive");
        QTEST(sign.signPrefix, "prefix");
    }

    // A sign prefix negates an amount: a negative amount on a debit line loses its sign.
    void signedAmount_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("signedText");

        QTest::newRow("credit") << ""
                                << "250.000"
                                << "250.000";
        QTest::newRow("debit") << "-"
                               << "250.000"
                               << "-250.000";
        QTest::newRow("negative debit") << "-"
                                        << "-250.000"
                                        << "250.000";
        QTest::newRow("negative credit") << ""
                                         << "-250.000"
                                         << "-250.000";
        QTest::newRow("zero debit") << "-"
                                    << "0.000"
                                    << "0.000";
        QTest::newRow("empty debit") << "-"
                                     << ""
                                     << "";
    }
    void signedAmount()
    {
        QFETCH(QString, prefix);
        QFETCH(QString, amount);
        QTEST(vouchers::signedAmount(prefix, amount), "signedText");
    }

    // Ids and counters kept as text count on by one; a text that is no number cannot.
    void nextCounter_data()
    {
        QTest::addColumn<QString>("counter");
        QTest::addColumn<QString>("next");

        QTest::newRow("one") << "1"
                             << "2";
        QTest::newRow("nine") << "9"
                              << "10";
        QTest::newRow("zero") << "0"
                              << "1";
        QTest::newRow("leading zeros") << "0099"
                                       << "100";
        QTest::newRow("nine digits") << "999999999"
                                     << "1000000000";
        QTest::newRow("padded") << " 07 "
                                << "8";
        QTest::newRow("past 32 bits") << "4294967295"
                                      << "4294967296";
        QTest::newRow("past a double's digits") << "99999999999999999999"
                                                << "100000000000000000000";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("text") << "A1"
                              << "";
        QTest::newRow("number then text") << "1a"
                                          << "";
    }
    void nextCounter()
    {
        QFETCH(QString, counter);
        QFETCH(QString, next);
        QString result;
        qint32 error = 0;
        try {
            result = NextCounter(counter);
        } catch (const errors::RuntimeError &e) {
            error = e.number();
        }
        QCOMPARE(result, next);
        QCOMPARE(error, next.isEmpty() ? errors::ErrNo::TypeMismatch : 0);
    }

    // A German user's locale writes "1.234,5"; the server reads only ".".
    void localeDoesNotCount()
    {
        const QLocale previous;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QString amount = cellInForm(u"1234.5"_s, CellForm::Amount);
        const QString debit = DebitCreditRule(u"2.5"_s, QString()).amount;
        QLocale::setDefault(previous);
        QCOMPARE(amount, u"1234.500"_s);
        QCOMPARE(debit, u"-2.5"_s);
    }
};

QTEST_GUILESS_MAIN(TestVoucherNumbers)
#include "testvouchernumbers.moc"
