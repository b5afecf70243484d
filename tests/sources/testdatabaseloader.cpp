#include "loaderprobe.h"
#include "support/testbed.h"

#include "errors/errorreport.h"
#include "sources/databaseloader.h"
#include "sources/importtypes.h"
#include "sources/sourcegrid.h"
#include "sources/statusline.h"
#include "sources/workgrid.h"
#include "support/headlesswindow.h"
#include "support/odbctestsource.h"
#include "support/reportederrors.h"
#include "support/scriptedprompter.h"
#include "support/testenvironment.h"

#include <QFileInfo>
#include <QTest>

#include <memory>

using namespace sources;
using namespace loadertest;
using testsupport::HeadlessWindow;
using testsupport::ScriptedPrompter;
using testsupport::TestEnvironment;

namespace {

const QStringList voucherFields = strings({"VchType", "VchDate", "VchNo", "RefNo", "SrNo", "Ledger", "Narration"});

QString errorLog(const TestEnvironment &env)
{
    return env.readProgramFile(QString::fromLatin1(errors::errorLogName));
}

} // namespace

class TestDatabaseLoader final : public testsupport::TestBed<HeadlessWindow>
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_odbc = std::make_unique<testsupport::OdbcTestSource>(QStringLiteral("Pelko Loader Source"));
        if (!m_odbc->isValid())
            return;
        const QString failure = m_odbc->execute({
            QStringLiteral("CREATE TABLE Ledgers (Name TEXT, Parent TEXT, OpeningBalance REAL)"),
            QStringLiteral("INSERT INTO Ledgers VALUES ('Cash', 'Cash-in-hand', 1500.5)"),
            QStringLiteral("INSERT INTO Ledgers VALUES ('Bank', 'Bank Accounts', NULL)"),
            QStringLiteral("INSERT INTO Ledgers VALUES (NULL, NULL, NULL)"),
            QStringLiteral("INSERT INTO Ledgers VALUES ('Rent', 'Indirect Expenses', 0)"),
            QStringLiteral("INSERT INTO Ledgers VALUES ('Sales', 'Sales Accounts', -12)"),
            QStringLiteral("CREATE TABLE Godowns (Name TEXT, Capacity BIGINT)"),
            QStringLiteral("INSERT INTO Godowns VALUES ('Main', 9223372036854775807)"),
            QStringLiteral("INSERT INTO Godowns VALUES ('Annex', 12)"),
            QStringLiteral("CREATE TABLE Units (Name TEXT, DecimalPlaces INTEGER)"),
            QStringLiteral("CREATE TABLE \"Stock Items\" (Name TEXT, Parent TEXT)"),
            QStringLiteral("INSERT INTO \"Stock Items\" VALUES ('A4 Paper', 'Paper')"),
            QStringLiteral("CREATE TABLE SaleRegister (VchType TEXT, VchNo TEXT, Ledger TEXT, Sales REAL, VAT REAL)"),
            QStringLiteral("INSERT INTO SaleRegister VALUES ('Sales', 'S-1', 'Cash', 100, 12.5)"),
            QStringLiteral("CREATE TABLE SaleRegisterMap (ColumnName TEXT, LedgerName TEXT, LedgerSign TEXT, "
                           "\"Order\" INTEGER, VATRate REAL)"),
            QStringLiteral("INSERT INTO SaleRegisterMap VALUES ('Sales', 'Sales Account', 'Cr', 1, NULL)"),
            QStringLiteral("INSERT INTO SaleRegisterMap VALUES (NULL, 'Unused', 'Dr', 9, NULL)"),
            QStringLiteral("INSERT INTO SaleRegisterMap VALUES ('vat', 'Output VAT', 'Cr', 2, 12.5)"),
        });
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }
    void cleanupTestCase() { m_odbc.reset(); }

    void init()
    {
        startBed();
        m_window = std::make_unique<HeadlessWindow>();
    }
    void cleanup() { stopBed(); }

    // The tab decides which loader reads the choice, and the loader gets the list's text without blanks.
    void choiceFollowsSourceTab_data()
    {
        QTest::addColumn<QString>("tab");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("table");
        QTest::newRow("Excel") << "Excel" << int(SourceKind::Workbook) << "Ledger Groups$";
        QTest::newRow("Access") << "Access" << int(SourceKind::Access) << "LedgerGroups";
        QTest::newRow("ODBC") << "ODBC" << int(SourceKind::Odbc) << "LedgerGroups";
        QTest::newRow("no tab") << "" << -1 << "";
        QTest::newRow("tab key in another case") << "excel" << -1 << "";
    }
    void choiceFollowsSourceTab()
    {
        QFETCH(QString, tab);
        QFETCH(int, kind);
        QFETCH(QString, table);
        MemorySource source;
        source.addTable(QStringLiteral("Ledger Groups$"), strings({"Name"}), {{"Branch"}});
        source.addTable(QStringLiteral("LedgerGroups"), strings({"Name"}), {{"Branch"}});
        m_window->setSelectedSourceKey(tab);
        m_window->setSourceText(SourceBox::txtFilePath, QStringLiteral("book.xls"));
        m_window->setSourceText(SourceBox::txtMdbPath, QStringLiteral("book.mdb"));
        m_window->setSourceText(SourceBox::txtMDBUser, QStringLiteral("Admin"));
        m_window->setSourceText(SourceBox::txtMDBPass, QStringLiteral("secret"));
        m_window->setSourceText(SourceBox::txtODBCPath, QStringLiteral("Books"));
        m_window->setSourceText(SourceBox::txtODBCUser, QStringLiteral("sa"));
        m_window->setSourceText(SourceBox::txtPass, QStringLiteral("pw"));
        m_window->addImportType(SelectImportTypeText);
        m_window->addImportType(QStringLiteral("LEDGER GROUPS"));
        QVERIFY(m_window->selectImportType(QStringLiteral("ledger groups")));

        if (kind < 0) {
            QCOMPARE(source.connections().size(), 0);
            return;
        }
        QCOMPARE(source.connections().size(), 1);
        const SourceSpec spec = source.connections().first();
        QCOMPARE(int(spec.kind), kind);
        QCOMPARE(source.readTables(), QStringList{table});
        if (spec.kind == SourceKind::Access) {
            QCOMPARE(spec.location, QStringLiteral("book.mdb"));
            QCOMPARE(spec.password, QStringLiteral("secret"));
        } else if (spec.kind == SourceKind::Odbc) {
            QCOMPARE(spec.location, QStringLiteral("Books"));
            QCOMPARE(spec.user, QStringLiteral("sa"));
            QCOMPARE(spec.password, QStringLiteral("pw"));
        }
        QCOMPARE(column(m_window->workGrid(), QStringLiteral("NAME")).first(), QStringLiteral("Branch"));
    }

    // An Access voucher table: found by its name without blanks, ordered and filled down. The database hands
    // the records over in voucher order and they are filled in that order: a record without its voucher cells
    // sorts first and has nothing above it to take them from, while a voucher's second line takes its narration.
    // A blank record is a row of blank cells without an ID; one blank row follows the data.
    void accessVoucherTable()
    {
        MemorySource source;
        const Cell null;
        source.addTable(QStringLiteral("Cost Transactions"), voucherFields,
                        {{"Journal", "01/04/2024", 7, null, 1, "Rent", "April"},
                         {"Journal", "01/04/2024", 7, null, 2, "Cash", null},
                         {null, null, null, null, null, null, null},
                         {"Journal", "01/04/2024", 5, "R", 1, "Bank", "Fees"},
                         {null, null, null, null, 2, "Lost", null}});
        load(AccessSourceKey, QStringLiteral("COST TRANSACTIONS"));
        const WorkGrid &grid = m_window->workGrid();
        QCOMPARE(keys(grid), strings({"VCHTYPE", "VCHDATE", "VCHNO", "REFNO", "SRNO", "LEDGER", "NARRATION", "ID",
                                      "PROCESSSTATUS"}));
        QCOMPARE(column(grid, QStringLiteral("LEDGER")), strings({"", "Lost", "Bank", "Rent", "Cash", ""}));
        QCOMPARE(column(grid, QStringLiteral("NARRATION")), strings({"", "", "Fees", "April", "April", ""}));
        QCOMPARE(column(grid, IdKey),
                 strings({"", "---", "Journal-5-01/04/2024-R", "Journal-7-01/04/2024-", "Journal-7-01/04/2024-", ""}));
        QCOMPARE(rowText(grid, 1), QString(8, QLatin1Char('|')));
        QCOMPARE(trailingBlankRows(grid), 1);
        QCOMPARE(grid.rows(), 6);
        QCOMPARE(readingTexts(*m_window),
                 strings({"Reading Records => 1/5", "Reading Records => 2/5", "Reading Records => 3/5",
                          "Reading Records => 4/5", "Reading Records => 5/5", ""}));
    }

    // Tables before views; a register and its map are found without "$" and with their blanks; the map gives
    // its four required fields only, and a record without a ColumnName maps nothing.
    void accessTablesViewsAndRegister()
    {
        {
            MemorySource source;
            source.addTable(QStringLiteral("Units"), strings({"Name"}), {{"from the view"}}, TableType::View);
            source.addTable(QStringLiteral("UNITS"), strings({"Name"}), {{"from the table"}});
            source.addTable(QStringLiteral("Voucher Register"), strings({"VchType", "Ledger"}), {{"Sales", "Cash"}});
            source.addTable(QStringLiteral("Voucher RegisterMap"), strings({"ColumnName", "LedgerName"}));

            load(AccessSourceKey, QStringLiteral("UNITS"));
            QCOMPARE(column(m_window->workGrid(), QStringLiteral("NAME")).first(), QStringLiteral("from the table"));

            load(AccessSourceKey, QStringLiteral("VOUCHER REGISTER"));
            QCOMPARE(m_window->workGrid().columns(), 0);
            QCOMPARE(m_window->workGrid().rows(), 1);
            QCOMPARE(m_prompter->boxes().size(), 0);
        }

        MemorySource source;
        source.addTable(QStringLiteral("VoucherRegister"), strings({"VchType", "VchNo", "Ledger", "Sales", "VAT"}),
                        {{"Sales", "S-1", "Cash", 100, 12.5}, {}});
        source.addTable(QStringLiteral("VoucherRegisterMap"),
                        strings({"ColumnName", "LedgerName", "LedgerSign", "Order", "VATClassification", "VATRate"}),
                        {{"Sales", "Sales Account", "Cr", 1, "Sales @ 12.5%", 12.5},
                         {Cell(), "Unused", "Dr", 9},
                         {"", "Unused", "Dr", 9},
                         {"VAT", "Output VAT", Cell(), 2, "VAT", 12.5}});
        load(AccessSourceKey, QStringLiteral("VOUCHERREGISTER"));
        const WorkGrid &grid = m_window->workGrid();
        QCOMPARE(tags(grid), strings({"", "", "", "SALES|Sales Account|Cr|1|", "VAT|Output VAT||2|", "", ""}));
        QCOMPARE(column(grid, IdKey), strings({"Sales-S-1", "", ""}));
        QCOMPARE(trailingBlankRows(grid), 2); // the blank record and the one blank row after the data
        QCOMPARE(grid.rows(), 3);
        QCOMPARE(m_prompter->boxes().size(), 0);
    }

    // A database that cannot be opened fails under the loader's own location code, and the work grid does not
    // keep the previous load's rows.
    void failedOpenEmptiesGrid_data()
    {
        QTest::addColumn<QString>("tab");
        QTest::addColumn<QString>("location");
        QTest::newRow("Access") << "Access"
                                << "F01-0004";
        QTest::newRow("ODBC") << "ODBC"
                              << "F01-0006";
    }
    void failedOpenEmptiesGrid()
    {
        QFETCH(QString, tab);
        QFETCH(QString, location);
        {
            MemorySource source;
            source.addTable(QStringLiteral("Ledgers"), strings({"Name"}), {{"Cash"}});
            load(tab, QStringLiteral("LEDGERS"));
            QCOMPARE(m_window->workGrid().rows(), 2);
        }
        // The real readers now: no such database, no such data source.
        m_window->setSourceText(SourceBox::txtMdbPath, QStringLiteral("/no/such/folder/Books.mdb"));
        m_window->setSourceText(SourceBox::txtODBCPath, QStringLiteral("No Such Source"));
        load(tab, QStringLiteral("LEDGERS"));
        QCOMPARE(testsupport::reportedLocations(*m_prompter), QStringList{location});
        QCOMPARE(testsupport::loggedLocations(errorLog(*m_env)), QStringList{location});
        QCOMPARE(m_window->workGrid().columns(), 0);
        QCOMPARE(m_window->workGrid().rows(), 0);
    }

    // The not-found message speaks of an Excel file for every source; the placeholder empties the grid.
    void unknownTypeMessage()
    {
        MemorySource source;
        load(OdbcSourceKey, QStringLiteral("PURCHASE REGISTER"));
        QCOMPARE(m_prompter->boxes().size(), 1);
        QCOMPARE(m_prompter->boxes().first().prompt,
                 QStringLiteral("Sheet named as  <PURCHASEREGISTER>  not found in the specified Excel file."));
        QCOMPARE(source.connections().size(), 0);
        QCOMPARE(m_window->workGrid().rows(), 1);
    }

    // Over the SQLite ODBC driver: the status texts count the records, a blank record is a row, numbers align
    // right, one blank row follows; a name with a blank is read; an empty result is a load without records.
    void odbcTables()
    {
        if (!m_odbc->isValid())
            QSKIP("The SQLite ODBC driver is not installed.");
        m_window->setSourceText(SourceBox::txtODBCPath, m_odbc->dataSourceName());
        load(OdbcSourceKey, QStringLiteral("LEDGERS"));
        const WorkGrid &grid = m_window->workGrid();
        QCOMPARE(keys(grid), strings({"NAME", "PARENT", "OPENINGBALANCE", "PROCESSSTATUS"}));
        QCOMPARE(column(grid, QStringLiteral("OPENINGBALANCE")), strings({"1500.5", "", "", "0", "-12", ""}));
        QCOMPARE(grid.alignment(1, 3), int(CellAlign::Right));
        QCOMPARE(readingTexts(*m_window).mid(0, 5),
                 strings({"Reading Records => 1/5", "Reading Records => 2/5", "Reading Records => 3/5",
                          "Reading Records => 4/5", "Reading Records => 5/5"}));
        QCOMPARE(trailingBlankRows(grid), 1);
        QCOMPARE(grid.rows(), 6);

        load(OdbcSourceKey, QStringLiteral("STOCK ITEMS"));
        QCOMPARE(rowText(m_window->workGrid(), 1), QStringLiteral("A4 Paper|Paper|"));

        // A number a double cannot hold keeps its digits and its column stays one of numbers.
        load(OdbcSourceKey, QStringLiteral("GODOWNS"));
        QCOMPARE(column(grid, QStringLiteral("CAPACITY")), strings({"9223372036854775807", "12", ""}));
        QCOMPARE(grid.alignment(1, 2), int(CellAlign::Right));

        load(OdbcSourceKey, QStringLiteral("UNITS"));
        QCOMPARE(keys(grid), strings({"NAME", "DECIMALPLACES", "PROCESSSTATUS"}));
        QCOMPARE(grid.rows(), 1);
        QCOMPARE(m_window->sourceGrid().Rows(), 2);
        QCOMPARE(m_prompter->boxes().size(), 0);
    }

    void odbcRegister()
    {
        if (!m_odbc->isValid())
            QSKIP("The SQLite ODBC driver is not installed.");
        m_window->setSourceText(SourceBox::txtODBCPath, m_odbc->dataSourceName());
        load(OdbcSourceKey, QStringLiteral("SALEREGISTER"));
        const WorkGrid &grid = m_window->workGrid();
        QCOMPARE(tags(grid), strings({"", "", "", "SALES|Sales Account|Cr|1|", "VAT|Output VAT|Cr|2|", "", ""}));
        QCOMPARE(rowText(grid, 1), QStringLiteral("Sales|S-1|Cash|100|12.5|Sales-S-1|"));
        QCOMPARE(grid.rows(), 2);
        QCOMPARE(m_prompter->boxes().size(), 0);
    }

private:
    void load(const QString &tab, const QString &entry)
    {
        m_window->setSelectedSourceKey(tab);
        m_window->clearImportTypes();
        m_window->addImportType(SelectImportTypeText);
        m_window->addImportType(entry);
        QVERIFY(m_window->selectImportType(entry));
    }

    std::unique_ptr<testsupport::OdbcTestSource> m_odbc;
};

QTEST_GUILESS_MAIN(TestDatabaseLoader)
#include "testdatabaseloader.moc"
