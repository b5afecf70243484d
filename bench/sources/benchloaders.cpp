// Loads large sources into the work grid through the real loader (the choice of an import type on the Excel tab,
// as the window makes it), with a headless window, and prints the time and the peak memory of each load.
//
//   bench_loaders                 runs every case, each in a process of its own, and prints a table; then runs
//                                 the CSV case and load_csv_reference.py by turns and compares the whole processes
//   bench_loaders --case NAME     runs one case and prints its line
//
// The sources are written once into the build tree: a CSV file of 100,000 voucher rows and 20 columns, and
// workbooks of 65,535 such rows, the most an .xls sheet holds under its header (65,536 rows in all), one with
// date cells and one with the dates as text, to show what the date cells cost.
//
// The reference is a short Python script that does the same work on the CSV file with Python's csv module:
// reads it, fills the voucher header columns down and sorts the records by type, date, number and serial.

#include "sources/importtypes.h"
#include "sources/readers/sourcereader.h"
#include "sources/workgrid.h"
#include "support/headlesswindow.h"
#include "support/scriptedprompter.h"
#include "support/testenvironment.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QSaveFile>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

constexpr int csvRows = 100'000;
constexpr int xlsRows = 65'535;
constexpr int columns = 20;
// The CSV case and the reference run by turns this many times each; the medians are compared.
constexpr int sideBySideRuns = 5;

struct Case
{
    const char *name;
    const char *file;
    int rows;
    const char *what;
};

// A case named with "-read" only reads the source, to show how much of its load the reader takes.
const Case cases[] = {
    {"csv", "transactions.csv", csvRows, "CSV, 100,000 rows x 20 columns"},
    {"csv-read", "transactions.csv", csvRows, "  the reader alone"},
    {"xls", "transactions-textdates.xls", xlsRows, ".xls, 65,535 rows x 20 columns, dates as text"},
    {"xls-read", "transactions-textdates.xls", xlsRows, "  the reader alone"},
    {"xls-dates", "transactions.xls", xlsRows, ".xls, 65,535 rows x 20 columns, a date column"},
    {"xls-dates-read", "transactions.xls", xlsRows, "  the reader alone"},
};

QString cacheFile(const char *name)
{
    return QDir(QStringLiteral(PELKO_BENCH_CACHE)).filePath(QString::fromLatin1(name));
}

qint64 peakMemoryKb()
{
    rusage usage{};
    return getrusage(RUSAGE_SELF, &usage) == 0 ? usage.ru_maxrss : -1;
}

// The same vouchers the workbook script writes: two rows each, the second with blank header cells.
bool writeCsv(const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write("VchType,VchDate,VchNo,RefNo,SrNo,Ledger,Debit,Credit,Narration,CostCentre,BillName,BillType,"
               "BillCreditPeriod,Quantity,Rate,Godown,Batch,Unit,Remarks,Reference2\r\n");
    const QDate start(2024, 4, 1);
    for (int i = 0; i < csvRows; ++i) {
        const int voucher = i / 2;
        const bool first = i % 2 == 0;
        const QByteArray amount = QByteArray::number(100 + voucher % 1000) + ".25";
        QByteArray line;
        if (first) {
            line += (voucher % 3 ? "Payment," : "Receipt,") +
                    start.addDays(voucher % 365).toString(QStringLiteral("dd/MM/yyyy")).toLatin1() + ',' +
                    QByteArray::number(voucher + 1) + ",REF-" + QByteArray::number(voucher) + ",1,";
        } else {
            line += ",,,,2,";
        }
        line += "Ledger " + QByteArray::number(i % 997) + ',';
        line += first ? QByteArray(amount + ",,") : QByteArray(',' + amount + ',');
        line +=
            first ? QByteArray("\"Voucher " + QByteArray::number(voucher) + " narration, text\",") : QByteArray(",");
        line += "Centre " + QByteArray::number(i % 13) + ",BILL-" + QByteArray::number(voucher) + ",New Ref,30," +
                QByteArray::number(i % 50 + 1) + ",12.5,Main Store,B-" + QByteArray::number(i % 100) +
                ",Nos,Remark for row " + QByteArray::number(i + 1) + ",X" +
                QByteArray::number(i + 1).rightJustified(7, '0') + "\r\n";
        file.write(line);
    }
    return file.commit();
}

bool writeWorkbook(const QString &path, bool dates)
{
    QStringList arguments{QStringLiteral(PELKO_BENCH_WORKBOOK_SCRIPT), path, QString::number(xlsRows)};
    if (!dates)
        arguments.append(QStringLiteral("--no-dates"));
    return QProcess::execute(QStringLiteral("/usr/bin/python3"), arguments) == 0;
}

bool prepareSources()
{
    QDir().mkpath(QStringLiteral(PELKO_BENCH_CACHE));
    if (!QFileInfo::exists(cacheFile("transactions.csv"))) {
        std::printf("writing the CSV file ...\n");
        if (!writeCsv(cacheFile("transactions.csv")))
            return false;
    }
    for (const bool dates : {true, false}) {
        const QString path = cacheFile(dates ? "transactions.xls" : "transactions-textdates.xls");
        if (QFileInfo::exists(path))
            continue;
        std::printf("writing %s with python3-xlwt (a minute or so) ...\n", qPrintable(QFileInfo(path).fileName()));
        std::fflush(stdout);
        if (!writeWorkbook(path, dates))
            return false;
    }
    return true;
}

