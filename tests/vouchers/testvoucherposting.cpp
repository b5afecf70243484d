#include "errors/errortrap.h"
#include "platform/system.h"
#include "sources/rowmarking.h"
#include "sources/sourcegrid.h"
#include "sources/workgrid.h"
#include "staging/stagingstore.h"
#include "support/golden.h"
#include "support/gridloading.h"
#include "support/headlesswindow.h"
#include "support/postingrecord.h"
#include "support/reportederrors.h"
#include "support/scriptedprompter.h"
#include "support/simulatedserver.h"
#include "support/testbed.h"
#include "support/testenvironment.h"
#include "vouchers/voucherposting.h"
#include "vouchers/voucherrun.h"

#include <QFile>
#include <QLocale>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

#include <pugixml.hpp>

#include <clocale>
#include <memory>

using namespace Qt::StringLiterals;
using testsupport::HeadlessWindow;
using testsupport::LoadedAs;

using PostingProcedure = void (*)(sources::ImportWindow &);
Q_DECLARE_METATYPE(PostingProcedure)

namespace {

const QString company = QStringLiteral("Pelko Traders");

const QStringList transactionFields{u"VchType"_s, u"VchDate"_s, u"VchNo"_s,  u"SrNo"_s,     u"RefNo"_s,
                                    u"Ledger"_s,  u"Debit"_s,   u"Credit"_s, u"Narration"_s};
const QStringList withId = transactionFields + QStringList{u"ID"_s};
// A ledger line with a bill, a cost row, a service-tax value and a TDS ledger.
const QStringList lineFields = transactionFields + QStringList{u"AdjName"_s,    u"AdjAmount"_s,  u"AssessableAmt"_s,
                                                               u"CostCentre"_s, u"CostAmount"_s, u"TDSLedger"_s};

// The ledgers the server holds: every ledger the tests name but "Nowhere" and "Unknown Ledger".
const QStringList knownLedgers{u"Office Rent"_s,
                               u"Rent"_s,
                               u"Bank"_s,
                               u"Patel & Sons"_s,
                               u"Electricity"_s,
                               u"Travel"_s,
                               u"Contractor"_s,
                               u"Contract Expenses"_s,
                               u"TDS Payable"_s,
                               u"Consultant"_s,
                               u"Consultancy Charges"_s,
                               u"Round Off"_s,
                               u"Sales"_s,
                               u"Output VAT"_s,
                               u"Supplier"_s,
                               u"Purchases"_s,
                               u"Broken"_s};

// A ledger line of a plain transaction: type, date, number, serial, reference, ledger, debit, credit, narration.
QStringList line(const QString &type, const QString &number, const QString &serial, const QString &ledger,
                 const QString &debit = QString(), const QString &credit = QString(),
                 const QString &reference = QString())
{
    return {type, u"20240401"_s, number, serial, reference, ledger, debit, credit, u"Narration"_s};
}

// A row of a voucher Journal/1/20240401 in the fields given: its serial, reference, narration and the cells named,
// the rest empty.
QStringList journalRow(const QStringList &fields, const QString &serial, const QList<QPair<QString, QString>> &cells)
{
    QStringList row(fields.size());
    const QList<QPair<QString, QString>> key{{u"VchType"_s, u"Journal"_s}, {u"VchDate"_s, u"20240401"_s},
                                             {u"VchNo"_s, u"1"_s},         {u"SrNo"_s, serial},
                                             {u"RefNo"_s, u"J-1"_s},       {u"Narration"_s, u"Narration"_s}};
    for (const auto &[field, text] : key + cells)
        row[fields.indexOf(field)] = text;
    return row;
}

QStringList withIdCell(QStringList row, const QString &id)
{
    return row << id;
}

pugi::xml_document parsed(const QByteArray &body)
{
    pugi::xml_document document;
    document.load_buffer(body.constData(), size_t(body.size()));
    return document;
}

// The vouchers a run sent, as "REMOTEID [REFERENCE] ledger,ledger" for each request.
QStringList postedVouchers(const QList<tallysim::RecordedRequest> &requests)
{
    QStringList posted;
    for (const tallysim::RecordedRequest &request : requests) {
        const pugi::xml_document document = parsed(request.body);
        const pugi::xml_node voucher = document.select_node("//VOUCHER").node();
        QStringList ledgers;
        for (const pugi::xml_node entry : voucher.children("LEDGERENTRIES.LIST"))
            ledgers.append(QString::fromUtf8(entry.child_value("LEDGERNAME")));
        posted.append(QString::fromUtf8(voucher.attribute("REMOTEID").value()) + u" ["_s +
                      QString::fromUtf8(voucher.child_value("REFERENCE")) + u"] "_s + ledgers.join(QLatin1Char(',')));
    }
    return posted;
}

// Rows whose status cell holds a result, and rows shown as failed.
QString statusRows(sources::WorkGrid &grid)
{
    QStringList rows;
    for (int row = 1; row <= grid.rows(); ++row) {
        if (!grid.text(row, sources::ProcessStatusKey).isEmpty())
            rows.append(QString::number(row));
    }
    return rows.join(QLatin1Char(','));
}

QString failedRows(sources::WorkGrid &grid)
{
    QStringList rows;
    for (int row = 1; row <= grid.rows(); ++row) {
        if (grid.textColor(row, 1) == QColor(255, 0, 0) && grid.bold(row, grid.columnOfKey(sources::ProcessStatusKey)))
            rows.append(QString::number(row));
    }
    return rows.join(QLatin1Char(','));
}

QStringList statTexts(const HeadlessWindow &window)
{
    QStringList texts;
    for (const HeadlessWindow::StatCall &call : window.statCalls())
        texts.append(call.msg);
    return texts;
}

// A run of one handler that posts every row as a voucher of its own, as the register types do.
class EachRowHandler final : public vouchers::RowHandler
{
public:
    const char *locationCode() const override { return "F01-9999"; }
    vouchers::Grouping grouping() const override { return vouchers::Grouping::EachRow; }
    void readRow(vouchers::VoucherRun &run) override { m_ledger = run.cell("LEDGER"); }
    bool holdsVoucher(vouchers::VoucherRun &) override { return !m_ledger.isEmpty(); }
    void openVoucher(vouchers::VoucherRun &, staging::VoucherRec &header) override
    {
        header.PartyLedgerName = m_ledger;
    }
    void stageLines(vouchers::VoucherRun &run) override
    {
        staging::LedgerEntryRec entry;
        entry.LedgerName = m_ledger;
        entry.Amount = QStringLiteral("1.000");
        run.store().SaveLedgerEntry(run.company(), entry, run.vchId(), QStringLiteral("1"));
    }

private:
    QString m_ledger;
};

} // namespace

class TestVoucherPosting final : public testsupport::TestBed<HeadlessWindow>
{
    Q_OBJECT

private slots:
    void init()
    {
        startBed();
        startServer(company);
        m_window = newWindow(company);
    }
    void cleanup() { stopBed(); }

    // A file of each voucher type goes through the loader, the run, the staging file and the builder to the
    // server: the requests the server receives, and the marks and progress the run leaves, are the expected files.
    void goldenRun_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("listText");
        QTest::addColumn<PostingProcedure>("procedure");

