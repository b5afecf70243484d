#include "biffwriter.h"

#include "errors/errortrap.h"
#include "sources/readers/sourceerror.h"
#include "sources/readers/sourcereader.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <bit>
#include <limits>

using biffwriter::SheetKind;
using biffwriter::Version;
using sources::Table;
using sources::TableEntry;
using sources::TableType;
using sources::Value;

namespace {

QString fixture(const char *name)
{
    return QStringLiteral(PELKO_TEST_DATA "/sources/") + QString::fromUtf8(name);
}

std::unique_ptr<sources::SourceReader> openWorkbook(const QString &path)
{
    return sources::openSource({sources::SourceKind::Workbook, path, {}, {}});
}

QStringList column(const Table &table, const QString &field)
{
    const qsizetype index = table.fieldIndex(field);
    QStringList result;
    for (qsizetype row = 0; row < table.rowCount(); ++row)
        result.append(table.at(row, index).isNull() ? QStringLiteral("~") : sources::gridText(table.at(row, index)));
    return result;
}

QStringList names(const QList<TableEntry> &entries)
{
    QStringList result;
    for (const TableEntry &entry : entries) {
        if (entry.type == TableType::Table)
            result.append(entry.name);
    }
    return result;
}

// Opens the workbook and reads every table of it; the error's description, or "read".
QString readFailure(const QString &path)
{
    try {
        const auto reader = openWorkbook(path);
        for (const TableEntry &entry : reader->tables())
            reader->readTable(entry.name);
    } catch (const errors::RuntimeError &error) {
        if (error.number() != sources::SourceErr::OpenFailed)
            return QStringLiteral("wrong number %1").arg(error.number());
        return error.description();
    }
    return QStringLiteral("read");
}

QString notInFormat(const QString &path, const QString &reason)
{
    return QStringLiteral("External table is not in the expected format: '") + path + QStringLiteral("' ") + reason;
}

// A value as the comparison with python3-xlrd prints it: a type letter and the text; dates to the millisecond.
QString shown(const Value &value)
{
    switch (value.type()) {
    case Value::Type::Number:
        return QStringLiteral("N ") + sources::gridText(value);
    case Value::Type::Date:
        return QStringLiteral("D ") + sources::gridText(value) + QLatin1Char(' ') +
               value.toTime().toString(QStringLiteral("HH:mm:ss.zzz"));
    case Value::Type::YesNo:
        return QStringLiteral("B ") + sources::gridText(value);
    case Value::Type::Text:
        return QStringLiteral("T ") + QString(value.toText()).replace(QLatin1Char('\n'), QLatin1String("\\n"));
    case Value::Type::Null:
        break;
    }
    return QString();
}

// The workbook's sheets in the form of xlrdcells.py.
QStringList dump(const QString &path)
{
    QStringList lines;
    const auto reader = openWorkbook(path);
    for (const TableEntry &entry : reader->tables()) {
        const Table table = reader->readTable(entry.name);
        const qsizetype rows = table.fieldCount() == 0 ? 0 : table.rowCount() + 1;
        lines.append(QStringLiteral("sheet %1 %2 x %3").arg(entry.name.chopped(1)).arg(rows).arg(table.fieldCount()));
        for (qsizetype field = 0; field < table.fieldCount(); ++field) {
            if (table.fieldNames().at(field) != QStringLiteral("F%1").arg(field + 1))
                lines.append(QStringLiteral("0 %1 H %2").arg(field).arg(table.fieldNames().at(field)));
        }
        for (qsizetype row = 0; row < table.rowCount(); ++row) {
            for (qsizetype field = 0; field < table.fieldCount(); ++field) {
                if (!table.at(row, field).isNull())
                    lines.append(QStringLiteral("%1 %2 ").arg(row + 1).arg(field) + shown(table.at(row, field)));
            }
        }
    }
    return lines;
}

QDateTime dateTime(const Value &value)
{
    return value.type() == Value::Type::Date ? QDateTime(value.toDate(), value.toTime()) : QDateTime();
}

QDateTime at(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second));
}

// RK numbers: a 30-bit integer, or the top 30 bits of a double; either may be a hundredth of the value.
quint32 rkInteger(qint32 value, bool hundredths = false)
{
    return (quint32(value) << 2) | 0x02 | (hundredths ? 0x01 : 0x00);
}

quint32 rkDouble(double value, bool hundredths = false)
{
    return quint32(std::bit_cast<quint64>(value) >> 32) | (hundredths ? 0x01 : 0x00);
}

} // namespace

