#include "errors/errortrap.h"
#include "sources/readers/sourceerror.h"
#include "sources/readers/sourcereader.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

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

QString openFailure(const QString &path)
{
    try {
        openWorkbook(path);
    } catch (const errors::RuntimeError &error) {
        if (error.number() != sources::SourceErr::OpenFailed)
            return QStringLiteral("wrong number %1").arg(error.number());
        return error.description();
    }
    return QStringLiteral("opened");
}

} // namespace

class TestWorkbookReader final : public QObject
{
    Q_OBJECT

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
                 QStringList({QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("~"), QStringLiteral("~")}));

        QCOMPARE(table.at(0, 1).type(), Value::Type::Number);
        QCOMPARE(table.at(0, 2).type(), Value::Type::Date);
        QCOMPARE(table.at(0, 5).toDate(), QDate(2024, 4, 1));
        QCOMPARE(table.at(0, 5).toTime(), QTime(10, 30));
        // A time alone falls on day zero.
        QCOMPARE(table.at(1, 5).toDate(), QDate(1899, 12, 30));
        QCOMPARE(table.at(1, 5).toTime(), QTime(18, 45));
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

    void openFailures()
    {
        QTemporaryDir dir;
        const QString notBiff = dir.filePath(QStringLiteral("notes.xls"));
        const QString xlsx = dir.filePath(QStringLiteral("book.xlsx"));
        const QString empty = dir.filePath(QStringLiteral("empty.xls"));
        for (const auto &[path, bytes] : {std::pair{notBiff, QByteArray("Name,Parent\nCash,Cash-in-hand\n")},
                                          std::pair{xlsx, QByteArray("PK\x03\x04\x14\x00\x06\x00", 8).repeated(200)},
                                          std::pair{empty, QByteArray()}}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        }

        const QString missing = dir.filePath(QStringLiteral("missing.xls"));
        QCOMPARE(openFailure(missing), QStringLiteral("Could not find file '") + missing + QStringLiteral("'."));
        for (const QString &path : {notBiff, xlsx, empty}) {
            const QString message = openFailure(path);
            QVERIFY2(message.startsWith(QStringLiteral("External table is not in the expected format: '") + path),
                     qPrintable(message));
        }
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
