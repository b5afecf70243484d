#include "errors/errortrap.h"
#include "sources/readers/sourceerror.h"
#include "sources/readers/sourcereader.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using sources::Table;
using sources::TableEntry;
using sources::TableType;
using sources::Value;

namespace {

QString sample(const char *name)
{
    return QStringLiteral(PELKO_SHARED_FIXTURES "/access/") + QString::fromUtf8(name);
}

std::unique_ptr<sources::SourceReader> openDatabase(const QString &path, const QString &password = {})
{
    return sources::openSource({sources::SourceKind::Access, path, QStringLiteral("Admin"), password});
}

QStringList column(const Table &table, const char *field)
{
    const qsizetype index = table.fieldIndex(QString::fromUtf8(field));
    QStringList result;
    for (qsizetype row = 0; row < table.rowCount(); ++row)
        result.append(table.at(row, index).isNull() ? QStringLiteral("~") : sources::gridText(table.at(row, index)));
    return result;
}

} // namespace

// The sample databases are public test files kept outside the project; without them these tests skip.
class TestAccessReader final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        if (!QFileInfo::exists(sample("DateTestDatabase.mdb")) || !QFileInfo::exists(sample("ASampleDatabase.accdb")))
            QSKIP("The Access sample databases are not there.");
    }

    void readsDatesAndMemos()
    {
        const auto reader = openDatabase(sample("DateTestDatabase.mdb"));
        QCOMPARE(reader->tables(), QList<TableEntry>({{QStringLiteral("DateTest"), TableType::Table}}));

        const Table table = reader->readTable(QStringLiteral("DateTest"));
        QCOMPARE(table.fieldNames(), QStringList({QStringLiteral("IDCol"), QStringLiteral("DateTimeCol"),
                                                  QStringLiteral("DateCol"), QStringLiteral("TimeCol"),
                                                  QStringLiteral("LongTextCol"), QStringLiteral("ShortTextCol")}));
        QCOMPARE(column(table, "IDCol"), QStringList({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                                                      QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6")}));
        QCOMPARE(table.at(0, 0).type(), Value::Type::Number);
        QCOMPARE(table.at(0, 1).type(), Value::Type::Date);
        // Dates outside 1900 to 9998 come from the stored day count, not from libmdb's text of them.
        QCOMPARE(column(table, "DateTimeCol"),
                 QStringList({QStringLiteral("20211202"), QStringLiteral("99990101"), QStringLiteral("18980101"),
                              QStringLiteral("06320101"), QStringLiteral("20211202"), QStringLiteral("20211202")}));
        QCOMPARE(column(table, "TimeCol").at(2), QStringLiteral("19000101"));
        QCOMPARE(column(table, "LongTextCol").at(1), QStringLiteral("Year 9999"));
        QCOMPARE(table.at(5, 4).type(), Value::Type::Text);
        QVERIFY(table.at(5, 4).toText().startsWith(QStringLiteral("New line")));
        QVERIFY(table.at(5, 4).toText().contains(QLatin1Char('\n')));
        QCOMPARE(column(table, "ShortTextCol").at(5), QStringLiteral("No new line"));
    }

    void readsCurrencyAndBlankNamedTable()
    {
        // libmdb does not check a database password; the reader takes one and reads all the same.
        const auto reader = openDatabase(sample("ASampleDatabase.accdb"), QStringLiteral("secret"));
        QCOMPARE(reader->tables(), QList<TableEntry>({{QStringLiteral("Asset Items"), TableType::Table}}));

        const Table table = reader->readTable(QStringLiteral("asset items"));
        QCOMPARE(table.rowCount(), 65);
        QCOMPARE(table.fieldCount(), 13);
        QCOMPARE(table.fieldNames().first(), QStringLiteral("Asset No"));
        QCOMPARE(column(table, "Asset No").first(), QStringLiteral("30050"));
        QCOMPARE(table.at(0, 0).type(), Value::Type::Text);
        QCOMPARE(column(table, "Acquired").mid(0, 2),
                 QStringList({QStringLiteral("19970902"), QStringLiteral("19970902")}));
        QCOMPARE(column(table, "Cost").mid(0, 3),
                 QStringList({QStringLiteral("1995.5"), QStringLiteral("2450"), QStringLiteral("244")}));
        QCOMPARE(table.at(0, table.fieldIndex(QStringLiteral("Cost"))).type(), Value::Type::Number);
        QCOMPARE(column(table, "Warranty").first(), QStringLiteral("12"));
        QCOMPARE(column(table, "Comments").first(), QStringLiteral("~"));
        QCOMPARE(column(table, "Owner").at(4), QStringLiteral("Admin & Accounts"));
    }

    // A column libmdb cannot read (a calculated column, a Date/Time Extended column) would come back as wrong
    // values or nulls: the table is refused with the column named. The sample is marked so in a copy: the
    // type byte of "Acquired", or the calculated flags of "Cost", in the table's definition.
    void refusesColumnsItCannotRead_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("bits");
        QTest::addColumn<QString>("message");
        QTest::newRow("Date/Time Extended")
            << 7 << 0 << 0x14
            << "The column 'Acquired' of the table 'Asset Items' is a Date/Time Extended column, which this "
               "program cannot read; leave it out of the table or make it a plain column.";
        QTest::newRow("calculated")
            << 8 << 16 << 0xC0
            << "The column 'Cost' of the table 'Asset Items' is a calculated column, which this program cannot "
               "read; leave it out of the table or make it a plain column.";
    }
    void refusesColumnsItCannotRead()
    {
        QFETCH(int, column);
        QFETCH(int, offset);
        QFETCH(int, bits);
        QFETCH(QString, message);
        QFile original(sample("ASampleDatabase.accdb"));
        QVERIFY(original.open(QIODevice::ReadOnly));
        QByteArray bytes = original.readAll();
        // The table's definition is page 42 of 4096 bytes; its descriptors follow the header and the real indexes.
        const qsizetype page = 42 * 4096;
        QCOMPARE(bytes.at(page), char(0x02));
        const qsizetype indexes = qsizetype(quint8(bytes.at(page + 0x33)));
        const qsizetype at = page + 0x3f + indexes * 12 + column * 25 + offset;
        bytes[at] = char(offset == 0 ? bits : (quint8(bytes.at(at)) | bits));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("marked.accdb"));
        QFile copy(path);
        QVERIFY(copy.open(QIODevice::WriteOnly) && copy.write(bytes) == bytes.size());
        copy.close();

        try {
            openDatabase(path)->readTable(QStringLiteral("Asset Items"));
            QFAIL("the table was read");
        } catch (const errors::RuntimeError &error) {
            QCOMPARE(error.number(), sources::SourceErr::OpenFailed);
            QCOMPARE(error.description(), message);
        }
    }

    void failures()
    {
        QTemporaryDir dir;
        const QString missing = dir.filePath(QStringLiteral("missing.mdb"));
        const QString notAccess = dir.filePath(QStringLiteral("notes.mdb"));
        QFile file(notAccess);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("Name,Parent\nCash,Cash-in-hand\n").repeated(200));
        file.close();

        const QList<std::pair<QString, QString>> cases = {
            {missing, QStringLiteral("Could not find file '") + missing + QStringLiteral("'.")},
            {notAccess, QStringLiteral("Unrecognized database format '") + notAccess + QStringLiteral("'.")},
        };
        for (const auto &[path, message] : cases) {
            try {
                openDatabase(path);
                QFAIL("no error raised");
            } catch (const errors::RuntimeError &error) {
                QCOMPARE(error.number(), sources::SourceErr::OpenFailed);
                QCOMPARE(error.description(), message);
            }
        }

        try {
            openDatabase(sample("DateTestDatabase.mdb"))->readTable(QStringLiteral("MSysObjects"));
            QFAIL("a system table was read");
        } catch (const errors::RuntimeError &error) {
            QCOMPARE(error.number(), sources::SourceErr::ObjectNotFound);
        }
    }
};

QTEST_GUILESS_MAIN(TestAccessReader)
#include "testaccessreader.moc"