int runCase(const Case &benchCase)
{
    testsupport::TestEnvironment environment;
    testsupport::ScriptedPrompter prompter;
    testsupport::HeadlessWindow window;
    window.setRecordsStatCalls(false);
    const QString path = cacheFile(benchCase.file);
    const qint64 before = peakMemoryKb();
    QElapsedTimer timer;
    timer.start();

    int rows = 0;
    if (QByteArray(benchCase.name).endsWith("-read")) {
        const bool text = path.endsWith(QLatin1String(".csv"));
        const sources::SourceSpec spec{text ? sources::SourceKind::TextFolder : sources::SourceKind::Workbook,
                                       text ? sources::textFolder(path) : path,
                                       {},
                                       {}};
        rows = int(sources::openSource(spec)
                       ->readTable(text ? sources::textTableName(path) : QStringLiteral("Transactions$"))
                       .rowCount());
    } else {
        window.setSelectedSourceKey(sources::ExcelSourceKey);
        window.setSourceText(sources::SourceBox::txtFilePath, path);
        window.addImportType(sources::SelectImportTypeText);
        window.addImportType(QStringLiteral("TRANSACTIONS"));
        window.selectImportType(QStringLiteral("TRANSACTIONS"));
        rows = window.workGrid().rows() - 2;
    }
    const qint64 elapsed = timer.elapsed();
    if (!prompter.boxes().isEmpty()) {
        std::fprintf(stderr, "%s: %s\n", benchCase.name, qPrintable(prompter.boxes().first().prompt));
        return 1;
    }
    if (rows != benchCase.rows) {
        std::fprintf(stderr, "%s: %d rows loaded, %d expected\n", benchCase.name, rows, benchCase.rows);
        return 1;
    }
    std::printf("%-48s %8d rows %6lld ms %6.0f ns/cell %6lld MB peak (%lld MB before the load)\n", benchCase.what, rows,
                elapsed, double(elapsed) * 1e6 / (double(rows) * columns), peakMemoryKb() / 1024, before / 1024);
    return 0;
}

struct Run
{
    qint64 ms = 0;
    QByteArray output;
};

// Runs a whole process and times it from its start to its end.
std::optional<Run> timedRun(const QString &program, const QStringList &arguments)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    child.start(program, arguments);
    child.waitForFinished(-1);
    const qint64 ms = timer.elapsed();
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        return std::nullopt;
    return Run{ms, child.readAllStandardOutput()};
}

qint64 median(std::vector<qint64> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The CSV case against the Python reference, each as a whole process, started by turns so that both meet the
// same load of the machine.
bool compareWithReference(const QString &self)
{
    std::vector<qint64> own;
    std::vector<qint64> reference;
    QByteArray referencePeak;
    for (int i = 0; i < sideBySideRuns; ++i) {
        const std::optional<Run> python =
            timedRun(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral(PELKO_BENCH_REFERENCE_SCRIPT), cacheFile("transactions.csv")});
        const std::optional<Run> pelko = timedRun(self, {QStringLiteral("--case"), QStringLiteral("csv")});
        if (!python || !pelko) {
            std::fprintf(stderr, "the side-by-side run failed\n");
            return false;
        }
        reference.push_back(python->ms);
        own.push_back(pelko->ms);
        // The script prints its record count and its peak memory in MB.
        referencePeak = python->output.trimmed().split(' ').value(1);
    }
    const qint64 ownMedian = median(own);
    const qint64 referenceMedian = median(reference);
    std::printf("\nThe CSV case as a whole process against load_csv_reference.py, %d runs each by turns (medians):\n"
                "  bench_loaders --case csv %6lld ms\n"
                "  python3 reference        %6lld ms  %s MB peak\n"
                "  ratio %.2f (goal: at most 0.5)\n",
                sideBySideRuns, ownMedian, referenceMedian, referencePeak.constData(),
                double(ownMedian) / double(referenceMedian));
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A GUI application, as in the program: the loader measures column widths with the window's font.
    QGuiApplication app(argc, argv);
    const QStringList arguments = app.arguments();

    const qsizetype option = arguments.indexOf(QStringLiteral("--case"));
    if (option >= 0 && option + 1 < arguments.size()) {
        for (const Case &benchCase : cases) {
            if (arguments.at(option + 1) == QLatin1String(benchCase.name))
                return runCase(benchCase);
        }
        std::fprintf(stderr, "no case %s\n", qPrintable(arguments.at(option + 1)));
        return 2;
    }

    if (!prepareSources()) {
        std::fprintf(stderr, "could not write the sources into %s\n", PELKO_BENCH_CACHE);
        return 1;
    }
    std::printf("Loading TRANSACTIONS on the Excel tab (read, fill-down, voucher sort, both grids); an .xls sheet "
                "holds at most 65,536 rows, so 65,535 records under the header. Goals: the CSV case at most 120 MB "
                "and, as a whole process, in at most half the time of the Python reference; each workbook case "
                "within 1.5 times the CSV case's time per cell.\n");
    std::fflush(stdout);
    int failures = 0;
    for (const Case &benchCase : cases) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(app.applicationFilePath(), {QStringLiteral("--case"), QString::fromLatin1(benchCase.name)});
        child.waitForFinished(-1);
        if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
            ++failures;
    }
    if (!compareWithReference(app.applicationFilePath()))
        ++failures;
    return failures == 0 ? 0 : 1;
}
