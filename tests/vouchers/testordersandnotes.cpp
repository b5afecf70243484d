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
