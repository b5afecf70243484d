#include "app/frmexcel.h"
#include "app/runreport.h"
#include "sources/workgrid.h"
#include "support/golden.h"
#include "support/reportederrors.h"
#include "support/scriptedprompter.h"
#include "support/testbed.h"
#include "support/testenvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>

#include <memory>

using testsupport::ScriptedPrompter;
using testsupport::TestEnvironment;

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing: " + path.toUtf8() + '>';
    return file.readAll();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Fills a work grid as a loader leaves it: the given columns, the status column last, the rows, and two
// trailing blank rows. Each row lists its cells, the status last.
void fillGrid(sources::WorkGrid &grid, const QStringList &keys, const QList<QStringList> &rows)
{
    grid.clear();
    for (const QString &key : keys)
        grid.addColumn(key, key.at(0) + key.mid(1).toLower());
    grid.addColumn(sources::ProcessStatusKey, sources::ProcessStatusCaption);
    for (const QStringList &cells : rows) {
        const int row = grid.appendRow();
        for (int column = 1; column <= cells.size(); ++column)
            grid.setText(row, column, cells.at(column - 1));
    }
    grid.appendRow();
    grid.appendRow();
}

const QString longGroup = QStringLiteral("Regional Distribution Expenses for the Southern and Western Zones 2024-2025");

// A master run: continuation rows and rows not posted carry no status; a master over several rows has its
// status on its last row, under its first row's name; a row after a blank row inherits no name.
void fillMasterRun(sources::WorkGrid &grid)
{
    fillGrid(grid, {QStringLiteral("NAME"), QStringLiteral("NAMEALIAS"), QStringLiteral("PARENT")},
             {
                 {QStringLiteral("Sundry Debtors - North"), QStringLiteral("SD North"),
                  QStringLiteral("Sundry Debtors"), QStringLiteral("CREATED")},
                 {longGroup + QStringLiteral(" (Q1)"), QString(), QStringLiteral("Regional Costs"),
                  QStringLiteral("ERROR: Could not find Group 'Regional Costs'")},
                 {QString(), QStringLiteral("continued"), QString(), QString()},
                 {QStringLiteral("Café Niño"), QString(), QStringLiteral("Sundry Debtors"), QStringLiteral("ALTERED")},
                 {QStringLiteral("Not Posted"), QString(), QStringLiteral("Capital Account"), QString()},
                 {QStringLiteral("Project Costs"), QStringLiteral("PC"), QStringLiteral("Direct Expenses"),
                  QStringLiteral("CREATED")},
                 {QStringLiteral("Sharma Traders"), QString(), QStringLiteral("Sundry Debtors"), QString()},
                 {QString(), QStringLiteral("second bill"), QString(), QStringLiteral("CREATED")},
                 {QString(), QString(), QString(), QString()},
                 {QString(), QStringLiteral("orphan row"), QString(), QStringLiteral("ERROR: no name")},
             });
}

// A voucher run: the ID column comes after others, a NAME column included; only a voucher's last row has a
// status.
void fillVoucherRun(sources::WorkGrid &grid)
{
    const QString maxId(75, QLatin1Char('X'));
    fillGrid(grid,
             {QStringLiteral("VCHTYPE"), QStringLiteral("VCHNO"), QStringLiteral("NAME"), QStringLiteral("LEDGER"),
              QStringLiteral("ID")},
             {
                 {QStringLiteral("Payment"), QStringLiteral("2"), QStringLiteral("Rent"), QStringLiteral("Office Rent"),
                  QStringLiteral("Payment-2-20240402"), QString()},
                 {QStringLiteral("Payment"), QStringLiteral("2"), QStringLiteral("Rent"), QStringLiteral("Cash"),
                  QStringLiteral("Payment-2-20240402"), QStringLiteral("CREATED")},
                 {QStringLiteral("Receipt"), QStringLiteral("R-1"), QString(), QStringLiteral("State Bank"), maxId,
                  QStringLiteral("ERROR: Ledger 'State Bank' does not exist!")},
                 {QStringLiteral("Journal"), QStringLiteral("J7"), QString(), QStringLiteral("Cash"),
                  QStringLiteral("Journal-J7-20240405"), QStringLiteral("COMBINED")},
             });
}

} // namespace

class TestRunReport final : public testsupport::TestBed<>
{
    Q_OBJECT

private slots:
    void init() { startBed(); }
    void cleanup() { stopBed(); }

