#include "app/frmexcel.h"
#include "app/modcommandl.h"
#include "app/startup.h"
#include "platform/prompter.h"
#include "platform/settings.h"
#include "platform/system.h"
#include "sources/workgrid.h"
#include "support/scriptedprompter.h"
#include "support/simulatedserver.h"
#include "support/testbed.h"
#include "support/testenvironment.h"
#include "windowhelpers.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QTabWidget>
#include <QTest>

#include <memory>

using app::CommandLine;
using app::frmExcel;
using app::StartupResult;
using testsupport::ScriptedPrompter;
using testsupport::SimulatedServer;
using testsupport::TestEnvironment;

namespace {

using apptest::entries;

QString config(const char *key)
{
    return platform::readConfig(QLatin1String(key));
}

QStringList tabs(const QTabWidget *strip)
{
    QStringList texts;
    for (int i = 0; i < strip->count(); ++i)
        texts << strip->tabText(i);
    return texts;
}

// Import requests the server received (those that are no query).
int importRequests(const SimulatedServer &server)
{
    int count = 0;
    for (const tallysim::RecordedRequest &request : server.requests()) {
        if (request.body.contains("<TALLYREQUEST> Import Data </TALLYREQUEST>"))
            ++count;
    }
    return count;
}

} // namespace

class TestStartup final : public testsupport::TestBed<frmExcel>
{
    Q_OBJECT

private slots:
    void init()
    {
        startBed();
        tallysim::Config config;
        config.companies = {QStringLiteral("ABC Ltd"), QStringLiteral("Jacks Stores"), QStringLiteral("Jill's Shop")};
        config.currentCompany = QStringLiteral("ABC Ltd");
        m_server = std::make_unique<SimulatedServer>(config);
        m_window = std::make_unique<frmExcel>();
    }
    void cleanup() { stopBed(); }

    void exitStatus_data()
    {
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("started");
        QTest::addColumn<bool>("posted");
        QTest::addColumn<int>("errors");
        QTest::addColumn<int>("status");
        QTest::newRow("interactive") << false << false << false << 0 << app::ExitStatus::Success;
        QTest::newRow("interactive after errors") << false << false << false << 2 << app::ExitStatus::Success;
        QTest::newRow("posted") << true << true << true << 0 << app::ExitStatus::Success;
        QTest::newRow("posted with an error") << true << true << true << 1 << app::ExitStatus::ErrorsReported;
        QTest::newRow("could not start") << true << false << false << 0 << app::ExitStatus::NotRun;
        QTest::newRow("could not start after an error") << true << false << false << 1 << app::ExitStatus::NotRun;
        QTest::newRow("started, nothing posted") << true << true << false << 0 << app::ExitStatus::NotRun;
    }

    void exitStatus()
    {
        QFETCH(bool, asked);
        QFETCH(bool, started);
        QFETCH(bool, posted);
        QFETCH(int, errors);
        QFETCH(int, status);
        QCOMPARE(app::exitStatus(StartupResult{asked, started, posted, errors, {}}), status);
    }

    void withoutArgumentsTheWindowOpens()
    {
        m_server->configureSettings();

        const StartupResult result = m_window->Form_Load(CommandLine::read(QString()));

        QVERIFY(!result.autoRunAsked);
        QVERIFY(!result.autoRunStarted);
        QCOMPARE(result.errorsReported, 0);
        QCOMPARE(m_window->windowTitle().section(QLatin1Char(' '), 0, 0), QStringLiteral("Pelko"));
        QCOMPARE(tabs(child<QTabWidget>("TabSource")),
                 QStringList({QStringLiteral("Excel"), QStringLiteral("Access"), QStringLiteral("ODBC")}));
        QCOMPARE(entries(child<QComboBox>("cmbTableName")), QStringList{QStringLiteral(">>Select Import Type<<")});
        QCOMPARE(m_window->importTypeText(), QStringLiteral(">>Select Import Type<<"));
        // The refresh ran with the stored settings.
        QCOMPARE(
            entries(child<QComboBox>("cmbCurrentCompanyList")),
            QStringList({QStringLiteral("ABC Ltd"), QStringLiteral("Jacks Stores"), QStringLiteral("Jill's Shop")}));
        QCOMPARE(m_window->currentCompany(), QStringLiteral("ABC Ltd"));
        QVERIFY(m_prompter->boxes().isEmpty());
    }

