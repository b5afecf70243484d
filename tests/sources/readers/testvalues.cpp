#include "errors/errortrap.h"
#include "sources/readers/sourceerror.h"
#include "sources/readers/table.h"

#include <QTest>

#include <cmath>

using sources::Table;
using sources::Value;

namespace {

Value date(int year, int month, int day, int hour = 0, int minute = 0)
{
    return Value::date(QDate(year, month, day), QTime(hour, minute));
}

Value text(const char *value)
{
    return Value::text(QString::fromUtf8(value));
}

// A table of the named fields whose rows are given as values, field by field.
Table makeTable(const QStringList &fields, const QList<QList<Value>> &rows)
{
    Table table(fields);
    for (const QList<Value> &row : rows) {
        const auto cells = table.appendRow();
        for (qsizetype i = 0; i < row.size(); ++i)
            cells[size_t(i)] = row.at(i);
    }
    return table;
}

QStringList column(const Table &table, qsizetype field)
{
    QStringList result;
    for (qsizetype row = 0; row < table.rowCount(); ++row)
        result.append(sources::gridText(table.at(row, field)));
    return result;
}

} // namespace

class TestValues final : public QObject
{
    Q_OBJECT

private slots:
    void gridText_data()
    {
        QTest::addColumn<Value>("value");
        QTest::addColumn<QString>("expected");

        QTest::newRow("null") << Value() << QString();
        QTest::newRow("fraction") << Value::number(1500.5) << QStringLiteral("1500.5");
        QTest::newRow("whole") << Value::number(12) << QStringLiteral("12");
        QTest::newRow("negative fraction") << Value::number(-0.25) << QStringLiteral("-0.25");
        QTest::newRow("negative zero") << Value::number(-0.0) << QStringLiteral("0");
        QTest::newRow("shortest round trip") << Value::number(0.1 + 0.2) << QStringLiteral("0.30000000000000004");
        QTest::newRow("tenth") << Value::number(0.1) << QStringLiteral("0.1");
        QTest::newRow("large, full digits") << Value::number(1e21) << QStringLiteral("1000000000000000000000");
        QTest::newRow("small, no exponent") << Value::number(1.5e-7) << QStringLiteral("0.00000015");
        QTest::newRow("currency") << Value::number(1995.5) << QStringLiteral("1995.5");
        QTest::newRow("exact digits") << Value::exactNumber(QStringLiteral("12345678901234.567"))
                                      << QStringLiteral("12345678901234.567");
        QTest::newRow("date") << date(2024, 4, 1) << QStringLiteral("20240401");
        QTest::newRow("date with time") << date(2024, 4, 1, 23, 59) << QStringLiteral("20240401");
        QTest::newRow("before 1900") << date(1899, 12, 30, 6, 0) << QStringLiteral("18991230");
        QTest::newRow("before 1970") << date(1969, 12, 31, 23, 0) << QStringLiteral("19691231");
        QTest::newRow("year 9999") << date(9999, 12, 31) << QStringLiteral("99991231");
        QTest::newRow("yes") << Value::yesNo(true) << QStringLiteral("Yes");
        QTest::newRow("no") << Value::yesNo(false) << QStringLiteral("No");
        QTest::newRow("text kept") << text(" Shop 4, \"Sai\" ") << QStringLiteral(" Shop 4, \"Sai\" ");
        QTest::newRow("empty text") << Value::text(QString()) << QString();
    }
    void gridText()
    {
        QFETCH(Value, value);
        QFETCH(QString, expected);
        QCOMPARE(sources::gridText(value), expected);
    }

