// Unattended runs of the pelko program as a script would start it: a command line, a settings store and a
// program folder of the test's own, and a tallysim program as the Tally server.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

namespace {

constexpr int runTimeoutMs = 30000;

const QByteArray importMarker = "<TALLYREQUEST> Import Data </TALLYREQUEST>";

QString sourceFile(const char *name)
{
    return QStringLiteral(PELKO_TEST_DATA "/sources/") + QLatin1String(name);
}

QString voucherFile(const char *name)
{
    return QStringLiteral(PELKO_TEST_DATA "/vouchers/") + QLatin1String(name);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The tallysim program on a free port, logging every request it receives.
class Tallysim final
{
public:
    Tallysim(const QStringList &companies, const QString &current, const QString &logPath,
             const QStringList &ledgers = {})
        : m_logPath(logPath)
    {
        QStringList arguments = {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--log"), logPath};
        for (const QString &company : companies)
            arguments << QStringLiteral("--company") << company;
        for (const QString &ledger : ledgers)
            arguments << QStringLiteral("--ledger") << ledger;
        if (!current.isEmpty())
            arguments << QStringLiteral("--current") << current;
        m_process.setProgram(QStringLiteral(TALLYSIM_BINARY));
        m_process.setArguments(arguments);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
        if (!m_process.waitForStarted(10000))
            return;
        // The program names its port on its first line.
        const QRegularExpression listening(QStringLiteral("listening on 127\\.0\\.0\\.1:(\\d+)"));
        QByteArray output;
        while (!output.contains('\n') && m_process.waitForReadyRead(10000))
            output += m_process.readAllStandardOutput();
        const QRegularExpressionMatch match = listening.match(QString::fromUtf8(output));
        if (match.hasMatch())
            m_port = match.captured(1);
    }
    ~Tallysim() { stop(); }
    Q_DISABLE_COPY_MOVE(Tallysim)

    QString port() const { return m_port; }
    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.kill();
        m_process.waitForFinished(10000);
    }

    QByteArray log() const { return readFile(m_logPath); }
    int imports() const { return int(log().count(importMarker)); }
    int requests() const { return int(log().count("--- request ")); }

private:
    QProcess m_process;
    QString m_logPath;
    QString m_port;
};

enum class Display
{
    None,      // no display named and no platform chosen: the program finds its own way
    Offscreen, // the offscreen platform chosen by the caller
};

// The report's lines: each key padded to 75 characters, then the result.
QStringList reportLines(const QByteArray &report)
{
    QStringList lines = QString::fromUtf8(report).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

struct Run
{
    int exitCode = -1;
    bool finished = false;
    QString errors; // standard error
};

} // namespace

class TestEndToEnd final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_folder = std::make_unique<QTemporaryDir>();
        QVERIFY(m_folder->isValid());
        QVERIFY(QDir(m_folder->path()).mkpath(QStringLiteral("config")));
        QVERIFY(QDir(m_folder->path()).mkpath(QStringLiteral("home")));
        m_server = std::make_unique<Tallysim>(QStringList{QStringLiteral("ABC Ltd"), QStringLiteral("Jacks Stores")},
                                              QStringLiteral("ABC Ltd"), path(QStringLiteral("tallysim.log")));
        QVERIFY2(!m_server->port().isEmpty(), "tallysim did not start");
    }
    void cleanup()
    {
        m_server.reset();
        m_folder.reset();
    }

