#include "errors/errorreport.h"
#include "errors/errortrap.h"
#include "support/golden.h"
#include "support/scriptedprompter.h"
#include "support/stderrcapture.h"
#include "support/testbed.h"
#include "support/testenvironment.h"
#include "throwingassignment.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace errors;
using testsupport::ScriptedPrompter;
using testsupport::TestEnvironment;

namespace {

testsupport::Placeholders machine()
{
    return {{QByteArrayLiteral("@ADOVERSION@"), GetAdoVersion().toUtf8()}};
}

void raiseInProcedure(qint32 number, const QString &description, qint32 line = 0, qint32 systemError = 0,
                      const QString &location = QStringLiteral("C02-0001"))
{
    trap(location, [&] { throw RuntimeError(number, description, QStringLiteral("TestSource"), line, systemError); });
}

ErrorState errorState(qint32 number, const QString &source, const QString &description)
{
    ErrorState state;
    state.number = number;
    state.source = source;
    state.description = description;
    return state;
}

} // namespace

class TestErrorTrap final : public testsupport::TestBed<>
{
    Q_OBJECT

private slots:
    void init()
    {
        startBed();
        m_env->setNow(QDateTime(QDate(2026, 3, 5), QTime(14, 7, 9)));
        clearCurrentError();
    }
    void cleanup() { stopBed(); }

    void reportedErrorShowsBoxThenLogs()
    {
        QString result = QStringLiteral("untouched");
        trap(QStringLiteral("C02-0001"), [&] {
            result.clear();
            throw RuntimeError(91, QStringLiteral("Object variable or with block variable not set"),
                               QStringLiteral("Pelko"), 9);
        });
        QCOMPARE(result, QString());
        QCOMPARE(m_prompter->boxes().size(), 1);
        const auto box = m_prompter->boxes().first();
        QCOMPARE(box.title, QStringLiteral("Pelko 1.0 Error = 91"));
        QCOMPARE(box.style, 16);
        testsupport::compareWithGolden(box.prompt.toUtf8(), QStringLiteral("errors/box-91.txt"), machine());
        testsupport::compareWithGolden(m_env->readProgramFile(QString::fromLatin1(errorLogName)).toUtf8(),
                                       QStringLiteral("errors/log-91.txt"), machine());
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(currentError().number, 0);

        // A second entry is appended after the first.
        raiseInProcedure(91, QStringLiteral("Object variable or with block variable not set"), 9);
        QCOMPARE(m_env->readProgramFile(QString::fromLatin1(errorLogName)).toUtf8(),
                 testsupport::goldenBytes(QStringLiteral("errors/log-91.txt"), machine()).repeated(2));
    }

    // Inside a run an error of a kind shown already goes to the error log alone, and counts all the same. The kind
    // is the one the raiser named, else the number together with the location code; an inner scope belongs to the
    // outer run, a quiet error (which no log keeps) is always shown, and the next run shows every kind again.
    void repeatsInARunAreLoggedNotShown()
    {
        const auto raiseNamed = [](const QString &kind, qint32 number, const QString &description,
                                   const QString &location) {
            trap(location, [&] { raiseOfKind(kind, number, description); });
        };
        const auto quiet = [] {
            currentError() = errorState(qint32(0x80041065U), QStringLiteral("Src"), QStringLiteral("quiet"));
            ErrorIn(QStringLiteral("F01-0014"), EH_STANDARD);
            clearCurrentError();
        };
        const auto shown = [&] {
            QStringList descriptions;
            // A report's box starts with two lines of header; a quiet error's box is its source and description.
            for (const auto &box : m_prompter->boxes()) {
                const QStringList lines = box.prompt.split(QLatin1Char('\n'));
                descriptions << (lines.size() > 2 ? lines.at(2) : lines.last()).trimmed();
            }
            return descriptions;
        };
        const QString log = QString::fromLatin1(errorLogName);
        const qint64 before = errorInCount();
        {
            const RunScope run;
            raiseInProcedure(91, QStringLiteral("first"));
            raiseInProcedure(91, QStringLiteral("same kind"));
            raiseInProcedure(91, QStringLiteral("other location"), 0, 0, QStringLiteral("C02-0002"));
            raiseInProcedure(13, QStringLiteral("other number"));
            {
                const RunScope inner;
                raiseInProcedure(13, QStringLiteral("same kind, inner scope"));
            }
            raiseNamed(QStringLiteral("status"), 5, QStringLiteral("status 500"), QStringLiteral("C02-0001"));
            raiseNamed(QStringLiteral("status"), 7, QStringLiteral("status 503"), QStringLiteral("C02-0003"));
            raiseNamed(QStringLiteral("reply"), 5, QStringLiteral("named apart"), QStringLiteral("C02-0001"));
            quiet();
            quiet();
        }
        QCOMPARE(shown(), (QStringList{u"first"_qs, u"other location"_qs, u"other number"_qs, u"status 500"_qs,
                                       u"named apart"_qs, u"quiet"_qs, u"quiet"_qs}));
        QCOMPARE(errorInCount() - before, 10);
        const QString logged = m_env->readProgramFile(log);
        QCOMPARE(logged.count(QStringLiteral("=> LOCATION CODE: ")), 8);
        for (const QString &description : {u"same kind"_qs, u"same kind, inner scope"_qs, u"status 503"_qs})
            QVERIFY2(logged.contains(description + QStringLiteral(" \r\n")), qPrintable(description));

        // Outside a run, and in the next one, the same kinds are shown again.
        raiseInProcedure(91, QStringLiteral("after the run"));
        {
            const RunScope next;
            raiseInProcedure(91, QStringLiteral("next run"));
            raiseNamed(QStringLiteral("status"), 5, QStringLiteral("next status"), QStringLiteral("C02-0001"));
        }
        QCOMPARE(shown().mid(7), (QStringList{u"after the run"_qs, u"next run"_qs, u"next status"_qs}));
        QCOMPARE(m_env->readProgramFile(log).count(QStringLiteral("=> LOCATION CODE: ")), 11);
    }

