// Unattended runs of the pelko program as a script would start it: a command line, a settings store and a
// program folder of the test's own, and a tallysim program as the Tally server.

#include "biffwriter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <clocale>
#include <memory>
#include <optional>
#include <tuple>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

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
             const QStringList &ledgers = {}, const QStringList &options = {})
        : m_logPath(logPath)
    {
        QStringList arguments = {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--log"), logPath};
        arguments << options;
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

// What each import request of a server's log sent: "REMOTEID [REFERENCE] " and its ledger lines, each as
// "LEDGERNAME AMOUNT" with its cost-centre and bill rows in braces as "NAME AMOUNT", lines apart by "; ".
QStringList postedVouchers(const QByteArray &log)
{
    QStringList vouchers;
    qsizetype from = 0;
    while ((from = log.indexOf("<ENVELOPE>", from)) >= 0) {
        const qsizetype to = log.indexOf("</ENVELOPE>", from);
        if (to < 0)
            break;
        const QByteArray body = log.mid(from, to + 11 - from);
        from = to;
        if (!body.contains(importMarker))
            continue;
        QXmlStreamReader reader(body);
        QStringList path;
        QString id;
        QString reference;
        QStringList lines;
        QString line;
        QStringList rows;
        QString rowName;
        while (!reader.atEnd()) {
            switch (reader.readNext()) {
            case QXmlStreamReader::StartElement: {
                const QString name = reader.name().toString();
                if (name == u"VOUCHER")
                    id = reader.attributes().value(u"REMOTEID"_s).toString();
                path.append(name);
                break;
            }
            case QXmlStreamReader::EndElement: {
                const QString name = path.takeLast();
                if (name == u"LEDGERENTRIES.LIST" || name == u"ALLLEDGERENTRIES.LIST") {
                    lines.append(line + (rows.isEmpty() ? QString() : u" {"_s + rows.join(u", "_s) + u'}'));
                    line.clear();
                    rows.clear();
                }
                break;
            }
            case QXmlStreamReader::Characters: {
                if (reader.isWhitespace() || path.size() < 2)
                    break;
                const QString element = path.last();
                const QString parent = path.at(path.size() - 2);
                const QString text = reader.text().toString();
                const bool entry = parent == u"LEDGERENTRIES.LIST" || parent == u"ALLLEDGERENTRIES.LIST";
                const bool row = parent == u"COSTCENTREALLOCATIONS.LIST" || parent == u"BILLALLOCATIONS.LIST";
                if (element == u"REFERENCE" && parent == u"VOUCHER")
                    reference = text;
                else if (entry && element == u"LEDGERNAME")
                    line = text;
                else if (entry && element == u"AMOUNT")
                    line += u' ' + text;
                else if (row && element == u"NAME")
                    rowName = text;
                else if (row && element == u"AMOUNT")
                    rows.append(rowName + u' ' + text);
                break;
            }
            default:
                break;
            }
        }
        vouchers.append(id + u" ["_s + reference + u"] "_s + lines.join(u"; "_s));
    }
    return vouchers;
}

// What a run says on its last line of standard error about why it posted nothing.
QString notPostedLine(const Run &run)
{
    for (const QString &line : run.errors.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("Pelko: ")))
            return line.mid(7);
    }
    return {};
}

// A ulimit on the size of files the program may write, with the signal that would end it ignored, so that its
// writes fail as on a full disk.
const QString fileSizeLimit = QStringLiteral("trap '' XFSZ; ulimit -f 0; exec \"$0\" \"$@\"");

// A sheet of quick transactions, one voucher per row, each paying the ledger from Cash with the narration
// "<tag> <n>": a request holding another sheet's line shows it by the ledger or the tag.
QByteArray quickTransactions(const QString &tag, const QString &ledger, int count)
{
    QByteArray text = "ID,VchType,VchDate,VchNo,SrNo,RefNo,DrLedger,CrLedger,Amount,Narration,AdjMethod,AdjName,"
                      "AdjDate,AdjAmount\n";
    for (int i = 1; i <= count; ++i)
        text += QStringLiteral("%1-%2,Payment,20240401,%2,1,R-%2,%3,Cash,%2,%1 %2,,,,\n")
                    .arg(tag)
                    .arg(i)
                    .arg(ledger)
                    .toUtf8();
    return text;
}

// Another program's connection to a staging file, holding its write lock while it lives or until released.
class StagingLock final
{
public:
    explicit StagingLock(const QString &path)
    {
        m_database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("lock"));
        m_database.setDatabaseName(path);
        QVERIFY(m_database.open());
        QSqlQuery query(m_database);
        QVERIFY2(query.exec(QStringLiteral("BEGIN IMMEDIATE")), qPrintable(query.lastError().text()));
    }
    ~StagingLock()
    {
        release();
        m_database.close();
        m_database = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("lock"));
    }
    Q_DISABLE_COPY_MOVE(StagingLock)

    void release()
    {
        if (m_database.isOpen())
            QSqlQuery(m_database).exec(QStringLiteral("ROLLBACK"));
    }

