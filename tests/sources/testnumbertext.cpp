#include "sources/numbertext.h"

#include <QLocale>
#include <QTest>

using namespace sources;
using namespace Qt::StringLiterals;

class TestNumberText final : public QObject
{
    Q_OBJECT

private slots:
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
        QTest::newRow("leading comma is no number") << ",5"
                                                    << "0"
                                                    << "0";
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
        QTest::newRow("no exponent") << "1e3"
                                     << "1"
                                     << "-1";
        QTest::newRow("word") << "abc"
                              << "0"
                              << "0";
        QTest::newRow("sign alone") << "-"
                                    << "0"
                                    << "0";
        QTest::newRow("two signs") << "--5"
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