    void quietRangeEnds_data()
    {
        QTest::addColumn<qint32>("number");
        QTest::addColumn<bool>("quiet");
        QTest::newRow("first quiet") << qint32(0x80041065U) << true;
        QTest::newRow("last quiet") << qint32(0x8004144DU) << true;
        QTest::newRow("just below") << qint32(0x80041064U) << false;
        QTest::newRow("ERR_GENERAL") << qint32(0x8004144EU) << false;
    }
    void quietRangeEnds()
    {
        QFETCH(qint32, number);
        QFETCH(bool, quiet);
        currentError() = errorState(number, QStringLiteral("Src"), QStringLiteral("Desc"));
        const QString result = ErrorIn(QStringLiteral("F01-0014"), EH_STANDARD);
        clearCurrentError();
        const auto box = m_prompter->boxes().first();
        QCOMPARE(box.title, QStringLiteral("Pelko 1.0 Error = ") + QString::number(number));
        const bool logged = QFile::exists(m_env->programFile(QString::fromLatin1(errorLogName)));
        if (quiet) {
            QCOMPARE(result, QString());
            QCOMPARE(box.prompt, QStringLiteral("Src\nDesc"));
            QVERIFY(!logged);
        } else {
            QVERIFY(result.startsWith(QStringLiteral("Desc \r\n=> Computer='TESTPC'")));
            QCOMPARE(box.prompt, ReportHeader() + QLatin1Char('\n') + result);
            QVERIFY(logged);
        }
    }

    void lostErrorIsReportedAsGeneral()
    {
        const QString result = ErrorIn(QStringLiteral("F01-0001"), EH_STANDARD);
        QVERIFY(result.startsWith(QStringLiteral("ErrorIn: Error information was lost. To fix: call ErrPreserve "
                                                 "before doing anything in error handler. \r\n")));
        QCOMPARE(m_prompter->boxes().first().title, QStringLiteral("Pelko 1.0 Error = -2147216306"));
        clearCurrentError();
    }

    void eachErrorIsSavedAfresh()
    {
        raiseInProcedure(5, QStringLiteral("first"));
        raiseInProcedure(13, QStringLiteral("second"));
        QCOMPARE(m_prompter->boxes().size(), 2);
        QCOMPARE(m_prompter->boxes().at(1).title, QStringLiteral("Pelko 1.0 Error = 13"));
        QVERIFY(GetErrorReport().startsWith(QStringLiteral("second \r\n")));
    }

    void reportLines_data()
    {
        QTest::addColumn<QString>("description");
        QTest::addColumn<qint32>("line");
        QTest::addColumn<qint32>("systemError");
        QTest::addColumn<QString>("firstLine");
        QTest::addColumn<QString>("apiLine");
        QTest::addColumn<QString>("locationLine");
        const QString noApi;
        QTest::newRow("line 0") << "d" << 0 << 0 << "d " << noApi << "=> LOCATION CODE: C03--0001() ";
        QTest::newRow("system error 203")
            << "d" << 3 << 203 << "d " << noApi << "=> LOCATION CODE: C03--0001()  LINE# 3 ";
        QTest::newRow("system error with text") << "d" << 0 << 2 << "d "
                                                << "  API Error: (2) No such file or directory"
                                                << "=> LOCATION CODE: C03--0001() ";
        QTest::newRow("system error without text") << "d" << 0 << 99999 << "d "
                                                   << "  API Error: (99999) "
                                                   << "=> LOCATION CODE: C03--0001() ";
        QTest::newRow("placeholder in description")
            << "a %Comp% b" << 0 << 0 << "a %Comp% b " << noApi << "=> LOCATION CODE: C03--0001() ";
        QTest::newRow("marker in description") << QStringLiteral("a") + QChar(8) + QStringLiteral("b") << 0 << 0
                                               << "a%b " << noApi << "=> LOCATION CODE: C03--0001() ";
    }
    void reportLines()
    {
        QFETCH(QString, description);
        QFETCH(qint32, line);
        QFETCH(qint32, systemError);
        QFETCH(QString, firstLine);
        QFETCH(QString, apiLine);
        QFETCH(QString, locationLine);
        raiseInProcedure(5, description, line, systemError, QStringLiteral("C03--0001"));
        QStringList lines = GetErrorReport().split(QStringLiteral("\r\n"));
        QCOMPARE(lines.takeLast(), QString());
        QCOMPARE(lines.first(), firstLine);
        QCOMPARE(lines.at(1), QStringLiteral("=> Computer='TESTPC' Time='03/05/26 14:07:09' ADO-version='") +
                                  GetAdoVersion() + QStringLiteral("' "));
        QCOMPARE(lines.size(), apiLine.isNull() ? 3 : 4);
        if (!apiLine.isNull())
            QCOMPARE(lines.at(2), apiLine);
        QCOMPARE(lines.last(), locationLine);
    }