    void serverArgumentsAreStored()
    {
        platform::writeConfig(QLatin1String(platform::settingServerAddress), QStringLiteral("10.0.0.9"));
        platform::writeConfig(QLatin1String(platform::settingPortNo), QStringLiteral("1"));

        // The address given, the port left empty: the stored port stays and the refresh fails against it.
        m_window->Form_Load(CommandLine::read(QStringLiteral("\"\" \"\" \"\" \"\" \"\" 127.0.0.1 \"\"")));
        QCOMPARE(config(platform::settingServerAddress), QStringLiteral("127.0.0.1"));
        QCOMPARE(config(platform::settingPortNo), QStringLiteral("1"));

        frmExcel second;
        second.Form_Load(CommandLine::read(QStringLiteral("\"\" \"\" \"\" \"\" \"\" \"\" %1").arg(m_server->port())));
        QCOMPARE(config(platform::settingServerAddress), QStringLiteral("127.0.0.1"));
        QCOMPARE(config(platform::settingPortNo), QString::number(m_server->port()));
        QCOMPARE(second.currentCompany(), QStringLiteral("ABC Ltd"));
    }

    void companyArgument_data()
    {
        QTest::addColumn<QString>("company");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<bool>("started");
        QTest::addColumn<QString>("because");

        const QString holds = QStringLiteral("; it holds \"ABC Ltd\", \"Jacks Stores\", \"Jill's Shop\"");
        // The ones that start reach the Post, which finds no import type chosen.
        QTest::newRow("apostrophe removed") << QStringLiteral("\"Jack's Stores\"") << QStringLiteral("Jacks Stores")
                                            << true << QStringLiteral("no import type was named (argument 3)");
        QTest::newRow("listed with an apostrophe") << QStringLiteral("\"Jill's Shop\"") << QStringLiteral("Jill's Shop")
                                                   << true << QStringLiteral("no import type was named (argument 3)");
        QTest::newRow("letter case differs")
            << QStringLiteral("\"jacks stores\"") << QStringLiteral("Jacks Stores") << false
            << QStringLiteral("the company \"jacks stores\" is listed as \"Jacks Stores\": name it as listed");
        QTest::newRow("blanks only") << QStringLiteral("\"  \"") << QStringLiteral("ABC Ltd") << false
                                     << QStringLiteral("the company \"  \" is not on the server's list") + holds;
        QTest::newRow("not listed") << QStringLiteral("Nobody") << QStringLiteral("ABC Ltd") << false
                                    << QStringLiteral("the company \"Nobody\" is not on the server's list") + holds;
        QTest::newRow("none: the company open in Tally") << QStringLiteral("\"\"") << QStringLiteral("ABC Ltd") << true
                                                         << QStringLiteral("no import type was named (argument 3)");
    }

    void companyArgument()
    {
        QFETCH(QString, company);
        QFETCH(QString, selected);
        QFETCH(bool, started);
        QFETCH(QString, because);
        const QString raw =
            QStringLiteral("\"\" \"\" \"\" %1 \"\" 127.0.0.1 %2 POSTSILENT").arg(company).arg(m_server->port());

        const StartupResult result = m_window->Form_Load(CommandLine::read(raw));

        QCOMPARE(m_window->companyListText(), selected);
        QVERIFY(result.autoRunAsked);
        QCOMPARE(result.autoRunStarted, started);
        QVERIFY(!result.posted);
        QCOMPARE(app::exitStatus(result), app::ExitStatus::NotRun);
        QCOMPARE(m_window->silent(), started);
        QCOMPARE(result.notPostedBecause, because);
        if (started) {
            // Silent as it is, the run still stops at the import-type check with its box.
            QCOMPARE(m_prompter->boxes().size(), 1);
            QCOMPARE(m_prompter->boxes().first().prompt, QStringLiteral("Select a Import Type."));
            QCOMPARE(m_window->currentCompany(), selected);
        } else {
            QVERIFY(m_prompter->boxes().isEmpty());
        }
        QCOMPARE(importRequests(*m_server), 0);
    }

