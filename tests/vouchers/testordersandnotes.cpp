#include "sources/workgrid.h"
#include "support/golden.h"
#include "support/gridloading.h"
#include "support/headlesswindow.h"
#include "support/postingbed.h"
#include "support/postingrecord.h"
#include "support/reportederrors.h"
#include "support/scriptedprompter.h"
#include "support/simulatedserver.h"
#include "support/testenvironment.h"
#include "vouchers/voucherposting.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

using PostingProcedure = void (*)(sources::ImportWindow &);
Q_DECLARE_METATYPE(PostingProcedure)

namespace {

const QString company = QStringLiteral("Pelko Traders");

const QStringList orderFields{u"VchType"_s,    u"VchDate"_s,    u"VchNo"_s,      u"SrNo"_s,       u"RefNo"_s,
                              u"Narration"_s,  u"Ledger"_s,     u"Debit"_s,      u"Credit"_s,     u"AdjName"_s,
                              u"AdjAmount"_s,  u"ItemName"_s,   u"Quantity"_s,   u"Unit"_s,       u"Rate"_s,
                              u"GodownName"_s, u"CostCentre"_s, u"CostAmount"_s, u"DelNoteNos"_s, u"DelNoteDates"_s};

using Cells = QList<QPair<QString, QString>>;

// A row of the voucher of that type, number 1 of 20240401: its serial and the cells named, the rest empty.
QStringList orderRow(const QString &type, const QString &serial, const Cells &cells)
{
    QStringList row(orderFields.size());
    const Cells key{{u"VchType"_s, type}, {u"VchDate"_s, u"20240401"_s}, {u"VchNo"_s, u"1"_s},
                    {u"SrNo"_s, serial},  {u"RefNo"_s, u"O-1"_s},        {u"Narration"_s, u"Order"_s}};
    for (const auto &[field, text] : key + cells)
        row[orderFields.indexOf(field)] = text;
    return row;
}

} // namespace

class TestOrdersAndNotes final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        tallysim::Config config{{company}, company};
        config.ledgers = {u"Sales"_s,     u"Patel & Sons"_s, u"Output VAT"_s,
                          u"Purchases"_s, u"Supplier"_s,     u"Round Off"_s};
        config.stockItems = {u"Widget"_s};
        m_bed.start(config);
    }
    void cleanup() { m_bed.stop(); }

    // A file of each type goes through the loader, the run, the staging file and the builder to the server: the
    // requests the server receives and the marks the run leaves are the expected files. Each file's first column
    // is an optional one. The orders hold item and ledger lines, delivery notes, orders, terms and addresses, an
    // order that names its consignee and buyer and one that leaves them to its party ledger, and a row whose
    // ledger is blanks, which adds its delivery note and nothing else. The notes' batch rows carry their order,
    // tracking number and due date, and their order-list lines are numbered over the whole run, where an order's
    // lines of each kind start again with every voucher: the staged ids (voucher id/line id) show it.
    void goldenRun_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("listText");
        QTest::addColumn<PostingProcedure>("procedure");
        QTest::addColumn<QString>("orderLineIds");

        QTest::newRow("orders") << "orders"
                                << "ORDERS" << &vouchers::PostOrders << u"2/2"_s;
        QTest::newRow("notes") << "notes"
                               << "NOTES" << &vouchers::PostNotes << u"1/1 1/2 1/3 2/4"_s;
    }
    void goldenRun()
    {
        QFETCH(QString, file);
        QFETCH(QString, listText);
        QFETCH(PostingProcedure, procedure);
        QFETCH(QString, orderLineIds);

        testsupport::postFileAsExpected(*m_bed.window, *m_bed.prompter, *m_bed.server, file, listText, procedure);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(stagedOrderLineIds(), orderLineIds);
    }

    // A ledger row that names no ledger adds only its voucher's delivery notes, orders, terms and addresses; one
    // that gives an amount, a bill or a cost centre would lose it, and keeps the voucher from the server, its last
    // row naming the row and why.
    void rowWithoutLedger_data()
    {
        QTest::addColumn<QString>("listText");
        QTest::addColumn<QString>("type");
        QTest::addColumn<Cells>("cells");
        QTest::addColumn<QString>("status"); // of the voucher's last row; empty when the voucher goes out

        const QString refused = u"ERROR: row 2 gives %1 but no LEDGER, and a row without one adds only delivery "
                                u"notes, orders, terms and addresses to its voucher; the voucher was not sent"_s;
        QTest::newRow("an amount") << u"ORDERS"_s << u"Sales Order"_s << Cells{{u"Credit"_s, u"5"_s}}
                                   << refused.arg(u"an amount"_s);
        QTest::newRow("a bill") << u"ORDERS"_s << u"Sales Order"_s
                                << Cells{{u"AdjName"_s, u"X-1"_s}, {u"AdjAmount"_s, u"5"_s}}
                                << refused.arg(u"a bill"_s);
        QTest::newRow("a cost centre") << u"ORDERS"_s << u"Sales Order"_s
                                       << Cells{{u"CostCentre"_s, u"Counter"_s}, {u"CostAmount"_s, u"5"_s}}
                                       << refused.arg(u"a cost centre"_s);
        QTest::newRow("a delivery note") << u"ORDERS"_s << u"Sales Order"_s
                                         << Cells{{u"DelNoteNos"_s, u"DN-1"_s}, {u"DelNoteDates"_s, u"20240401"_s}}
                                         << QString();
        QTest::newRow("notes: a bill") << u"NOTES"_s << u"Delivery Note"_s
                                       << Cells{{u"AdjName"_s, u"X-1"_s}, {u"AdjAmount"_s, u"5"_s}}
                                       << refused.arg(u"a bill"_s);
    }
    void rowWithoutLedger()
    {
        QFETCH(QString, listText);
        QFETCH(QString, type);
        QFETCH(Cells, cells);
        QFETCH(QString, status);

        const QList<QStringList> rows{
            orderRow(type, u"1"_s, {{u"Ledger"_s, u"Patel & Sons"_s}, {u"Debit"_s, u"5"_s}}),
            orderRow(type, u"2"_s, Cells{{u"Ledger"_s, u"   "_s}} + cells),
            orderRow(type, u"3"_s, {{u"Ledger"_s, u"Sales"_s}, {u"Credit"_s, u"5"_s}}),
        };
        testsupport::loadRows(*m_bed.window, listText, orderFields, rows);
        (listText == u"ORDERS"_s ? vouchers::PostOrders : vouchers::PostNotes)(*m_bed.window);

        m_bed.verifySentOrRefused(3, status);
    }

private:
    // The staged order-list lines as "voucher id/line id", in the order of their ids.
    QString stagedOrderLineIds() const
    {
        QStringList ids;
        {
            QSqlDatabase database = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"check"_s);
            database.setDatabaseName(m_bed.env->programFile(u"Pelko10.DAT"_s));
            QSqlQuery query(database);
            if (database.open() &&
                query.exec(
                    u"SELECT FK_VchID, IOLID FROM InvoiceOrderList ORDER BY CAST(FK_VchID AS INTEGER), CAST(IOLID AS INTEGER)"_s)) {
                while (query.next())
                    ids << query.value(0).toString() + u'/' + query.value(1).toString();
            }
        }
        QSqlDatabase::removeDatabase(u"check"_s);
        return ids.join(u' ');
    }

    testsupport::PostingBed m_bed;
};

QTEST_GUILESS_MAIN(TestOrdersAndNotes)
#include "testordersandnotes.moc"
