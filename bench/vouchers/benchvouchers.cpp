// Posts plain-transaction vouchers of four lines from a work grid through the whole voucher run (reading the rows,
// staging, building, sending, marking) to the simulated server on loopback, then sends the very requests the
// server received again through a bare loop over one kept-alive connection, and compares the two times.
//
//   bench_vouchers [count]        (default 10000)

#include "barereplay.h"
#include "postingtimer.h"
#include "sources/sourcegrid.h"
#include "sources/workgrid.h"
#include "support/headlesswindow.h"
#include "support/scriptedprompter.h"
#include "support/simulatedserver.h"
#include "support/testenvironment.h"
#include "vouchers/voucherposting.h"

#include <QCoreApplication>

#include <algorithm>
#include <array>
#include <cstdio>

namespace {

const QString company = QStringLiteral("Bench Traders");

const QStringList fields{QStringLiteral("VchType"),   QStringLiteral("VchDate"), QStringLiteral("VchNo"),
                         QStringLiteral("SrNo"),      QStringLiteral("RefNo"),   QStringLiteral("Ledger"),
                         QStringLiteral("Debit"),     QStringLiteral("Credit"),  QStringLiteral("Narration"),
                         QStringLiteral("AdjMethod"), QStringLiteral("AdjName"), QStringLiteral("AdjDate"),
                         QStringLiteral("AdjAmount")};

constexpr std::array<const char *, 4> ledgers{"Sundry Debtor", "Sales", "Output VAT", "Freight Outward"};

QStringList ledgerNames()
{
    QStringList names;
    for (const char *ledger : ledgers)
        names.append(QString::fromLatin1(ledger));
    return names;
}

// The grids as the sheet loader leaves a sheet without an ID column: one column per field, the ID column it adds,
// the status column and two blank rows; each voucher's header cells filled down.
void loadVouchers(testsupport::HeadlessWindow &window, int count, const QString &prefix)
{
    std::vector<QString> cells;
    cells.reserve(std::size_t(count) * 4 * std::size_t(fields.size()));
    QStringList ids;
    for (int i = 1; i <= count; ++i) {
        const QString number = prefix + QString::number(i);
        const int total = 1000 + i % 997;
        const std::array<QStringList, 4> lines{{
            {QString::number(total) + QStringLiteral(".50"), QString(), QStringLiteral("New Ref"),
             QStringLiteral("INV-") + number, QStringLiteral("30"), QString::number(total) + QStringLiteral(".50")},
            {QString(), QString::number(total - 130) + QStringLiteral(".50"), QString(), QString(), QString(),
             QString()},
            {QString(), QStringLiteral("112.50"), QString(), QString(), QString(), QString()},
            {QString(), QStringLiteral("18"), QString(), QString(), QString(), QString()},
        }};
        for (std::size_t line = 0; line < lines.size(); ++line) {
            const QStringList &values = lines[line];
            const QStringList row{QStringLiteral("Sales"),
                                  QStringLiteral("20240401"),
                                  number,
                                  QString::number(line + 1),
                                  QStringLiteral("INV-") + number,
                                  QString::fromLatin1(ledgers[line]),
                                  values[0],
                                  values[1],
                                  QStringLiteral("Goods sold on credit, invoice ") + number,
                                  values[2],
                                  values[3],
                                  values[4],
                                  values[5]};
            for (const QString &cell : row)
                cells.push_back(cell);
            ids.append(QStringLiteral("Sales-") + number + QStringLiteral("-20240401-INV-") + number);
        }
    }
    sources::WorkGrid &grid = window.workGrid();
    grid.setRedraw(false);
    grid.clear();
    for (const QString &field : fields)
        grid.addColumn(field.toUpper(), field);
    const int idColumn = grid.addColumn(sources::IdKey, sources::IdKey);
    grid.addColumn(sources::ProcessStatusKey, sources::ProcessStatusCaption);
    for (qsizetype i = 0; i < ids.size(); ++i) {
        const int row = grid.appendRow();
        for (int j = 0; j < fields.size(); ++j)
            grid.setText(row, j + 1, cells[std::size_t(i) * std::size_t(fields.size()) + std::size_t(j)]);
        grid.setText(row, idColumn, ids.at(i));
    }
    grid.appendRow();
    grid.appendRow();
    grid.setRedraw(true);
    window.sourceGrid().bind(fields, std::move(cells));
}

double postThroughRun(testsupport::SimulatedServer &server, int count, const QString &prefix)
{
    testsupport::HeadlessWindow window;
    window.setCompanyListText(company);
    loadVouchers(window, count, prefix);
    return timePosting(server, window, vouchers::PostTransaction, count, "vouchers");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 10000;

    testsupport::TestEnvironment environment;
    testsupport::ScriptedPrompter prompter;
    testsupport::SimulatedServer server(tallysim::Config{{company}, company, ledgerNames()});
    server.configureSettings();

    postThroughRun(server, 200, QStringLiteral("W"));
    const double pelko = postThroughRun(server, count, QStringLiteral("S"));
    const QList<QByteArray> bodies = receivedBodies(server);
    const double bare = replayBare(server.port(), bodies);
    const double onSocket = replayOnSocket(server.port(), bodies);

    std::printf("vouchers of four lines posted: %d (%d grid rows)\n", count, count * 4);
    std::printf("Pelko voucher run:             %.3f s (%.1f us per voucher)\n", pelko, pelko * 1e6 / count);
    std::printf("bare loop, same requests:      %.3f s (%.1f us per request)\n", bare, bare * 1e6 / count);
    std::printf("ratio Pelko / bare:            %.2f (goal: at most 1.3)\n", pelko / bare);
    std::printf("Pelko overhead per voucher:    %.1f us\n", (pelko - bare) * 1e6 / count);
    printBaseline("bare loop on a plain socket:", onSocket, pelko, count);
    if (!prompter.boxes().isEmpty())
        std::printf("error boxes shown: %lld\n", static_cast<long long>(prompter.boxes().size()));
    return 0;
}