    void unattendedRunOfAWorkbookSheet_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QStringList>("titles");
        QTest::newRow("POST") << QStringLiteral("POST")
                              << QStringList(
                                     {QStringLiteral("Pelko 1.0. Continue?"), QStringLiteral("Excel to Tally")});
        QTest::newRow("POSTSILENT") << QStringLiteral("POSTSILENT") << QStringList();
    }

    void unattendedRunOfAWorkbookSheet()
    {
        QFETCH(QString, mode);
        QFETCH(QStringList, titles);
        m_server->configureSettings();
        const QString workbook = QStringLiteral(PELKO_TEST_DATA "/sources/masters.xls");
        const QString raw = QStringLiteral("XLS \"%1\" \"ledger groups\" \"\" \"\" \"\" \"\" %2").arg(workbook, mode);

        const StartupResult result = m_window->Form_Load(CommandLine::read(raw));

        QVERIFY(result.autoRunStarted);
        QVERIFY(result.posted);
        QCOMPARE(app::exitStatus(result), app::ExitStatus::Success);
        QStringList shown;
        for (const ScriptedPrompter::Box &box : m_prompter->boxes())
            shown << box.title;
        QCOMPARE(shown, titles);
        // The workbook's listing begins with the placeholder, and start-up appends it once more.
        const QStringList listed = entries(child<QComboBox>("cmbTableName"));
        QCOMPARE(listed.first(), QStringLiteral(">>Select Import Type<<"));
        QCOMPARE(listed.last(), QStringLiteral(">>Select Import Type<<"));
        QVERIFY(listed.contains(QStringLiteral("STOCK ITEMS")));
        QCOMPARE(m_window->importTypeText(), QStringLiteral("LEDGER GROUPS"));
        QCOMPARE(importRequests(*m_server), 3);
        QVERIFY(m_window->workGrid().text(3, sources::ProcessStatusKey).contains(QLatin1String("CREATED")));
        QVERIFY(m_window->findChild<QAction *>(QStringLiteral("mnuSaveR"))->isVisible());
    }

    // An unattended run told to stop before its first post sends nothing, marks every master as not tried, and
    // ends with status 2.
    void runToldToStopBeforeItsFirstPost()
    {
        m_server->configureSettings();
        const QString workbook = QStringLiteral(PELKO_TEST_DATA "/sources/masters.xls");
        platform::setStopRequested(true);
        const StartupResult result = m_window->Form_Load(CommandLine::read(
            QStringLiteral("XLS \"%1\" \"ledger groups\" \"\" \"\" \"\" \"\" POSTSILENT").arg(workbook)));
        platform::setStopRequested(false);

        QVERIFY(result.autoRunStarted);
        QVERIFY(!result.posted);
        QCOMPARE(app::exitStatus(result), app::ExitStatus::NotRun);
        QCOMPARE(result.notPostedBecause, QStringLiteral("the run was told to stop before anything was sent"));
        QCOMPARE(importRequests(*m_server), 0);
        for (int row = 1; row <= 3; ++row)
            QCOMPARE(m_window->workGrid().text(row, sources::ProcessStatusKey),
                     QStringLiteral("NOT POSTED: the run stopped at row 1, as the program was told to stop"));
    }

    void textFileEntryComesBeforeThePlaceholder()
    {
        m_server->configureSettings();
        const QString file = QStringLiteral(PELKO_TEST_DATA "/sources/text/Units.csv");

        const StartupResult result =
            m_window->Form_Load(CommandLine::read(QStringLiteral("XLS \"%1\" units").arg(file)));

        QVERIFY(!result.autoRunAsked);
        QCOMPARE(entries(child<QComboBox>("cmbTableName")),
                 QStringList({QStringLiteral("UNITS"), QStringLiteral(">>Select Import Type<<")}));
        QCOMPARE(m_window->importTypeText(), QStringLiteral("UNITS"));
        QCOMPARE(m_window->workGrid().text(1, QStringLiteral("NAME")), QStringLiteral("Mtr"));
        QVERIFY(m_prompter->boxes().isEmpty());
    }

    // An unattended run that cannot post says why, in one line.
    void whyNothingWasPosted_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<bool>("started");
        QTest::addColumn<QString>("because");
        const QString data = QStringLiteral(PELKO_TEST_DATA "/sources/");
        QTest::newRow("missing source file")
            << QStringLiteral("XLS \"%1missing.xls\" LEDGERS").arg(data) << true
            << QStringLiteral("the source file \"%1missing.xls\" does not exist").arg(data);
        QTest::newRow("a folder for a file") << QStringLiteral("XLS \"%1text\" LEDGERS").arg(data) << true
                                             << QStringLiteral("\"%1text\" is a folder, not a source file").arg(data);
        QTest::newRow("import type not in the workbook")
            << QStringLiteral("XLS \"%1masters.xls\" PAYROLL").arg(data) << true
            << QStringLiteral("the import type \"PAYROLL\" is not among the source's tables; it offers \"LEDGER "
                              "GROUPS\", \"LEDGERS\", \"UNITS\", \"GODOWNS\", \"STOCK GROUPS\", \"STOCK "
                              "CATEGORIES\", \"STOCK ITEMS\", \"COST CATEGORIES\", \"COST CENTRES\"");
        // A source that cannot be opened is named with its reader's or driver's own message.
        QTest::newRow("no Access database")
            << QStringLiteral("MDB \"%1text/Units.csv\" LEDGERS").arg(data) << true
            << QStringLiteral("the source could not be opened: Unrecognized database format '%1text/Units.csv'.")
                   .arg(data);
        QTest::newRow("unknown data source")
            << QStringLiteral("ODBC \"Pelko No Such Source\" LEDGERS") << true
            << QStringLiteral("the source could not be opened: [unixODBC][Driver Manager]Data source name not found "
                              "and no default driver specified");
        QTest::newRow("an empty text file") << QStringLiteral("XLS \"@empty\" LEDGERS") << false
                                            << QStringLiteral("\"LEDGERS\" could not be loaded: 'Ledgers.csv' has no "
                                                              "header row: its first line is empty.");
    }
    void whyNothingWasPosted()
    {
        QFETCH(QString, arguments);
        QFETCH(bool, started);
        QFETCH(QString, because);
        if (arguments.contains(QLatin1String("@empty"))) {
            QFile empty(m_env->programFile(QStringLiteral("Ledgers.csv")));
            QVERIFY(empty.open(QIODevice::WriteOnly));
            empty.close();
            arguments.replace(QStringLiteral("@empty"), empty.fileName());
        }
        m_server->configureSettings();

        const StartupResult result =
            m_window->Form_Load(CommandLine::read(arguments + QStringLiteral(" \"\" \"\" \"\" \"\" POSTSILENT")));

        QCOMPARE(result.autoRunStarted, started);
        QVERIFY(!result.posted);
        QCOMPARE(app::exitStatus(result), app::ExitStatus::NotRun);
        QCOMPARE(result.notPostedBecause, because);
        QCOMPARE(importRequests(*m_server), 0);
    }

    // A server that answers the probe but not the company queries, or that holds no company, is named as such,
    // whether a company was named or not.
    void companyQueriesWithoutACompany_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("holdsCompanies");
        QTest::addColumn<QString>("company");
        QTest::addColumn<QString>("because");
        const QString unanswered = QStringLiteral(" did not answer the company queries");
        QTest::newRow("HTTP 500") << int(tallysim::Mode::HttpError) << true << QStringLiteral("\"ABC Ltd\"")
                                  << unanswered;
        QTest::newRow("bytes that are no XML")
            << int(tallysim::Mode::Garbage) << true << QStringLiteral("\"\"") << unanswered;
        QTest::newRow("no company, one named") << int(tallysim::Mode::Normal) << false << QStringLiteral("\"ABC Ltd\"")
                                               << QStringLiteral(" holds no company");
        QTest::newRow("no company, none named")
            << int(tallysim::Mode::Normal) << false << QStringLiteral("\"\"") << QStringLiteral(" holds no company");
    }
    void companyQueriesWithoutACompany()
    {
        QFETCH(int, mode);
        QFETCH(bool, holdsCompanies);
        QFETCH(QString, company);
        QFETCH(QString, because);
        tallysim::Config config;
        if (holdsCompanies) {
            config.companies = {QStringLiteral("ABC Ltd")};
            config.currentCompany = QStringLiteral("ABC Ltd");
        }
        config.mode = tallysim::Mode(mode);
        m_server = std::make_unique<SimulatedServer>(config);
        const QString data = QStringLiteral(PELKO_TEST_DATA "/sources/masters.xls");

        const StartupResult result =
            m_window->Form_Load(CommandLine::read(QStringLiteral("XLS \"%1\" UNITS %2 \"\" 127.0.0.1 %3 POSTSILENT")
                                                      .arg(data, company)
                                                      .arg(m_server->port())));

        QVERIFY(!result.autoRunStarted);
        QCOMPARE(app::exitStatus(result), app::ExitStatus::NotRun);
        QCOMPARE(result.notPostedBecause, QStringLiteral("the Tally server at ") + m_server->url() + because);
        QCOMPARE(importRequests(*m_server), 0);
    }

    void serverDownOpensTheWindow()
    {
        m_server->configureSettings();
        m_server->stop();

        const StartupResult result =
            m_window->Form_Load(CommandLine::read(QStringLiteral("XLS \"\" UNITS \"\" \"\" \"\" \"\" POST")));

        QVERIFY(result.autoRunAsked);
        QVERIFY(!result.autoRunStarted);
        QCOMPARE(app::exitStatus(result), app::ExitStatus::NotRun);
        QCOMPARE(m_prompter->boxes().size(), 1);
        QCOMPARE(m_prompter->boxes().first().prompt, QStringLiteral("Tally is not running."));
        QCOMPARE(m_prompter->boxes().first().title, QStringLiteral("Tally Search."));
        QVERIFY(m_window->currentCompany().isEmpty());
        QCOMPARE(result.notPostedBecause,
                 QStringLiteral("the Tally server at %1 does not answer").arg(m_server->url()));
    }

    void unmatchedImportTypeStillSavesTheReport()
    {
        m_server->configureSettings();
        const QString report = m_env->programFile(QStringLiteral("unattended.txt"));
        const QString raw = QStringLiteral("XLS \"\" \"no such type\" \"\" \"%1\" \"\" \"\" post").arg(report);

        const StartupResult result = m_window->Form_Load(CommandLine::read(raw));

        QVERIFY(result.autoRunStarted);
        QVERIFY(!result.posted);
        QCOMPARE(tabs(child<QTabWidget>("TabSource")), QStringList{QStringLiteral("Excel")});
        QCOMPARE(m_prompter->boxes().size(), 1);
        QCOMPARE(m_prompter->boxes().first().prompt, QStringLiteral("Select a Import Type."));
        QVERIFY(!m_window->silent());
        QVERIFY(QFile::exists(report));
        QCOMPARE(QFile(report).size(), 0);
        QCOMPARE(app::exitStatus(result), app::ExitStatus::NotRun);
    }

private:
    template <typename T> T *child(const char *name) const
    {
        T *widget = m_window->findChild<T *>(QLatin1String(name));
        if (!widget)
            qFatal("no child %s", name);
        return widget;
    }
};

QTEST_MAIN(TestStartup)
#include "teststartup.moc"