    void emptyComputerNameAndKnownAdoVersion()
    {
        m_env->setComputerName(QString());
        raiseInProcedure(5, QStringLiteral("d"));
        QVERIFY(GetErrorReport().contains(QStringLiteral("=> Computer='' Time='")));
        QVERIFY(!GetAdoVersion().isEmpty());
        QVERIFY(GetAdoVersion() != QStringLiteral("?"));
    }

    // An entry the log cannot take (locked past the retries, a pipe where the log should be, no program folder)
    // goes to standard error instead, and nothing waits for longer than the retries.
    void unwritableLogEntryGoesToStandardError_data()
    {
        QTest::addColumn<QString>("obstacle");
        QTest::newRow("locked") << "locked";
        QTest::newRow("a pipe") << "fifo";
        QTest::newRow("no program folder") << "missing folder";
    }
    void unwritableLogEntryGoesToStandardError()
    {
        QFETCH(QString, obstacle);
        const QString path = m_env->programFile(QString::fromLatin1(errorLogName));
        int holder = -1;
        if (obstacle == QLatin1String("locked")) {
            holder = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT, 0644);
            QVERIFY(holder >= 0);
            QCOMPARE(::flock(holder, LOCK_EX), 0);
        } else if (obstacle == QLatin1String("fifo")) {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
        } else {
            QVERIFY(QDir(m_env->programFolder()).removeRecursively());
        }

        currentError() = errorState(5, QStringLiteral("S"), QStringLiteral("Entry for nobody"));
        ErrPreserve();
        StartReport();
        savedError().saved = false;
        m_env->stepClock();
        QByteArray written;
        {
            const testsupport::StandardErrorCapture capture;
            QVERIFY(!WriteErrorLog(QString::fromLatin1(errorLogName)));
            written = capture.text();
        }
        // Six tries, each followed by a pause of a fifth of a second, until the limit of a second is past.
        QCOMPARE(m_env->steppedMs(), 1200);
        QCOMPARE(written, (GetErrorReport() + QStringLiteral("\r\n\r\n\r\n")).toLocal8Bit());

        if (holder >= 0) {
            QCOMPARE(QFile(path).size(), 0);
            ::close(holder);
            QVERIFY(WriteErrorLog(QString::fromLatin1(errorLogName)));
            QVERIFY(QFile(path).size() > 0);
        }
        clearCurrentError();
    }

    // The report's time has the locale's date and time separators; the C locale keeps "/" and ":".
    void reportTimeSeparators_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("expected");
        QTest::newRow("C") << "C"
                           << "03/05/26 14:07:09";
        QTest::newRow("en_US") << "en_US"
                               << "03/05/26 14:07:09";
        QTest::newRow("de_DE") << "de_DE"
                               << "03.05.26 14:07:09";
        QTest::newRow("fi_FI") << "fi_FI"
                               << "03.05.26 14.07.09";
    }
    void reportTimeSeparators()
    {
        QFETCH(QString, locale);
        QFETCH(QString, expected);
        QCOMPARE(ReportTime(QDateTime(QDate(2026, 3, 5), QTime(14, 7, 9)), QLocale(locale)), expected);
    }

    void trapResultKeepsWhatWasAssigned()
    {
        const QString result = trapResult(QStringLiteral("C02-0009"), QString(), [](QString &r) {
            r = QStringLiteral("partial");
            raise(ErrNo::TypeMismatch, QStringLiteral("Type mismatch"));
        });
        QCOMPARE(result, QStringLiteral("partial"));
        QVERIFY(GetErrorReport().endsWith(QStringLiteral("=> LOCATION CODE: C02-0009() \r\n")));

        trap(QStringLiteral("C02-0009"), [] { throw std::runtime_error("boom"); });
        QCOMPARE(m_prompter->boxes().last().title, QStringLiteral("Pelko 1.0 Error = 51"));
    }

    // An assignment that throws leaves the result as the trap was given it, however the body is optimised.
    void trapResultKeepsTheInitialValueWhenAnAssignmentThrows()
    {
        static const int initial = 0;
        QCOMPARE(errortests::trappedThrowingAssignment(&initial, true).target, &initial);
        QCOMPARE(m_prompter->boxes().last().title, QStringLiteral("Pelko 1.0 Error = 13"));
        QVERIFY(errortests::trappedThrowingAssignment(&initial, false).target != &initial);
    }
};

QTEST_GUILESS_MAIN(TestErrorTrap)
#include "testerrortrap.moc"
