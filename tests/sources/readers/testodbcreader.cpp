#include "errors/errortrap.h"
#include "sources/readers/odbcreader.h"
#include "sources/readers/sourceerror.h"
#include "sources/readers/sourcereader.h"
#include "support/odbctestsource.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTest>

#include <memory>

using sources::Table;
using sources::TableEntry;
using sources::TableType;
using sources::Value;

Q_DECLARE_METATYPE(Value::Type)

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

const QString postgresSource = QStringLiteral("Pelko Postgres");
const QString silentSource = QStringLiteral("Pelko Silent");
const QString postgresUser = QStringLiteral("pelko");
// Every character that a connection string or a URL would read as syntax.
const QString postgresPassword = QStringLiteral("a+b%20c; {d} e%");

QString openFailure(const QString &dataSourceName, const QString &user = {}, const QString &password = {},
                    const sources::OdbcTimeOuts &timeOuts = {})
{
    try {
        sources::OdbcReader reader(dataSourceName, user, password, timeOuts);
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

        // The PostgreSQL data sources join the set-up before the first ODBC call reads it.
        const QString driver = testsupport::postgresOdbcDriver();
        if (driver.isEmpty()) {
            m_postgresProblem = QStringLiteral("The PostgreSQL ODBC driver is not installed.");
            return;
        }
        m_listener = std::make_unique<testsupport::SilentListener>();
        QVERIFY(m_listener->port() != 0);
        QVERIFY(m_source->addDataSource(silentSource, driver,
                                        {QStringLiteral("Servername=127.0.0.1"),
                                         QStringLiteral("Port=%1").arg(m_listener->port()),
                                         QStringLiteral("Database=postgres"), QStringLiteral("SSLmode=disable")}));
        m_postgres = std::make_unique<testsupport::PostgresCluster>(postgresUser, postgresPassword);
        m_postgresProblem = m_postgres->problem();
        if (!m_postgresProblem.isEmpty())
            return;
        QVERIFY(m_source->addDataSource(postgresSource, driver,
                                        {QStringLiteral("Servername=127.0.0.1"),
                                         QStringLiteral("Port=%1").arg(m_postgres->port()),
                                         QStringLiteral("Database=postgres"), QStringLiteral("SSLmode=disable")}));
        const QString created = m_postgres->execute({
            QStringLiteral("CREATE TABLE \"Ledgers\" (\"Name\" TEXT, \"Balance\" REAL, \"Exact\" DECIMAL(18,3), "
                           "\"Count\" BIGINT, \"Precise\" DOUBLE PRECISION)"),
            QStringLiteral("INSERT INTO \"Ledgers\" VALUES ('real in millions', 1500000, 1500000.000, 0, 1500000), "
                           "('real with a fraction', 123456.7, 12345678901234.567, 9223372036854775807, 0.1), "
                           "('largest decimal', -0.25, 99999999999999.999, -9223372036854775808, 1e21), "
                           "('small decimal', 1.1, -0.500, 9007199254740993, -2.5e-7), "
                           "('nulls', NULL, NULL, NULL, NULL)"),
            QStringLiteral("CREATE VIEW \"Slow\" AS SELECT 1 AS \"One\" FROM pg_sleep(30)"),
            QStringLiteral("CREATE SCHEMA elsewhere"),
            QStringLiteral("CREATE TABLE elsewhere.\"Godowns\" (\"Name\" TEXT)"),
            QStringLiteral("CREATE TABLE elsewhere.\"Ledgers\" (\"Name\" TEXT)"),
        });
        QVERIFY2(created.isEmpty(), qPrintable(created));
    }

    void cleanupTestCase()
    {
        m_postgres.reset();
        m_listener.reset();
        m_source.reset();
    }

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

    void loginPassedAsTyped_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::newRow("blanks and signs") << QStringLiteral("Admin User") << QStringLiteral("p=w@rd! ");
        // Nothing of a login is read as an attribute: the data source's own database opens, and no other.
        QTest::newRow("user with attribute") << QStringLiteral("sa;Database=/tmp/pelko-elsewhere.sqlite") << QString();
        QTest::newRow("password with braces")
            << QStringLiteral("sa") << QStringLiteral("x};Database=/tmp/pelko-elsewhere.sqlite;{");
    }
    void loginPassedAsTyped()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        // The SQLite driver ignores the login itself.
        const auto reader =
            sources::openSource({sources::SourceKind::Odbc, m_source->dataSourceName(), user, password});
        QCOMPARE(reader->tables().size(), 4);
        QVERIFY(!QFileInfo::exists(QStringLiteral("/tmp/pelko-elsewhere.sqlite")));
    }

    void columnTypes_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("literal");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<Value::Type>("valueType");

        struct Case
        {
            const char *name;
            const char *type;
            const char *literal;
            const char *shown;
            Value::Type valueType;
        };
        const Case cases[] = {
            {"real in millions", "REAL", "1500000", "1500000", Value::Type::Number},
            {"real fraction", "REAL", "-1500.25", "-1500.25", Value::Type::Number},
            {"double tenth", "DOUBLE", "0.1", "0.1", Value::Type::Number},
            {"double without exponent", "DOUBLE", "1e21", "1000000000000000000000", Value::Type::Number},
            {"double small", "DOUBLE", "-2.5e-7", "-0.00000025", Value::Type::Number},
            {"bigint largest", "BIGINT", "9223372036854775807", "9223372036854775807", Value::Type::Number},
            {"bigint smallest", "BIGINT", "-9223372036854775808", "-9223372036854775808", Value::Type::Number},
            {"bigint past 2^53", "BIGINT", "9007199254740993", "9007199254740993", Value::Type::Number},
            {"integer", "INTEGER", "-42", "-42", Value::Type::Number},
            {"date", "DATE", "'1900-01-01'", "19000101", Value::Type::Date},
            {"timestamp", "TIMESTAMP", "'2024-03-31 23:59:59'", "20240331", Value::Type::Date},
        };
        for (const Case &c : cases)
            QTest::newRow(c.name) << QString::fromLatin1(c.type) << QString::fromLatin1(c.literal)
                                  << QString::fromLatin1(c.shown) << c.valueType;
        for (const char *type : {"REAL", "DOUBLE", "BIGINT", "INTEGER", "DATE", "TIMESTAMP", "BIT", "TEXT"})
            QTest::addRow("null %s", type)
                << QString::fromLatin1(type) << QStringLiteral("NULL") << QString() << Value::Type::Null;
    }
    void columnTypes()
    {
        QFETCH(QString, type);
        QFETCH(QString, literal);
        QFETCH(QString, shown);
        QFETCH(Value::Type, valueType);
        const QString failure = m_source->execute({QStringLiteral("DROP TABLE IF EXISTS Kinds"),
                                                   QStringLiteral("CREATE TABLE Kinds (V %1)").arg(type),
                                                   QStringLiteral("INSERT INTO Kinds VALUES (%1)").arg(literal)});
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        const auto reader = sources::openSource({sources::SourceKind::Odbc, m_source->dataSourceName(), {}, {}});
        const Table table = reader->readTable(QStringLiteral("Kinds"));
        QCOMPARE(table.rowCount(), 1);
        QCOMPARE(sources::gridText(table.at(0, 0)), shown);
        QCOMPARE(table.at(0, 0).type(), valueType);
    }

    void postgresNumbersExact()
    {
        if (!m_postgresProblem.isEmpty())
            QSKIP(qPrintable(m_postgresProblem));
        const auto reader =
            sources::openSource({sources::SourceKind::Odbc, postgresSource, postgresUser, postgresPassword});
        const Table table = reader->readTable(QStringLiteral("Ledgers"));
        QCOMPARE(
            rows(table),
            QStringList({QStringLiteral("real in millions|1500000|1500000|0|1500000"),
                         QStringLiteral("real with a fraction|123456.7|12345678901234.567|9223372036854775807|0.1"),
                         QStringLiteral("largest decimal|-0.25|99999999999999.999|-9223372036854775808|"
                                        "1000000000000000000000"),
                         QStringLiteral("small decimal|1.1|-0.5|9007199254740993|-0.00000025"),
                         QStringLiteral("nulls|~|~|~|~")}));
        // Each column holds numbers alone, the exact ones a double cannot hold among them, so it shows as one.
        for (qsizetype row = 0; row < 4; ++row) {
            for (qsizetype field = 1; field < table.fieldCount(); ++field)
                QCOMPARE(table.at(row, field).type(), Value::Type::Number);
        }
        QCOMPARE(table.at(1, 2).exactDigits(), QStringLiteral("12345678901234.567"));
        QCOMPARE(table.at(0, 2).exactDigits(), QString());
    }

    void postgresLogin_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("message");
        QTest::newRow("password with + and %") << postgresUser << postgresPassword << QString();
        QTest::newRow("wrong password") << postgresUser << QStringLiteral("a b%20c; {d} e%")
                                        << QStringLiteral("password authentication failed");
        QTest::newRow("password as a URL decodes")
            << postgresUser << QStringLiteral("a b c; {d} e%") << QStringLiteral("password authentication failed");
        QTest::newRow("user with attribute") << postgresUser + QStringLiteral(";Database=template1") << postgresPassword
                                             << QStringLiteral("password authentication failed");
        QTest::newRow("password with braces") << postgresUser << QStringLiteral("x};Database=template1;{")
                                              << QStringLiteral("password authentication failed");
    }
    void postgresLogin()
    {
        if (!m_postgresProblem.isEmpty())
            QSKIP(qPrintable(m_postgresProblem));
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, message);
        const QString failure = openFailure(postgresSource, user, password);
        if (message.isEmpty())
            QCOMPARE(failure, QStringLiteral("opened"));
        else
            QVERIFY2(failure.contains(message), qPrintable(failure));
    }

    void postgresListsWhatLoads()
    {
        if (!m_postgresProblem.isEmpty())
            QSKIP(qPrintable(m_postgresProblem));
        // A table of another schema that the bare name cannot read is not offered, and a name that two schemas
        // hold is offered once.
        const auto reader =
            sources::openSource({sources::SourceKind::Odbc, postgresSource, postgresUser, postgresPassword});
        QCOMPARE(reader->tables(), QList<TableEntry>({{QStringLiteral("Ledgers"), TableType::Table},
                                                      {QStringLiteral("Slow"), TableType::View}}));
    }

    void statementTimesOut()
    {
        if (!m_postgresProblem.isEmpty())
            QSKIP(qPrintable(m_postgresProblem));
        sources::OdbcTimeOuts timeOuts;
        timeOuts.query = std::chrono::seconds(1);
        sources::OdbcReader reader(postgresSource, postgresUser, postgresPassword, timeOuts);
        QElapsedTimer timer;
        timer.start();
        try {
            reader.readTable(QStringLiteral("Slow"));
            QFAIL("a statement ran past its time-out");
        } catch (const errors::RuntimeError &error) {
            QCOMPARE(error.number(), sources::SourceErr::OpenFailed);
            QVERIFY2(error.description().contains(QStringLiteral("timeout")), qPrintable(error.description()));
        }
        QVERIFY2(timer.elapsed() < 10'000, qPrintable(QString::number(timer.elapsed())));
    }

    void silentServerTimesOut_data()
    {
        QTest::addColumn<int>("loginSeconds");
        QTest::addColumn<int>("boundMilliseconds");
        QTest::addColumn<QString>("message");
        // The PostgreSQL driver keeps to the login time-out and says so itself; a driver that did not would
        // be left behind at the bound.
        QTest::newRow("driver's own time-out") << 1 << 10'000 << QStringLiteral("timeout");
        QTest::newRow("bound of the wait")
            << 30 << 2'000 << QStringLiteral("did not answer the login within 2 seconds");
    }
    void silentServerTimesOut()
    {
        if (!m_listener)
            QSKIP(qPrintable(m_postgresProblem));
        QFETCH(int, loginSeconds);
        QFETCH(int, boundMilliseconds);
        QFETCH(QString, message);
        sources::OdbcTimeOuts timeOuts;
        timeOuts.login = std::chrono::seconds(loginSeconds);
        timeOuts.connectBound = std::chrono::milliseconds(boundMilliseconds);
        QElapsedTimer timer;
        timer.start();
        const QString failure = openFailure(silentSource, postgresUser, postgresPassword, timeOuts);
        QVERIFY2(failure.contains(message, Qt::CaseInsensitive), qPrintable(failure));
        QVERIFY2(timer.elapsed() < std::min(loginSeconds * 1000, boundMilliseconds) + 5'000,
                 qPrintable(QString::number(timer.elapsed())));
    }

private:
    std::unique_ptr<testsupport::OdbcTestSource> m_source;
    std::unique_ptr<testsupport::SilentListener> m_listener;
    std::unique_ptr<testsupport::PostgresCluster> m_postgres;
    QString m_postgresProblem;
};

QTEST_GUILESS_MAIN(TestOdbcReader)
#include "testodbcreader.moc"
