// Stages vouchers of five ledger lines in the staging file, then stages, builds and posts as many to the
// simulated server on loopback, and sends the very requests the server received again through a bare loop over
// one kept-alive connection, and compares the times.
//
//   bench_staging [count]        (default 10000)

#include "barereplay.h"
#include "postingtimer.h"
#include "staging/stagingstore.h"
#include "staging/voucherbuilder.h"
#include "support/scriptedprompter.h"
#include "support/simulatedserver.h"
#include "support/testenvironment.h"
#include "tally/transport.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>

namespace {

const QString company = QStringLiteral("Bench Traders");
const QString create = QStringLiteral("Create");

struct Line
{
    const char *ledger;
    const char *deemedPositive;
};
constexpr std::array<Line, 5> lines{{
    {"Sundry Debtor", "Yes"},
    {"Sales", "No"},
    {"Output VAT", "No"},
    {"Freight Outward", "No"},
    {"Round Off", "No"},
}};

QStringList ledgerNames()
{
    QStringList names;
    for (const Line &line : lines)
        names.append(QString::fromLatin1(line.ledger));
    return names;
}

// One sales voucher as a posting run stages it: the header, then one ledger entry per line.
bool stageVoucher(staging::StagingStore &store, const QString &prefix, int number)
{
    const QString id = QString::number(number);
    staging::VoucherRec voucher;
    voucher.Date = QStringLiteral("20240401");
    voucher.EffectiveDate = voucher.Date;
    voucher.VoucherTypeName = QStringLiteral("Sales");
    voucher.VoucherNumber = prefix + id;
    voucher.GUID = voucher.VoucherTypeName + QLatin1Char('-') + voucher.VoucherNumber + QLatin1Char('-') + voucher.Date;
    voucher.Reference = QStringLiteral("INV-") + id;
    voucher.Narration = QStringLiteral("Goods sold on credit, invoice ") + id;
    voucher.PartyLedgerName = QString::fromLatin1(lines[0].ledger);
    for (QString staging::VoucherRec::*flag :
         {&staging::VoucherRec::DiffActualQty, &staging::VoucherRec::Audited, &staging::VoucherRec::ForJobCosting,
          &staging::VoucherRec::IsOptional, &staging::VoucherRec::UseForCompound, &staging::VoucherRec::UseForGainLoss,
          &staging::VoucherRec::UseForGodownTransfer, &staging::VoucherRec::UseForInterest,
          &staging::VoucherRec::UseTrackingNumber, &staging::VoucherRec::IsCancelled, &staging::VoucherRec::IsPostDated,
          &staging::VoucherRec::MFGJournal, &staging::VoucherRec::HasDiscounts, &staging::VoucherRec::AsPayslip,
          &staging::VoucherRec::IsDeleted})
        voucher.*flag = QStringLiteral("No");
    bool staged = store.SaveVoucher(company, voucher, id);

    const int total = 1000 + number % 997;
    const std::array<QString, 5> amounts{QString::number(-total) + QStringLiteral(".000"),
                                         QString::number(total - 130) + QStringLiteral(".500"),
                                         QStringLiteral("112.500"), QStringLiteral("18.250"), QStringLiteral("-1.250")};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        staging::LedgerEntryRec entry;
        entry.LedgerName = QString::fromLatin1(lines[i].ledger);
        entry.IsDeemedPositive = QString::fromLatin1(lines[i].deemedPositive);
        entry.LedgerFromItem = QStringLiteral("No");
        entry.RemoveZeroEntries = QStringLiteral("No");
        entry.IsPartyLedger = i == 0 ? QStringLiteral("Yes") : QStringLiteral("No");
        entry.Amount = amounts[i];
        staged = store.SaveLedgerEntry(company, entry, id, QString::number(i + 1)) && staged;
    }
    return staged;
}

// Staging alone, each voucher committed as a build would commit it.
struct Times
{
    double wall = 0;
    double cpu = 0;
};

Times stageOnly(int count)
{
    staging::StagingStore store;
    store.ClearCompanyStaging(company);
    QElapsedTimer timer;
    timer.start();
    const double cpu = threadSeconds();
    for (int number = 1; number <= count; ++number) {
        if (!stageVoucher(store, QStringLiteral("S-"), number))
            qFatal("a voucher could not be staged");
        store.readVoucher({}, company, QString::number(number));
    }
    return {double(timer.nsecsElapsed()) / 1e9, threadSeconds() - cpu};
}

Times stageBuildAndPost(int count, const QString &prefix)
{
    // A voucher run reads the server once for all its vouchers.
    const tally::RunServer server;
    staging::StagingStore store;
    store.ClearCompanyStaging(company);
    QElapsedTimer timer;
    timer.start();
    const double cpu = threadSeconds();
    int created = 0;
    for (int number = 1; number <= count; ++number) {
        stageVoucher(store, prefix, number);
        if (staging::PostStagedVoucher(store, company, QString::number(number), create).summary ==
            QLatin1String("CREATED"))
            ++created;
    }
    const Times times{double(timer.nsecsElapsed()) / 1e9, threadSeconds() - cpu};
    if (created != count)
        std::fprintf(stderr, "warning: %d of %d vouchers created\n", created, count);
    return times;
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

    const Times staged = stageOnly(count);
    stageBuildAndPost(200, QStringLiteral("Warm-up "));
    server.clearRequests();
    const Times pelko = stageBuildAndPost(count, QStringLiteral("S-"));
    const QList<QByteArray> bodies = receivedBodies(server);
    const double bareCpu = threadSeconds();
    const Times bare{replayBare(server.port(), bodies), 0};
    const double onSocket = replayOnSocket(server.port(), bodies);
    const double bareThreadCpu = threadSeconds() - bareCpu;

    auto perVoucher = [count](double seconds) { return seconds * 1e6 / count; };
    std::printf("vouchers of five ledger lines: %d (times per voucher; CPU of this thread in brackets)\n", count);
    std::printf("staging alone:                 %.3f s  %6.1f us  [%6.1f us]\n", staged.wall, perVoucher(staged.wall),
                perVoucher(staged.cpu));
    std::printf("Pelko stage, build and post:   %.3f s  %6.1f us  [%6.1f us]\n", pelko.wall, perVoucher(pelko.wall),
                perVoucher(pelko.cpu));
    std::printf("bare loop, same requests:      %.3f s  %6.1f us  [%6.1f us]\n", bare.wall, perVoucher(bare.wall),
                perVoucher(bareThreadCpu));
    std::printf("ratio Pelko / bare:            %.2f\n", pelko.wall / bare.wall);
    std::printf("Pelko overhead per voucher:    %.1f us\n", perVoucher(pelko.wall - bare.wall));
    printBaseline("bare loop on a plain socket:", onSocket, pelko.wall, count);
    std::printf("goals: staging alone a few seconds for 10,000 vouchers; Pelko / bare at most 1.3\n");
    if (!prompter.boxes().isEmpty())
        std::printf("error boxes shown: %lld\n", static_cast<long long>(prompter.boxes().size()));
    return 0;
}