class TestWorkbookReader final : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString save(const biffwriter::Workbook &book, const QString &name = QStringLiteral("book.xls"))
    {
        const QString path = m_dir.filePath(name);
        if (!book.save(path))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    QString saveBytes(const QByteArray &bytes, const QString &name)
    {
        const QString path = m_dir.filePath(name);
        if (!biffwriter::writeFile(path, bytes))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    Table readSheet(const biffwriter::Workbook &book, const QString &sheet)
    {
        return openWorkbook(save(book))->readTable(sheet);
    }

private slots:
    void listsSheetsWithDollar()
    {
        QCOMPARE(names(openWorkbook(fixture("masters.xls"))->tables()),
                 QStringList({QStringLiteral("Ledger Groups$"), QStringLiteral("Ledgers$"), QStringLiteral("Units$"),
                              QStringLiteral("Godowns$"), QStringLiteral("Stock Groups$"),
                              QStringLiteral("Stock Categories$"), QStringLiteral("Stock Items$"),
                              QStringLiteral("Cost Categories$"), QStringLiteral("Cost Centres$"),
                              QStringLiteral("Sheet1$")}));
        QCOMPARE(names(openWorkbook(fixture("register.xls"))->tables()),
                 QStringList({QStringLiteral("VoucherRegister$"), QStringLiteral("VoucherRegisterMap$")}));
    }

    void listsWorksheetsOnly()
    {
        biffwriter::Workbook book;
        book.addSheet(QStringLiteral("Ledgers")).label(0, 0, QStringLiteral("Name"));
        book.addSheet(QStringLiteral("Chart1"), SheetKind::Chart);
        book.addSheet(QStringLiteral("Macro1"), SheetKind::Macro);
        book.addSheet(QStringLiteral("Dialog1"), SheetKind::Dialog);
        book.addSheet(QStringLiteral("Stock Items")).label(0, 0, QStringLiteral("Name"));
        QCOMPARE(names(openWorkbook(save(book))->tables()),
                 QStringList({QStringLiteral("Ledgers$"), QStringLiteral("Stock Items$")}));
    }

    void readsTypedCells()
    {
        const Table table = openWorkbook(fixture("values.xls"))->readTable(QStringLiteral("Values$"));
        QCOMPARE(table.fieldNames(),
                 QStringList({QStringLiteral("Text"), QStringLiteral("Number"), QStringLiteral("Date"),
                              QStringLiteral("F4"), QStringLiteral("Flag"), QStringLiteral("When")}));
        QCOMPARE(table.rowCount(), 4);
        QCOMPARE(column(table, QStringLiteral("Text")),
                 QStringList({QStringLiteral("Shop 4, \"Sai\" Complex"), QStringLiteral("Line one\nLine two"),
                              QStringLiteral("~"), QStringLiteral("Ünïcödé ₹")}));
        QCOMPARE(column(table, QStringLiteral("Number")),
                 QStringList({QStringLiteral("1500.5"), QStringLiteral("-0.25"),
                              QStringLiteral("1000000000000000000000"), QStringLiteral("12")}));
        QCOMPARE(column(table, QStringLiteral("Date")),
                 QStringList({QStringLiteral("20240401"), QStringLiteral("19991231"), QStringLiteral("~"),
                              QStringLiteral("20240229")}));
        QCOMPARE(column(table, QStringLiteral("F4")), QStringList({QStringLiteral("beyond"), QStringLiteral("~"),
                                                                   QStringLiteral("~"), QStringLiteral("~")}));
        QCOMPARE(column(table, QStringLiteral("Flag")),
                 QStringList({QStringLiteral("Yes"), QStringLiteral("No"), QStringLiteral("~"), QStringLiteral("~")}));

        QCOMPARE(table.at(0, 1).type(), Value::Type::Number);
        QCOMPARE(table.at(0, 2).type(), Value::Type::Date);
        QCOMPARE(table.at(0, 4).type(), Value::Type::YesNo);
        QCOMPARE(dateTime(table.at(0, 5)), at(2024, 4, 1, 10, 30));
        // A time alone falls on day zero.
        QCOMPARE(dateTime(table.at(1, 5)), at(1899, 12, 30, 18, 45));
    }

    void readsHeaderOnlySheet()
    {
        const Table table = openWorkbook(fixture("values.xls"))->readTable(QStringLiteral("units$"));
        QCOMPARE(table.fieldNames(), QStringList({QStringLiteral("Name"), QStringLiteral("IsSimpleUnit"),
                                                  QStringLiteral("OriginalName"), QStringLiteral("DecimalPlaces")}));
        QCOMPARE(table.rowCount(), 0);
    }

    void readsRegisterMap()
    {
        const Table map = openWorkbook(fixture("register.xls"))->readTable(QStringLiteral("VoucherRegisterMap$"));
        QCOMPARE(map.fieldCount(), 16);
        QCOMPARE(column(map, QStringLiteral("ColumnName")),
                 QStringList({QStringLiteral("Sales"), QStringLiteral("VAT"), QStringLiteral("Freight")}));
        QCOMPARE(column(map, QStringLiteral("Order")),
                 QStringList({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}));
        QCOMPARE(column(map, QStringLiteral("VATRate")),
                 QStringList({QStringLiteral("~"), QStringLiteral("12.5"), QStringLiteral("~")}));
        const Table register_ = openWorkbook(fixture("register.xls"))->readTable(QStringLiteral("VoucherRegister$"));
        QCOMPARE(register_.rowCount(), 4);
        QCOMPARE(column(register_, QStringLiteral("VAT")),
                 QStringList(
                     {QStringLiteral("1250"), QStringLiteral("500"), QStringLiteral("~"), QStringLiteral("106.31")}));
    }

    void transactionsInVoucherOrder()
    {
        Table table = openWorkbook(fixture("transactions.xls"))->readTable(QStringLiteral("Transactions$"));
        QCOMPARE(table.rowCount(), 10);
        sources::sortInOrder(table, sources::voucherOrderFields());
        // Rows with blank voucher cells, the blank row among them, sort first: the order puts nulls first.
        QCOMPARE(column(table, QStringLiteral("Ledger")),
                 QStringList({QStringLiteral("~"), QStringLiteral("Sharma Traders"), QStringLiteral("Cash"),
                              QStringLiteral("Cash"), QStringLiteral("Discount Received"), QStringLiteral("Rao & Sons"),
                              QStringLiteral("Office Rent"), QStringLiteral("Office Rent"), QStringLiteral("Cash"),
                              QStringLiteral("State Bank")}));
        QCOMPARE(column(table, QStringLiteral("VchNo")).mid(5),
                 QStringList({QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("2"), QStringLiteral("2"),
                              QStringLiteral("R-1")}));

        Table withoutSrNo =
            openWorkbook(fixture("transactions-no-srno.xls"))->readTable(QStringLiteral("Transactions$"));
        QVERIFY_THROWS_EXCEPTION(errors::RuntimeError,
                                 sources::sortInOrder(withoutSrNo, sources::voucherOrderFields()));
    }

    void readsFormulaResults()
    {
        biffwriter::Workbook book;
        const quint16 dateTimeStyle = book.styleWithFormat(QStringLiteral("dd/mm/yyyy hh:mm"));
        const QString longText = QString(20000, QLatin1Char('a')) + QString(12767, QChar(0x20B9));
        book.addSheet(QStringLiteral("Formulas"))
            .label(0, 0, QStringLiteral("Amount"))
            .formulaText(0, 1, QStringLiteral("Party"))
            .formulaNumber(1, 0, 1500.5)
            .formulaText(1, 1, QStringLiteral("Sharma Traders"))
            .formulaBoolean(2, 0, true)
            .formulaBoolean(2, 1, false)
            .formulaError(3, 0, 0x2A) // #N/A
            .formulaEmpty(3, 1)
            .formulaNumber(4, 0, 45383.4375, dateTimeStyle)
            .formulaText(4, 1, longText);
        const Table table = readSheet(book, QStringLiteral("Formulas$"));
        QCOMPARE(table.fieldNames(), QStringList({QStringLiteral("Amount"), QStringLiteral("Party")}));
        QCOMPARE(column(table, QStringLiteral("Amount")),
                 QStringList({QStringLiteral("1500.5"), QStringLiteral("Yes"), QStringLiteral("~"),
                              QStringLiteral("20240401")}));
        QCOMPARE(column(table, QStringLiteral("Party")).first(3),
                 QStringList({QStringLiteral("Sharma Traders"), QStringLiteral("No"), QStringLiteral("~")}));
        QCOMPARE(dateTime(table.at(3, 0)), at(2024, 4, 1, 10, 30));
        QCOMPARE(table.at(3, 1).toText(), longText);
    }

    void readsSharedStringsOverContinueRecords()
    {
        // The first text fills most of the first record, so that the second one runs into a CONTINUE record
        // after 210 characters, one byte each, and goes on there two bytes each. Rich texts with phonetic data
        // then cross record boundaries in their characters, runs and phonetic bytes; a text of the most
        // characters a cell holds runs over eight records.
        const QString filler(8000, QLatin1Char('x'));
        const QString crossing = QString(250, QLatin1Char('a')) + QString(50, QChar(0x20B9));
        const QString longest = QString(32767, QChar(0x0915));
        biffwriter::Workbook book;
        biffwriter::Sheet &sheet = book.addSheet(QStringLiteral("Texts"));
        sheet.label(0, 0, QStringLiteral("Text")).label(0, 1, QStringLiteral("Row"));
        sheet.shared(1, 0, filler).shared(2, 0, crossing).shared(3, 0, longest);
        QStringList expected{filler, crossing, longest};
        for (int i = 0; i < 2000; ++i) {
            expected.append(QStringLiteral("Item %1 ₹").arg(i));
            sheet.shared(4 + i, 0, expected.last(), 2, 6);
        }
        for (int row = 1; row <= expected.size(); ++row)
            sheet.rk(row, 1, rkInteger(row));
        sheet.shared(expected.size() + 1, 0, filler); // the same text again, as a second entry

        const Table table = readSheet(book, QStringLiteral("Texts$"));
        QCOMPARE(table.rowCount(), expected.size() + 1);
        for (qsizetype row = 0; row < expected.size(); ++row) {
            QCOMPARE(table.at(row, 0).toText(), expected.at(row));
            QCOMPARE(table.at(row, 1).toNumber(), double(row + 1));
        }
        QCOMPARE(table.at(expected.size(), 0).toText(), filler);
    }

    void readsNumbersOfEveryRecord()
    {
        biffwriter::Workbook book;
        const quint16 dateStyle = book.styleWithBuiltInFormat(14);
        book.addSheet(QStringLiteral("Numbers"))
            .label(0, 0, QStringLiteral("Value"))
            .rk(1, 0, rkInteger(12))
            .rk(2, 0, rkInteger(-5))
            .rk(3, 0, rkInteger(1234, true))
            .rk(4, 0, rkDouble(1.5))
            .rk(5, 0, rkDouble(1.5, true))
            .number(6, 0, -0.1)
            .mulRk(7, 0, {rkInteger(1), rkInteger(45383), rkDouble(2.5)}, dateStyle)
            .number(8, 0, std::numeric_limits<double>::quiet_NaN());
        const Table table = readSheet(book, QStringLiteral("Numbers$"));
        QCOMPARE(table.fieldNames(),
                 QStringList({QStringLiteral("Value"), QStringLiteral("F2"), QStringLiteral("F3")}));
        QCOMPARE(column(table, QStringLiteral("Value")),
                 QStringList({QStringLiteral("12"), QStringLiteral("-5"), QStringLiteral("12.34"),
                              QStringLiteral("1.5"), QStringLiteral("0.015"), QStringLiteral("-0.1"),
                              QStringLiteral("19000101"), QStringLiteral("~")}));
        QCOMPARE(dateTime(table.at(6, 1)), at(2024, 4, 1));
        QCOMPARE(dateTime(table.at(6, 2)), at(1900, 1, 2, 12));
    }

    // A text whose length says more than its record holds is read as far as the record goes.
    void readsTextsCutByTheirRecord_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("text");

        const auto withLabel = [](Version version, const QByteArray &body) {
            biffwriter::Workbook book(version);
            book.addSheet(QStringLiteral("Ledgers"))
                .label(0, 0, QStringLiteral("Name"))
                .raw(0x0204, body)
                .label(2, 0, QStringLiteral("Bank"));
            return book.file();
        };
        const QByteArray cell = biffwriter::Body().u16(1).u16(0).u16(15).u16(200).data();
        QTest::newRow("one byte each") << withLabel(Version::Biff8,
                                                    cell + biffwriter::Body().u8(0).bytes("Cash").data())
                                       << QStringLiteral("Cash");
        const QString twoBytes = QStringLiteral("Касса");
        QTest::newRow("two bytes each, with formatting runs")
            << withLabel(Version::Biff8,
                         cell + biffwriter::Body().u8(0x09).u16(3).data() +
                             QByteArray(reinterpret_cast<const char *>(twoBytes.utf16()), twoBytes.size() * 2))
            << twoBytes;
        QTest::newRow("BIFF5 bytes") << withLabel(Version::Biff5, cell + QByteArray("Cash")) << QStringLiteral("Cash");
    }
    void readsTextsCutByTheirRecord()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, text);
        const QString path = saveBytes(file, QStringLiteral("cut.xls"));
        const Table table = openWorkbook(path)->readTable(QStringLiteral("Ledgers$"));
        QCOMPARE(column(table, QStringLiteral("Name")), QStringList({text, QStringLiteral("Bank")}));
    }

    void readsDatesByFormat_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("builtIn");
        QTest::addColumn<bool>("dates1904");
        QTest::addColumn<double>("serial");
        QTest::addColumn<QDateTime>("date"); // invalid: the cell reads as the number

        const QDateTime number;
        QTest::newRow("built-in date") << QString() << 14 << false << 45383.0 << at(2024, 4, 1);
        QTest::newRow("built-in date-time") << QString() << 22 << false << 45383.75 << at(2024, 4, 1, 18);
        QTest::newRow("built-in time") << QString() << 18 << false << 0.78125 << at(1899, 12, 30, 18, 45);
        QTest::newRow("East Asian date") << QString() << 57 << false << 45383.0 << at(2024, 4, 1);
        QTest::newRow("built-in number") << QString() << 4 << false << 45383.0 << number;
        QTest::newRow("General") << QString() << 0 << false << 45383.0 << number;
        QTest::newRow("day first") << QStringLiteral("dd/mm/yyyy") << 0 << false << 45383.0 << at(2024, 4, 1);
        QTest::newRow("locale and text section")
            << QStringLiteral("[$-409]d mmmm yyyy;@") << 0 << false << 45383.0 << at(2024, 4, 1);
        QTest::newRow("seconds") << QStringLiteral("hh:mm:ss") << 0 << false << 45383.000011574
                                 << at(2024, 4, 1, 0, 0, 1);
        QTest::newRow("elapsed hours") << QStringLiteral("[h]") << 0 << false << 1.5 << at(1900, 1, 1, 12);
        // Serials 1 to 59 count from 31 December 1899, as Excel shows them; from 60 on they count from 30
        // December, past the 29 February 1900 that Excel counts and that never was.
        QTest::newRow("first day of 1900") << QStringLiteral("yyyy-mm-dd") << 0 << false << 1.0 << at(1900, 1, 1);
        QTest::newRow("28 February 1900")
            << QStringLiteral("yyyy-mm-dd hh:mm") << 0 << false << 59.75 << at(1900, 2, 28, 18);
        QTest::newRow("serial 60") << QStringLiteral("yyyy-mm-dd") << 0 << false << 60.0 << at(1900, 2, 28);
        QTest::newRow("1 March 1900") << QStringLiteral("yyyy-mm-dd") << 0 << false << 61.0 << at(1900, 3, 1);
        QTest::newRow("time alone") << QStringLiteral("hh:mm") << 0 << false << 0.5 << at(1899, 12, 30, 12);
        QTest::newRow("1904 system, first days") << QStringLiteral("yyyy-mm-dd") << 0 << true << 1.0 << at(1904, 1, 2);
        QTest::newRow("1904 system") << QStringLiteral("yyyy-mm-dd") << 0 << true << 43921.5 << at(2024, 4, 1, 12);
        QTest::newRow("quoted days") << QStringLiteral("0 \"days\"") << 0 << false << 45383.0 << number;
        QTest::newRow("escaped d") << QStringLiteral("0\\d") << 0 << false << 45383.0 << number;
        QTest::newRow("colour and condition")
            << QStringLiteral("[Red][<0]#,##0;[Blue]#,##0") << 0 << false << 45383.0 << number;
        QTest::newRow("accounting") << QStringLiteral("_-* #,##0.00_-;-* #,##0.00_-;_-* \"-\"??_-;_-@_-") << 0 << false
                                    << 45383.0 << number;
        QTest::newRow("scientific") << QStringLiteral("0.00E+00") << 0 << false << 45383.0 << number;
        QTest::newRow("before the first day") << QStringLiteral("dd/mm/yyyy") << 0 << false << -1.0 << number;
        QTest::newRow("after 9999") << QStringLiteral("dd/mm/yyyy") << 0 << false << 2958466.0 << number;
    }

    void readsDatesByFormat()
    {
        QFETCH(QString, code);
        QFETCH(int, builtIn);
        QFETCH(bool, dates1904);
        QFETCH(double, serial);
        QFETCH(QDateTime, date);

        biffwriter::Workbook book;
        if (dates1904)
            book.setDates1904();
        const quint16 style =
            code.isEmpty() ? book.styleWithBuiltInFormat(quint16(builtIn)) : book.styleWithFormat(code);
        book.addSheet(QStringLiteral("Dates")).label(0, 0, QStringLiteral("When")).number(1, 0, serial, style);
        const Value value = readSheet(book, QStringLiteral("Dates$")).at(0, 0);
        if (date.isValid()) {
            QCOMPARE(dateTime(value), date);
        } else {
            QCOMPARE(value.type(), Value::Type::Number);
            QCOMPARE(value.toNumber(), serial);
        }
    }

    void readsBiff5Workbook()
    {
        biffwriter::Workbook book(Version::Biff5);
        book.setCodePage(1251);
        const quint16 dateStyle = book.styleWithFormat(QStringLiteral("dd.mm.yyyy"));
        book.addSheet(QStringLiteral("Chart"), SheetKind::Chart);
        book.addSheet(QStringLiteral("Счета"))
            .label(0, 0, QStringLiteral("Наименование"))
            .label(0, 1, QStringLiteral("Сумма"))
            .label(0, 2, QStringLiteral("Дата"))
            .label(1, 0, QStringLiteral("Касса"))
            .number(1, 1, 1500.5)
            .number(1, 2, 45383, dateStyle)
            .formulaText(2, 0, QStringLiteral("Итого"))
            .formulaNumber(2, 1, 1500.5)
            .boolean(2, 2, true);
        const QString path = save(book);
        const auto reader = openWorkbook(path);
        QCOMPARE(names(reader->tables()), QStringList({QStringLiteral("Счета$")}));
        const Table table = reader->readTable(QStringLiteral("Счета$"));
        QCOMPARE(table.fieldNames(),
                 QStringList({QStringLiteral("Наименование"), QStringLiteral("Сумма"), QStringLiteral("Дата")}));
        QCOMPARE(column(table, QStringLiteral("Наименование")),
                 QStringList({QStringLiteral("Касса"), QStringLiteral("Итого")}));
        QCOMPARE(column(table, QStringLiteral("Сумма")),
                 QStringList({QStringLiteral("1500.5"), QStringLiteral("1500.5")}));
        QCOMPARE(column(table, QStringLiteral("Дата")),
                 QStringList({QStringLiteral("20240401"), QStringLiteral("Yes")}));
    }

    void readsUsedRange()
    {
        // The dimensions record claims all 65,536 rows and 256 columns; blank cells with formatting only do not
        // count, a cell past the declared range does.
        biffwriter::Workbook book;
        book.addSheet(QStringLiteral("Declared"))
            .declare(65536, 256)
            .label(0, 0, QStringLiteral("Name"))
            .label(0, 1, QStringLiteral("Amount"))
            .label(1, 0, QStringLiteral("Cash"))
            .blank(1, 200)
            .blank(9000, 1);
        book.addSheet(QStringLiteral("Beyond"))
            .label(0, 0, QStringLiteral("Name"))
            .label(1, 0, QStringLiteral("Cash"))
            .declare(2, 1)
            .number(4, 2, 7);
        book.addSheet(QStringLiteral("Empty")).declare(65536, 256);
        const auto reader = openWorkbook(save(book));

        const Table declared = reader->readTable(QStringLiteral("Declared$"));
        QCOMPARE(declared.fieldNames(), QStringList({QStringLiteral("Name"), QStringLiteral("Amount")}));
        QCOMPARE(declared.rowCount(), 1);

        const Table beyond = reader->readTable(QStringLiteral("Beyond$"));
        QCOMPARE(beyond.fieldNames(),
                 QStringList({QStringLiteral("Name"), QStringLiteral("F2"), QStringLiteral("F3")}));
        QCOMPARE(column(beyond, QStringLiteral("F3")),
                 QStringList({QStringLiteral("~"), QStringLiteral("~"), QStringLiteral("~"), QStringLiteral("7")}));

        const Table empty = reader->readTable(QStringLiteral("Empty$"));
        QCOMPARE(empty.fieldCount(), 0);
        QCOMPARE(empty.rowCount(), 0);
    }

    void skipsEmbeddedObjects()
    {
        // A drawing with a text box (their CONTINUE records hold no cells) and an embedded chart, whose own
        // substream sits inside the sheet's and has cells of its own.
        const QByteArray cellLike = biffwriter::record(0x0203, biffwriter::Body().u16(1).u16(0).u16(15).f64(99).data());
        biffwriter::Workbook book;
        book.addSheet(QStringLiteral("Ledgers"))
            .label(0, 0, QStringLiteral("Name"))
            .label(1, 0, QStringLiteral("Cash"))
            .raw(0x00EC, QByteArray(40, '\x0F'))
            .raw(0x01B6, QByteArray(18, '\0'))
            .raw(0x003C, cellLike)
            .raw(0x0809, biffwriter::Body().u16(0x0600).u16(0x0020).u32(0).u32(0).u32(0).data())
            .number(5, 3, 42)
            .raw(0x000A, QByteArray())
            .label(2, 0, QStringLiteral("Bank"));
        const Table table = readSheet(book, QStringLiteral("Ledgers$"));
        QCOMPARE(table.fieldNames(), QStringList({QStringLiteral("Name")}));
        QCOMPARE(column(table, QStringLiteral("Name")), QStringList({QStringLiteral("Cash"), QStringLiteral("Bank")}));
    }

    void refusesEncryptedWorkbooks()
    {
        // RC4 encryption, as Excel writes a workbook saved with a password to open it.
        biffwriter::Workbook book;
        book.addGlobalRecord(0x002F, biffwriter::Body().u16(1).u16(1).u16(1).bytes(QByteArray(48, '\x5A')).data());
        book.addSheet(QStringLiteral("Ledgers")).label(0, 0, QStringLiteral("Name"));
        const QString encrypted = save(book, QStringLiteral("encrypted.xls"));
        // An encrypted .xlsx is a compound document holding the encrypted package.
        const QString package =
            saveBytes(biffwriter::compoundDocument(QByteArray(4096, '\x33'), QStringLiteral("EncryptedPackage")),
                      QStringLiteral("package.xls"));
        for (const QString &path : {encrypted, package}) {
            QCOMPARE(readFailure(path), QStringLiteral("Could not decrypt file: the workbook '") + path +
                                            QStringLiteral("' is protected by a password."));
        }
    }

    void refusesDamagedWorkbooks_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("reason");

        biffwriter::Workbook book;
        book.addSheet(QStringLiteral("Ledgers"))
            .shared(0, 0, QStringLiteral("Name"))
            .shared(1, 0, QStringLiteral("Cash"))
            .number(1, 1, 12);
        const QByteArray stream = book.stream();
        const auto inFile = [](const QByteArray &bytes) {
            return biffwriter::compoundDocument(bytes, QStringLiteral("Workbook"));
        };

        QTest::newRow("cut inside a record")
            << inFile(stream.first(stream.size() - 10))
            << QStringLiteral("is damaged: a record runs past the end of the workbook.");
        QTest::newRow("cut inside a record header")
            << inFile(stream.first(stream.size() - 2)) << QStringLiteral("is damaged: a record is cut off.");
        QTest::newRow("no end record") << inFile(stream.first(stream.size() - 4))
                                       << QStringLiteral("is damaged: a sheet ends before its end record.");
        QByteArray longRecord = stream;
        const qsizetype number = longRecord.lastIndexOf(QByteArray::fromHex("0302"));
        longRecord[number + 2] = '\xFF';
        longRecord[number + 3] = '\x7F';
        QTest::newRow("record length past the end")
            << inFile(longRecord) << QStringLiteral("is damaged: a record runs past the end of the workbook.");
        QByteArray shortRecord = stream;
        shortRecord[number + 2] = '\x08';
        shortRecord.remove(number + 4 + 8, 6);
        QTest::newRow("number record too short")
            << inFile(shortRecord) << QStringLiteral("is damaged: a record is shorter than its contents.");

        biffwriter::Workbook missing;
        missing.overstateSharedStrings(5);
        missing.addSheet(QStringLiteral("Ledgers")).shared(0, 0, QStringLiteral("Name")).sharedIndex(1, 0, 3);
        QTest::newRow("string count larger than the table")
            << missing.file()
            << QStringLiteral("is damaged: a cell refers to a text that the shared string table does not hold.");

        biffwriter::Workbook wide;
        wide.addSheet(QStringLiteral("Ledgers")).label(0, 0, QStringLiteral("Name")).number(1, 256, 1);
        QTest::newRow("cell beyond column IV")
            << wide.file() << QStringLiteral("is damaged: a cell lies beyond the last column of its sheet.");

        QByteArray farSheet = stream;
        const qsizetype boundSheet = farSheet.indexOf(QByteArray::fromHex("8500"));
        farSheet.replace(boundSheet + 4, 4, QByteArray::fromHex("ffffff7f"));
        QTest::newRow("sheet outside the workbook")
            << inFile(farSheet) << QStringLiteral("is damaged: a sheet lies outside the workbook.");

        const QByteArray file = book.file();
        QTest::newRow("cut compound document")
            << file.first(file.size() / 2) << QStringLiteral("is damaged: its file structure cannot be read.");
        QTest::newRow("Word document") << biffwriter::compoundDocument(QByteArray(600, 'w'),
                                                                       QStringLiteral("WordDocument"))
                                       << QStringLiteral("holds no workbook.");
        QTest::newRow("stream of no workbook") << inFile(QByteArray(600, '\0')) << QStringLiteral("holds no workbook.");
        QTest::newRow("Excel 4.0 workbook")
            << biffwriter::record(0x0409, biffwriter::Body().u16(0).u16(0x0100).u16(0).data()) + QByteArray(600, '\0')
            << QStringLiteral("is a workbook of Excel 4.0 or older; save it as an Excel 97-2003 workbook (.xls).");
        QTest::newRow("xlsx") << QByteArray("PK\x03\x04\x14\x00\x06\x00", 8).repeated(200)
                              << QStringLiteral("is an Excel 2007 or later workbook; save it as an Excel 97-2003 "
                                                "workbook (.xls).");
        QTest::newRow("text file") << QByteArray("Name,Parent\nCash,Cash-in-hand\n")
                                   << QStringLiteral("is not an Excel 97-2003 workbook (.xls).");
        QTest::newRow("empty file") << QByteArray() << QStringLiteral("is not an Excel 97-2003 workbook (.xls).");

        biffwriter::Workbook codePage(Version::Biff5);
        codePage.setCodePage(9999);
        codePage.addSheet(QStringLiteral("Ledgers")).number(0, 0, 1);
        QTest::newRow("unknown code page")
            << codePage.file() << QStringLiteral("uses a character set that cannot be read (code page 9999).");
    }

    void refusesDamagedWorkbooks()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, reason);
        const QString path = saveBytes(file, QStringLiteral("damaged.xls"));
        QCOMPARE(readFailure(path), notInFormat(path, reason));
    }

    void refusesMissingFile()
    {
        const QString missing = m_dir.filePath(QStringLiteral("missing.xls"));
        QCOMPARE(readFailure(missing), QStringLiteral("Could not find file '") + missing + QStringLiteral("'."));
    }

    // python3-xlrd reads every real workbook of the shared fixtures; the reader must read the same cells.
    void readsRealWorkbooksAsXlrdDoes()
    {
        const QDir folder(QStringLiteral(PELKO_SHARED_FIXTURES "/xls"));
        const QStringList files = folder.entryList({QStringLiteral("*.xls")}, QDir::Files, QDir::Name);
        if (files.isEmpty())
            QSKIP("the real workbooks of the shared fixtures are not here");
        QStringList differences;
        for (const QString &file : files) {
            QProcess xlrd;
            xlrd.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(PELKO_XLRD_CELLS), folder.filePath(file)});
            QVERIFY(xlrd.waitForFinished(60000));
            QVERIFY2(xlrd.exitCode() == 0, xlrd.readAllStandardError().constData());
            const QStringList expected =
                QString::fromUtf8(xlrd.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            const QStringList actual = dump(folder.filePath(file));
            for (qsizetype i = 0; i < std::max(expected.size(), actual.size()); ++i) {
                const QString want = expected.value(i, QStringLiteral("(nothing)"));
                const QString got = actual.value(i, QStringLiteral("(nothing)"));
                if (want != got) {
                    differences.append(file + QStringLiteral(": xlrd ") + want + QStringLiteral(", reader ") + got);
                    break;
                }
            }
        }
        QVERIFY2(differences.isEmpty(), qPrintable(differences.join(QLatin1Char('\n'))));
    }

    void unknownSheet()
    {
        const auto reader = openWorkbook(fixture("masters.xls"));
        QCOMPARE(reader->readTable(QStringLiteral("LEDGERS$")).rowCount(), 5);
        for (const QString &name : {QStringLiteral("Ledgers"), QStringLiteral("Vouchers$")}) {
            try {
                reader->readTable(name);
                QFAIL("no error for an unknown sheet");
            } catch (const errors::RuntimeError &error) {
                QCOMPARE(error.number(), sources::SourceErr::ObjectNotFound);
                QVERIFY(error.description().contains(QLatin1Char('\'') + name + QLatin1Char('\'')));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestWorkbookReader)
#include "testworkbookreader.moc"