private:
    QSqlDatabase m_database;
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
        restartServer(
            QStringList{QStringLiteral("ABC Ltd"), QStringLiteral("Jacks Stores"), QStringLiteral("Jill's Shop")},
            QStringLiteral("ABC Ltd"), QStringList{});
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
        QTest::addColumn<QString>("posted");
        QTest::newRow("apostrophe removed") << QStringLiteral("Jack's Stores") << 0 << 2 << "Jacks Stores";
        // Argument 4 loses its apostrophe; the listed name is compared without its own, and posted to as listed.
        QTest::newRow("listed with an apostrophe") << QStringLiteral("Jill's Shop") << 0 << 2 << "Jill's Shop";
        // Selected, but the run compares with the listed name exactly.
        QTest::newRow("letter case differs") << QStringLiteral("jack's stores") << 2 << 0 << "";
        QTest::newRow("blanks only") << QStringLiteral("   ") << 2 << 0 << "";
    }

    void companyArgument()
    {
        QFETCH(QString, company);
        QFETCH(int, exitCode);
        QFETCH(int, imports);
        QFETCH(QString, posted);

        const Run run =
            pelko({QStringLiteral("XLS"), sourceFile("masters.xls"), QStringLiteral("Cost Categories"), company,
                   QString(), QStringLiteral("127.0.0.1"), m_server->port(), QStringLiteral("POSTSILENT")},
                  Display::None);

        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(m_server->imports(), imports);
        if (imports > 0) {
            QVERIFY2(
                m_server->log().contains(QByteArray("<SVCURRENTCOMPANY>" + posted.toUtf8() + "</SVCURRENTCOMPANY>")),
                m_server->log().constData());
        } else {
            // The window that would open instead is not opened without a display; the caller learns why.
            QVERIFY2(notPostedLine(run).startsWith(QLatin1String("the company ")), qPrintable(run.errors));
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
        QCOMPARE(lines.at(1), QStringLiteral("payment-3-20240401-").leftJustified(75) + QStringLiteral("CREATED"));
        QCOMPARE(lines.at(2), QStringLiteral("Payment-2-20240402-").leftJustified(75) + QStringLiteral("CREATED"));
        QCOMPARE(lines.at(3),
                 QStringLiteral("Receipt-R-1-20240403-CHQ 4411").leftJustified(75) + QStringLiteral("CREATED"));
    }

    // Quick vouchers from a text file with an ID column, for a company whose name holds "&" and "'", by a user
    // whose locale writes decimal commas: the amounts still reach the server with ".".
    void postsQuickTransactionsFromATextFile()
    {
        // Without the locale the program would quietly run in "C", and the run would show nothing.
        const QByteArray previous = std::setlocale(LC_NUMERIC, nullptr);
        QVERIFY2(std::setlocale(LC_NUMERIC, "de_DE.UTF-8"),
                 "the locale de_DE.UTF-8 is missing: scripts/install-deps.sh");
        std::setlocale(LC_NUMERIC, previous.constData());
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

    // VAT invoices from a workbook: item, ledger and service-tax lines with their despatch and order details go
    // out one request per voucher, a voucher the server refuses says why in the report, and the run ends well.
    void postsVatInvoicesFromAWorkbook()
    {
        restartServer(QStringList{QStringLiteral("ABC Ltd")}, QStringLiteral("ABC Ltd"),
                      QStringList{QStringLiteral("Sales"), QStringLiteral("Rao & Sons"), QStringLiteral("Output VAT")},
                      QStringList{QStringLiteral("--stock-item"), QStringLiteral("Widget")});

        biffwriter::Workbook book;
        biffwriter::Sheet &sheet = book.addSheet(QStringLiteral("VATTRANSACTIONS"));
        const QStringList header{
            QStringLiteral("VchType"),       QStringLiteral("VchDate"),     QStringLiteral("VchNo"),
            QStringLiteral("SrNo"),          QStringLiteral("RefNo"),       QStringLiteral("Narration"),
            QStringLiteral("Ledger"),        QStringLiteral("Debit"),       QStringLiteral("Credit"),
            QStringLiteral("AdjMethod"),     QStringLiteral("AdjName"),     QStringLiteral("AdjDate"),
            QStringLiteral("AdjAmount"),     QStringLiteral("ItemName"),    QStringLiteral("Quantity"),
            QStringLiteral("Unit"),          QStringLiteral("Rate"),        QStringLiteral("TaxRate"),
            QStringLiteral("AssessableAmt"), QStringLiteral("DelNoteNos"),  QStringLiteral("DelNoteDates"),
            QStringLiteral("Buyer"),         QStringLiteral("BuyerAddress")};
        for (int column = 0; column < header.size(); ++column)
            sheet.label(0, column, header.at(column));
        // Texts by column, then numbers by column; the second voucher's item is one the server does not hold.
        const auto row = [&sheet](int r, const QList<QPair<int, QString>> &texts,
                                  const QList<QPair<int, double>> &numbers) {
            for (const auto &[column, text] : texts)
                sheet.label(r, column, text);
            for (const auto &[column, number] : numbers)
                sheet.number(r, column, number);
        };
        row(1,
            {{0, QStringLiteral("Sales")},
             {1, QStringLiteral("20240401")},
             {4, QStringLiteral("INV-1")},
             {5, QStringLiteral("Counter sale")},
             {6, QStringLiteral("Sales")},
             {13, QStringLiteral("Widget")},
             {15, QStringLiteral("Nos")},
             {17, QStringLiteral("12.5%")},
             {19, QStringLiteral("DN-1")},
             {20, QStringLiteral("20240401")},
             {21, QStringLiteral("Rao & Sons")},
             {22, QStringLiteral("4 Station Road")}},
            {{2, 1}, {3, 1}, {8, 100}, {14, 2}, {16, 50}, {18, 100}});
        row(2, {{6, QStringLiteral("Rao & Sons")}, {9, QStringLiteral("New Ref")}, {10, QStringLiteral("INV-1")}},
            {{3, 2}, {7, 112.5}, {12, 112.5}});
        row(3, {{6, QStringLiteral("Output VAT")}, {17, QStringLiteral("12.5%")}}, {{3, 3}, {8, 12.5}, {18, 100}});
        row(4,
            {{0, QStringLiteral("Sales")},
             {1, QStringLiteral("20240402")},
             {4, QStringLiteral("INV-2")},
             {5, QStringLiteral("Unknown item")},
             {6, QStringLiteral("Sales")},
             {13, QStringLiteral("Gizmo")},
             {15, QStringLiteral("Nos")}},
            {{2, 2}, {3, 1}, {8, 10}, {14, 1}, {16, 10}});
        row(5, {{6, QStringLiteral("Rao & Sons")}}, {{3, 2}, {7, 10}});
        const QString workbook = path(QStringLiteral("vat.xls"));
        QVERIFY(book.save(workbook));
        const QString report = path(QStringLiteral("vat.txt"));

        const Run run = pelko({QStringLiteral("XLS"), workbook, QStringLiteral("VATTRANSACTIONS"), QString(), report,
                               QStringLiteral("127.0.0.1"), m_server->port(), QStringLiteral("POSTSILENT")},
                              Display::None);

        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(m_server->imports(), 2);
        const QByteArray log = m_server->log();
        for (const char *element :
             {"<BASICSHIPDELIVERYNOTE>DN-1</BASICSHIPDELIVERYNOTE>", "<ADDRESS>4 Station Road</ADDRESS>",
              "<PARTYNAME>Rao &amp; Sons</PARTYNAME>", "<RATE>50.000/Nos</RATE>", "<ACTUALQTY>2.000 Nos</ACTUALQTY>",
              "<BASICRATEOFINVOICETAX>12.500</BASICRATEOFINVOICETAX>", "<AMOUNT>-112.5</AMOUNT>",
              "<ISPARTYLEDGER>Yes</ISPARTYLEDGER>", "<VATASSESSABLEVALUE>100.000</VATASSESSABLEVALUE>"})
            QVERIFY2(log.contains(element), element);
        QCOMPARE(log.count("<ALLLEDGERENTRIES.LIST>"), 3);
        const QStringList lines = reportLines(readFile(report));
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines.at(0), QStringLiteral("Sales-1-20240401-INV-1").leftJustified(75) + QStringLiteral("CREATED"));
        QCOMPARE(lines.at(1).left(75), QStringLiteral("Sales-2-20240402-INV-2").leftJustified(75));
        QVERIFY2(lines.at(1).contains(QStringLiteral("Stock Item 'Gizmo' does not exist!")), qPrintable(lines.at(1)));
    }

    // Delivery and receipt notes from a CSV file: each item's batch row carries its order, tracking number and due
    // date, the order-list lines of both notes go out, a row without a ledger adds only its order line, and the
    // note naming a ledger the server lacks says why in the report while the run ends well.
    void postsNotesFromATextFile()
    {
        restartServer(QStringList{QStringLiteral("ABC Ltd")}, QStringLiteral("ABC Ltd"),
                      QStringList{QStringLiteral("Sales"), QStringLiteral("Patel & Sons"), QStringLiteral("Purchases")},
                      QStringList{QStringLiteral("--stock-item"), QStringLiteral("Widget")});
        const QString report = path(QStringLiteral("notes.txt"));

        const Run run = pelko({QStringLiteral("XLS"), voucherFile("notes.csv"), QStringLiteral("NOTES"), QString(),
                               report, QStringLiteral("127.0.0.1"), m_server->port(), QStringLiteral("POSTSILENT")},
                              Display::None);

        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(m_server->imports(), 2);
        const QByteArray log = m_server->log();
        for (const char *element :
             {"VCHTYPE=\"Delivery Note\"", "VCHTYPE=\"Receipt Note\"", "<ORDERNO>PO-7</ORDERNO>",
              "<TRACKINGNUMBER>TR-1</TRACKINGNUMBER>", "<ORDERDUEDATE>20240410</ORDERDUEDATE>",
              "<BASICPURCHASEORDERNO>PO-9</BASICPURCHASEORDERNO>", "<BASICPURCHASEORDERNO>PO-11</BASICPURCHASEORDERNO>",
              "<DESTINATIONGODOWNNAME>Main Location</DESTINATIONGODOWNNAME>", "<AMOUNT>-100.000</AMOUNT>"})
            QVERIFY2(log.contains(element), element);
        QCOMPARE(log.count("<INVOICEORDERLIST.LIST>"), 4);
        QCOMPARE(log.count("<LEDGERENTRIES.LIST>"), 2);
        QVERIFY(!log.contains("X-1"));
        const QStringList lines = reportLines(readFile(report));
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines.at(0),
                 QStringLiteral("Delivery Note-DN-1-20240405-SO-1").leftJustified(75) + QStringLiteral("CREATED"));
        QCOMPARE(lines.at(1).left(75), QStringLiteral("Receipt Note-RN-1-20240406-PO-2").leftJustified(75));
        QVERIFY2(lines.at(1).contains(QStringLiteral("Ledger 'Supplier' does not exist!")), qPrintable(lines.at(1)));
    }

    // A voucher register from a workbook with its map sheet: each row goes out as a voucher of its own, its lines
    // in the order the map gives them; the map's optional fields keep their places though it leaves some out; a
    // voucher the server refuses says why in the report, and the run ends well.
    void postsAVoucherRegisterFromAWorkbook()
    {
        restartServer(QStringList{QStringLiteral("ABC Ltd")}, QStringLiteral("ABC Ltd"),
                      QStringList{QStringLiteral("Sales"), QStringLiteral("Rao & Sons"), QStringLiteral("Output VAT"),
                                  QStringLiteral("Freight")});

        biffwriter::Workbook book;
        const auto fill = [](biffwriter::Sheet &sheet, const QList<QList<QVariant>> &rows) {
            for (int r = 0; r < rows.size(); ++r) {
                for (int column = 0; column < rows.at(r).size(); ++column) {
                    const QVariant &value = rows.at(r).at(column);
                    if (value.typeId() == QMetaType::Double)
                        sheet.number(r, column, value.toDouble());
                    else if (!value.toString().isEmpty())
                        sheet.label(r, column, value.toString());
                }
            }
        };
        const QString sales = QStringLiteral("Sales");
        const QString rao = QStringLiteral("Rao & Sons");
        // Lines: Sales, VAT, Freight and the party's total, which the map puts first.
        fill(book.addSheet(QStringLiteral("VoucherRegister")),
             {{QStringLiteral("VchType"), QStringLiteral("VchDate"), QStringLiteral("VchNo"), QStringLiteral("RefNo"),
               QStringLiteral("Ledger"), QStringLiteral("Narration"), QStringLiteral("AdjMethod"),
               QStringLiteral("AdjName"), QStringLiteral("AdjAmount"), QStringLiteral("AdjDate"), sales,
               QStringLiteral("VAT"), QStringLiteral("Freight"), QStringLiteral("TotalAmount")},
              {sales, QStringLiteral("20240401"), 1.0, QStringLiteral("INV-1"), rao, QStringLiteral("Counter sale"),
               QStringLiteral("New Ref"), QStringLiteral("INV-1"), 122.5, QString(), 100.0, 12.5, 10.0, 122.5},
              {sales, QStringLiteral("20240402"), 2.0, QStringLiteral("INV-2"), QStringLiteral("Nowhere"), QString(),
               QString(), QString(), 0.0, QString(), 50.0, 0.0, 0.0, 50.0},
              {sales, QStringLiteral("20240403"), 3.0, QStringLiteral("INV-3"), rao, QString(),
               QStringLiteral("New Ref"), QStringLiteral("INV-3"), 30.0, QString(), 30.0, 0.0, 0.0, 30.0}});
        // The map has three of the optional fields, and ServiceTaxLedger without the eight before it.
        fill(book.addSheet(QStringLiteral("VoucherRegisterMap")),
             {{QStringLiteral("ColumnName"), QStringLiteral("LedgerName"), QStringLiteral("LedgerSign"),
               QStringLiteral("Order"), QStringLiteral("VATClassification"), QStringLiteral("VATRate"),
               QStringLiteral("AssessableColumn"), QStringLiteral("ServiceTaxLedger")},
              {QStringLiteral("TotalAmount"), QStringLiteral("Auto"), QStringLiteral("Dr"), 1.0},
              {QStringLiteral("Freight"), QStringLiteral("Freight"), QStringLiteral("cr"), 4.0, QString(), QString(),
               QString(), QStringLiteral("Service Tax")},
              {sales, sales, QStringLiteral("Cr"), 2.0},
              {QStringLiteral("VAT"), QStringLiteral("Output VAT"), QStringLiteral("Cr"), 3.0,
               QStringLiteral("Output VAT @ 12.5%"), 12.5, sales}});
        const QString workbook = path(QStringLiteral("register.xls"));
        QVERIFY(book.save(workbook));
        const QString report = path(QStringLiteral("register.txt"));

        const Run run = pelko({QStringLiteral("XLS"), workbook, QStringLiteral("VoucherRegister"), QString(), report,
                               QStringLiteral("127.0.0.1"), m_server->port(), QStringLiteral("POSTSILENT")},
                              Display::None);

        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(m_server->imports(), 3);
        const QByteArray log = m_server->log();
        const QRegularExpression lines(QStringLiteral("<LEDGERNAME>([^<]*)</LEDGERNAME>"));
        QStringList ledgers;
        for (const QRegularExpressionMatch &match : lines.globalMatch(QString::fromUtf8(log)))
            ledgers << match.captured(1);
        QCOMPARE(ledgers, (QStringList{QStringLiteral("Rao &amp; Sons"), sales, QStringLiteral("Output VAT"),
                                       QStringLiteral("Freight"), QStringLiteral("Nowhere"), sales,
                                       QStringLiteral("Rao &amp; Sons"), sales}));
        for (const char *element :
             {"<AMOUNT>-122.5</AMOUNT>", "<AMOUNT>-122.500</AMOUNT>", "<ISPARTYLEDGER>Yes</ISPARTYLEDGER>",
              "<TAXCLASSIFICATIONNAME>Output VAT @ 12.5%</TAXCLASSIFICATIONNAME>",
              "<VATASSESSABLEVALUE>100</VATASSESSABLEVALUE>", "<BASICRATEOFINVOICETAX>12.5</BASICRATEOFINVOICETAX>",
              "<SERVICETAXLEDGER>Service Tax</SERVICETAXLEDGER>", "<AMOUNT>30.000</AMOUNT>"})
            QVERIFY2(log.contains(element), element);
        QCOMPARE(log.count("<SERVICETAXLEDGER>"), 1);
        const QStringList reportLines = ::reportLines(readFile(report));
        QCOMPARE(reportLines.size(), 3);
        QCOMPARE(reportLines.at(0),
                 QStringLiteral("Sales-1-20240401-INV-1").leftJustified(75) + QStringLiteral("CREATED"));
        QCOMPARE(reportLines.at(1).left(75), QStringLiteral("Sales-2-20240402-INV-2").leftJustified(75));
        QVERIFY2(reportLines.at(1).contains(QStringLiteral("Ledger 'Nowhere' does not exist!")),
                 qPrintable(reportLines.at(1)));
        QCOMPARE(reportLines.at(2),
                 QStringLiteral("Sales-3-20240403-INV-3").leftJustified(75) + QStringLiteral("CREATED"));
    }

    // Stock journals from a CSV file: items moved out and in with their batch rows go out one request per voucher;
    // a voucher with a direction that is neither IN nor OUT, and one with a godown before its first item, are not
    // sent and say why in the report. Neither is an error of the program: the run ends with 0.
    void postsStockJournalsFromATextFile()
    {
        restartServer(QStringList{QStringLiteral("ABC Ltd")}, QStringLiteral("ABC Ltd"), QStringList{},
                      QStringList{QStringLiteral("--stock-item"), QStringLiteral("Widget"),
                                  QStringLiteral("--stock-item"), QStringLiteral("Gadget")});
        const QString source = writeFile(QStringLiteral("StockJV.csv"), readFile(voucherFile("stock-journals.csv")));
        const QString report = path(QStringLiteral("stock.txt"));

        const Run run = pelko({QStringLiteral("XLS"), source, QStringLiteral("STOCKJV"), QString(), report,
                               QStringLiteral("127.0.0.1"), m_server->port(), QStringLiteral("POSTSILENT")},
                              Display::None);

        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(m_server->imports(), 2);
        const QByteArray log = m_server->log();
        QCOMPARE(log.count("<INVENTORYENTRIESOUT.LIST>"), 2);
        QCOMPARE(log.count("<INVENTORYENTRIESIN.LIST>"), 2);
        QCOMPARE(log.count("<BATCHALLOCATIONS.LIST>"), 4);
        for (const char *element : {"<DESTINATIONGODOWNNAME>Side Store</DESTINATIONGODOWNNAME>",
                                    "<AMOUNT>-50.000</AMOUNT>", "<ACTUALQTY>1.500 Nos</ACTUALQTY>"})
            QVERIFY2(log.contains(element), element);
        QVERIFY(!log.contains("REMOTEID=\"Stock Journal-3-20240403\""));
        const QStringList lines = reportLines(readFile(report));
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines.at(0),
                 QStringLiteral("Stock Journal-1-20240401-SJ-1").leftJustified(75) + QStringLiteral("CREATED"));
        QCOMPARE(lines.at(1),
                 QStringLiteral("Stock Journal-2-20240402-").leftJustified(75) + QStringLiteral("CREATED"));
        QCOMPARE(lines.at(2), QStringLiteral("Stock Journal-3-20240403-SJ-3").leftJustified(75) +
                                  QStringLiteral("ERROR: row 6 gives its item the direction \"Sideways\", neither IN "
                                                 "nor OUT; the voucher was not sent"));
        QCOMPARE(lines.at(3), QStringLiteral("Stock Journal-4-20240404-SJ-4").leftJustified(75) +
                                  QStringLiteral("ERROR: row 7 names the godown \"Side Store\" before any item of "
                                                 "the voucher; the voucher was not sent"));
    }

    // Another program holding the staging file: held past the busy time-out from the start, nothing is posted and
    // the run ends with status 2; taken after the first voucher and held, the next voucher is not sent, its line
    // says it could not be staged, one error is reported and the status is 1; let go before the time-out, every
    // voucher is staged and sent.
    void stagingFileHeldByAnotherProgram_data()
    {
        QTest::addColumn<QString>("hold");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<int>("imports");
        QTest::newRow("held from the start") << u"start"_qs << 2 << 0;
        QTest::newRow("held after the first voucher") << u"after first"_qs << 1 << 1;
        QTest::newRow("let go before the time-out") << u"let go"_qs << 0 << 2;
    }
    void stagingFileHeldByAnotherProgram()
    {
        QFETCH(QString, hold);
        QFETCH(int, exitCode);
        QFETCH(int, imports);
        const QString company = QStringLiteral("ABC Ltd");
        restartServer({company}, company, voucherLedgers(), {QStringLiteral("--slow"), QStringLiteral("300")});
        const QString sheet = writeSheet(QStringLiteral("held"), quickTransactions(u"Held"_qs, u"Travel"_qs, 2));
        const QString report = path(QStringLiteral("held.txt"));
        const QString stagingFile = path(QStringLiteral("home/Pelko10.DAT"));
        // The file made, as an earlier run leaves it.
        QCOMPARE(pelko({QStringLiteral("XLS"), sheet, QStringLiteral("QUICKTRANSACTIONS"), QString(), report,
                        QStringLiteral("127.0.0.1"), m_server->port(), QStringLiteral("POSTSILENT")},
                       Display::None)
                     .exitCode,
                 0);
        QVERIFY(QFile::remove(path(QStringLiteral("tallysim.log"))));
        restartServer({company}, company, voucherLedgers(), {QStringLiteral("--slow"), QStringLiteral("300")});

        std::optional<StagingLock> lock;
        if (hold != QLatin1String("after first"))
            lock.emplace(stagingFile);
        std::unique_ptr<QProcess> process =
            startPelko({QStringLiteral("XLS"), sheet, QStringLiteral("QUICKTRANSACTIONS"), QString(), report,
                        QStringLiteral("127.0.0.1"), m_server->port(), QStringLiteral("POSTSILENT")});
        if (hold == QLatin1String("after first")) {
            QElapsedTimer clock;
            clock.start();
            while (m_server->imports() < 1 && clock.elapsed() < runTimeoutMs)
                QTest::qWait(10);
            lock.emplace(stagingFile);
        } else if (hold == QLatin1String("let go")) {
            QTest::qWait(1000);
            lock->release();
        }
        const Run run = finish(*process);
        lock.reset();

        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(m_server->imports(), imports);
        const QByteArray errorLog = readFile(path(QStringLiteral("home/Pelko10Errors.txt")));
        QCOMPARE(int(errorLog.count("LOCATION CODE")), exitCode == 0 ? 0 : 1);
        if (exitCode != 0)
            QVERIFY2(errorLog.contains("Pelko10.DAT") && errorLog.contains("database is locked"), errorLog.constData());
        if (hold == QLatin1String("after first")) {
            const QStringList lines = reportLines(readFile(report));
            QCOMPARE(lines.size(), 2);
            QVERIFY2(lines.at(0).endsWith(QStringLiteral("CREATED")), qPrintable(lines.at(0)));
            QVERIFY2(lines.at(1).contains(QStringLiteral("could not be staged")), qPrintable(lines.at(1)));
        }
    }

    // Two runs starting together on a missing staging file both make it and both post.
    void twoRunsMakeTheStagingFileAtOnce()
    {
        const QString company = QStringLiteral("ABC Ltd");
        for (int attempt = 0; attempt < 4; ++attempt) {
            QFile::remove(path(QStringLiteral("home/Pelko10.DAT")));
            QFile::remove(path(QStringLiteral("tallysim.log")));
            restartServer({company}, company);
            const QString sheet = writeSheet(QStringLiteral("made"), quickTransactions(u"Made"_qs, u"Travel"_qs, 3));
            const QStringList arguments{QStringLiteral("XLS"),
                                        sheet,
                                        QStringLiteral("QUICKTRANSACTIONS"),
                                        QString(),
                                        QString(),
                                        QStringLiteral("127.0.0.1"),
                                        m_server->port(),
                                        QStringLiteral("POSTSILENT")};
            std::unique_ptr<QProcess> first = startPelko(arguments);
            std::unique_ptr<QProcess> second = startPelko(arguments);
            const Run firstRun = finish(*first);
            const Run secondRun = finish(*second);
            QCOMPARE(firstRun.exitCode, 0);
            QCOMPARE(secondRun.exitCode, 0);
            QCOMPARE(m_server->imports(), 6);
        }
    }

    // Two runs at once from one program folder, for one company, each against its own server: every request
    // holds exactly its own sheet's lines, on a fresh staging file and on one whose tables an earlier build made
    // (without keys), which the runs make anew.
    void twoRunsAtOnceKeepToTheirOwnSheets_data()
    {
        QTest::addColumn<bool>("earlierBuild");
        QTest::newRow("fresh file") << false;
        QTest::newRow("earlier build's tables") << true;
    }
    void twoRunsAtOnceKeepToTheirOwnSheets()
    {
        QFETCH(bool, earlierBuild);
        const QString company = QStringLiteral("ABC Ltd");
        if (earlierBuild) {
            QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("earlier"));
            database.setDatabaseName(path(QStringLiteral("home/Pelko10.DAT")));
            QVERIFY(database.open());
            QSqlQuery query(database);
            QVERIFY(query.exec(QStringLiteral("CREATE TABLE Voucher (CompanyName TEXT, VchID TEXT, Narration_ TEXT)")));
            QVERIFY(query.exec(QStringLiteral(
                "CREATE TABLE LedgerEntry (CompanyName TEXT, FK_VchID TEXT, LdEID TEXT, LedgerName_ TEXT, "
                "Amount_ TEXT)")));
            QVERIFY(query.exec(QStringLiteral("INSERT INTO LedgerEntry VALUES ('ABC Ltd', '1', '1', 'Stale', '1')")));
            database.close();
            database = QSqlDatabase();
            QSqlDatabase::removeDatabase(QStringLiteral("earlier"));
        }
        restartServer({company}, company);
        Tallysim other({company}, company, path(QStringLiteral("other.log")), voucherLedgers());
        QVERIFY(!other.port().isEmpty());
        constexpr int vouchers = 60;
        const QString sheetA = writeSheet(QStringLiteral("a"), quickTransactions(u"SheetA"_qs, u"Travel"_qs, vouchers));
        const QString sheetB =
            writeSheet(QStringLiteral("b"), quickTransactions(u"SheetB"_qs, u"Office Rent"_qs, vouchers));
        std::unique_ptr<QProcess> first =
            startPelko({QStringLiteral("XLS"), sheetA, QStringLiteral("QUICKTRANSACTIONS"), company, QString(),
                        QStringLiteral("127.0.0.1"), m_server->port(), QStringLiteral("POSTSILENT")});
        std::unique_ptr<QProcess> second =
            startPelko({QStringLiteral("XLS"), sheetB, QStringLiteral("QUICKTRANSACTIONS"), company, QString(),
                        QStringLiteral("127.0.0.1"), other.port(), QStringLiteral("POSTSILENT")});
        QCOMPARE(finish(*first).exitCode, 0);
        QCOMPARE(finish(*second).exitCode, 0);

        for (const auto &[log, own, foreign, ownLedger, foreignLedger] :
             {std::tuple{m_server->log(), QByteArray("SheetA"), QByteArray("SheetB"), QByteArray("Travel"),
                         QByteArray("Office Rent")},
              std::tuple{other.log(), QByteArray("SheetB"), QByteArray("SheetA"), QByteArray("Office Rent"),
                         QByteArray("Travel")}}) {
            QCOMPARE(int(log.count(importMarker)), vouchers);
            QVERIFY(!log.contains(foreign));
            QVERIFY(!log.contains(foreignLedger));
            QVERIFY(!log.contains("Stale"));
            // Each voucher carries its own narration and its own two lines, once.
            for (int i = 1; i <= vouchers; ++i) {
                const QByteArray narration =
                    QByteArray("<NARRATION>") + own + ' ' + QByteArray::number(i) + "</NARRATION>";
                QCOMPARE(int(log.count(narration)), 1);
            }
            QCOMPARE(int(log.count(QByteArray("<LEDGERNAME>" + ownLedger + "</LEDGERNAME>"))), vouchers);
            QCOMPARE(int(log.count("<LEDGERNAME>Cash</LEDGERNAME>")), vouchers);
        }
    }

    // Voucher sheets written the way accountants write them, each from a CSV file through the whole program:
    // every line reaches the request of its own voucher, in its own place and with its own amount, or its voucher
    // is kept from the server with its row saying why, and the run goes on with status 0.
    void voucherSheetShapes_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("importType");
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<QStringList>("vouchers"); // what each request sent, as postedLines() writes it
        QTest::addColumn<QStringList>("report");   // each report line, its key trimmed

        // SrNo 10 is line 9's cost-centre row: read as texts, "10" would sort before "2" and hang under line 1.
        QTest::newRow("twelve rows, a cost row under line 9")
            << u"CostTransactions.csv"_s << u"COST TRANSACTIONS"_s
            << QByteArray("VchType,VchDate,VchNo,SrNo,RefNo,Narration,Ledger,Debit,Credit,AdjMethod,AdjName,AdjDate,"
                          "AdjAmount,CostCategory,CostCentre,CostAmount\r\n"
                          "Journal,20240401,1,1,J-1,Twelve rows,Office Rent,45,,,,,,,,\r\n"
                          ",,,11,,,Travel,,11,,,,,,,\r\n"
                          ",,,12,,,Travel,,12,,,,,,,\r\n"
                          ",,,2,,,Travel,,2,,,,,,,\r\n"
                          ",,,3,,,Travel,,3,,,,,,,\r\n"
                          ",,,4,,,Travel,,4,,,,,,,\r\n"
                          ",,,5,,,Travel,,5,,,,,,,\r\n"
                          ",,,6,,,Travel,,6,,,,,,,\r\n"
                          ",,,7,,,Travel,,7,,,,,,,\r\n"
                          ",,,8,,,Travel,,8,,,,,,,\r\n"
                          ",,,9,,,Travel,,9,,,,,,,\r\n"
                          ",,,10,,,,,,,,,,,North,9\r\n")
            << QStringList{u"Journal-1-20240401 [J-1] Office Rent -45; Travel 2.000; Travel 3.000; Travel 4.000; "
                           u"Travel 5.000; Travel 6.000; Travel 7.000; Travel 8.000; Travel 9.000 {North 9.000}; "
                           u"Travel 11.000; Travel 12.000"_s}
            << QStringList{u"Journal-1-20240401-J-1 CREATED"_s};
        // A cost row with no line above it in its voucher has nowhere to go: the voucher waits for the sheet to
        // be mended, and the next one posts.
        QTest::newRow("a cost row before the first line")
            << u"CostTransactions.csv"_s << u"COST TRANSACTIONS"_s
            << QByteArray("VchType,VchDate,VchNo,SrNo,RefNo,Narration,Ledger,Debit,Credit,AdjMethod,AdjName,AdjDate,"
                          "AdjAmount,CostCategory,CostCentre,CostAmount\r\n"
                          "Journal,20240401,1,1,,,,,,,,,,,North,5\r\n"
                          ",,,2,,,Office Rent,5,,,,,,,,\r\n"
                          ",,,3,,,Travel,,5,,,,,,,\r\n"
                          "Journal,20240401,2,1,,,Office Rent,7,,,,,,,,\r\n"
                          ",,,2,,,Travel,,7,,,,,,,\r\n")
            << QStringList{u"Journal-2-20240401 [] Office Rent -7; Travel 7.000"_s}
            << QStringList{u"Journal-1-20240401- ERROR: row 1 gives a cost centre but no ledger line stands above it "
                           u"in its voucher; the voucher was not sent"_s,
                           u"Journal-2-20240401- CREATED"_s};

        const QByteArray withId = "ID,VchType,VchDate,VchNo,SrNo,RefNo,Ledger,Debit,Credit,Narration\r\n";
        // Each voucher's ID on its first row only, its rows apart in the file: the ID stays within its voucher.
        QTest::newRow("out of order, IDs on first rows only")
            << u"Transactions.csv"_s << u"TRANSACTIONS"_s
            << withId + "J1,Journal,20240401,3,1,,Office Rent,200,,Rent\r\n"
                        "R1,Receipt,20240402,7,1,CHQ 1,State Bank,500,,Cheque\r\n"
                        ",Journal,20240401,3,2,,Rao & Sons,,200,\r\n"
                        ",Receipt,20240402,7,2,,Sharma Traders,,500,\r\n"
            << QStringList{u"J1 [] Office Rent -200; Rao & Sons 200.000"_s,
                           u"R1 [CHQ 1] State Bank -500; Sharma Traders 500.000"_s}
            << QStringList{u"J1 CREATED"_s, u"R1 CREATED"_s};
        // Two journals of a day left for Tally to number: their IDs keep them apart.
        QTest::newRow("two journals of one type, date and number")
            << u"Transactions.csv"_s << u"TRANSACTIONS"_s
            << withId + "J-A,Journal,20240401,,1,,Office Rent,100,,First\r\n"
                        "J-B,Journal,20240401,,1,,Travel,50,,Second\r\n"
                        "J-A,Journal,20240401,,2,,Rao & Sons,,100,\r\n"
                        "J-B,Journal,20240401,,2,,Sharma Traders,,50,\r\n"
            << QStringList{u"J-A [] Office Rent -100; Rao & Sons 100.000"_s,
                           u"J-B [] Travel -50; Sharma Traders 50.000"_s}
            << QStringList{u"J-A CREATED"_s, u"J-B CREATED"_s};
        // Rows without an ID in a group of two vouchers could belong to either: nothing of the group is guessed.
        QTest::newRow("rows without an ID among two vouchers")
            << u"Transactions.csv"_s << u"TRANSACTIONS"_s
            << withId + "J1,Journal,20240401,5,1,,Office Rent,100,,\r\n"
                        "R9,Receipt,20240401,9,1,,State Bank,70,,\r\n"
                        ",Journal,20240401,5,2,,Rao & Sons,,100,\r\n"
                        "J2,Journal,20240401,5,1,,Travel,30,,\r\n"
                        ",Receipt,20240401,9,2,,Sharma Traders,,70,\r\n"
            << QStringList{u"R9 [] State Bank -70; Sharma Traders 70.000"_s}
            << QStringList{u" ERROR: row 1 has no ID; the voucher was not sent"_s,
                           u"J1 ERROR: row 2 shares its voucher type, date and number with rows that have no ID, which "
                           u"could belong to any of that group's vouchers; the voucher was not sent"_s,
                           u"J2 ERROR: row 3 shares its voucher type, date and number with rows that have no ID, which "
                           u"could belong to any of that group's vouchers; the voucher was not sent"_s,
                           u"R9 CREATED"_s};
        // An ID reused on another date would alter the voucher posted under it.
        QTest::newRow("an ID reused on another date")
            << u"Transactions.csv"_s << u"TRANSACTIONS"_s
            << withId + "V1,Payment,20240401,1,1,,Office Rent,10,,\r\n"
                        "V1,Payment,20240401,1,2,,State Bank,,10,\r\n"
                        "V2,Payment,20240402,2,1,,Travel,20,,\r\n"
                        "V1,Payment,20240403,3,1,,Travel,30,,\r\n"
            << QStringList{u"V1 [] Office Rent -10; State Bank 10.000"_s, u"V2 [] Travel -20"_s}
            << QStringList{u"V1 CREATED"_s, u"V2 CREATED"_s,
                           u"V1 ERROR: row 4 has the ID \"V1\" of the voucher posted at row 2 in this run; the voucher "
                           u"was not sent"_s};
        const QByteArray plain = "VchType,VchDate,VchNo,SrNo,RefNo,Ledger,Debit,Credit,Narration\r\n";
        // The second voucher has no reference of its own, and takes none from the voucher above.
        QTest::newRow("a voucher without a reference")
            << u"Transactions.csv"_s << u"TRANSACTIONS"_s
            << plain + "Payment,20240401,1,1,V-7,Office Rent,10,,Rent\r\n"
                       ",,,2,,State Bank,,10,\r\n"
                       "Payment,20240401,2,1,,Travel,20,,\r\n"
                       ",,,2,,State Bank,,20,\r\n"
            << QStringList{u"Payment-1-20240401 [V-7] Office Rent -10; State Bank 10.000"_s,
                           u"Payment-2-20240401 [] Travel -20; State Bank 20.000"_s}
            << QStringList{u"Payment-1-20240401-V-7 CREATED"_s, u"Payment-2-20240401- CREATED"_s};
        // Indian grouping reads; a decimal comma is no number the program can be sure of.
        QTest::newRow("amounts with commas")
            << u"Transactions.csv"_s << u"TRANSACTIONS"_s
            << plain + "Payment,20240401,1,1,,Office Rent,\"1,23,456.50\",,\r\n"
                       ",,,2,,State Bank,,\"1,23,456.50\",\r\n"
                       "Payment,20240401,2,1,,Travel,\"1,5\",,\r\n"
                       ",,,2,,State Bank,,\"1,5\",\r\n"
            << QStringList{u"Payment-1-20240401 [] Office Rent -123456.5; State Bank 123456.500"_s}
            << QStringList{u"Payment-1-20240401- CREATED"_s,
                           u"Payment-2-20240401- ERROR: the column DEBIT holds \"1,5\", which is not a number; not "
                           u"posted."_s};
    }
    void voucherSheetShapes()
    {
        QFETCH(QString, fileName);
        QFETCH(QString, importType);
        QFETCH(QByteArray, csv);
        QFETCH(QStringList, vouchers);
        QFETCH(QStringList, report);
        restartServer({QStringLiteral("ABC Ltd")}, QStringLiteral("ABC Ltd"));
        const QString source = writeFile(fileName, csv);
        const QString reportPath = path(QStringLiteral("report.txt"));

        const Run run = pelko({QStringLiteral("XLS"), source, importType, QString(), reportPath,
                               QStringLiteral("127.0.0.1"), m_server->port(), QStringLiteral("POSTSILENT")},
                              Display::None);

        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(postedVouchers(m_server->log()), vouchers);
        QStringList lines;
        for (const QString &line : reportLines(readFile(reportPath)))
            lines.append(line.left(75).trimmed() + QLatin1Char(' ') + line.mid(75));
        QCOMPARE(lines, report);
    }

    // Two unattended runs at once, each against its own server, share one settings store: each run keeps to the
    // server it started with, though the other stores its own meanwhile.
    void twoRunsAgainstTwoServersAtOnce()
    {
        Tallysim slow({QStringLiteral("ABC Ltd")}, QStringLiteral("ABC Ltd"), path(QStringLiteral("slow.log")), {},
                      {QStringLiteral("--slow"), QStringLiteral("400")});
        QVERIFY(!slow.port().isEmpty());
        const QString firstReport = path(QStringLiteral("first.txt"));
        const QString secondReport = path(QStringLiteral("second.txt"));

        std::unique_ptr<QProcess> first =
            startPelko({QStringLiteral("XLS"), sourceFile("masters.xls"), QStringLiteral("LEDGER GROUPS"), QString(),
                        firstReport, QStringLiteral("127.0.0.1"), slow.port(), QStringLiteral("POSTSILENT")});
        QElapsedTimer clock;
        clock.start();
        while (slow.imports() < 1 && clock.elapsed() < runTimeoutMs)
            QTest::qWait(50);
        QCOMPARE(slow.imports(), 1);
        const Run second =
            pelko({QStringLiteral("XLS"), sourceFile("masters.xls"), QStringLiteral("LEDGER GROUPS"), QString(),
                   secondReport, QStringLiteral("127.0.0.1"), m_server->port(), QStringLiteral("POSTSILENT")},
                  Display::None);
        const Run firstRun = finish(*first);

        QCOMPARE(firstRun.exitCode, 0);
        QCOMPARE(second.exitCode, 0);
        QCOMPARE(slow.imports(), 3);
        QCOMPARE(m_server->imports(), 3);
        for (const QString &report : {firstReport, secondReport}) {
            const QByteArray text = readFile(report);
            QCOMPARE(text.count("CREATED"), 3);
        }
    }

    // Answers that are no import result, and answers that imported nothing, end the run with status 1, each post's
    // row saying what happened: the first failure is written out as its box would show it, and every one goes to
    // the error log. A TallyPrime refusal is the server's answer: its rows show EXCEPTIONS, the run goes on and
    // ends with 0.
    void failedPostsAndRefusals_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("status");
        QTest::newRow("HTTP 500") << QStringList{QStringLiteral("--http-error"), QStringLiteral("500"),
                                                 QStringLiteral("--imports-only")}
                                  << 1 << "ERROR: HTTP status 500 from the server, no Tally reply";
        QTest::newRow("garbage") << QStringList{QStringLiteral("--garbage"), QStringLiteral("--imports-only")} << 1
                                 << "ERROR: no Tally reply from the server";
        QTest::newRow("unknown request")
            << QStringList{QStringLiteral("--http-error"), QStringLiteral("200"), QStringLiteral("--error-body"),
                           QStringLiteral("<RESPONSE>Unknown Request, cannot be processed</RESPONSE>"),
                           QStringLiteral("--imports-only")}
            << 1 << "ERROR: Tally imported nothing; it answered \"Unknown Request, cannot be processed\"";
        QTest::newRow("EXCEPTIONS") << QStringList{QStringLiteral("--exceptions")} << 0
                                    << "EXCEPTIONS Group 'Nowhere' does not exist!";
    }
    void failedPostsAndRefusals()
    {
        QFETCH(QStringList, options);
        QFETCH(int, exitCode);
        QFETCH(QString, status);
        Tallysim server({QStringLiteral("ABC Ltd")}, QStringLiteral("ABC Ltd"), path(QStringLiteral("failing.log")), {},
                        options);
        QVERIFY(!server.port().isEmpty());
        const QString source = writeFile(QStringLiteral("Ledgers.csv"),
                                         "Name,Parent\r\nFirst,Nowhere\r\nSecond,Nowhere\r\nThird,Nowhere\r\n");
        const QString report = path(QStringLiteral("report.txt"));

        const Run run = pelko({QStringLiteral("XLS"), source, QStringLiteral("LEDGERS"), QString(), report,
                               QStringLiteral("127.0.0.1"), server.port(), QStringLiteral("POSTSILENT")},
                              Display::None);

        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(server.imports(), 3);
        const QStringList lines = QString::fromUtf8(readFile(report)).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines.at(0), QStringLiteral("First").leftJustified(75) + status +
                                  (exitCode == 0 ? QStringLiteral("Group 'Nowhere' does not exist! - ") : QString()));
        QVERIFY(lines.at(1).startsWith(QStringLiteral("Second").leftJustified(75) + status));
        QVERIFY(lines.at(2).startsWith(QStringLiteral("Third").leftJustified(75) + status));
        const QByteArray log = readFile(path(QStringLiteral("home/Pelko10Errors.txt")));
        QCOMPARE(run.errors.count(QStringLiteral("LOCATION CODE: C02-0001()")), exitCode == 0 ? 0 : 1);
        QCOMPARE(log.count("LOCATION CODE: C02-0001()"), exitCode == 0 ? 0 : 3);
    }

    // The server goes away in the middle of a run: the row it left unanswered says so, the error is reported
    // once, the rows after it are not tried and the report says so for each, and the run ends with status 1.
    void serverDiesMidRun()
    {
        Tallysim slow({QStringLiteral("ABC Ltd")}, QStringLiteral("ABC Ltd"), path(QStringLiteral("slow.log")), {},
                      {QStringLiteral("--slow"), QStringLiteral("300")});
        QVERIFY(!slow.port().isEmpty());
        const QString report = path(QStringLiteral("report.txt"));
        std::unique_ptr<QProcess> process =
            startPelko({QStringLiteral("XLS"), sourceFile("masters.xls"), QStringLiteral("LEDGER GROUPS"), QString(),
                        report, QStringLiteral("127.0.0.1"), slow.port(), QStringLiteral("POSTSILENT")});
        QElapsedTimer clock;
        clock.start();
        while (slow.imports() < 2 && clock.elapsed() < runTimeoutMs)
            QTest::qWait(20);
        slow.stop();
        const Run run = finish(*process);

        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.errors.count(QStringLiteral("LOCATION CODE: C02-0001()")), 1);
        const QStringList lines = QString::fromUtf8(readFile(report)).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 4);
        QVERIFY2(lines.at(0).endsWith(QLatin1String("CREATED")), qPrintable(lines.at(0)));
        QVERIFY2(lines.at(1).mid(75).startsWith(QLatin1String("ERROR: no answer from Tally (")),
                 qPrintable(lines.at(1)));
        QCOMPARE(lines.at(2).mid(75), QStringLiteral("NOT POSTED: the run stopped at row 2, as the server stopped "
                                                     "answering"));
    }

    // An unattended run told to stop (SIGTERM) finishes the master in flight, marks each master it did not try,
    // writes its report and ends with status 1.
    void stopSignalMidRun()
    {
        Tallysim slow({QStringLiteral("ABC Ltd")}, QStringLiteral("ABC Ltd"), path(QStringLiteral("slow.log")), {},
                      {QStringLiteral("--slow"), QStringLiteral("300")});
        QVERIFY(!slow.port().isEmpty());
        const QString report = path(QStringLiteral("report.txt"));
        std::unique_ptr<QProcess> process =
            startPelko({QStringLiteral("XLS"), sourceFile("masters.xls"), QStringLiteral("LEDGER GROUPS"), QString(),
                        report, QStringLiteral("127.0.0.1"), slow.port(), QStringLiteral("POSTSILENT")});
        QElapsedTimer clock;
        clock.start();
        while (slow.imports() < 1 && clock.elapsed() < runTimeoutMs)
            QTest::qWait(5);
        process->terminate();
        const Run run = finish(*process);

        QCOMPARE(run.exitCode, 1);
        const int imported = slow.imports();
        QVERIFY2(imported >= 1 && imported < 3, qPrintable(QString::number(imported)));
        const QStringList lines = QString::fromUtf8(readFile(report)).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 4);
        for (int i = 0; i < 3; ++i) {
            const QString status = lines.at(i).mid(75);
            if (i < imported)
                QVERIFY2(status.endsWith(QLatin1String("CREATED")), qPrintable(status));
            else
                QCOMPARE(status,
                         QStringLiteral("NOT POSTED: the run stopped at row %1, as the program was told to stop")
                             .arg(imported + 1));
        }
    }

    // A report that cannot be written whole (here: no file may grow, as on a full disk) is an error: the report
    // written before stays as it was, the error log's entry that cannot be written either goes to standard
    // error, and the run ends with status 1.
    void reportOnAFullDisk()
    {
        storeServer(QStringLiteral("127.0.0.1"), m_server->port());
        const QString report = writeFile(QStringLiteral("report.txt"), "earlier run\r\n");

        const Run run = pelko({QStringLiteral("XLS"), sourceFile("masters.xls"), QStringLiteral("GODOWNS"), QString(),
                               report, QString(), QString(), QStringLiteral("POSTSILENT")},
                              Display::None, QStringLiteral("C.UTF-8"), fileSizeLimit);

        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(m_server->imports(), 3);
        QCOMPARE(readFile(report), QByteArray("earlier run\r\n"));
        // Once in the error box, written out for want of a display, and once for the log.
        QCOMPARE(run.errors.count(QLatin1String("=> LOCATION CODE: F01-0045()")), 2);
        QCOMPARE(QFileInfo(path(QStringLiteral("home/Pelko10Errors.txt"))).size(), 0);
    }

    // The disk fills while vouchers are staged: every voucher after that fails to stage and is not sent, each
    // failure is logged and marked on its row, and the box is shown once for the run.
    void stagingOnAFullDisk()
    {
        restartServer({QStringLiteral("ABC Ltd")}, QStringLiteral("ABC Ltd"));
        QByteArray sheet = "VchType,VchDate,VchNo,SrNo,RefNo,Ledger,Debit,Credit,Narration\r\n";
        const int vouchers = 60;
        for (int number = 1; number <= vouchers; ++number) {
            const QByteArray n = QByteArray::number(number);
            sheet += "Payment," + QByteArray("20240401,") + n + ",1,,Travel," + n + ",," + QByteArray(200, 'x') +
                     "\r\n,,,2,,Office Rent,," + n + ",\r\n";
        }
        const QString source = writeFile(QStringLiteral("Transactions.csv"), sheet);
        const QString report = path(QStringLiteral("report.txt"));
        // Room for the staging file's first vouchers, the log and the report, as a disk nearly full.
        const QString nearlyFull = QStringLiteral("trap '' XFSZ; ulimit -f 300; exec \"$0\" \"$@\"");

        const Run run = pelko({QStringLiteral("XLS"), source, QStringLiteral("TRANSACTIONS"), QString(), report,
                               QStringLiteral("127.0.0.1"), m_server->port(), QStringLiteral("POSTSILENT")},
                              Display::None, QStringLiteral("C.UTF-8"), nearlyFull);

        QVERIFY(run.finished);
        QVERIFY2(run.exitCode == 1, qPrintable(run.errors.left(3000)));
        const QStringList lines = reportLines(readFile(report));
        QCOMPARE(lines.size(), vouchers);
        const int notStaged = int(lines.filter(QStringLiteral("could not be staged")).size());
        QVERIFY2(notStaged > 0 && m_server->imports() > 0, qPrintable(lines.join(QLatin1Char('\n'))));
        QCOMPARE(m_server->imports() + notStaged, vouchers);
        QCOMPARE(run.errors.count(QStringLiteral("(answered OK)")), 1);
        QVERIFY2(run.errors.contains(QStringLiteral("Pelko10.DAT")), qPrintable(run.errors));
        const QByteArray errorLog = readFile(path(QStringLiteral("home/Pelko10Errors.txt")));
        QCOMPARE(int(errorLog.count("LOCATION CODE")), notStaged);
    }

    // A report path that names no regular file is refused and left as it is.
    void reportOnSomethingElseThanAFile_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("a device") << "/dev/null";
        QTest::newRow("a pipe") << "pipe";
    }
    void reportOnSomethingElseThanAFile()
    {
        QFETCH(QString, target);
        QString report = target;
        if (target == QLatin1String("pipe")) {
            report = path(QStringLiteral("pipe"));
            QCOMPARE(::mkfifo(QFile::encodeName(report).constData(), 0644), 0);
        }
        struct stat before = {};
        QCOMPARE(::stat(QFile::encodeName(report).constData(), &before), 0);

        const Run run = pelko({QStringLiteral("XLS"), sourceFile("masters.xls"), QStringLiteral("GODOWNS"), QString(),
                               report, QStringLiteral("127.0.0.1"), m_server->port(), QStringLiteral("POSTSILENT")},
                              Display::None);

        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.errors.contains(QLatin1String("not a regular file; the report was not written there")),
                 qPrintable(run.errors));
        struct stat after = {};
        QCOMPARE(::stat(QFile::encodeName(report).constData(), &after), 0);
        QCOMPARE(after.st_mode, before.st_mode);
        QCOMPARE(after.st_ino, before.st_ino);
    }

    // A source that is no text file of records posts nothing: the run says why in one line and ends with 2.
    void sourceThatIsNoTextFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("because");
        QTest::newRow("empty") << QByteArray() << "has no header row: its first line is empty.";
        QTest::newRow("NULs") << QByteArray(100, '\0') << "is not a text file: it holds NUL bytes.";
        QTest::newRow("binary") << QByteArray("\x7f"
                                              "ELF\x02\x01\x01\0\0\0",
                                              10)
                                << "is not a text file: it holds NUL bytes.";
        QTest::newRow("UTF-16") << QByteArray("\xFF\xFEN\0a\0m\0e\0\r\0\n\0", 14)
                                << "is not a text file this program reads: it is written in UTF-16.";
        QTest::newRow("quote left open") << QByteArray(
                                                "Name,Parent\r\n\"Beta,Sundry Debtors\r\nGamma,Sundry Debtors\r\n")
                                         << "cannot be read: the quote that opens a field on line 2 is never closed.";
    }
    void sourceThatIsNoTextFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, because);
        const QString source = writeFile(QStringLiteral("Ledgers.csv"), bytes);

        const Run run = pelko({QStringLiteral("XLS"), source, QStringLiteral("LEDGERS"), QString(), QString(),
                               QStringLiteral("127.0.0.1"), m_server->port(), QStringLiteral("POSTSILENT")},
                              Display::None);

        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 2);
        QCOMPARE(notPostedLine(run), QStringLiteral("\"LEDGERS\" could not be loaded: 'Ledgers.csv' ") + because);
        QCOMPARE(m_server->imports(), 0);
    }

    // Each way a run can find nothing to post says so in one line.
    void runThatCannotStart_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("importType");
        QTest::addColumn<QString>("company");
        QTest::addColumn<bool>("stopServer");
        QTest::addColumn<QString>("because");
        QTest::newRow("missing source") << "missing.xls"
                                        << "UNITS"
                                        << "" << false << "the source file \"@missing.xls\" does not exist";
        QTest::newRow("import type not in the source")
            << "masters.xls"
            << "PAYROLL"
            << "" << false
            << "the import type \"PAYROLL\" is not among the source's tables; it offers \"LEDGER GROUPS\", "
               "\"LEDGERS\", \"UNITS\", \"GODOWNS\", \"STOCK GROUPS\", \"STOCK CATEGORIES\", \"STOCK ITEMS\", "
               "\"COST CATEGORIES\", \"COST CENTRES\"";
        QTest::newRow("company not on the list")
            << "masters.xls"
            << "UNITS"
            << "Nobody Ltd" << false
            << "the company \"Nobody Ltd\" is not on the server's list; it holds \"ABC Ltd\", \"Jacks Stores\", "
               "\"Jill's Shop\"";
        QTest::newRow("server down") << "masters.xls"
                                     << "UNITS"
                                     << "" << true << "the Tally server at http://127.0.0.1:@port does not answer";
    }
    void runThatCannotStart()
    {
        QFETCH(QString, source);
        QFETCH(QString, importType);
        QFETCH(QString, company);
        QFETCH(bool, stopServer);
        QFETCH(QString, because);
        const QString port = m_server->port();
        if (stopServer)
            m_server->stop();
        const QString file = source == QLatin1String("missing.xls") ? path(source) : sourceFile("masters.xls");
        because.replace(QStringLiteral("@missing.xls"), file).replace(QStringLiteral("@port"), port);

        const Run run = pelko({QStringLiteral("XLS"), file, importType, company, QString(), QStringLiteral("127.0.0.1"),
                               port, QStringLiteral("POSTSILENT")},
                              Display::None);

        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 2);
        QCOMPARE(notPostedLine(run), because);
    }

    // A server that answers the probe but not the company queries, or that holds no company, posts nothing: the
    // run says which and ends with 2.
    void serverWithoutACompanyToPostTo_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("companies");
        QTest::addColumn<QString>("because");
        const QStringList abc{QStringLiteral("ABC Ltd")};
        QTest::newRow("HTTP 500") << QStringList{QStringLiteral("--http-error"), QStringLiteral("500")} << abc
                                  << "did not answer the company queries";
        QTest::newRow("garbage") << QStringList{QStringLiteral("--garbage")} << abc
                                 << "did not answer the company queries";
        QTest::newRow("no company") << QStringList() << QStringList() << "holds no company";
    }
    void serverWithoutACompanyToPostTo()
    {
        QFETCH(QStringList, options);
        QFETCH(QStringList, companies);
        QFETCH(QString, because);
        Tallysim server(companies, companies.value(0), path(QStringLiteral("bare.log")), {}, options);
        QVERIFY(!server.port().isEmpty());

        const Run run = pelko({QStringLiteral("XLS"), sourceFile("masters.xls"), QStringLiteral("UNITS"), QString(),
                               QString(), QStringLiteral("127.0.0.1"), server.port(), QStringLiteral("POSTSILENT")},
                              Display::None);

        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 2);
        QCOMPARE(notPostedLine(run),
                 QStringLiteral("the Tally server at http://127.0.0.1:") + server.port() + QLatin1Char(' ') + because);
        QCOMPARE(server.imports(), 0);
    }

    void withoutArgumentsAndWithoutDisplay()
    {
        storeServer(QStringLiteral("127.0.0.1"), m_server->port());

        const Run run = pelko({}, Display::None);

        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.errors.contains(QLatin1String("no unattended run was asked for")));
        // The refresh still asked the server for its companies.
        QVERIFY(m_server->log().contains("List of Companies"));
        QCOMPARE(m_server->imports(), 0);
    }