    void postsAWorkbookSheetWithTheStoredServer()
    {
        storeServer(QStringLiteral("127.0.0.1"), m_server->port());

        const Run run = pelko({QStringLiteral("XLS"), sourceFile("masters.xls"), QStringLiteral("ledger groups"),
                               QString(), QString(), QString(), QString(), QStringLiteral("POST")},
                              Display::None);

        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 0);
        // Without a display the two boxes of a POST are written out and answered with their default buttons.
        QVERIFY2(run.errors.contains(QStringLiteral("[Pelko 1.0. Continue?] You have selected  >LEDGER GROUPS<.  "
                                                    "This will pass the data in Tally.\n Do you want to continue?\n"
                                                    "(answered Yes)")),
                 qPrintable(run.errors));
        QVERIFY(run.errors.contains(QStringLiteral("[Excel to Tally] Processing of data Completed.\nPlease check the "
                                                   "Errors if any.\n(answered OK)")));
        const QByteArray log = m_server->log();
        QCOMPARE(m_server->imports(), 3);
        for (const char *group : {"Sundry Debtors - North", "Branch Expenses", "Project Costs"})
            QVERIFY2(log.contains(QByteArray(QByteArray("NAME=\"") + group + '"')), group);
        // No report was asked for, and nothing went wrong.
        QCOMPARE(QDir(path(QStringLiteral("home"))).entryList(QDir::Files), QStringList());
    }

    void postsSilentlyOffscreenAndSavesTheReport()
    {
        const QString report = path(QStringLiteral("ledger groups report.txt"));

        const Run run =
            pelko({QStringLiteral("xls"), sourceFile("masters.xls"), QStringLiteral("LEDGERGROUPS"), QString(), report,
                   QStringLiteral("127.0.0.1"), m_server->port(), QStringLiteral("postsilent")},
                  Display::Offscreen);

        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(m_server->imports(), 3);
        // The server arguments are kept for the next run.
        QCOMPARE(storedServer(), QStringList({QStringLiteral("127.0.0.1"), m_server->port()}));

        const QStringList lines = QString::fromUtf8(readFile(report)).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines.last(), QString());
        const QStringList names = {QStringLiteral("Sundry Debtors - North"), QStringLiteral("Branch Expenses"),
                                   QStringLiteral("Project Costs")};
        for (int i = 0; i < names.size(); ++i) {
            QCOMPARE(lines.at(i).left(75), names.at(i).leftJustified(75));
            QVERIFY2(lines.at(i).mid(75).contains(QLatin1String("CREATED")), qPrintable(lines.at(i)));
        }
    }

    void postsATextFile()
    {
        const QString report = path(QStringLiteral("units.txt"));

        const Run run = pelko({QStringLiteral("XLS"), sourceFile("text/Units.csv"), QStringLiteral("UNITS"), QString(),
                               report, QStringLiteral("127.0.0.1"), m_server->port(), QStringLiteral("POSTSILENT")},
                              Display::None);

        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 0);
        // A silent run shows no box at all.
        QVERIFY2(!run.errors.contains(QLatin1Char('[')), qPrintable(run.errors));
        QCOMPARE(m_server->imports(), 2);
        QVERIFY(m_server->log().contains("Mètre"));
        const QString text = QString::fromUtf8(readFile(report));
        QVERIFY(text.startsWith(QStringLiteral("Mtr").leftJustified(75)));
        QVERIFY(text.contains(QStringLiteral("\r\n") + QStringLiteral("Lot").leftJustified(75)));
    }

    void companyArgument_data()
    {
        QTest::addColumn<QString>("company");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<int>("imports");
        QTest::newRow("apostrophe removed") << QStringLiteral("Jack's Stores") << 0 << 2;
        // Selected, but the run compares with the listed name exactly.
        QTest::newRow("letter case differs") << QStringLiteral("jack's stores") << 2 << 0;
        QTest::newRow("blanks only") << QStringLiteral("   ") << 2 << 0;
    }

    void companyArgument()
    {
        QFETCH(QString, company);
        QFETCH(int, exitCode);
        QFETCH(int, imports);

        const Run run =
            pelko({QStringLiteral("XLS"), sourceFile("masters.xls"), QStringLiteral("Cost Categories"), company,
                   QString(), QStringLiteral("127.0.0.1"), m_server->port(), QStringLiteral("POSTSILENT")},
                  Display::None);

        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(m_server->imports(), imports);
        if (imports > 0) {
            QVERIFY(m_server->log().contains("<SVCURRENTCOMPANY>Jacks Stores</SVCURRENTCOMPANY>"));
        } else {
            // The window that would open instead is not opened without a display.
            QVERIFY(run.errors.contains(QLatin1String("no unattended run could start")));
        }
    }

    void serverDown()
    {
        const QString port = m_server->port();
        m_server->stop();

        const Run run = pelko({QStringLiteral("XLS"), sourceFile("masters.xls"), QStringLiteral("UNITS"), QString(),
                               QString(), QStringLiteral("127.0.0.1"), port, QStringLiteral("POST")},
                              Display::None);

        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.errors.contains(QStringLiteral("[Tally Search.] Tally is not running.\n(answered OK)")),
                 qPrintable(run.errors));
        QVERIFY(!run.errors.contains(QLatin1String("Continue?")));
    }

    void noServerSettings()
    {
        const Run run = pelko({QStringLiteral("XLS"), sourceFile("masters.xls"), QStringLiteral("UNITS"), QString(),
                               QString(), QString(), QString(), QStringLiteral("POST")},
                              Display::None);

        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 2);
        // The settings dialog that nobody could fill in is closed at once.
        QVERIFY2(run.errors.contains(QLatin1String("[Set Tally Server Address & port] dialog cancelled")),
                 qPrintable(run.errors));
        QCOMPARE(m_server->requests(), 0);
    }

    void unmatchedImportType()
    {
        const QString report = path(QStringLiteral("report.txt"));

        const Run run = pelko({QStringLiteral("XLS"), sourceFile("masters.xls"), QStringLiteral("Sheet Two"), QString(),
                               report, QStringLiteral("127.0.0.1"), m_server->port(), QStringLiteral("POSTSILENT")},
                              Display::None);

        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.errors.contains(QStringLiteral("[Import Type] Select a Import Type.")));
        QCOMPARE(m_server->imports(), 0);
        QVERIFY(QFile::exists(report));
        QCOMPARE(readFile(report), QByteArray());
    }

    void sourceKindWithALeadingBlank()
    {
        // " XLS" is none of the three kinds: all three tabs, nothing listed, so no import type to post.
        const Run run = pelko({QStringLiteral(" XLS"), sourceFile("masters.xls"), QStringLiteral("UNITS"), QString(),
                               QString(), QStringLiteral("127.0.0.1"), m_server->port(), QStringLiteral("POSTSILENT")},
                              Display::None);

        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.errors.contains(QStringLiteral("[Import Type] Select a Import Type.")), qPrintable(run.errors));
        QCOMPARE(m_server->imports(), 0);
    }

    void reportThatCannotBeWritten()
    {
        const QString report = path(QStringLiteral("no such folder/report.txt"));

        const Run run = pelko({QStringLiteral("XLS"), sourceFile("masters.xls"), QStringLiteral("GODOWNS"), QString(),
                               report, QStringLiteral("127.0.0.1"), m_server->port(), QStringLiteral("POSTSILENT")},
                              Display::None);

        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(m_server->imports(), 3);
        QVERIFY(!QFile::exists(report));
        QVERIFY(readFile(path(QStringLiteral("home/Pelko10Errors.txt"))).contains("F01-0045"));
    }

    // Vouchers from a workbook: one request per voucher, the report keyed by each voucher's ID, and a voucher the
    // server refuses shown with the server's text while the run goes on; a refusal is no error of the program.
    void postsTransactionsFromAWorkbook()
    {
        restartServer({QStringLiteral("ABC Ltd")}, QStringLiteral("ABC Ltd"));
        const QString report = path(QStringLiteral("transactions.txt"));

        const Run run =
            pelko({QStringLiteral("XLS"), sourceFile("transactions.xls"), QStringLiteral("Transactions"), QString(),
                   report, QStringLiteral("127.0.0.1"), m_server->port(), QStringLiteral("POSTSILENT")},
                  Display::None);

        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(m_server->imports(), 4);
        const QByteArray log = m_server->log();
        for (const char *voucher :
             {"Payment-1-20240401", "payment-3-20240401", "Payment-2-20240402", "Receipt-R-1-20240403"})
            QVERIFY2(log.contains(QByteArray(QByteArray("REMOTEID=\"") + voucher + '"')), voucher);
        const QStringList lines = reportLines(readFile(report));
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines.at(0).left(75), QStringLiteral("Payment-1-20240401-V-7").leftJustified(75));
        QVERIFY2(lines.at(0).mid(75).contains(QStringLiteral("Ledger 'Discount Received' does not exist!")),
                 qPrintable(lines.at(0)));
        QCOMPARE(lines.at(1), QStringLiteral("payment-3-20240401-V-7").leftJustified(75) + QStringLiteral("CREATED"));
        QCOMPARE(lines.at(2),
                 QStringLiteral("Payment-2-20240402-CHQ 4411").leftJustified(75) + QStringLiteral("CREATED"));
        QCOMPARE(lines.at(3),
                 QStringLiteral("Receipt-R-1-20240403-CHQ 4411").leftJustified(75) + QStringLiteral("CREATED"));
    }

    // Quick vouchers from a text file with an ID column, for a company whose name holds "&" and "'", by a user
    // whose locale writes decimal commas: the amounts still reach the server with ".".
    void postsQuickTransactionsFromATextFile()
    {
        const QString company = QStringLiteral("Shah & Sons' Traders");
        restartServer({company}, company);
        const QString report = path(QStringLiteral("quick.txt"));

        const Run run = pelko({QStringLiteral("XLS"), voucherFile("text/QuickTransactions.csv"),
                               QStringLiteral("QUICKTRANSACTIONS"), QString(), report, QStringLiteral("127.0.0.1"),
                               m_server->port(), QStringLiteral("POSTSILENT")},
                              Display::None, QStringLiteral("de_DE.UTF-8"));

        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(m_server->imports(), 3);
        const QByteArray log = m_server->log();
        QVERIFY(log.contains("<SVCURRENTCOMPANY>Shah &amp; Sons' Traders</SVCURRENTCOMPANY>"));
        QVERIFY(log.contains("<AMOUNT>-1234.500</AMOUNT>"));
        QVERIFY(log.contains("<AMOUNT>1234.500</AMOUNT>"));
        const QStringList lines = reportLines(readFile(report));
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines.at(0), QStringLiteral("Q-1").leftJustified(75) + QStringLiteral("CREATED"));
        QCOMPARE(lines.at(1), QStringLiteral("Q-2").leftJustified(75) + QStringLiteral("CREATED"));
        QCOMPARE(lines.at(2).left(75), QStringLiteral("Q-3").leftJustified(75));
        QVERIFY2(lines.at(2).contains(QStringLiteral("Ledger 'Nowhere' does not exist!")), qPrintable(lines.at(2)));
    }

    void withoutArgumentsAndWithoutDisplay()
    {
        storeServer(QStringLiteral("127.0.0.1"), m_server->port());

        const Run run = pelko({}, Display::None);

        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.errors.contains(QLatin1String("no unattended run could start")));
        // The refresh still asked the server for its companies.
        QVERIFY(m_server->log().contains("List of Companies"));
        QCOMPARE(m_server->imports(), 0);
    }

