#include "errors/errortrap.h"
#include "sources/readers/odbcreader.h"
#include "sources/readers/sourceerror.h"
#include "sources/readers/sourcereader.h"
#include "support/odbctestsource.h"

#include <QFileInfo>
#include <QTest>

#include <memory>

using sources::Table;
using sources::TableEntry;
using sources::TableType;
using sources::Value;

namespace {

QStringList rows(const Table &table)
{
    QStringList result;
    for (qsizetype row = 0; row < table.rowCount(); ++row) {
        QStringList cells;
        for (const Value &value : table.row(row))
            cells.append(value.isNull() ? QStringLiteral("~") : sources::gridText(value));
        result.append(cells.join(QLatin1Char('|')));
    }
    return result;
}

QString openFailure(const QString &dataSourceName, const QString &user = {}, const QString &password = {})
{
    try {
        sources::openSource({sources::SourceKind::Odbc, dataSourceName, user, password});
    } catch (const errors::RuntimeError &error) {
        if (error.number() != sources::SourceErr::OpenFailed)
            return QStringLiteral("wrong number %1").arg(error.number());
        return error.description();
    }
    return QStringLiteral("opened");
}

} // namespace

class TestOdbcReader final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_source = std::make_unique<testsupport::OdbcTestSource>(QStringLiteral("Pelko Test Source"));
        if (!m_source->isValid())
            QSKIP("The SQLite ODBC driver is not installed.");
        const QString failure = m_source->execute({
            QStringLiteral("CREATE TABLE \"Stock Items\" (Name TEXT, Parent TEXT, OpeningBalance REAL, "
                           "OpeningDate DATE, Batchwise BIT, Qty INTEGER)"),
            QStringLiteral("INSERT INTO \"Stock Items\" VALUES ('A4 Paper Ream', 'Paper Products', 1500.5, "
                           "'2024-04-01', 1, 100)"),
            QStringLiteral("INSERT INTO \"Stock Items\" VALUES (NULL, NULL, NULL, NULL, NULL, NULL)"),
            QStringLiteral("INSERT INTO \"Stock Items\" VALUES ('Gel Pen \"Blue\", fine', 'Stationery', -0.25, "
                           "'2024-02-29', 0, 12)"),
            QStringLiteral("CREATE TABLE Ledgers (Name TEXT, Parent TEXT)"),
            QStringLiteral("CREATE TABLE \"Odd \"\"Quote\"\".Name\" (Note TEXT)"),
            QStringLiteral("INSERT INTO \"Odd \"\"Quote\"\".Name\" VALUES ('found')"),
            QStringLiteral("CREATE VIEW \"Item Names\" AS SELECT Name, Parent FROM \"Stock Items\" "
                           "WHERE Name IS NOT NULL"),
        });
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }

    void cleanupTestCase() { m_source.reset(); }

    void listsTablesThenViews()
    {
        const auto reader = sources::openSource({sources::SourceKind::Odbc, m_source->dataSourceName(), {}, {}});
        QList<TableEntry> entries = reader->tables();
        QCOMPARE(entries.size(), 4);
        QCOMPARE(entries.last(), (TableEntry{QStringLiteral("Item Names"), TableType::View}));
        entries.removeLast();
        std::sort(entries.begin(), entries.end(), [](const auto &a, const auto &b) { return a.name < b.name; });
        QCOMPARE(entries, QList<TableEntry>({{QStringLiteral("Ledgers"), TableType::Table},
                                             {QStringLiteral("Odd \"Quote\".Name"), TableType::Table},
                                             {QStringLiteral("Stock Items"), TableType::Table}}));
    }

    void readsTypedValuesAndNullRecord()
    {
        const auto reader = sources::openSource({sources::SourceKind::Odbc, m_source->dataSourceName(), {}, {}});
        const Table table = reader->readTable(QStringLiteral("Stock Items"));
        QCOMPARE(table.fieldNames(),
                 QStringList({QStringLiteral("Name"), QStringLiteral("Parent"), QStringLiteral("OpeningBalance"),
                              QStringLiteral("OpeningDate"), QStringLiteral("Batchwise"), QStringLiteral("Qty")}));
        QCOMPARE(rows(table), QStringList({QStringLiteral("A4 Paper Ream|Paper Products|1500.5|20240401|Yes|100"),
                                           QStringLiteral("~|~|~|~|~|~"),
                                           QStringLiteral("Gel Pen \"Blue\", fine|Stationery|-0.25|20240229|No|12")}));
        QCOMPARE(table.at(0, 2).type(), Value::Type::Number);
        QCOMPARE(table.at(0, 3).type(), Value::Type::Date);
        QCOMPARE(table.at(0, 4).type(), Value::Type::YesNo);
        QCOMPARE(table.at(0, 5).type(), Value::Type::Number);
    }

    void readsViewsEmptyTablesAndQuotedNames()
    {
        const auto reader = sources::openSource({sources::SourceKind::Odbc, m_source->dataSourceName(), {}, {}});
        const Table view = reader->readTable(QStringLiteral("Item Names"));
        QCOMPARE(rows(view), QStringList({QStringLiteral("A4 Paper Ream|Paper Products"),
                                          QStringLiteral("Gel Pen \"Blue\", fine|Stationery")}));

        const Table empty = reader->readTable(QStringLiteral("Ledgers"));
        QCOMPARE(empty.fieldNames(), QStringList({QStringLiteral("Name"), QStringLiteral("Parent")}));
        QCOMPARE(empty.rowCount(), 0);

        // A quote and a full stop inside a name stay part of the one quoted identifier.
        QCOMPARE(rows(reader->readTable(QStringLiteral("Odd \"Quote\".Name"))), QStringList{QStringLiteral("found")});

        try {
            reader->readTable(QStringLiteral("Vouchers\"; DROP TABLE Ledgers; --"));
            QFAIL("an unknown table was read");
        } catch (const errors::RuntimeError &error) {
            QCOMPARE(error.number(), sources::SourceErr::OpenFailed);
            QVERIFY2(error.description().contains(QStringLiteral("no such table")), qPrintable(error.description()));
        }
        QCOMPARE(reader->readTable(QStringLiteral("Ledgers")).fieldCount(), 2);
    }

    void openFailures_data()
    {
        QTest::addColumn<QString>("dataSourceName");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("message");

        QTest::newRow("unknown data source") << QStringLiteral("No Such Source") << QString() << QString()
                                             << QStringLiteral("Data source name not found");
        QTest::newRow("empty name") << QString() << QString() << QString()
                                    << QStringLiteral("Data source name not valid: ''.");
        // Pasted as it stands, each of these would bring its own driver and database along, or point the
        // connection at another database: the SQLite driver reads a Database attribute wherever it finds one.
        QTest::newRow("name with attributes")
            << QStringLiteral("NoSuch;DRIVER=PelkoSQLite;Database=/tmp/pelko-elsewhere.sqlite") << QString()
            << QString() << QStringLiteral("Data source name not valid: 'NoSuch;DRIVER=");
        QTest::newRow("braced name") << QStringLiteral("{Pelko Test Source}") << QString() << QString()
                                     << QStringLiteral("Data source name not valid");
        QTest::newRow("user with attribute")
            << QStringLiteral("Pelko Test Source") << QStringLiteral("sa;Database=/tmp/pelko-elsewhere.sqlite")
            << QString() << QStringLiteral("cannot be passed to an ODBC data source");
        QTest::newRow("password with braces") << QStringLiteral("Pelko Test Source") << QStringLiteral("sa")
                                              << QStringLiteral("x};Database=/tmp/pelko-elsewhere.sqlite;{")
                                              << QStringLiteral("cannot be passed to an ODBC data source");
    }
    void openFailures()
    {
        QFETCH(QString, dataSourceName);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, message);
        const QString failure = openFailure(dataSourceName, user, password);
        QVERIFY2(failure.contains(message), qPrintable(failure));
        QVERIFY(!QFileInfo::exists(QStringLiteral("/tmp/pelko-elsewhere.sqlite")));
    }

    void loginPassedAsTyped()
    {
        // Characters that end no attribute reach the driver; the SQLite driver ignores the login itself.
        const auto reader = sources::openSource({sources::SourceKind::Odbc, m_source->dataSourceName(),
                                                 QStringLiteral("Admin User"), QStringLiteral("p=w@rd! ")});
        QCOMPARE(reader->tables().size(), 4);
    }

private:
    std::unique_ptr<testsupport::OdbcTestSource> m_source;
};

QTEST_GUILESS_MAIN(TestOdbcReader)
#include "testodbcreader.moc"
