// Posts ledgers from a loaded work grid to the simulated server on loopback, then sends the very requests the
// server received again through a bare loop over one kept-alive connection, and compares the two times.
//
//   bench_masters [count]        (default 10000)

#include "barereplay.h"
#include "masters/masterposting.h"
#include "postingtimer.h"
#include "sources/sourcegrid.h"
#include "sources/workgrid.h"
#include "support/headlesswindow.h"
#include "support/scriptedprompter.h"
#include "support/simulatedserver.h"
#include "support/testenvironment.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>

namespace {

const QString company = QStringLiteral("Bench Traders");

const QStringList fields{
    QStringLiteral("Name"),           QStringLiteral("NameAlias"),
    QStringLiteral("Parent"),         QStringLiteral("Address1"),
    QStringLiteral("Address2"),       QStringLiteral("State"),
    QStringLiteral("Pincode"),        QStringLiteral("Email"),
    QStringLiteral("Phone"),          QStringLiteral("BillWiseOn"),
    QStringLiteral("OpeningBalance"), QStringLiteral("OpeningBillDate"),
    QStringLiteral("OpeningName"),    QStringLiteral("OpeningCreditPeriod"),
};

// The grids as the sheet loader leaves them: one column per field, the status column, two blank rows.
void loadLedgers(testsupport::HeadlessWindow &window, int count, const QString &prefix)
{
    std::vector<QString> cells;
    cells.reserve(std::size_t(count) * std::size_t(fields.size()));
    for (int i = 1; i <= count; ++i) {
        const QString n = QString::number(i);
        const QStringList row{prefix + n,
                              QStringLiteral("L") + n,
                              QStringLiteral("Sundry Debtors"),
                              n + QStringLiteral(" Main Road"),
                              QStringLiteral("Industrial Area"),
                              QStringLiteral("Maharashtra"),
                              QStringLiteral("411001"),
                              QStringLiteral("accounts") + n + QStringLiteral("@example.com"),
                              QStringLiteral("020-5550100"),
                              QStringLiteral("Yes"),
                              QString::number(i % 997) + QStringLiteral(".50"),
                              QStringLiteral("1-Apr-2024"),
                              QStringLiteral("INV-") + n,
                              QStringLiteral("30")};
        for (const QString &cell : row)
            cells.push_back(cell);
    }
    sources::WorkGrid &grid = window.workGrid();
    grid.setRedraw(false);
    grid.clear();
    for (const QString &field : fields)
        grid.addColumn(field.toUpper(), field);
    grid.addColumn(sources::ProcessStatusKey, sources::ProcessStatusCaption);
    for (int i = 0; i < count; ++i) {
        const int row = grid.appendRow();
        for (int j = 0; j < fields.size(); ++j)
            grid.setText(row, j + 1, cells[std::size_t(i) * std::size_t(fields.size()) + std::size_t(j)]);
    }
    grid.appendRow();
    grid.appendRow();
    grid.setRedraw(true);
    window.sourceGrid().bind(fields, std::move(cells));
}

double postThroughLoop(testsupport::SimulatedServer &server, int count, const QString &prefix)
{
    testsupport::HeadlessWindow window;
    window.setCompanyListText(company);
    loadLedgers(window, count, prefix);
    return timePosting(server, window, masters::PostLedgers, count, "ledgers");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 10000;

    testsupport::TestEnvironment environment;
    testsupport::ScriptedPrompter prompter;
    testsupport::SimulatedServer server(tallysim::Config{{company}, company});
    server.configureSettings();

    postThroughLoop(server, 200, QStringLiteral("Warm-up "));
    const double pelko = postThroughLoop(server, count, QStringLiteral("Ledger "));
    const QList<QByteArray> bodies = receivedBodies(server);
    const double bare = replayBare(server.port(), bodies);
    const double onSocket = replayOnSocket(server.port(), bodies);

    std::printf("ledgers posted:              %d\n", count);
    std::printf("Pelko posting loop:          %.3f s (%.1f us per ledger)\n", pelko, pelko * 1e6 / count);
    std::printf("bare loop, same requests:    %.3f s (%.1f us per request)\n", bare, bare * 1e6 / count);
    std::printf("ratio Pelko / bare:          %.2f (goal: at most 1.3)\n", pelko / bare);
    std::printf("Pelko overhead per ledger:   %.1f us\n", (pelko - bare) * 1e6 / count);
    printBaseline("bare loop on a plain socket:", onSocket, pelko, count);
    if (!prompter.boxes().isEmpty())
        std::printf("error boxes shown: %lld\n", static_cast<long long>(prompter.boxes().size()));
    return 0;
}