        QTest::newRow("transactions") << "transactions"
                                      << "TRANSACTIONS" << &vouchers::PostTransaction;
        QTest::newRow("quick transactions") << "quick-transactions"
                                            << "QUICKTRANSACTIONS" << &vouchers::PostQuickTransaction;
        QTest::newRow("TDS transactions") << "tds-transactions"
                                          << "TDSTRANSACTIONS" << &vouchers::PostTDSTransaction;
        QTest::newRow("service-tax transactions") << "service-tax-transactions"
                                                  << "SERVICETAXTRANSACTIONS" << &vouchers::PostServTaxTransaction;
        QTest::newRow("itemized transactions") << "item-transactions"
                                               << "ITEM TRANSACTIONS" << &vouchers::PostItemizedTransaction;
        QTest::newRow("service-tax and TDS transactions") << "sttds-transactions"
                                                          << "STTDSTRANSACTIONS" << &vouchers::PostSTTDSTransaction;
        QTest::newRow("credit and debit notes") << "crdr-notes"
                                                << "CRDRNOTES" << &vouchers::PostCrDrNotes;
    }
    void goldenRun()
    {
        QFETCH(QString, file);
        QFETCH(QString, listText);
        QFETCH(PostingProcedure, procedure);

        testsupport::postFileAsExpected(*m_window, *m_prompter, *m_server, file, listText, procedure);
        QCOMPARE(m_window->selectFirstDataTabCount(), 1);
        QCOMPARE(m_window->currentCompany(), company);
    }

    // How rows group into vouchers, where each result goes and the ids the progress shows.
    void grouping_data()
    {
        QTest::addColumn<QString>("listText");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<int>("loadedAs");
        QTest::addColumn<QStringList>("posted");
        QTest::addColumn<QString>("results");
        QTest::addColumn<QString>("progress");

        const int sheet = int(LoadedAs::Sheet);
        const int table = int(LoadedAs::Table);
        const QString p = u"Payment"_s;
        QTest::newRow("only blank rows") << u"TRANSACTIONS"_s << transactionFields
                                         << QList<QStringList>{QStringList(transactionFields.size(), QString())}
                                         << table << QStringList() << u""_s << u""_s;
        QTest::newRow("one voucher of three rows")
            << u"TRANSACTIONS"_s << transactionFields
            << QList<QStringList>{line(p, u"1"_s, u"1"_s, u"Rent"_s, u"100"_s, {}, u"R1"_s),
                                  line(p, u"1"_s, u"2"_s, u"Cash"_s, {}, u"60"_s),
                                  line(p, u"1"_s, u"3"_s, u"Bank"_s, {}, u"40"_s)}
            << sheet << QStringList{u"Payment-1-20240401 [R1] Rent,Cash,Bank"_s} << u"3"_s << u"1"_s;
        QTest::newRow("two vouchers") << u"TRANSACTIONS"_s << transactionFields
                                      << QList<QStringList>{line(p, u"1"_s, u"1"_s, u"Rent"_s, u"5"_s),
                                                            line(p, u"1"_s, u"2"_s, u"Cash"_s, {}, u"5"_s),
                                                            line(p, u"2"_s, u"1"_s, u"Rent"_s, u"7"_s),
                                                            line(p, u"2"_s, u"2"_s, u"Cash"_s, {}, u"7"_s)}
                                      << sheet
                                      << QStringList{u"Payment-1-20240401 [] Rent,Cash"_s,
                                                     u"Payment-2-20240401 [] Rent,Cash"_s}
                                      << u"2,4"_s << u"1,2"_s;
        QTest::newRow("rows differing in reference join the voucher of their key")
            << u"TRANSACTIONS"_s << transactionFields
            << QList<QStringList>{line(p, u"1"_s, u"1"_s, u"Rent"_s, u"5"_s, {}, u"R1"_s),
                                  line(p, u"1"_s, u"2"_s, u"Cash"_s, {}, u"5"_s, u"R2"_s)}
            << sheet << QStringList{u"Payment-1-20240401 [R1] Rent,Cash"_s} << u"2"_s << u"1"_s;
        QTest::newRow("keys differing in letter case or blanks")
            << u"TRANSACTIONS"_s << transactionFields
            << QList<QStringList>{line(p, u"A1"_s, u"1"_s, u"Rent"_s), line(p, u"a1"_s, u"2"_s, u"Cash"_s),
                                  line(p, u"A1 "_s, u"3"_s, u"Bank"_s)}
            << sheet
            << QStringList{u"Payment-A1-20240401 [] Rent"_s, u"Payment-a1-20240401 [] Cash"_s,
                           u"Payment-A1 -20240401 [] Bank"_s}
            << u"1,2,3"_s << u"1,2,3"_s;
        QTest::newRow("an ID column groups by the ID alone")
            << u"TRANSACTIONS"_s << withId
            << QList<QStringList>{withIdCell(line(p, u"1"_s, u"1"_s, u"Rent"_s), u"V1"_s),
                                  withIdCell(line(u"Receipt"_s, u"9"_s, u"1"_s, u"Cash"_s), u"V1"_s),
                                  withIdCell(line(u"Receipt"_s, u"9"_s, u"2"_s, u"Bank"_s), u"V2"_s)}
            << sheet << QStringList{u"V1 [] Rent,Cash"_s, u"V2 [] Bank"_s} << u"2,3"_s << u"1,2"_s;
        QTest::newRow("a first ID of 00")
            << u"TRANSACTIONS"_s << withId
            << QList<QStringList>{withIdCell(line(p, u"1"_s, u"1"_s, u"Rent"_s), u"00"_s),
                                  withIdCell(line(p, u"2"_s, u"1"_s, u"Cash"_s), u"01"_s)}
            << sheet << QStringList{u"00 [] Rent"_s, u"01 [] Cash"_s} << u"1,2"_s << u"1,2"_s;
        // Without fill-down a row may lack its ID: it is not sent, and the rows after it post.
        QTest::newRow("a row without an ID")
            << u"H_TRANSACTIONS"_s << withId
            << QList<QStringList>{withIdCell(line(p, u"1"_s, u"1"_s, u"Rent"_s), u"V1"_s),
                                  withIdCell(line(p, u"2"_s, u"1"_s, u"Cash"_s), QString()),
                                  withIdCell(line(p, u"3"_s, u"1"_s, u"Bank"_s), u"V3"_s)}
            << sheet << QStringList{u"V1 [] Rent"_s, u"V3 [] Bank"_s} << u"1,2,3"_s << u"1,2,3"_s;
        // A table keeps its blank records, and the voucher order puts them first: they stage and post nothing.
        QTest::newRow("a blank record in a table with IDs")
            << u"TRANSACTIONS"_s << withId
            << QList<QStringList>{withIdCell(line(p, u"1"_s, u"1"_s, u"Rent"_s), u"V1"_s),
                                  QStringList(withId.size(), QString()),
                                  withIdCell(line(p, u"2"_s, u"1"_s, u"Cash"_s), u"V2"_s)}
            << table << QStringList{u"V1 [] Rent"_s, u"V2 [] Cash"_s} << u"2,3"_s << u"1,2"_s;
    }
    void grouping()
    {
        QFETCH(QString, listText);
        QFETCH(QStringList, fields);
        QFETCH(QList<QStringList>, rows);
        QFETCH(int, loadedAs);
        QFETCH(QStringList, posted);
        QFETCH(QString, results);
        QFETCH(QString, progress);

        testsupport::loadRows(*m_window, listText, fields, rows, LoadedAs(loadedAs));
        vouchers::PostTransaction(*m_window);

        QCOMPARE(testsupport::reportedErrors(*m_prompter), QStringList());
        QCOMPARE(postedVouchers(m_server->requests()), posted);
        QCOMPARE(statusRows(m_window->workGrid()), results);
        QStringList expectedStat{u"Deleting Previous Data"_s, QString()};
        for (const QString &id : progress.split(QLatin1Char(','), Qt::SkipEmptyParts))
            expectedStat.append(u"Processed Document: "_s + id);
        expectedStat.append(u"Finished Posing of Data."_s);
        QCOMPARE(statTexts(*m_window), expectedStat);
        QCOMPARE(m_window->workGrid().currentRow(),
                 results.isEmpty() ? 0 : results.section(QLatin1Char(','), -1).toInt());
        QCOMPARE(m_window->yieldCount(),
                 m_window->workGrid().rows() + int(results.split(QLatin1Char(','), Qt::SkipEmptyParts).size()));
    }

    // A voucher the server refuses marks its rows: by their place when the source has no ID column of its own,
    // by their ID cells when it has one.
    void refusedVoucherMarksItsRows_data()
    {
        QTest::addColumn<QString>("listText");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<QString>("failed");

        const QString p = u"Payment"_s;
        QTest::newRow("no ID column") << u"TRANSACTIONS"_s << transactionFields
                                      << QList<QStringList>{line(p, u"1"_s, u"1"_s, u"Cash"_s, u"5"_s),
                                                            line(p, u"2"_s, u"1"_s, u"Nowhere"_s, u"5"_s),
                                                            line(p, u"2"_s, u"2"_s, u"Cash"_s, {}, u"5"_s),
                                                            line(p, u"3"_s, u"1"_s, u"Cash"_s, u"5"_s)}
                                      << u"2,3"_s;
        QTest::newRow("ID column") << u"TRANSACTIONS"_s << withId
                                   << QList<QStringList>{withIdCell(line(p, u"1"_s, u"1"_s, u"Cash"_s), u"A"_s),
                                                         withIdCell(line(p, u"2"_s, u"1"_s, u"Nowhere"_s), u"B"_s),
                                                         withIdCell(line(p, u"2"_s, u"2"_s, u"Cash"_s), u"B"_s),
                                                         withIdCell(line(p, u"3"_s, u"1"_s, u"Cash"_s), u"C"_s)}
                                   << u"2,3"_s;
    }
    void refusedVoucherMarksItsRows()
    {
        QFETCH(QString, listText);
        QFETCH(QStringList, fields);
        QFETCH(QList<QStringList>, rows);
        QFETCH(QString, failed);

        testsupport::loadRows(*m_window, listText, fields, rows);
        vouchers::PostTransaction(*m_window);

        sources::WorkGrid &grid = m_window->workGrid();
        QCOMPARE(m_server->requests().size(), 3);
        QCOMPARE(failedRows(grid), failed);
        QCOMPARE(statusRows(grid), u"1,3,4"_s);
        QCOMPARE(grid.image(3, 1), sources::imageRejected);
        QVERIFY(grid.text(3, sources::ProcessStatusKey).contains(u"Ledger 'Nowhere' does not exist!"_s));
        QCOMPARE(grid.image(1, 1), sources::imagePosted);
        QCOMPARE(grid.image(4, 1), sources::imagePosted);
    }

    // A voucher that cannot be posted as the sheet means it is kept from the server: its rows are marked as
    // failed (by their place, so that the blank rows at the end stay as they were), its last row says why, no
    // error is reported and the vouchers after it post.
    void refusedBeforeSending_data()
    {
        QTest::addColumn<QString>("listText");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<QStringList>("posted");
        QTest::addColumn<QString>("failed");
        QTest::addColumn<QStringList>("statuses");

        const QString p = u"Payment"_s;
        const QString created = u"CREATED"_s;
        const auto dated = [](QStringList row, const QString &date) {
            row[1] = date;
            return row;
        };
        QTest::newRow("rows without an ID")
            << u"H_TRANSACTIONS"_s << withId
            << QList<QStringList>{withIdCell(line(p, u"1"_s, u"1"_s, u"Cash"_s, u"5"_s), u"A"_s),
                                  withIdCell(line(p, u"2"_s, u"1"_s, u"Rent"_s, u"5"_s), QString()),
                                  withIdCell(line(p, u"2"_s, u"2"_s, u"Cash"_s, {}, u"5"_s), QString()),
                                  withIdCell(line(p, u"3"_s, u"1"_s, u"Cash"_s, u"5"_s), u"C"_s)}
            << QStringList{u"A [] Cash"_s, u"C [] Cash"_s} << u"2,3"_s
            << QStringList{created, {}, u"ERROR: row 2 has no ID; the voucher was not sent"_s, created};
        QTest::newRow("no date") << u"H_TRANSACTIONS"_s << transactionFields
                                 << QList<QStringList>{dated(line(p, u"1"_s, u"1"_s, u"Rent"_s, u"5"_s), {}),
                                                       line(p, u"2"_s, u"1"_s, u"Rent"_s, u"5"_s)}
                                 << QStringList{u"Payment-2-20240401 [] Rent"_s} << u"1"_s
                                 << QStringList{u"ERROR: row 1 has no date; the voucher was not sent"_s, created};
        QTest::newRow("an ID on two dates")
            << u"TRANSACTIONS"_s << withId
            << QList<QStringList>{withIdCell(line(p, u"1"_s, u"1"_s, u"Rent"_s, u"5"_s), u"V1"_s),
                                  withIdCell(dated(line(p, u"2"_s, u"1"_s, u"Cash"_s, u"5"_s), u"20240402"_s), u"V2"_s),
                                  withIdCell(dated(line(p, u"3"_s, u"1"_s, u"Bank"_s, u"5"_s), u"20240403"_s), u"V1"_s)}
            << QStringList{u"V1 [] Rent"_s, u"V2 [] Cash"_s} << u"3"_s
            << QStringList{created, created,
                           u"ERROR: row 3 has the ID \"V1\" of the voucher posted at row 1 in this run; the voucher "
                           u"was not sent"_s};
    }
    void refusedBeforeSending()
    {
        QFETCH(QString, listText);
        QFETCH(QStringList, fields);
        QFETCH(QList<QStringList>, rows);
        QFETCH(QStringList, posted);
        QFETCH(QString, failed);
        QFETCH(QStringList, statuses);

        testsupport::loadRows(*m_window, listText, fields, rows);
        vouchers::PostTransaction(*m_window);

        sources::WorkGrid &grid = m_window->workGrid();
        QCOMPARE(testsupport::reportedErrors(*m_prompter), QStringList());
        QCOMPARE(postedVouchers(m_server->requests()), posted);
        QCOMPARE(failedRows(grid), failed);
        QStringList shown;
        for (int row = 1; row <= statuses.size(); ++row) {
            const QString status = grid.text(row, sources::ProcessStatusKey);
            shown.append(status.startsWith(u"ERROR"_s) ? status : status.section(QLatin1Char(' '), 0, 0));
        }
        QCOMPARE(shown, statuses);
    }

    // A column the type needs and the source lacks stops the run at the first row with one error under the
    // type's location code: nothing is staged or posted, and the run does not say it finished.
    void missingRequiredColumn_data()
    {
        QTest::addColumn<QString>("listText");
        QTest::addColumn<PostingProcedure>("procedure");
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("missing");

        QTest::newRow("transactions") << u"TRANSACTIONS"_s << &vouchers::PostTransaction << u"F01-0023"_s
                                      << u"Credit"_s;
        QTest::newRow("narration") << u"H_TRANSACTIONS"_s << &vouchers::PostTransaction << u"F01-0023"_s
                                   << u"Narration"_s;
        QTest::newRow("quick") << u"QUICKTRANSACTIONS"_s << &vouchers::PostQuickTransaction << u"F01-0023C"_s
                               << u"Amount"_s;
        QTest::newRow("TDS") << u"TDSTRANSACTIONS"_s << &vouchers::PostTDSTransaction << u"F01-0023A"_s << u"Ledger"_s;
        QTest::newRow("service tax") << u"SERVICETAXTRANSACTIONS"_s << &vouchers::PostServTaxTransaction
                                     << u"F01-0023B"_s << u"Debit"_s;
        QTest::newRow("itemized") << u"ITEM TRANSACTIONS"_s << &vouchers::PostItemizedTransaction << u"F01-0024"_s
                                  << u"GodownName"_s;
        QTest::newRow("service tax and TDS")
            << u"STTDSTRANSACTIONS"_s << &vouchers::PostSTTDSTransaction << u"F01-0025A"_s << u"Credit"_s;
        QTest::newRow("notes") << u"CRDRNOTES"_s << &vouchers::PostCrDrNotes << u"F01-0050"_s << u"Debit"_s;
    }
    void missingRequiredColumn()
    {
        QFETCH(QString, listText);
        QFETCH(PostingProcedure, procedure);
        QFETCH(QString, location);
        QFETCH(QString, missing);

        const QStringList allFields{u"VchType"_s,   u"VchDate"_s,   u"VchNo"_s,     u"SrNo"_s,    u"RefNo"_s,
                                    u"Ledger"_s,    u"DrLedger"_s,  u"CrLedger"_s,  u"Amount"_s,  u"Debit"_s,
                                    u"Credit"_s,    u"Narration"_s, u"AdjMethod"_s, u"AdjName"_s, u"AdjDate"_s,
                                    u"AdjAmount"_s, u"ItemName"_s,  u"Quantity"_s,  u"Unit"_s,    u"Rate"_s,
                                    u"GodownName"_s};
        QStringList fields = allFields;
        fields.removeOne(missing);
        QStringList row(fields.size(), u"1"_s);
        testsupport::loadRows(*m_window, listText, fields, {row, row});
        procedure(*m_window);

        QCOMPARE(testsupport::reportedErrors(*m_prompter),
                 QStringList{testsupport::reportedError(location, errors::ErrNo::SubscriptOutOfRange)});
        QCOMPARE(m_server->requests().size(), 0);
        QCOMPARE(stagedRows(u"Voucher"_s), 0);
        QCOMPARE(statTexts(*m_window), (QStringList{u"Deleting Previous Data"_s, QString()}));
        QCOMPARE(statusRows(m_window->workGrid()), QString());
    }

    // An optional column read from the first position of the source.
    void optionalColumnFirst()
    {
        QStringList fields = transactionFields;
        fields.prepend(u"LineNarration"_s);
        testsupport::loadRows(*m_window, u"TRANSACTIONS"_s, fields,
                              {QStringList{u"by cheque"_s} + line(u"Payment"_s, u"1"_s, u"1"_s, u"Rent"_s, u"5"_s)});
        vouchers::PostTransaction(*m_window);

        QCOMPARE(m_server->requests().size(), 1);
        const pugi::xml_document document = parsed(m_server->requests().first().body);
        QCOMPARE(QString::fromUtf8(document.select_node("//LEDGERENTRIES.LIST/NARRATION").node().child_value()),
                 u"by cheque"_s);
    }

    // A grid whose last row holds data still has its last voucher posted.
    void gridWithoutBlankRowAtTheEnd()
    {
        const QString p = u"Payment"_s;
        testsupport::loadRows(*m_window, u"TRANSACTIONS"_s, transactionFields,
                              {line(p, u"1"_s, u"1"_s, u"Rent"_s, u"5"_s), line(p, u"2"_s, u"1"_s, u"Rent"_s, u"6"_s)});
        // The loader always leaves blank rows; fill them as further lines of the last voucher.
        sources::WorkGrid &grid = m_window->workGrid();
        for (int row = 3; row <= grid.rows(); ++row) {
            for (int column = 1; column < grid.columnOfKey(sources::ProcessStatusKey); ++column)
                grid.setText(row, column, grid.text(2, column));
            grid.setText(row, u"LEDGER"_s, u"Cash"_s);
        }
        vouchers::PostTransaction(*m_window);

        QCOMPARE(postedVouchers(m_server->requests()),
                 (QStringList{u"Payment-1-20240401 [] Rent"_s, u"Payment-2-20240401 [] Rent,Cash,Cash"_s}));
        QCOMPARE(statusRows(grid), u"1,"_s + QString::number(grid.rows()));
        QCOMPARE(statTexts(*m_window).last(), u"Finished Posing of Data."_s);
    }

    // Rows an earlier run left staged for the company never join this run's vouchers, whose ids start again.
    void earlierRunLeavesNothingBehind()
    {
        const QString p = u"Payment"_s;
        testsupport::loadRows(*m_window, u"TRANSACTIONS"_s, transactionFields,
                              {line(p, u"1"_s, u"1"_s, u"Rent"_s, u"5"_s), line(p, u"1"_s, u"2"_s, u"Cash"_s),
                               line(p, u"1"_s, u"3"_s, u"Bank"_s)});
        vouchers::PostTransaction(*m_window);
        m_server->clearRequests();

        m_window = newWindow(company);
        testsupport::loadRows(*m_window, u"TRANSACTIONS"_s, transactionFields,
                              {line(p, u"7"_s, u"1"_s, u"Travel"_s, u"5"_s)});
        vouchers::PostTransaction(*m_window);

        QCOMPARE(postedVouchers(m_server->requests()), QStringList{u"Payment-7-20240401 [] Travel"_s});
    }

    // Each answer a post can get, for a voucher of two rows and a voucher of one after it: the result stands in
    // each voucher's last row with the image of its outcome, a refusal or a failed post colours the voucher's rows
    // red with a bold status cell, an answer that counts nothing is a failed post, and the run goes on. A failed
    // post is shown for the first voucher only, and logged for both.
    void eachOutcomeOfTheReply_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("ledger");
        QTest::addColumn<QString>("marks");
        QTest::addColumn<int>("reported");

        const QString created = u"row 3: [CREATED] image 0 default\n"_s;
        // The summary starts from the reply's first element, its error line, before the error lines it lists.
        const QString refusal = u"Ledger 'Nowhere' does not exist!Ledger 'Nowhere' does not exist! - "_s;
        QTest::newRow("created") << u"normal"_s << u"Rent"_s
                                 << u"row 1: -\nrow 2: [CREATED] image 0 default\n"_s + created << 0;
        QTest::newRow("refused with LINEERROR")
            << u"normal"_s << u"Nowhere"_s
            << u"row 1: [] image -1 red bold\nrow 2: [ERRORS "_s + refusal + u"] image 1 red bold\n"_s + created << 0;
        QTest::newRow("refused with EXCEPTIONS")
            << u"exceptions"_s << u"Nowhere"_s
            << u"row 1: [] image -1 red bold\nrow 2: [EXCEPTIONS "_s + refusal + u"] image 1 red bold\n"_s + created
            << 0;
        const QString http = u"[ERROR: HTTP status 500 from the server, no Tally reply] image 1 red bold\n"_s;
        QTest::newRow("HTTP error status")
            << u"500"_s << u"Rent"_s << u"row 1: [] image -1 red bold\nrow 2: "_s + http + u"row 3: "_s + http << 1;
        const QString garbage = u"[ERROR: no Tally reply from the server] image 1 red bold\n"_s;
        QTest::newRow("no Tally reply") << u"garbage"_s << u"Rent"_s
                                        << u"row 1: [] image -1 red bold\nrow 2: "_s + garbage + u"row 3: "_s + garbage
                                        << 1;
        QTest::newRow("combined")
            << u"<RESPONSE><COMBINED>1</COMBINED></RESPONSE>"_s << u"Rent"_s
            << u"row 1: -\nrow 2: [COMBINED] image 0 default\nrow 3: [COMBINED] image 0 default\n"_s << 0;
        const QString zero =
            u"[ERROR: Tally imported nothing; its reply counts nothing created, altered, combined or refused] image 1 "
            "red bold\n"_s;
        QTest::newRow("nothing counted")
            << u"<RESPONSE><CREATED>0</CREATED><ALTERED>0</ALTERED><ERRORS>0</ERRORS></RESPONSE>"_s << u"Rent"_s
            << u"row 1: [] image -1 red bold\nrow 2: "_s + zero + u"row 3: "_s + zero << 1;
        const QString empty =
            u"[ERROR: Tally imported nothing; it answered \"<RESPONSE></RESPONSE>\"] image 1 red bold\n"_s;
        QTest::newRow("empty response") << u"<RESPONSE></RESPONSE>"_s << u"Rent"_s
                                        << u"row 1: [] image -1 red bold\nrow 2: "_s + empty + u"row 3: "_s + empty
                                        << 1;
        const QString unknown =
            u"[ERROR: Tally imported nothing; it answered \"Unknown Request, cannot be processed\"] image 1 red bold\n"_s;
        QTest::newRow("unknown request") << u"<RESPONSE>Unknown Request, cannot be processed</RESPONSE>"_s << u"Rent"_s
                                         << u"row 1: [] image -1 red bold\nrow 2: "_s + unknown + u"row 3: "_s + unknown
                                         << 1;
    }
    void eachOutcomeOfTheReply()
    {
        QFETCH(QString, server);
        QFETCH(QString, ledger);
        QFETCH(QString, marks);
        QFETCH(int, reported);

        tallysim::Config config = serverConfig(company);
        config.refuseWithExceptions = server == u"exceptions"_s;
        config.failImportsOnly = true;
        if (server == u"500"_s) {
            config.mode = tallysim::Mode::HttpError;
        } else if (server == u"garbage"_s) {
            config.mode = tallysim::Mode::Garbage;
        } else if (server.startsWith(QLatin1Char('<'))) {
            // An answer as Tally's own, with the counters of the case.
            config.mode = tallysim::Mode::HttpError;
            config.errorStatus = 200;
            config.errorBody = server.toUtf8();
        }
        startServer(config);
        const QString p = u"Payment"_s;
        testsupport::loadRows(*m_window, u"TRANSACTIONS"_s, transactionFields,
                              {line(p, u"1"_s, u"1"_s, ledger, u"5"_s), line(p, u"1"_s, u"2"_s, u"Cash"_s, {}, u"5"_s),
                               line(p, u"2"_s, u"1"_s, u"Rent"_s, u"6"_s)});
        vouchers::PostTransaction(*m_window);

        QCOMPARE(m_server->requests().size(), 2);
        const QString text = QString::fromUtf8(testsupport::marksText(*m_window));
        QCOMPARE(text.left(text.indexOf(u"row 4:"_s)), marks);
        QCOMPARE(testsupport::reportedErrors(*m_prompter).size(), reported);
        QCOMPARE(testsupport::loggedLocations(m_env->readProgramFile(u"Pelko10Errors.txt"_s)),
                 reported == 0 ? QStringList() : QStringList(2, u"C02-0001"_s));
        QCOMPARE(m_window->workGrid().currentRow(), 3);
        QCOMPARE(statTexts(*m_window).last(), u"Finished Posing of Data."_s);
    }

    // A voucher the server holds already is altered, and shows as posted.
    void voucherPostedAgainIsAltered()
    {
        const QList<QStringList> rows{line(u"Payment"_s, u"1"_s, u"1"_s, u"Rent"_s, u"5"_s),
                                      line(u"Payment"_s, u"1"_s, u"2"_s, u"Cash"_s, {}, u"5"_s)};
        testsupport::loadRows(*m_window, u"TRANSACTIONS"_s, transactionFields, rows);
        vouchers::PostTransaction(*m_window);
        m_window = newWindow(company);
        testsupport::loadRows(*m_window, u"TRANSACTIONS"_s, transactionFields, rows);
        vouchers::PostTransaction(*m_window);

        sources::WorkGrid &grid = m_window->workGrid();
        QVERIFY2(grid.text(2, sources::ProcessStatusKey).startsWith(u"ALTERED"_s),
                 qPrintable(grid.text(2, sources::ProcessStatusKey)));
        QCOMPARE(grid.image(2, 1), sources::imagePosted);
        QCOMPARE(failedRows(grid), QString());
    }

    // A voucher some of whose rows could not be staged is not sent: its last row says so and it is marked
    // failed; the run goes on with the next voucher.
    void voucherThatCouldNotBeStaged()
    {
        const QString p = u"Payment"_s;
        const QList<QStringList> rows{line(p, u"1"_s, u"1"_s, u"Rent"_s, u"5"_s), line(p, u"1"_s, u"2"_s, u"Broken"_s),
                                      line(p, u"2"_s, u"1"_s, u"Rent"_s, u"6"_s)};
        postAgainAfterChangingTheStagingFile(
            rows, {u"CREATE TRIGGER refuse BEFORE INSERT ON LedgerEntry WHEN NEW.LedgerName_ = 'Broken' "
                   "BEGIN SELECT RAISE(ABORT, 'refused'); END"_s});

        QCOMPARE(testsupport::reportedLocations(*m_prompter), QStringList{u"C01--0011"_s});
        QCOMPARE(postedVouchers(m_server->requests()), QStringList{u"Payment-2-20240401 [] Rent"_s});
        sources::WorkGrid &grid = m_window->workGrid();
        QVERIFY(grid.text(2, sources::ProcessStatusKey).contains(u"ERROR"_s));
        QVERIFY(grid.text(2, sources::ProcessStatusKey).contains(u"could not be staged"_s));
        QCOMPARE(failedRows(grid), u"1,2"_s);
        QCOMPARE(grid.image(3, 1), sources::imagePosted);
    }

    // A staging file that cannot be cleared stops the run before anything is staged: stale rows must never join
    // new vouchers.
    void cleanUpThatFails()
    {
        QFile file(m_env->programFile(u"Pelko10.DAT"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(file.setPermissions(QFileDevice::ReadOwner));
        testsupport::loadRows(*m_window, u"TRANSACTIONS"_s, transactionFields,
                              {line(u"Payment"_s, u"1"_s, u"1"_s, u"Rent"_s, u"5"_s)});
        vouchers::PostTransaction(*m_window);

        QCOMPARE(testsupport::reportedLocations(*m_prompter), QStringList{u"C01--0023"_s});
        QCOMPARE(m_server->requests().size(), 0);
        QCOMPARE(statTexts(*m_window), QStringList{u"Deleting Previous Data"_s});
        QCOMPARE(statusRows(m_window->workGrid()), QString());
    }

    // A voucher counter that cannot be read as a number or advanced fails each voucher's id, reported under the
    // id's location: the voucher is not sent and its last row says it could not be staged.
    void voucherCounterThatCannotBeReadOrAdvanced_data()
    {
        QTest::addColumn<QString>("counter");
        QTest::newRow("no number") << u"x"_s;
        QTest::newRow("at its end") << u"9223372036854775807"_s;
    }
    void voucherCounterThatCannotBeReadOrAdvanced()
    {
        QFETCH(QString, counter);
        const QString p = u"Payment"_s;
        const QList<QStringList> rows{line(p, u"1"_s, u"1"_s, u"Rent"_s, u"5"_s)};
        postAgainAfterChangingTheStagingFile(rows, {u"UPDATE VoucherCounter SET LastVchID = '"_s + counter + u"'"_s});

        QCOMPARE(testsupport::reportedLocations(*m_prompter), QStringList{u"C01--0022"_s});
        QVERIFY(m_prompter->boxes().first().prompt.contains(u"cannot be advanced"_s));
        QCOMPARE(m_server->requests().size(), 0);
        QCOMPARE(stagedRows(u"LedgerEntry"_s), 0);
        QVERIFY(m_window->workGrid().text(1, sources::ProcessStatusKey).contains(u"could not be staged"_s));
        QCOMPARE(failedRows(m_window->workGrid()), u"1"_s);
    }

    // A server that cannot be reached: the voucher's last row says that no answer came and is marked rejected,
    // the error is reported once, and the run stops there; the next voucher is not tried and says so, and the
    // status line says where the run stopped instead of that it finished.
    void serverThatIsGone()
    {
        const QString p = u"Payment"_s;
        testsupport::loadRows(*m_window, u"TRANSACTIONS"_s, transactionFields,
                              {line(p, u"1"_s, u"1"_s, u"Rent"_s, u"5"_s), line(p, u"2"_s, u"1"_s, u"Rent"_s, u"6"_s)});
        m_server->stop();
        vouchers::PostTransaction(*m_window);

        sources::WorkGrid &grid = m_window->workGrid();
        QCOMPARE(grid.text(1, sources::ProcessStatusKey),
                 u"ERROR: no answer from Tally (A connection with the server could not be established)"_s);
        QCOMPARE(grid.image(1, 1), sources::imageRejected);
        QCOMPARE(grid.text(2, sources::ProcessStatusKey),
                 u"NOT POSTED: the run stopped at row 1, as the server stopped answering"_s);
        QCOMPARE(grid.image(2, 1), sources::imageUnrecognised);
        QCOMPARE(testsupport::reportedLocations(*m_prompter), QStringList{u"C02-0001"_s});
        QVERIFY(!statTexts(*m_window).contains(u"Finished Posing of Data."_s));
        QCOMPARE(
            statTexts(*m_window).mid(statTexts(*m_window).size() - 2),
            (QStringList{u"Processing stopped at row 1: the server stopped answering."_s, u"Tally is not running."_s}));
    }

    // A run told to stop before its first voucher sends nothing: each voucher's last row says it was not posted
    // and why, and the status line says where the run stopped.
    void runToldToStop()
    {
        const QString p = u"Payment"_s;
        testsupport::loadRows(*m_window, u"TRANSACTIONS"_s, transactionFields,
                              {line(p, u"1"_s, u"1"_s, u"Rent"_s, u"5"_s), line(p, u"2"_s, u"1"_s, u"Rent"_s, u"6"_s)});
        platform::setStopRequested(true);
        vouchers::PostTransaction(*m_window);
        platform::setStopRequested(false);

        sources::WorkGrid &grid = m_window->workGrid();
        for (int row = 1; row <= 2; ++row) {
            QCOMPARE(grid.text(row, sources::ProcessStatusKey),
                     u"NOT POSTED: the run stopped at row 1, as the program was told to stop"_s);
            QCOMPARE(grid.image(row, 1), sources::imageUnrecognised);
        }
        QCOMPARE(m_server->requests().size(), 0);
        QVERIFY(m_prompter->boxes().isEmpty());
        QCOMPARE(statTexts(*m_window).last(), u"Processing stopped at row 1: the program was told to stop."_s);
    }

    // A voucher one of whose cells holds a character XML 1.0 cannot carry is not sent: its last row says which
    // column holds which character, its rows are marked failed, no error is reported and the run goes on. The
    // cells of a row count for the voucher the row belongs to, also the first row of the next voucher.
    void charactersXmlCannotCarry_data()
    {
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<bool>("eachRow");
        QTest::addColumn<QStringList>("posted");
        QTest::addColumn<int>("statusRow");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("failed");

        const QString held = u"ERROR: the column %1 holds the character %2, which cannot be sent to Tally; "
                             u"not posted."_s;
        const QString p = u"Payment"_s;
        QStringList narrated = line(p, u"1"_s, u"1"_s, u"Rent"_s, u"5"_s);
        narrated[8] = u"Rent\u0001for April"_s;
        QTest::newRow("U+0001 in a narration, first row")
            << QList<QStringList>{narrated, line(p, u"1"_s, u"2"_s, u"Cash"_s, {}, u"5"_s),
                                  line(p, u"2"_s, u"1"_s, u"Rent"_s, u"6"_s)}
            << false << QStringList{u"Payment-2-20240401 [] Rent"_s} << 2 << held.arg(u"NARRATION"_s, u"U+0001"_s)
            << u"1,2"_s;
        // An amount is read as a number: the check sees the cell before that.
        QTest::newRow("vertical tab in a debit, second row")
            << QList<QStringList>{line(p, u"1"_s, u"1"_s, u"Cash"_s, {}, u"5"_s),
                                  line(p, u"1"_s, u"2"_s, u"Rent"_s, u"5\u000B"_s),
                                  line(p, u"2"_s, u"1"_s, u"Rent"_s, u"6"_s)}
            << false << QStringList{u"Payment-2-20240401 [] Rent"_s} << 2 << held.arg(u"DEBIT"_s, u"U+000B"_s)
            << u"1,2"_s;
        QTest::newRow("NUL in the first row of the next voucher")
            << QList<QStringList>{line(p, u"1"_s, u"1"_s, u"Rent"_s, u"5"_s),
                                  line(p, u"2"_s, u"1"_s, u"Rent"_s, u"6"_s, {}, QString(QChar(0)) + u"R2"_s),
                                  line(p, u"3"_s, u"1"_s, u"Rent"_s, u"7"_s, {}, u"R3"_s)}
            << false << QStringList{u"Payment-1-20240401 [] Rent"_s, u"Payment-3-20240401 [R3] Rent"_s} << 2
            << held.arg(u"REFNO"_s, u"U+0000"_s) << u"2"_s;
        QTest::newRow("a type that posts each row")
            << QList<QStringList>{line(p, u"1"_s, u"1"_s, u"Ca\u001Fsh"_s), line(p, u"2"_s, u"1"_s, u"Cash"_s)} << true
            << QStringList{u"Payment-2-20240401 [] Cash"_s} << 1 << held.arg(u"LEDGER"_s, u"U+001F"_s) << u"1"_s;
    }
    void charactersXmlCannotCarry()
    {
        QFETCH(QList<QStringList>, rows);
        QFETCH(bool, eachRow);
        QFETCH(QStringList, posted);
        QFETCH(int, statusRow);
        QFETCH(QString, status);
        QFETCH(QString, failed);

        testsupport::loadRows(*m_window, u"TRANSACTIONS"_s, transactionFields, rows);
        EachRowHandler handler;
        if (eachRow)
            vouchers::PostGridVouchers(*m_window, handler);
        else
            vouchers::PostTransaction(*m_window);

        QCOMPARE(testsupport::reportedErrors(*m_prompter), QStringList());
        QCOMPARE(postedVouchers(m_server->requests()), posted);
        sources::WorkGrid &grid = m_window->workGrid();
        QCOMPARE(grid.text(statusRow, sources::ProcessStatusKey), status);
        QCOMPARE(grid.image(statusRow, 1), sources::imageRejected);
        QCOMPARE(failedRows(grid), failed);
        QCOMPARE(grid.text(rows.size(), sources::ProcessStatusKey).left(7), u"CREATED"_s);
        QCOMPARE(statTexts(*m_window).last(), u"Finished Posing of Data."_s);
    }

    // Amounts go to the server with "." whatever the user's locale: a German user's, whose decimal point is ",",
    // in Qt and in the C library alike.
    void germanLocale()
    {
        const QLocale previous;
        const QByteArray previousC = std::setlocale(LC_ALL, nullptr);
        QVERIFY2(std::setlocale(LC_ALL, "de_DE.UTF-8"), "the locale de_DE.UTF-8 is missing: scripts/install-deps.sh");
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        testsupport::loadRows(*m_window, u"TRANSACTIONS"_s, transactionFields,
                              {line(u"Payment"_s, u"1"_s, u"1"_s, u"Rent"_s, u"1,234.5"_s),
                               line(u"Payment"_s, u"1"_s, u"2"_s, u"Cash"_s, {}, u"1234.5"_s)});
        vouchers::PostTransaction(*m_window);
        QLocale::setDefault(previous);
        std::setlocale(LC_ALL, previousC.constData());

        QCOMPARE(m_server->requests().size(), 1);
        const pugi::xml_document document = parsed(m_server->requests().first().body);
        QStringList amounts;
        for (const pugi::xpath_node &amount : document.select_nodes("//LEDGERENTRIES.LIST/AMOUNT"))
            amounts.append(QString::fromUtf8(amount.node().child_value()));
        QCOMPARE(amounts, (QStringList{u"-1234.5"_s, u"1234.500"_s}));
    }

    // A company whose name holds "&" and "'" stages, posts and is named in the request as it is.
    void companyWithAmpersandAndApostrophe()
    {
        const QString special = QStringLiteral("Shah & Sons' Traders");
        startServer(special);
        m_window = newWindow(special);
        testsupport::loadRows(*m_window, u"TRANSACTIONS"_s, transactionFields,
                              {line(u"Payment"_s, u"1"_s, u"1"_s, u"Cash"_s, u"5"_s),
                               line(u"Payment"_s, u"1"_s, u"2"_s, u"Cash"_s, {}, u"5"_s)});
        vouchers::PostTransaction(*m_window);

        QCOMPARE(testsupport::reportedErrors(*m_prompter), QStringList());
        QCOMPARE(m_server->requests().size(), 1);
        QVERIFY(m_server->requests().first().body.contains("<SVCURRENTCOMPANY>Shah &amp; Sons' Traders<"));
        QVERIFY(m_window->workGrid().text(2, sources::ProcessStatusKey).contains(u"CREATED"_s));
    }

    // Service-tax lines of a source without ASSESSABLEAMT are plain lines.
    void serviceTaxWithoutAssessableColumn()
    {
        testsupport::loadRows(*m_window, u"SERVICETAXTRANSACTIONS"_s, transactionFields,
                              {line(u"Payment"_s, u"1"_s, u"1"_s, u"Cash"_s, u"5"_s),
                               line(u"Payment"_s, u"1"_s, u"2"_s, u"Cash"_s, {}, u"5"_s)});
        vouchers::PostServTaxTransaction(*m_window);

        QCOMPARE(testsupport::reportedErrors(*m_prompter), QStringList());
        QCOMPARE(postedVouchers(m_server->requests()), QStringList{u"Payment-1-20240401 [] Cash,Cash"_s});
    }

    // A service-tax and TDS line gets its service-tax bill only for an assessable value above 0. One that is
    // missing or empty is 0, as are the others: the line gets its plain bill and the run goes on.
    void serviceTaxOrPlainBill_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("assessable");
        QTest::addColumn<bool>("serviceTax");

        const QStringList fields = transactionFields + QStringList{u"AdjName"_s, u"ServiceTaxLedger"_s};
        const QStringList withAssessable = fields + QStringList{u"AssessableAmt"_s};
        QTest::newRow("no column") << fields << QString() << false;
        QTest::newRow("empty") << withAssessable << u""_s << false;
        QTest::newRow("zero") << withAssessable << u"0"_s << false;
        QTest::newRow("negative") << withAssessable << u"-10"_s << false;
        QTest::newRow("above zero") << withAssessable << u"10"_s << true;
        // First in the source, the column is read all the same.
        QTest::newRow("above zero, first column") << QStringList{u"AssessableAmt"_s} + fields << u"10"_s << true;
    }
    void serviceTaxOrPlainBill()
    {
        QFETCH(QStringList, fields);
        QFETCH(QString, assessable);
        QFETCH(bool, serviceTax);

        QStringList row = line(u"Journal"_s, u"1"_s, u"1"_s, u"Consultant"_s, u"10"_s) << u"B-1"_s << u"Consultant"_s;
        if (fields.first() == u"AssessableAmt"_s)
            row.prepend(assessable);
        else if (fields.size() > row.size())
            row.append(assessable);
        testsupport::loadRows(*m_window, u"STTDSTRANSACTIONS"_s, fields, {row});
        vouchers::PostSTTDSTransaction(*m_window);

        QCOMPARE(testsupport::reportedErrors(*m_prompter), QStringList());
        QCOMPARE(m_server->requests().size(), 1);
        const QByteArray body = m_server->requests().front().body;
        QCOMPARE(body.count("<TAXBILLALLOCATIONS.LIST>"), serviceTax ? 1 : 0);
        QCOMPARE(body.count("<BILLALLOCATIONS.LIST>"), serviceTax ? 0 : 1);
        QCOMPARE(body.count("<TDSPARTYNAME>Consultant</TDSPARTYNAME>"), serviceTax ? 1 : 0);
    }

    // A row whose bill, cost centre or amount has no staged ledger line to go under keeps its voucher from the
    // server, the voucher's last row naming the row and why: a bill before the voucher's first line, and under the
    // service-tax and TDS type an amount on a row without a ledger (the line above keeps its own) or a bill or cost
    // centre under a line of no amount, which is left out. A row that continues a line staged above it, and a line
    // of no amount with nothing under it, lose nothing, and the voucher goes out.
    void rowWithoutItsLine_data()
    {
        QTest::addColumn<QString>("listText");
        QTest::addColumn<PostingProcedure>("procedure");
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<QString>("status"); // of the voucher's last row; empty when the voucher goes out

        using Cells = QList<QPair<QString, QString>>;
        const QStringList &f = lineFields;
        const QStringList debit = journalRow(f, u"1"_s, {{u"Ledger"_s, u"Rent"_s}, {u"Debit"_s, u"5"_s}});
        const QStringList credit = journalRow(f, u"9"_s, {{u"Ledger"_s, u"Bank"_s}, {u"Credit"_s, u"5"_s}});
        auto row = [&f](const QString &serial, const Cells &cells) { return journalRow(f, serial, cells); };
        const Cells bill{{u"AdjName"_s, u"B-1"_s}, {u"AdjAmount"_s, u"5"_s}};
        const Cells noAmount{{u"Ledger"_s, u"Round Off"_s}, {u"Debit"_s, u"0"_s}, {u"Credit"_s, u"0"_s}};
        const QString refused = u"ERROR: row %1 gives %2; the voucher was not sent"_s;

        QTest::newRow("plain: a bill before any line")
            << u"TRANSACTIONS"_s << &vouchers::PostTransaction << QList{row(u"0"_s, bill), debit, credit}
            << refused.arg(1).arg(u"a bill but no ledger line stands above it in its voucher"_s);
        QTest::newRow("plain: a bill under the line above")
            << u"TRANSACTIONS"_s << &vouchers::PostTransaction << QList{debit, row(u"2"_s, bill), credit} << QString();

        const PostingProcedure sttds = &vouchers::PostSTTDSTransaction;
        const QString lineOfNoAmount = u"%1 to a ledger line of no amount, which the voucher leaves out"_s;
        QTest::newRow("service tax and TDS: an amount without a ledger")
            << u"STTDSTRANSACTIONS"_s << sttds << QList{debit, row(u"2"_s, {{u"Debit"_s, u"3"_s}}), credit}
            << refused.arg(2).arg(
                   u"an amount but no LEDGER, and a row without one adds only its bill and cost centre to the "
                   u"line above"_s);
        QTest::newRow("service tax and TDS: a bill under a line of no amount")
            << u"STTDSTRANSACTIONS"_s << sttds << QList{debit, row(u"2"_s, noAmount + bill), credit}
            << refused.arg(2).arg(lineOfNoAmount.arg(u"a bill"_s));
        QTest::newRow("service tax and TDS: a TDS bill under a line of no amount")
            << u"STTDSTRANSACTIONS"_s << sttds
            << QList{debit, row(u"2"_s, noAmount + Cells{{u"TDSLedger"_s, u"TDS Payable"_s}}), credit}
            << refused.arg(2).arg(lineOfNoAmount.arg(u"a bill"_s));
        QTest::newRow("service tax and TDS: a service-tax bill under a line of no amount")
            << u"STTDSTRANSACTIONS"_s << sttds
            << QList{debit, row(u"2"_s, noAmount + bill + Cells{{u"AssessableAmt"_s, u"100"_s}}), credit}
            << refused.arg(2).arg(lineOfNoAmount.arg(u"a service-tax bill"_s));
        QTest::newRow("service tax and TDS: a cost centre under a line of no amount")
            << u"STTDSTRANSACTIONS"_s << sttds
            << QList{debit, row(u"2"_s, noAmount + Cells{{u"CostCentre"_s, u"Branch"_s}, {u"CostAmount"_s, u"5"_s}}),
                     credit}
            << refused.arg(2).arg(lineOfNoAmount.arg(u"a cost centre"_s));
        QTest::newRow("service tax and TDS: a bill continuing a line of no amount")
            << u"STTDSTRANSACTIONS"_s << sttds << QList{debit, row(u"2"_s, noAmount), row(u"3"_s, bill), credit}
            << refused.arg(3).arg(lineOfNoAmount.arg(u"a bill"_s));
        QTest::newRow("service tax and TDS: a bill and cost centre continuing the line above")
            << u"STTDSTRANSACTIONS"_s << sttds
            << QList{debit, row(u"2"_s, bill + Cells{{u"CostCentre"_s, u"Branch"_s}, {u"CostAmount"_s, u"5"_s}}),
                     credit}
            << QString();
        QTest::newRow("service tax and TDS: a line of no amount alone")
            << u"STTDSTRANSACTIONS"_s << sttds << QList{debit, row(u"2"_s, noAmount), credit} << QString();
    }
    void rowWithoutItsLine()
    {
        QFETCH(QString, listText);
        QFETCH(PostingProcedure, procedure);
        QFETCH(QList<QStringList>, rows);
        QFETCH(QString, status);

        testsupport::loadRows(*m_window, listText, lineFields, rows);
        procedure(*m_window);

        QCOMPARE(testsupport::reportedErrors(*m_prompter), QStringList());
        const QString last = m_window->workGrid().text(int(rows.size()), sources::ProcessStatusKey);
        if (status.isEmpty()) {
            QVERIFY2(last.startsWith(u"CREATED"_s), qPrintable(last));
            QCOMPARE(m_server->requests().size(), 1);
        } else {
            QCOMPARE(last, status);
            QCOMPARE(m_server->requests().size(), 0);
        }
    }

    // A type that posts each row as a voucher of its own: rows without a voucher and blank rows are passed over,
    // each other row is posted at once and marked as a master is, and the id counts on.
    void eachRowIsAVoucher()
    {
        testsupport::loadRows(*m_window, u"TRANSACTIONS"_s, transactionFields,
                              {line(u"Payment"_s, u"1"_s, u"1"_s, u"Cash"_s), line(u"Payment"_s, u"2"_s, u"1"_s, {}),
                               line(u"Payment"_s, u"3"_s, u"1"_s, u"Nowhere"_s)});
        EachRowHandler handler;
        vouchers::PostGridVouchers(*m_window, handler);

        sources::WorkGrid &grid = m_window->workGrid();
        QCOMPARE(postedVouchers(m_server->requests()),
                 (QStringList{u"Payment-1-20240401 [] Cash"_s, u"Payment-3-20240401 [] Nowhere"_s}));
        QCOMPARE(statusRows(grid), u"1,3"_s);
        QCOMPARE(grid.textColor(1, 1), QColor(0, 0, 255));
        QCOMPARE(failedRows(grid), u"3"_s);
        QCOMPARE(statTexts(*m_window), (QStringList{u"Deleting Previous Data"_s, QString(), u"Processed Document: 1"_s,
                                                    u"Processed Document: 2"_s, u"Finished Posing of Data."_s}));
    }

private:
    static tallysim::Config serverConfig(const QString &name)
    {
        tallysim::Config config{{name}, name};
        config.ledgers = knownLedgers;
        config.stockItems = {u"Widget"_s, u"Gadget"_s};
        return config;
    }

    void startServer(const tallysim::Config &config)
    {
        m_server.reset();
        m_server = std::make_unique<testsupport::SimulatedServer>(config);
        m_server->configureSettings();
    }
    void startServer(const QString &name) { startServer(serverConfig(name)); }

    std::unique_ptr<HeadlessWindow> newWindow(const QString &name) const
    {
        auto window = std::make_unique<HeadlessWindow>();
        window->setCompanyListText(name);
        return window;
    }

    // Posts the rows once, so that the staging file exists, changes the file with the statements, and posts the
    // rows again from a new window, with the server's requests cleared.
    void postAgainAfterChangingTheStagingFile(const QList<QStringList> &rows, const QStringList &statements)
    {
        testsupport::loadRows(*m_window, u"TRANSACTIONS"_s, transactionFields, rows);
        vouchers::PostTransaction(*m_window);
        {
            QSqlDatabase database = stagingFile();
            QSqlQuery query(database);
            for (const QString &statement : statements)
                QVERIFY2(query.exec(statement), qPrintable(query.lastError().text()));
        }
        QSqlDatabase::removeDatabase(u"check"_s);
        m_server->clearRequests();
        m_window = newWindow(company);
        testsupport::loadRows(*m_window, u"TRANSACTIONS"_s, transactionFields, rows);
        vouchers::PostTransaction(*m_window);
    }

    QSqlDatabase stagingFile() const
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"check"_s);
        database.setDatabaseName(m_env->programFile(u"Pelko10.DAT"_s));
        database.open();
        return database;
    }

    int stagedRows(const QString &table) const
    {
        int count = -1;
        {
            QSqlDatabase database = stagingFile();
            QSqlQuery query(database);
            if (query.exec(u"SELECT COUNT(*) FROM "_s + table) && query.next())
                count = query.value(0).toInt();
        }
        QSqlDatabase::removeDatabase(u"check"_s);
        return count;
    }
};

QTEST_GUILESS_MAIN(TestVoucherPosting)
#include "testvoucherposting.moc"