private:
    QString path(const QString &name) const { return QDir(m_folder->path()).filePath(name); }

    // The ledgers the voucher files name, except "Discount Received" and "Nowhere".
    static QStringList voucherLedgers()
    {
        return {QStringLiteral("State Bank"), QStringLiteral("Sharma Traders"), QStringLiteral("Office Rent"),
                QStringLiteral("Rao & Sons"), QStringLiteral("Travel")};
    }

    // A server of its own for the test, holding the companies and ledgers, started with the further options.
    void restartServer(const QStringList &companies, const QString &current,
                       const QStringList &ledgers = voucherLedgers(), const QStringList &options = {})
    {
        m_server.reset();
        m_server =
            std::make_unique<Tallysim>(companies, current, path(QStringLiteral("tallysim.log")), ledgers, options);
        QVERIFY2(!m_server->port().isEmpty(), "tallysim did not start");
    }

    // Writes a file of the test's folder and returns its path.
    QString writeFile(const QString &name, const QByteArray &bytes) const
    {
        QFile file(path(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(file.fileName()));
        return file.fileName();
    }

    // Writes a sheet of quick transactions into a folder of its own: a text file's name is its import type.
    QString writeSheet(const QString &folder, const QByteArray &bytes) const
    {
        if (!QDir(m_folder->path()).mkpath(folder))
            qFatal("cannot make %s", qPrintable(folder));
        return writeFile(folder + QStringLiteral("/QuickTransactions.csv"), bytes);
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

    Run pelko(const QStringList &arguments, Display display, const QString &locale = QStringLiteral("C.UTF-8"),
              const QString &shell = QString()) const
    {
        std::unique_ptr<QProcess> process = startPelko(arguments, display, locale, shell);
        return finish(*process);
    }

    // Starts the program without a display; a shell command, when given, starts it instead ("$0" is the program).
    std::unique_ptr<QProcess> startPelko(const QStringList &arguments, Display display = Display::None,
                                         const QString &locale = QStringLiteral("C.UTF-8"),
                                         const QString &shell = QString()) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QLatin1String(name));
        if (display == Display::Offscreen)
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
        environment.insert(QStringLiteral("PELKO_HOME"), path(QStringLiteral("home")));
        environment.insert(QStringLiteral("LC_ALL"), locale);

        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(environment);
        process->setWorkingDirectory(m_folder->path());
        if (shell.isEmpty())
            process->start(QStringLiteral(PELKO_BINARY), arguments);
        else
            process->start(QStringLiteral("/bin/sh"),
                           QStringList{QStringLiteral("-c"), shell, QStringLiteral(PELKO_BINARY)} + arguments);
        process->waitForStarted(10000);
        return process;
    }

    static Run finish(QProcess &process)
    {
        Run run;
        if (process.error() == QProcess::FailedToStart)
            return run;
        run.finished = process.state() == QProcess::NotRunning || process.waitForFinished(runTimeoutMs);
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
