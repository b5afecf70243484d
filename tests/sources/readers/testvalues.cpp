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

    // A text source holds every value as text: one that reads wholly as a number sorts as that number, among the
    // typed numbers of a workbook, and the other texts after the numbers and dates, so that the order stays total
    // ("9" < "10" < "10A", and "9" < "10A").
    void orderReadsNumbersInText()
    {
        const QList<Value> sorted = {Value(),          text("-2.5"),       Value::number(-1), text(".5"),
                                     text(" 9 "),      Value::number(9.5), text("+10"),       text("1.1e1"),
                                     date(2024, 4, 1), text(""),           text("-"),         text("1,5"),
                                     text("10A"),      text("1e"),         text("9b"),        text("Infinity")};
        for (qsizetype i = 0; i < sorted.size(); ++i) {
            for (qsizetype j = 0; j < sorted.size(); ++j) {
                const int expected = i < j ? -1 : (i > j ? 1 : 0);
                QCOMPARE(sources::compareForOrder(sorted.at(i), sorted.at(j)), expected);
            }
        }
        for (const char *same : {"10", "010", "10.0", "1e1", " 10"})
            QCOMPARE(sources::compareForOrder(text(same), Value::number(10)), 0);
    }

    // The voucher order: type, date and number, then where they tie without regard to case their exact values,
    // then the serial number; stable otherwise.
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
                                  {text("Payment"), date(2024, 4, 2), Value::number(2), Value::number(1), text("i")},
                              });
        sources::sortInOrder(table, sources::voucherOrder());
        // e before b: nulls first, and b (SrNo 2) after e (SrNo null); h before g, as 9 comes before 10. The
        // Payment 2 of April 2 (d, i, c) and the payment 2 (f) differ only in case and stand where their type
        // puts them, but apart; d and i are equal in every field and keep their order.
        QCOMPARE(column(table, 4), QStringList({QStringLiteral("e"), QStringLiteral("b"), QStringLiteral("h"),
                                                QStringLiteral("g"), QStringLiteral("d"), QStringLiteral("i"),
                                                QStringLiteral("c"), QStringLiteral("f"), QStringLiteral("a")}));
        QCOMPARE(table.fieldNames(), fields);
    }

    // The voucher order over a text source, as a CSV file gives it: serial numbers and voucher numbers in
    // numbers' order, not "1", "10", "11", "2"; a number written two ways ("7", "07"), or typed beside its text,
    // gives vouchers that stay apart, the typed one first. Without the ID field, vouchers of one type, date and
    // number interleave by serial number; with it they stand apart, a row without an ID first.
    void voucherOrderOfTexts_data()
    {
        QTest::addColumn<QString>("idField");
        QTest::addColumn<QString>("expected");
        QTest::newRow("without the ID") << QString()
                                        << QStringLiteral("n1 n2 n9 n10 n11 n12 t1 t2 z1 y1 b1 a1 b2 a2 x1");
        QTest::newRow("by the ID") << QStringLiteral("ID")
                                   << QStringLiteral("n1 n2 n9 n10 n11 n12 t1 t2 z1 y1 x1 a1 a2 b1 b2");
    }
    void voucherOrderOfTexts()
    {
        QFETCH(QString, idField);
        QFETCH(QString, expected);
        const QStringList fields = {QStringLiteral("VchType"), QStringLiteral("VchDate"), QStringLiteral("VchNo"),
                                    QStringLiteral("SrNo"),    QStringLiteral("ID"),      QStringLiteral("Line")};
        const Value journal = text("Journal");
        const Value day = text("20240401");
        QList<QList<Value>> rows = {
            {journal, day, text("5"), text("12"), text("N"), text("n12")},
            {journal, day, text("5"), text("2"), text("N"), text("n2")},
            {journal, day, text("5"), text("10"), text("N"), text("n10")},
            {journal, day, text("5"), text("1"), text("N"), text("n1")},
            {journal, day, text("5"), text("11"), text("N"), text("n11")},
            {journal, day, text("5"), text("9"), text("N"), text("n9")},
            {journal, day, text("07"), text("1"), text("Z"), text("z1")},
            {journal, day, Value::number(7), text("2"), text("T"), text("t2")},
            {journal, day, text("7"), text("1"), text("Y"), text("y1")},
            {journal, day, Value::number(7), text("1"), text("T"), text("t1")},
            {journal, day, text("8"), text("1"), text("B"), text("b1")},
            {journal, day, text("8"), text("1"), text("A"), text("a1")},
            {journal, day, text("8"), text("2"), text("B"), text("b2")},
            {journal, day, text("8"), text("2"), text("A"), text("a2")},
            {journal, day, text("8"), text("3"), Value(), text("x1")},
        };
        Table table = makeTable(fields, rows);
        sources::sortInOrder(table, sources::voucherOrder(idField));
        QCOMPARE(column(table, 5).join(QLatin1Char(' ')), expected);
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