    void padText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("pad");
        QTest::addColumn<int>("side");
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("expected");

        const QString abc = QStringLiteral("abc");
        const QString star = QStringLiteral("*");
        QTest::newRow("pad before") << abc << star << 1 << 5 << true << QStringLiteral("**abc");
        QTest::newRow("pad after") << abc << star << 0 << 5 << true << QStringLiteral("abc**");
        QTest::newRow("unknown side") << abc << star << 2 << 5 << true << QString();
        QTest::newRow("not enabled") << abc << star << 1 << 5 << false << abc;
        QTest::newRow("not enabled, too long") << abc << star << 0 << 2 << false << abc;
        QTest::newRow("exactly the width") << abc << star << 1 << 3 << true << abc;
        QTest::newRow("too long is cut") << QStringLiteral("abcdef") << star << 1 << 4 << true
                                         << QStringLiteral("abcd");
        QTest::newRow("too long, unknown side")
            << QStringLiteral("abcdef") << star << 7 << 4 << true << QStringLiteral("abcd");
        QTest::newRow("pad text repeated whole")
            << abc << QStringLiteral("-=") << 0 << 5 << true << QStringLiteral("abc-=-=");
        QTest::newRow("characters, not bytes")
            << QStringLiteral("Niño") << star << 0 << 6 << true << QStringLiteral("Niño**");
        QTest::newRow("empty text") << QString() << QStringLiteral(" ") << 0 << 3 << true << QStringLiteral("   ");
        // A character beyond the Basic Multilingual Plane takes two UTF-16 units and is still one character.
        const QString party = QStringLiteral("a\U0001F389b");
        QTest::newRow("an emoji is one character") << party << star << 0 << 5 << true << party + QStringLiteral("**");
        QTest::newRow("an emoji padded before") << party << star << 1 << 4 << true << QStringLiteral("*") + party;
        QTest::newRow("a cut after an emoji") << party << star << 0 << 2 << true << QStringLiteral("a\U0001F389");
        QTest::newRow("a cut before an emoji keeps it out whole")
            << party << star << 0 << 1 << true << QStringLiteral("a");
        QTest::newRow("a lone surrogate is one character")
            << QString(QChar(0xD83C)) + QStringLiteral("b") << star << 0 << 3 << true
            << QString(QChar(0xD83C)) + QStringLiteral("b*");
    }

    void padText()
    {
        QFETCH(QString, text);
        QFETCH(QString, pad);
        QFETCH(int, side);
        QFETCH(int, width);
        QFETCH(bool, enabled);
        QFETCH(QString, expected);
        QCOMPARE(app::PadText(text, pad, qint16(side), qint16(width), enabled), expected);
    }

    void saveReport_data()
    {
        QTest::addColumn<bool>("vouchers");
        QTest::addColumn<QString>("goldenFile");
        QTest::newRow("master run, keyed by name") << false << QStringLiteral("report-masters.txt");
        QTest::newRow("voucher run, keyed by ID") << true << QStringLiteral("report-vouchers.txt");
    }

    void saveReport()
    {
        QFETCH(bool, vouchers);
        QFETCH(QString, goldenFile);
        sources::WorkGrid grid;
        if (vouchers)
            fillVoucherRun(grid);
        else
            fillMasterRun(grid);

        // An earlier, longer report at the same place is replaced, not overwritten in part.
        const QString path = m_env->programFile(QStringLiteral("run report.txt"));
        writeFile(path, QByteArray(4096, 'z'));
        QVERIFY(app::SaveReport(grid, path));
        testsupport::compareWithGolden(readFile(path), QStringLiteral("app/") + goldenFile);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(m_prompter->boxes().isEmpty());
    }

    void saveReportWithoutStatusesIsEmpty()
    {
        sources::WorkGrid grid;
        fillGrid(grid, {QStringLiteral("NAME")}, {{QStringLiteral("Unposted"), QString()}});
        const QString path = m_env->programFile(QStringLiteral("empty.txt"));
        writeFile(path, "old content\r\n");
        QVERIFY(app::SaveReport(grid, path));
        QCOMPARE(readFile(path), QByteArray());
    }

    void failedSaveIsTheSavesErrorAndKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<bool>("withNameColumn");
        QTest::addColumn<QByteArray>("previous");
        QTest::addColumn<QString>("obstacle");
        // No folder of that name: the file cannot be created.
        QTest::newRow("missing folder") << QStringLiteral("no such folder/report.txt") << true << QByteArray()
                                        << QString();
        // The grid lacks its key column: the save stops at the first row with a status, and the report that was
        // there stays whole.
        QTest::newRow("no key column") << QStringLiteral("report.txt") << false << QByteArray("earlier run\r\n")
                                       << QString();
        // The file system takes only part of the report (as a full disk does): that is no report.
        QTest::newRow("file cannot grow")
            << QStringLiteral("report.txt") << true << QByteArray("earlier run\r\n") << QStringLiteral("size limit");
        // Something that is no regular file is never replaced by the report.
        QTest::newRow("a pipe") << QStringLiteral("report.txt") << true << QByteArray() << QStringLiteral("fifo");
        QTest::newRow("a folder") << QStringLiteral("report.txt") << true << QByteArray() << QStringLiteral("folder");
    }

    void failedSaveIsTheSavesErrorAndKeepsTheOldFile()
    {
        QFETCH(QString, fileName);
        QFETCH(bool, withNameColumn);
        QFETCH(QByteArray, previous);
        QFETCH(QString, obstacle);
        sources::WorkGrid grid;
        QList<QStringList> rows;
        for (int i = 0; i < (obstacle.isEmpty() ? 1 : 100); ++i)
            rows.append({QStringLiteral("Cash %1").arg(i), QStringLiteral("CREATED")});
        fillGrid(grid, {withNameColumn ? QStringLiteral("NAME") : QStringLiteral("PARTY")}, rows);
        const QString path = m_env->programFile(fileName);
        if (!previous.isEmpty())
            writeFile(path, previous);
        if (obstacle == QLatin1String("fifo"))
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
        if (obstacle == QLatin1String("folder"))
            QVERIFY(QDir().mkdir(path));

        bool saved = true;
        if (obstacle == QLatin1String("size limit")) {
            // Files of this process may grow to 2 KiB for the save; the report needs some 8 KiB, its error log
            // entry less than the limit.
            const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
            rlimit limit{};
            QCOMPARE(::getrlimit(RLIMIT_FSIZE, &limit), 0);
            const rlimit small{2048, limit.rlim_max};
            QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
            saved = app::SaveReport(grid, path);
            ::setrlimit(RLIMIT_FSIZE, &limit);
            std::signal(SIGXFSZ, previousHandler);
        } else {
            saved = app::SaveReport(grid, path);
        }

        QVERIFY(!saved);
        QCOMPARE(testsupport::reportedLocations(*m_prompter), QStringList{QStringLiteral("F01-0045")});
        QCOMPARE(m_prompter->boxes().first().style & platform::MsgBoxStyle::IconMask, platform::MsgBoxStyle::Critical);
        QCOMPARE(testsupport::loggedLocations(m_env->readProgramFile(QStringLiteral("Pelko10Errors.txt"))),
                 QStringList{QStringLiteral("F01-0045")});
        if (obstacle == QLatin1String("fifo")) {
            struct stat status = {};
            QCOMPARE(::stat(QFile::encodeName(path).constData(), &status), 0);
            QVERIFY(S_ISFIFO(status.st_mode));
        } else if (obstacle == QLatin1String("folder")) {
            QVERIFY(QFileInfo(path).isDir());
        } else if (previous.isEmpty()) {
            QVERIFY(!QFile::exists(path));
        } else {
            QCOMPARE(readFile(path), previous);
        }
        // Nothing is left behind beside it.
        QCOMPARE(QDir(QFileInfo(path).path()).entryList({QStringLiteral("*.txt.*")}, QDir::Files), QStringList());
    }

    // A line of the report is one line: line breaks and other control characters in a key or a status show as
    // blanks, and the key is padded after that.
    void reportLinesHoldOneLine()
    {
        sources::WorkGrid grid;
        fillGrid(grid, {QStringLiteral("NAME")},
                 {{QStringLiteral("North\r\nZone"), QStringLiteral("ERROR\u0000 bad\u0001 - ")},
                  {QStringLiteral("Tab\there\u2028"), QStringLiteral("CREATED")}});
        QCOMPARE(app::ResultReport(grid), QByteArray("North  Zone" + QByteArray(64, ' ') + "ERROR  bad  - \r\n" +
                                                     "Tab here " + QByteArray(66, ' ') + "CREATED\r\n"));
    }

    // The status starts after the key's 75 characters, however many UTF-16 units an emoji in the key takes; a key
    // of more characters is cut without splitting one.
    void keyIsPaddedByCharacters()
    {
        sources::WorkGrid grid;
        const QString longKey = QString(74, QLatin1Char('x')) + QStringLiteral("\U0001F4E6\U0001F4E6");
        fillGrid(grid, {QStringLiteral("NAME")},
                 {{QStringLiteral("Gifts \U0001F381 and more"), QStringLiteral("CREATED")},
                  {longKey, QStringLiteral("ALTERED")}});
        const QStringList lines = QString::fromUtf8(app::ResultReport(grid)).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines.at(0), QStringLiteral("Gifts \U0001F381 and more") + QString(59, QLatin1Char(' ')) +
                                  QStringLiteral("CREATED"));
        QCOMPARE(lines.at(0).toUcs4().indexOf(uint('C')), 75);
        QCOMPARE(lines.at(1), QString(74, QLatin1Char('x')) + QStringLiteral("\U0001F4E6ALTERED"));
    }

    void reportFileName_data()
    {
        QTest::addColumn<QString>("company");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("expected");
        QTest::newRow("day first") << QStringLiteral("ABC Ltd") << QStringLiteral("en_GB")
                                   << QStringLiteral("ABC Ltd 08-12-2026 19.35.38.txt");
        QTest::newRow("month first, 12-hour clock")
            << QStringLiteral("ABC Ltd") << QStringLiteral("en_US") << QStringLiteral("ABC Ltd 12-8-26 7.35.38 PM.txt");
        QTest::newRow("C locale") << QStringLiteral("ABC Ltd") << QStringLiteral("C")
                                  << QStringLiteral("ABC Ltd 8 Dec 2026 19.35.38.txt");
        QTest::newRow("separators in the company stay in the folder")
            << QStringLiteral("../A/B\\C") << QStringLiteral("en_GB")
            << QStringLiteral("..-A-B-C 08-12-2026 19.35.38.txt");
    }

    void reportFileName()
    {
        QFETCH(QString, company);
        QFETCH(QString, locale);
        QFETCH(QString, expected);
        const QDateTime now(QDate(2026, 12, 8), QTime(19, 35, 38));
        QCOMPARE(app::ReportFileName(QStringLiteral("/opt/pelko"), company, now, QLocale(locale)),
                 QStringLiteral("/opt/pelko/") + expected);
    }

    void saveReportMenuTellsWhereTheReportIs()
    {
        m_env->setNow(QDateTime(QDate(2026, 12, 8), QTime(19, 35, 38)));
        app::frmExcel window;
        fillMasterRun(window.workGrid());
        window.currentCompany() = QStringLiteral("ABC Ltd");

        window.mnuSaveR_Click();

        const QString expectedPath =
            app::ReportFileName(m_env->programFolder(), QStringLiteral("ABC Ltd"), m_env->now(), QLocale());
        QVERIFY(expectedPath.startsWith(m_env->programFolder() + QStringLiteral("/ABC Ltd ")));
        testsupport::compareWithGolden(readFile(expectedPath), QStringLiteral("app/report-masters.txt"));
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(m_prompter->boxes().size(), 1);
        const ScriptedPrompter::Box box = m_prompter->boxes().first();
        QCOMPARE(box.prompt, QStringLiteral("Report has been saved at following location.\r\n") + expectedPath);
        QCOMPARE(box.style, platform::MsgBoxStyle::OkOnly);
        QVERIFY(!box.hasOwnTitle);
        QCOMPARE(box.title, QStringLiteral("Pelko"));
    }

    void saveReportMenuStaysQuietAboutAFailedSave()
    {
        app::frmExcel window;
        fillMasterRun(window.workGrid());
        // A name no file system takes: longer than a file name may be.
        window.currentCompany() = QString(300, QLatin1Char('C'));

        window.mnuSaveR_Click();

        QCOMPARE(testsupport::reportedLocations(*m_prompter), QStringList{QStringLiteral("F01-0045")});
        QCOMPARE(testsupport::loggedLocations(m_env->readProgramFile(QStringLiteral("Pelko10Errors.txt"))),
                 QStringList{QStringLiteral("F01-0045")});
        QCOMPARE(QDir(m_env->programFolder()).entryList({QStringLiteral("*.txt")}, QDir::Files),
                 QStringList{QStringLiteral("Pelko10Errors.txt")});
    }
};

QTEST_MAIN(TestRunReport)
#include "testrunreport.moc"
