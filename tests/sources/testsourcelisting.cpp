#include "loaderprobe.h"
#include "support/testbed.h"

#include "errors/errorreport.h"
#include "sources/importtypes.h"
#include "sources/sourcelisting.h"
#include "sources/workgrid.h"
#include "support/headlesswindow.h"
#include "support/odbctestsource.h"
#include "support/reportederrors.h"
#include "support/scriptedprompter.h"
#include "support/testenvironment.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace sources;
using namespace loadertest;
using testsupport::HeadlessWindow;
using testsupport::ScriptedPrompter;
using testsupport::TestEnvironment;

namespace {

const QString placeholder = SelectImportTypeText;

QStringList withPlaceholder(std::initializer_list<const char *> entries)
{
    return QStringList{placeholder} + strings(entries);
}

const QStringList mastersEntries =
    withPlaceholder({"LEDGER GROUPS", "LEDGERS", "UNITS", "GODOWNS", "STOCK GROUPS", "STOCK CATEGORIES", "STOCK ITEMS",
                     "COST CATEGORIES", "COST CENTRES"});

} // namespace

class TestSourceListing final : public testsupport::TestBed<HeadlessWindow>
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The driver manager reads its configuration once, so the data source is set up before any ODBC call.
        m_odbc = std::make_unique<testsupport::OdbcTestSource>(QStringLiteral("Pelko Listing Source"));
        if (m_odbc->isValid()) {
            const QString failure =
                m_odbc->execute({QStringLiteral("CREATE TABLE Ledgers (Name TEXT, Parent TEXT)"),
                                 QStringLiteral("INSERT INTO Ledgers VALUES ('Cash', 'Cash-in-hand')"),
                                 QStringLiteral("CREATE TABLE \"Stock Items\" (Name TEXT)"),
                                 QStringLiteral("CREATE TABLE Misc (X TEXT)"),
                                 QStringLiteral("CREATE VIEW Units AS SELECT Name FROM \"Stock Items\"")});
            QVERIFY2(failure.isEmpty(), qPrintable(failure));
        }
    }
    void cleanupTestCase() { m_odbc.reset(); }

    void init()
    {
        startBed();
        m_window = std::make_unique<HeadlessWindow>();
        m_window->setSelectedSourceKey(ExcelSourceKey);
        resetImportTypeList(*m_window);
    }
    void cleanup() { stopBed(); }

    // Browsing to a workbook lists its sheets that are import types, in workbook order, with the placeholder
    // selected; the dialog asks for a workbook and starts with a blank file name.
    void browsesToWorkbook()
    {
        m_prompter->chooseFile(fixture(QStringLiteral("masters.xls")));
        cmdFilePath_Click(*m_window);
        QCOMPARE(m_window->importTypeEntries(), mastersEntries);
        QCOMPARE(m_window->importTypeText(), placeholder);
        QCOMPARE(m_window->sourceText(SourceBox::txtFilePath), fixture(QStringLiteral("masters.xls")));

        QCOMPARE(m_prompter->fileDialogs().size(), 1);
        const platform::FileOpenRequest request = m_prompter->fileDialogs().first();
        QCOMPARE(request.defaultExt, QStringLiteral(".xls"));
        QCOMPARE(request.fileName, QStringLiteral(" "));
        QCOMPARE(request.filter, QStringLiteral("Microsoft Excel (*.xls)|*.xls| All Files (*.*)|*.*"));
        QCOMPARE(request.flags, 3);
    }

    // A second workbook chooses the previous import type again when it has it, and loads it from there;
    // otherwise the placeholder stays selected and the grid keeps what it shows.
    void secondWorkbookChoosesPreviousTypeAgain()
    {
        m_window->setSourceText(SourceBox::txtFilePath, fixture(QStringLiteral("masters.xls")));
        txtFilePath_Validate(*m_window);
        QVERIFY(m_window->selectImportType(QStringLiteral("units")));
        QCOMPARE(m_window->importTypeText(), QStringLiteral("UNITS"));
        QCOMPARE(column(m_window->workGrid(), QStringLiteral("NAME")).first(), QStringLiteral("Nos"));

        // values.xls has a Units sheet with its header only.
        m_prompter->chooseFile(fixture(QStringLiteral("values.xls")));
        cmdFilePath_Click(*m_window);
        QCOMPARE(m_window->importTypeEntries(), withPlaceholder({"UNITS"}));
        QCOMPARE(m_window->importTypeText(), QStringLiteral("UNITS"));
        QCOMPARE(m_window->workGrid().rows(), 2);

        m_prompter->chooseFile(fixture(QStringLiteral("transactions.xls")));
        cmdFilePath_Click(*m_window);
        QCOMPARE(m_window->importTypeEntries(), withPlaceholder({"TRANSACTIONS"}));
        QCOMPARE(m_window->importTypeText(), placeholder);
        QCOMPARE(keys(m_window->workGrid()).first(), QStringLiteral("NAME"));
    }

    // Text files add their keyword to the list one by one, and each entry loads the file it came from, not
    // whatever the path box holds when it is chosen. A name that is no import type adds nothing.
    void textFilesKeepTheirOwnFile()
    {
        m_window->setSourceText(SourceBox::txtFilePath, fixture(QStringLiteral("text/Ledgers.csv")));
        txtFilePath_Validate(*m_window);
        QVERIFY(m_window->selectImportType(QStringLiteral("LEDGERS")));
        QCOMPARE(column(m_window->workGrid(), QStringLiteral("NAME")).first(), QStringLiteral("Sharma Traders"));

        m_window->setSourceText(SourceBox::txtFilePath, fixture(QStringLiteral("text/Units.csv")));
        txtFilePath_Validate(*m_window);
        m_window->setSourceText(SourceBox::txtFilePath, fixture(QStringLiteral("text/readme.txt")));
        txtFilePath_Validate(*m_window);
        QCOMPARE(m_window->importTypeEntries(), withPlaceholder({"LEDGERS", "UNITS"}));
        // The previous choice was chosen again after each listing, and loaded from Ledgers.csv each time.
        QCOMPARE(m_window->importTypeText(), QStringLiteral("LEDGERS"));
        QCOMPARE(column(m_window->workGrid(), QStringLiteral("NAME")).first(), QStringLiteral("Sharma Traders"));
        QCOMPARE(m_prompter->boxes().size(), 0);

        QVERIFY(m_window->selectImportType(QStringLiteral("UNITS")));
        QCOMPARE(column(m_window->workGrid(), QStringLiteral("ORIGINALNAME")).first(), QString::fromUtf8("Mètre"));
        QVERIFY(m_window->selectImportType(QStringLiteral("LEDGERS")));
        QCOMPARE(keys(m_window->workGrid()).first(), QStringLiteral("NAME"));
        QCOMPARE(column(m_window->workGrid(), QStringLiteral("PARENT")).first(), QStringLiteral("Sundry Debtors"));

        // The same file twice lists its keyword twice.
        m_window->setSourceText(SourceBox::txtFilePath, fixture(QStringLiteral("text/Units.csv")));
        txtFilePath_Validate(*m_window);
        QCOMPARE(m_window->importTypeEntries(), withPlaceholder({"LEDGERS", "UNITS", "UNITS"}));
    }

    // A text file's keyword joins a workbook's entries; choosing a workbook entry again reads its sheet from the
    // workbook it was listed from, never the text file now in the path box under the workbook entry's type.
    void workbookEntriesKeepTheirWorkbook()
    {
        m_window->setSourceText(SourceBox::txtFilePath, fixture(QStringLiteral("masters.xls")));
        txtFilePath_Validate(*m_window);
        QVERIFY(m_window->selectImportType(QStringLiteral("LEDGERS")));
        QVERIFY(keys(m_window->workGrid()).contains(QStringLiteral("ADDRESS1")));

        m_window->setSourceText(SourceBox::txtFilePath, fixture(QStringLiteral("text/Units.csv")));
        txtFilePath_Validate(*m_window);
        QCOMPARE(m_window->importTypeEntries(), mastersEntries + strings({"UNITS"}));
        QCOMPARE(m_window->importTypeText(), QStringLiteral("LEDGERS"));
        QVERIFY(keys(m_window->workGrid()).contains(QStringLiteral("ADDRESS1")));
        QVERIFY(!keys(m_window->workGrid()).contains(QStringLiteral("ORIGINALNAME")));
        QCOMPARE(m_prompter->boxes().size(), 0);
    }

    // Paths the workbook listing passes over: another ending lists nothing and chooses the previous choice
    // again; a missing file changes nothing.
    void pathsThatListNothing_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<bool>("create");
        QTest::newRow("xlsx") << "Book.xlsx" << true;
        QTest::newRow("xls followed by a blank") << "Book.xls " << true;
        QTest::newRow("missing csv") << "Ledgers.csv" << false;
    }
    void pathsThatListNothing()
    {
        QFETCH(QString, fileName);
        QFETCH(bool, create);
        QTemporaryDir dir;
        const QString path = dir.filePath(fileName);
        if (create) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        m_window->addImportType(QStringLiteral("UNITS"));
        const int choices = m_window->importTypeChoiceCount();
        m_window->setSourceText(SourceBox::txtFilePath, path);
        txtFilePath_Validate(*m_window);
        QCOMPARE(m_window->importTypeEntries(), withPlaceholder({"UNITS"}));
        QCOMPARE(m_window->importTypeText(), placeholder);
        QCOMPARE(m_window->importTypeChoiceCount(), choices + (create ? 1 : 0));
        QCOMPARE(m_prompter->boxes().size(), 0);
    }

    // The list reset of the handlers: a cancelled workbook dialog also empties the work grid, a cancelled
    // database dialog or an empty data source name leaves it; a typed .xls path that is missing, or an empty
    // path, resets the list.
    void listReset_data()
    {
        QTest::addColumn<int>("handler");
        QTest::addColumn<bool>("gridEmptied");
        QTest::newRow("workbook dialog cancelled") << 0 << true;
        QTest::newRow("database dialog cancelled") << 1 << false;
        QTest::newRow("no data source name") << 2 << false;
        QTest::newRow("missing workbook typed") << 3 << false;
        QTest::newRow("missing database typed") << 4 << false;
        QTest::newRow("blank workbook path") << 5 << false;
    }
    void listReset()
    {
        QFETCH(int, handler);
        QFETCH(bool, gridEmptied);
        m_window->setSourceText(SourceBox::txtFilePath, fixture(QStringLiteral("masters.xls")));
        txtFilePath_Validate(*m_window);
        QVERIFY(m_window->selectImportType(QStringLiteral("GODOWNS")));
        const int columns = m_window->workGrid().columns();

        switch (handler) {
        case 0:
            m_prompter->cancelFileDialog();
            cmdFilePath_Click(*m_window);
            break;
        case 1:
            m_prompter->cancelFileDialog();
            cmdMdbPath_Click(*m_window);
            QCOMPARE(m_prompter->fileDialogs().first().filter,
                     QStringLiteral("Microsoft Access (*.mdb)|*.mdb| All Files (*.*)|*.*"));
            QCOMPARE(m_prompter->fileDialogs().first().defaultExt, QStringLiteral(".mdb"));
            break;
        case 2:
            m_window->setSourceText(SourceBox::txtODBCPath, QStringLiteral("   "));
            cmdODBCPath_Click(*m_window);
            break;
        case 3:
            m_window->setSourceText(SourceBox::txtFilePath, QStringLiteral("/no/such/folder/Book.XLS"));
            txtFilePath_Validate(*m_window);
            break;
        case 4:
            m_window->setSourceText(SourceBox::txtMdbPath, QStringLiteral("/no/such/folder/Book.mdb"));
            txtMdbPath_Validate(*m_window);
            break;
        case 5:
            m_window->setSourceText(SourceBox::txtFilePath, QStringLiteral("  "));
            txtFilePath_Validate(*m_window);
            break;
        }
        QCOMPARE(m_window->importTypeEntries(), QStringList{placeholder});
        QCOMPARE(m_window->importTypeText(), placeholder);
        QCOMPARE(m_window->workGrid().columns(), gridEmptied ? 0 : columns);
        QCOMPARE(m_window->sourceText(SourceBox::txtFilePath).isEmpty(), false);
    }

    // A list builder given a blank source removes every entry, the placeholder too, and empties the work grid.
    void blankSourceEmptiesListAndGrid_data()
    {
        QTest::addColumn<int>("builder");
        QTest::newRow("workbook") << 0;
        QTest::newRow("database") << 1;
        QTest::newRow("data source") << 2;
    }
    void blankSourceEmptiesListAndGrid()
    {
        QFETCH(int, builder);
        m_window->setSourceText(SourceBox::txtFilePath, fixture(QStringLiteral("masters.xls")));
        txtFilePath_Validate(*m_window);
        QVERIFY(m_window->selectImportType(QStringLiteral("UNITS")));
        if (builder == 0)
            LoadExcelSheets(*m_window, QStringLiteral(" "));
        else if (builder == 1)
            LoadAccessTables(*m_window, QString(), QString(), QString());
        else
            LoadODBCTables(*m_window, QStringLiteral("  "), QString(), QString());
        QCOMPARE(m_window->importTypeEntries(), QStringList());
        QCOMPARE(m_window->importTypeText(), QString());
        QCOMPARE(m_window->workGrid().columns(), 0);
        QCOMPARE(m_window->workGrid().rows(), 0);
    }

    // A file that is no workbook fails in the open: the error report names the listing, and the list holds
    // only the placeholder, not selected.
    void unreadableWorkbook()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("notes.xls"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Just some notes, no workbook.\n");
        file.close();

        m_window->setSourceText(SourceBox::txtFilePath, path);
        txtFilePath_Validate(*m_window);
        QCOMPARE(testsupport::reportedLocations(*m_prompter), QStringList{QStringLiteral("F01-0003")});
        QCOMPARE(testsupport::loggedLocations(m_env->readProgramFile(QString::fromLatin1(errors::errorLogName))),
                 QStringList{QStringLiteral("F01-0003")});
        QCOMPARE(m_window->importTypeEntries(), QStringList{placeholder});
        QCOMPARE(m_window->importTypeText(), QString());
    }

    // An Access listing: the database password goes to the open as typed, a password of one blank included,
    // and the previous choice is chosen again for every equal entry.
    void accessListing()
    {
        MemorySource source;
        source.addTable(QStringLiteral("Units"), strings({"Name"}), {{"Nos"}});
        source.addTable(QStringLiteral("MSysObjects"), strings({"Id"}));
        source.addTable(QStringLiteral("UNITS"), strings({"Name"}), {{"Kg"}});
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Masters.mdb"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();

        m_window->setSelectedSourceKey(AccessSourceKey);
        m_window->setImportTypeText(QStringLiteral("UNITS"));
        const int choices = m_window->importTypeChoiceCount();

        m_prompter->chooseFile(path);
        m_window->setSourceText(SourceBox::txtMDBPass, QStringLiteral(" "));
        cmdMdbPath_Click(*m_window);
        QCOMPARE(m_window->sourceText(SourceBox::txtMdbPath), path);
        QCOMPARE(m_window->importTypeEntries(), withPlaceholder({"UNITS", "UNITS"}));
        QCOMPARE(m_window->importTypeText(), QStringLiteral("UNITS"));
        QCOMPARE(m_window->importTypeChoiceCount(), choices + 3); // the placeholder, then each equal entry
        QCOMPARE(source.connections().first().kind, SourceKind::Access);
        QCOMPARE(source.connections().first().location, path);
        QCOMPARE(source.connections().first().password, QStringLiteral(" "));
        QCOMPARE(source.readTables(), strings({"Units", "Units"}));
    }

    // The Access samples list no import type: the placeholder alone, selected.
    void accessSampleListsNothing()
    {
        const QString path = QStringLiteral(PELKO_SHARED_FIXTURES "/access/ASampleDatabase.accdb");
        if (!QFileInfo::exists(path))
            QSKIP("The Access sample databases are not there.");
        m_window->setSourceText(SourceBox::txtMdbPath, path);
        txtMdbPath_Validate(*m_window);
        QCOMPARE(m_window->importTypeEntries(), QStringList{placeholder});
        QCOMPARE(m_window->importTypeText(), placeholder);
        QCOMPARE(m_prompter->boxes().size(), 0);
    }

    // An ODBC listing maps tables and views alike and leaves the placeholder selected, even when the previous
    // choice is listed again.
    void odbcListing()
    {
        if (!m_odbc->isValid())
            QSKIP("The SQLite ODBC driver is not installed.");
        m_window->setSelectedSourceKey(OdbcSourceKey);
        m_window->setSourceText(SourceBox::txtODBCPath, m_odbc->dataSourceName());
        cmdODBCPath_Click(*m_window);
        QCOMPARE(m_window->importTypeEntries().size(), 4);
        QVERIFY(m_window->importTypeEntries().contains(QStringLiteral("STOCK ITEMS")));
        QCOMPARE(m_window->importTypeEntries().last(), QStringLiteral("UNITS"));
        QVERIFY(m_window->selectImportType(QStringLiteral("LEDGERS")));
        QCOMPARE(column(m_window->workGrid(), QStringLiteral("NAME")).first(), QStringLiteral("Cash"));

        cmdODBCPath_Click(*m_window);
        QCOMPARE(m_window->importTypeText(), placeholder);
        QCOMPARE(m_prompter->boxes().size(), 0);

        m_window->setSourceText(SourceBox::txtODBCPath, QStringLiteral("No Such Source"));
        cmdODBCPath_Click(*m_window);
        QCOMPARE(testsupport::reportedLocations(*m_prompter), QStringList{QStringLiteral("F01-0007")});
        QCOMPARE(testsupport::loggedLocations(m_env->readProgramFile(QString::fromLatin1(errors::errorLogName))),
                 QStringList{QStringLiteral("F01-0007")});
        QCOMPARE(m_window->importTypeEntries(), QStringList{placeholder});
    }

private:
    std::unique_ptr<testsupport::OdbcTestSource> m_odbc;
};

QTEST_GUILESS_MAIN(TestSourceListing)
#include "testsourcelisting.moc"