private:
    QString path(const QString &name) const { return QDir(m_folder->path()).filePath(name); }

    // A server that holds the ledgers the voucher files name, except "Discount Received" and "Nowhere".
    void restartServer(const QStringList &companies, const QString &current)
    {
        m_server.reset();
        m_server = std::make_unique<Tallysim>(
            companies, current, path(QStringLiteral("tallysim.log")),
            QStringList{QStringLiteral("State Bank"), QStringLiteral("Sharma Traders"), QStringLiteral("Office Rent"),
                        QStringLiteral("Rao & Sons"), QStringLiteral("Travel")});
        QVERIFY2(!m_server->port().isEmpty(), "tallysim did not start");
    }

    QString settingsFile() const { return path(QStringLiteral("config/Pelko10/Pelko10.conf")); }

    void storeServer(const QString &address, const QString &port) const
    {
        QSettings settings(settingsFile(), QSettings::IniFormat);
        settings.setValue(QStringLiteral("Config/ServerAddress"), address);
        settings.setValue(QStringLiteral("Config/PortNo"), port);
    }

    QStringList storedServer() const
    {
        QSettings settings(settingsFile(), QSettings::IniFormat);
        return {settings.value(QStringLiteral("Config/ServerAddress")).toString(),
                settings.value(QStringLiteral("Config/PortNo")).toString()};
    }

    Run pelko(const QStringList &arguments, Display display, const QString &locale = QStringLiteral("C.UTF-8")) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QLatin1String(name));
        if (display == Display::Offscreen)
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
        environment.insert(QStringLiteral("PELKO_HOME"), path(QStringLiteral("home")));
        environment.insert(QStringLiteral("LC_ALL"), locale);

        QProcess process;
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(m_folder->path());
        process.start(QStringLiteral(PELKO_BINARY), arguments);
        Run run;
        if (!process.waitForStarted(10000))
            return run;
        run.finished = process.waitForFinished(runTimeoutMs);
        if (!run.finished) {
            process.kill();
            process.waitForFinished(10000);
        }
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.errors = QString::fromUtf8(process.readAllStandardError());
        return run;
    }

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<Tallysim> m_server;
};

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "teste2e.moc"
