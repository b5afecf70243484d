#include "sources/numbertext.h"

#include <QLocale>
#include <QTest>

using namespace sources;
using namespace Qt::StringLiterals;

class TestNumberText final : public QObject
{
    Q_OBJECT

private slots:
    // The number a cell of a number column holds, and that number negated; a cell that is no number reads as 0
    // where its number only decides a sign or a zero test.
    void numberTextOfCell_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("negated");

        QTest::newRow("empty") << ""
                               << "0"
                               << "0";
        QTest::newRow("whole") << "1200"
                               << "1200"
                               << "-1200";
        QTest::newRow("trailing zero dropped") << "1500.50"
                                               << "1500.5"
                                               << "-1500.5";
        QTest::newRow("unit after number") << "12.50 kg"
                                           << "12.5"
                                           << "-12.5";
        QTest::newRow("thousands separators") << "1,500.00"
                                              << "1500"
                                              << "-1500";
        QTest::newRow("lakh grouping") << "1,23,456.78"
                                       << "123456.78"
                                       << "-123456.78";
        QTest::newRow("comma after point stops") << "1.5,5"
                                                 << "1.5"
                                                 << "-1.5";
        QTest::newRow("leading blanks and sign") << "  -12.5"
                                                 << "-12.5"
                                                 << "12.5";
        QTest::newRow("plus sign") << "+7"
                                   << "7"
                                   << "-7";
        QTest::newRow("blank after sign") << "- 5"
                                          << "-5"
                                          << "5";
        QTest::newRow("blanks and tabs inside") << "1 2\t3"
                                                << "123"
                                                << "-123";
        QTest::newRow("point first") << ".5"
                                     << "0.5"
                                     << "-0.5";
        QTest::newRow("sign and point") << "-.25"
                                        << "-0.25"
                                        << "0.25";
        QTest::newRow("point last") << "5."
                                    << "5"
                                    << "-5";
        QTest::newRow("leading and trailing zeros") << "007.0100"
                                                    << "7.01"
                                                    << "-7.01";
        QTest::newRow("second point stops") << "1.2.3"
                                            << "1.2"
                                            << "-1.2";
        QTest::newRow("exponent") << "1e3"
                                  << "1000"
                                  << "-1000";
        QTest::newRow("word") << "abc"
                              << "0"
                              << "0";
        QTest::newRow("sign alone") << "-"
                                    << "0"
                                    << "0";
        QTest::newRow("negative zero") << "-0.00"
                                       << "0"
                                       << "0";
        QTest::newRow("more digits than a double holds") << "12345678901234567890.123456789"
                                                         << "12345678901234567890.123456789"
                                                         << "-12345678901234567890.123456789";
        QTest::newRow("non-ASCII digits stop") << QString::fromUtf8("4\u0661") << "4"
                                               << "-4";
    }
    void numberTextOfCell()
    {
        QFETCH(QString, cell);
        QFETCH(QString, number);
        QFETCH(QString, negated);
        QCOMPARE(NumberText(NumericValue(cell)), number);
        QCOMPARE(NumberText(NumericValue(cell).negated()), negated);
    }

    // Which cells are numbers, and which: blanks anywhere are skipped, the number the cell begins with is taken,
    // commas group digits only as thousands or lakhs, and an exponent is part of the number. A cell that does not
    // begin with a number, or whose commas or exponent would make it some other number than it shows, is none.
    void cellNumber_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("number"); // empty: no number

        const QString none;
        QTest::newRow("empty") << u""_s << u"0"_s;
        QTest::newRow("blanks only") << u" \t "_s << u"0"_s;
        QTest::newRow("lone minus") << u" - "_s << u"0"_s;
        QTest::newRow("blank between thousands") << u"1 000"_s << u"1000"_s;
        QTest::newRow("unit after number") << u"12.50 kg"_s << u"12.5"_s;
        QTest::newRow("point first") << u".5"_s << u"0.5"_s;
        QTest::newRow("sign and point") << u"-.25"_s << u"-0.25"_s;
        QTest::newRow("every digit kept") << u"100000000000000000000.0001"_s << u"100000000000000000000.0001"_s;
        QTest::newRow("Western grouping") << u"1,234,567.25"_s << u"1234567.25"_s;
        QTest::newRow("Indian grouping") << u"1,23,456.50"_s << u"123456.5"_s;
        QTest::newRow("grouped, unit after") << u"1,234kg"_s << u"1234"_s;
        QTest::newRow("blank after a grouping comma") << u"1, 234"_s << u"1234"_s;
        QTest::newRow("comma after the number") << u"12,"_s << u"12"_s;
        QTest::newRow("comma before a word") << u"12,abc"_s << u"12"_s;
        QTest::newRow("exponent") << u"1.5E+3"_s << u"1500"_s;
        QTest::newRow("small exponent") << u"1.5e3"_s << u"1500"_s;
        QTest::newRow("negative exponent") << u"2.5E-2"_s << u"0.025"_s;
        QTest::newRow("fifteen whole digits") << u"1E14"_s << u"100000000000000"_s;
        QTest::newRow("E without digits is text") << u"12 Each"_s << u"12"_s;
        QTest::newRow("E at the end") << u"5E"_s << u"5"_s;
        QTest::newRow("decimal comma") << u"1,5"_s << none;
        QTest::newRow("decimal comma after zero") << u"0,5"_s << none;
        QTest::newRow("two digits after the comma") << u"12,34"_s << none;
        QTest::newRow("four digits after the comma") << u"1,2345"_s << none;
        QTest::newRow("four digits before the comma") << u"1234,567"_s << none;
        QTest::newRow("one digit between commas") << u"1,2,345"_s << none;
        QTest::newRow("decimal comma before a unit") << u"1,5 kg"_s << none;
        QTest::newRow("beyond fifteen whole digits") << u"1E15"_s << none;
        QTest::newRow("exponent no number has") << u"1E-400"_s << none;
        QTest::newRow("NaN") << u"NaN"_s << none;
        QTest::newRow("Infinity") << u"Infinity"_s << none;
        QTest::newRow("minus Infinity") << u"-Infinity"_s << none;
        QTest::newRow("brackets") << u"(100)"_s << none;
        QTest::newRow("currency first") << u"Rs 100"_s << none;
        QTest::newRow("word") << u"abc"_s << none;
        QTest::newRow("point only") << u"."_s << none;
        QTest::newRow("leading comma") << u",5"_s << none;
        QTest::newRow("two signs") << u"--5"_s << none;
        QTest::newRow("plus alone") << u"+"_s << none;
    }
    void cellNumber()
    {
        QFETCH(QString, cell);
        QFETCH(QString, number);
        const std::optional<Decimal> value = CellNumber(cell);
        QCOMPARE(value.has_value(), !number.isEmpty());
        if (value)
            QCOMPARE(NumberText(*value), number);
    }

    // A text that is a number and nothing else, as CellNumber reads its number, but without blanks inside.
    void wholeNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("number"); // empty: not a number and nothing else

        const QString none;
        QTest::newRow("blanks around") << u" 12.5 "_s << u"12.5"_s;
        QTest::newRow("Indian grouping") << u"1,23,456.50"_s << u"123456.5"_s;
        QTest::newRow("exponent") << u"1.5E+3"_s << u"1500"_s;
        QTest::newRow("blank inside") << u"1 2"_s << none;
        QTest::newRow("unit after") << u"12 Nos"_s << none;
        QTest::newRow("decimal comma") << u"1,5"_s << none;
        QTest::newRow("trailing comma") << u"12,"_s << none;
        QTest::newRow("beyond fifteen whole digits") << u"2E20"_s << none;
        QTest::newRow("empty") << u""_s << none;
    }
    void wholeNumber()
    {
        QFETCH(QString, text);
        QFETCH(QString, number);
        const std::optional<Decimal> value = WholeNumber(text);
        QCOMPARE(value.has_value(), !number.isEmpty());
        if (value)
            QCOMPARE(NumberText(*value), number);
    }

    // The server reads "." as the decimal point, so a number text never follows the user's locale.
    void decimalPointIgnoresLocale()
    {
        const QLocale previous;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QString text = NumberText(NumericValue(u"1,500.25"_s));
        QLocale::setDefault(previous);
        QCOMPARE(text, u"1500.25"_s);
    }
};

QTEST_GUILESS_MAIN(TestNumberText)
#include "testnumbertext.moc"