    // A single-precision field shows the shortest digits that read back as the same single, also where the value
    // has more integer digits than the single holds.
    void singlePrecisionText_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("fraction") << 1.1f << "1.1";
        QTest::newRow("below 2^24") << 16777215.0f << "16777215";
        QTest::newRow("large negative") << -8540982000.0f << "-8540982000";
        QTest::newRow("large") << 123456790000.0f << "123456790000";
        QTest::newRow("tiny") << 0.00012345f << "0.00012345";
        QTest::newRow("zero") << 0.0f << "0";
    }
    void singlePrecisionText()
    {
        QFETCH(float, value);
        QFETCH(QString, text);
        const double shown = sources::singleToDouble(value);
        QCOMPARE(sources::numberText(shown), text);
        QCOMPARE(float(shown), value);
    }

    void dateKeepsDayAndTime()
    {
        const Value value = date(1899, 12, 29, 6, 30);
        QCOMPARE(value.toDate(), QDate(1899, 12, 29));
        QCOMPARE(value.toTime(), QTime(6, 30));
        QVERIFY(sizeof(Value) <= 32);
    }

    void orderOfKinds()
    {
        // Nulls first, then numbers (Yes before No, as -1 and 0), dates, text without regard to case.
        const QList<Value> sorted = {
            Value(),           Value::number(-5), Value::yesNo(true),  Value::yesNo(false),  Value::number(0.5),
            Value::number(12), date(1999, 1, 1),  date(2024, 4, 1, 9), date(2024, 4, 1, 10), text("alpha"),
            text("Beta"),      text("gamma")};
        for (qsizetype i = 0; i < sorted.size(); ++i) {
            for (qsizetype j = 0; j < sorted.size(); ++j) {
                const int expected = i < j ? -1 : (i > j ? 1 : 0);
                QCOMPARE(sources::compareForOrder(sorted.at(i), sorted.at(j)), expected);
            }
        }
        QCOMPARE(sources::compareForOrder(text("PAYMENT"), text("payment")), 0);
        QCOMPARE(sources::compareForOrder(Value::number(std::nan("")), Value::number(1e300)), 1);
    }

    void voucherOrderIsStable()
    {
        const QStringList fields = {QStringLiteral("VchType"), QStringLiteral("VchDate"), QStringLiteral("VchNo"),
                                    QStringLiteral("SRNO"), QStringLiteral("Line")};
        Table table =
            makeTable(fields, {
                                  {text("Receipt"), date(2024, 4, 3), text("R-1"), Value::number(1), text("a")},
                                  {Value(), Value(), Value(), Value::number(2), text("b")},
                                  {text("Payment"), date(2024, 4, 2), Value::number(2), Value::number(2), text("c")},
                                  {text("Payment"), date(2024, 4, 2), Value::number(2), Value::number(1), text("d")},
                                  {Value(), Value(), Value(), Value(), text("e")},
                                  {text("payment"), date(2024, 4, 2), Value::number(2), Value::number(1), text("f")},
                                  {text("Payment"), date(2024, 4, 1), Value::number(10), Value::number(1), text("g")},
                                  {text("PAYMENT"), date(2024, 4, 1), Value::number(9), Value::number(1), text("h")},
                              });
        sources::sortInOrder(table, sources::voucherOrderFields());
        // e before b: nulls first, and b (SrNo 2) after e (SrNo null); d and f are equal without regard to case
        // and keep their order.
        QCOMPARE(column(table, 4),
                 QStringList({QStringLiteral("e"), QStringLiteral("b"), QStringLiteral("h"), QStringLiteral("g"),
                              QStringLiteral("d"), QStringLiteral("f"), QStringLiteral("c"), QStringLiteral("a")}));
        QCOMPARE(table.fieldNames(), fields);
    }

    void orderByMissingFieldFails()
    {
        Table table = makeTable({QStringLiteral("VchType"), QStringLiteral("VchNo")},
                                {{text("b"), Value::number(1)}, {text("a"), Value::number(2)}});
        try {
            sources::sortInOrder(table, sources::voucherOrderFields());
            QFAIL("no error raised");
        } catch (const errors::RuntimeError &error) {
            QCOMPARE(error.number(), sources::SourceErr::NoValueGiven);
            QCOMPARE(error.number(), -2147217904);
            QCOMPARE(error.description(), QStringLiteral("No value given for one or more required parameters."));
        }
        QCOMPARE(column(table, 0), QStringList({QStringLiteral("b"), QStringLiteral("a")}));
    }

    // A value is held once however many cells hold it; values that only compare equal, as -0 and 0 do, or a
    // number and its text, stay apart.
    void equalValuesAreHeldOnce()
    {
        Table table = makeTable({QStringLiteral("A"), QStringLiteral("B")}, {{text("Cash"), Value::number(0)},
                                                                             {text("Cash"), Value::number(-0.0)},
                                                                             {text("0"), Value::number(0)},
                                                                             {Value(), date(2024, 4, 1)},
                                                                             {Value(), date(2024, 4, 1)}});
        QCOMPARE(table.id(0, 0), table.id(1, 0));
        QCOMPARE(table.id(0, 0), table.internText(u"Cash"));
        QCOMPARE(table.id(0, 1), table.id(2, 1));
        QCOMPARE(table.id(3, 1), table.id(4, 1));
        QVERIFY(table.id(0, 1) != table.id(1, 1));
        QVERIFY(std::signbit(table.at(1, 1).toNumber()));
        QVERIFY(!std::signbit(table.at(2, 1).toNumber()));
        QCOMPARE(table.at(2, 0).type(), Value::Type::Text);
        QCOMPARE(table.id(3, 0), Table::NullId);
        // null, Cash, 0, -0, "0", the date
        QCOMPARE(table.valueCount(), 6U);
    }

    // Numbers whose digits a double cannot hold stay apart from each other and from their nearest double,
    // and still sort and count as numbers.
    void exactNumbersAreHeldApart()
    {
        const Value largest = Value::exactNumber(QStringLiteral("9223372036854775807"));
        const Value belowIt = Value::exactNumber(QStringLiteral("9223372036854775806"));
        const Value nearest = Value::number(9223372036854775807.0);
        Table table = makeTable({QStringLiteral("A")}, {{largest}, {belowIt}, {nearest}, {largest}});
        QCOMPARE(table.id(0, 0), table.id(3, 0));
        QVERIFY(table.id(0, 0) != table.id(1, 0));
        QVERIFY(table.id(0, 0) != table.id(2, 0));
        QCOMPARE(sources::gridText(table.at(1, 0)), QStringLiteral("9223372036854775806"));
        QCOMPARE(sources::gridText(table.at(2, 0)), QStringLiteral("9223372036854775808"));
        QCOMPARE(table.at(1, 0).type(), Value::Type::Number);
        QCOMPARE(table.at(1, 0).toNumber(), 9223372036854775807.0);
        QVERIFY(sources::compareForOrder(Value::exactNumber(QStringLiteral("-0.5")), Value::number(-1)) > 0);
    }

    // A text with no characters may have no buffer at all: it is held like any other.
    void emptyTextsAreHeld()
    {
        Table table = makeTable({QStringLiteral("A")}, {{Value::text(QString())}, {text("")}, {text("x")}});
        QCOMPARE(column(table, 0), QStringList({QString(), QString(), QStringLiteral("x")}));
        QCOMPARE(table.id(0, 0), table.id(1, 0));
    }

    // Texts made in one block stay apart: each ends where it should, a change to one is made in a copy, and a
    // text outlives the table and the other texts of its block, also when it is the last one left and grows.
    void pooledTextsStayApart()
    {
        QString first;
        QString second;
        {
            Table table;
            const QString longText(300, QLatin1Char('x'));
            const QStringList texts{QStringLiteral("Cash"), QStringLiteral("Bank"), longText, QStringLiteral("é€")};
            std::vector<Table::ValueId> ids;
            for (const QString &text : texts)
                ids.push_back(table.internText(text));
            for (std::size_t i = 0; i < ids.size(); ++i) {
                const QString &held = table.value(ids[i]).toText();
                QCOMPARE(held, texts.at(qsizetype(i)));
                QCOMPARE(held.utf16()[held.size()], u'\0');
            }
            first = table.value(ids[0]).toText();
            second = table.value(ids[1]).toText();
            first[0] = QLatin1Char('W');
            first.append(QStringLiteral("ier"));
            QCOMPARE(table.value(ids[0]).toText(), QStringLiteral("Cash"));
            QCOMPARE(table.value(ids[1]).toText(), QStringLiteral("Bank"));
        }
        QCOMPARE(first, QStringLiteral("Washier"));
        second.append(QStringLiteral(" of India"));
        second.prepend(QStringLiteral("The "));
        QCOMPARE(second, QStringLiteral("The Bank of India"));
    }

    void widenedTableKeepsRows()
    {
        Table table = makeTable({QStringLiteral("A")}, {{text("1")}, {text("2")}});
        table.appendField(QStringLiteral("F2"));
        QCOMPARE(table.fieldCount(), 2);
        QCOMPARE(table.rowCount(), 2);
        QCOMPARE(column(table, 0), QStringList({QStringLiteral("1"), QStringLiteral("2")}));
        QVERIFY(table.at(1, 1).isNull());
        QCOMPARE(table.fieldIndex(QStringLiteral("f2")), 1);
        QCOMPARE(table.fieldIndex(QStringLiteral("F3")), -1);
    }
};

QTEST_GUILESS_MAIN(TestValues)
#include "testvalues.moc"
