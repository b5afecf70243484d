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
#include <QSqlRecord>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

using PostingProcedure = void (*)(sources::ImportWindow &);
Q_DECLARE_METATYPE(PostingProcedure)

namespace {

const QString company = QStringLiteral("Pelko Traders");

// The staged item and batch rows, as their ids join them: "<table> <voucher id> <entry id> [<batch id>] <name>".
const char *const stagedRowQueries[] = {
    "SELECT 'In', FK_VchID, InEID, StockItemName_ FROM InventoryEntryIN",
    "SELECT 'Out', FK_VchID, InEID, StockItemName_ FROM InventoryEntryOut",
    "SELECT 'All', FK_VchID, InEID, StockItemName_ FROM AllInventoryEntry",
    "SELECT 'Batch', FK_VchID, FK_InEID || ' ' || BaAID, GodownName_ FROM BatchAllocation",
};

const QStringList journalFields{u"VchType"_s,   u"VchDate"_s,   u"VchNo"_s,      u"SrNo"_s,       u"RefNo"_s,
                                u"Narration"_s, u"ItemName"_s,  u"Quantity"_s,   u"Unit"_s,       u"Rate"_s,
                                u"Amount"_s,    u"Direction"_s, u"GodownName"_s, u"BatchAmount"_s};

// A stock journal row: an item moved in the direction given, with a batch row in the main store.
QStringList journalRow(const QString &direction)
{
    return {u"Stock Journal"_s, u"20240401"_s, u"1"_s,  u"1"_s,    u"SJ-1"_s,       u"Move"_s, u"Widget"_s, u"2"_s,
            u"Nos"_s,           u"5"_s,        u"10"_s, direction, u"Main Store"_s, u"10"_s};
}

const QStringList physicalFields{u"VchType"_s,   u"VchDate"_s,  u"VchNo"_s,      u"SrNo"_s,          u"RefNo"_s,
                                 u"Narration"_s, u"ItemName"_s, u"GodownName"_s, u"BatchQuantity"_s, u"ID"_s};

// A physical stock row of one voucher: its serial number, item and ID.
QStringList physicalRow(const QString &serial, const QString &item, const QString &id)
{
    return {u"Physical Stock"_s, u"20240401"_s, u"1"_s,          serial, u"PS-1"_s,
            u"Count"_s,          item,          u"Main Store"_s, u"5"_s, id};
}

} // namespace

class TestStockVouchers final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        tallysim::Config config{{company}, company};
        config.stockItems = {u"Widget"_s, u"Gadget"_s};
        m_bed.start(config);
    }
    void cleanup() { m_bed.stop(); }

    // A file of each stock type goes through the loader, the run, the staging file and the builder to the server:
    // the requests, the marks and the staged item and batch ids are the expected files.
    // Stock journals: an outward item with two batch rows, the second on a row without an item, then an inward
    // item; a voucher whose reference and direction carry on from the voucher before, whose amounts are negated
    // as numbers and whose second direction has blanks around it; a direction that is neither IN nor OUT and a
    // godown before any item, each keeping its voucher from the server. DIRECTION stands first in the file.
    // Physical stock: an ID column, whose rows with an empty ID continue the voucher above; items numbered from
    // 2 and their batch rows from 1; a voucher the server refuses, marked by its ID; a godown before any item.
    void goldenRun_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("listText");
        QTest::addColumn<PostingProcedure>("procedure");

        QTest::newRow("stock journals") << "stock-journals"
                                        << "STOCKJV" << &vouchers::PostStockJV;
        QTest::newRow("physical stock") << "physical-stock"
                                        << "PHYSICALSTOCK" << &vouchers::PostPhysicalStock;
    }
    void goldenRun()
    {
        QFETCH(QString, file);
        QFETCH(QString, listText);
        QFETCH(PostingProcedure, procedure);

        testsupport::postFileAsExpected(*m_bed.window, *m_bed.prompter, *m_bed.server, file, listText, procedure);
        if (QTest::currentTestFailed())
            return;
        testsupport::compareWithGolden(stagedRows(), u"vouchers/"_s + file + u".staged.txt"_s);
    }

    // DIRECTION is compared in any letter case and without the blanks around it. Anything else on an item row,
    // an empty direction or a source without the column included, keeps the voucher from the server and says
    // which row and what direction.
    void journalDirection_data()
    {
        QTest::addColumn<QString>("direction");
        QTest::addColumn<QString>("entry");

        QTest::newRow("IN") << u"IN"_s << u"INVENTORYENTRIESIN.LIST"_s;
        QTest::newRow("in") << u"in"_s << u"INVENTORYENTRIESIN.LIST"_s;
        QTest::newRow("Out") << u"Out"_s << u"INVENTORYENTRIESOUT.LIST"_s;
        QTest::newRow("blanks around") << u"  OUT "_s << u"INVENTORYENTRIESOUT.LIST"_s;
        QTest::newRow("other") << u"Sideways"_s << QString();
        QTest::newRow("blanks") << u"   "_s << QString();
        QTest::newRow("empty") << u""_s << QString();
        QTest::newRow("no column") << u"(none)"_s << QString();
    }
    void journalDirection()
    {
        QFETCH(QString, direction);
        QFETCH(QString, entry);

        QStringList fields = journalFields;
        QStringList row = journalRow(direction);
        if (direction == u"(none)"_s) {
            const qsizetype column = fields.indexOf(u"Direction"_s);
            fields.removeAt(column);
            row.removeAt(column);
            direction.clear();
        }
        testsupport::loadRows(*m_bed.window, u"STOCKJV"_s, fields, {row});
        vouchers::PostStockJV(*m_bed.window);

        QCOMPARE(testsupport::reportedErrors(*m_bed.prompter), QStringList());
        const QString status = m_bed.window->workGrid().text(1, u"PROCESSSTATUS"_s);
        if (entry.isEmpty()) {
            QCOMPARE(m_bed.server->requests().size(), 0);
            QCOMPARE(status, u"ERROR: row 1 gives its item the direction \""_s + direction +
                                 u"\", neither IN nor OUT; the voucher was not sent"_s);
            return;
        }
        QVERIFY2(status.contains(u"CREATED"_s), qPrintable(status));
        QCOMPARE(m_bed.server->requests().size(), 1);
        const QByteArray body = m_bed.server->requests().first().body;
        const bool inward = entry == u"INVENTORYENTRIESIN.LIST"_s;
        QCOMPARE(body.count(QByteArray("<" + entry.toLatin1() + ">")), 1);
        QCOMPARE(body.count("<AMOUNT>-10.000</AMOUNT>"), inward ? 2 : 0);
        QCOMPARE(body.count("<AMOUNT>10.000</AMOUNT>"), inward ? 0 : 2);
    }

    // With an ID column, a row whose ID is empty (left so in the work grid) continues the voucher above it, and
    // only a row with an ID of its own opens the next.
    void physicalStockRowsWithoutId()
    {
        testsupport::loadRows(*m_bed.window, u"PHYSICALSTOCK"_s, physicalFields,
                              {physicalRow(u"1"_s, u"Widget"_s, u"PS-A"_s), physicalRow(u"2"_s, u"Gadget"_s, {}),
                               physicalRow(u"3"_s, u"Widget"_s, {}), physicalRow(u"4"_s, u"Gadget"_s, u"PS-B"_s)});
        sources::WorkGrid &grid = m_bed.window->workGrid();
        grid.setText(2, u"ID"_s, QString());
        grid.setText(3, u"ID"_s, QString());
        vouchers::PostPhysicalStock(*m_bed.window);

        QCOMPARE(testsupport::reportedErrors(*m_bed.prompter), QStringList());
        const QList<tallysim::RecordedRequest> requests = m_bed.server->requests();
        QCOMPARE(requests.size(), 2);
        QVERIFY(requests.at(0).body.contains("REMOTEID=\"PS-A\""));
        QCOMPARE(requests.at(0).body.count("<ALLINVENTORYENTRIES.LIST>"), 3);
        QVERIFY(requests.at(1).body.contains("REMOTEID=\"PS-B\""));
        QCOMPARE(requests.at(1).body.count("<ALLINVENTORYENTRIES.LIST>"), 1);
        QVERIFY(grid.text(3, u"PROCESSSTATUS"_s).contains(u"CREATED"_s));
        QVERIFY(grid.text(4, u"PROCESSSTATUS"_s).contains(u"CREATED"_s));
    }

    // With an ID column, a first row without an ID belongs to no voucher: it is refused with its row saying so,
    // and the run goes on with the next voucher.
    void physicalStockFirstRowWithoutId()
    {
        testsupport::loadRows(*m_bed.window, u"PHYSICALSTOCK"_s, physicalFields,
                              {physicalRow(u"1"_s, u"Widget"_s, {}), physicalRow(u"2"_s, u"Gadget"_s, u"PS-A"_s)});
        vouchers::PostPhysicalStock(*m_bed.window);

        QCOMPARE(testsupport::reportedErrors(*m_bed.prompter), QStringList());
        QCOMPARE(m_bed.server->requests().size(), 1);
        QCOMPARE(m_bed.window->workGrid().text(1, u"PROCESSSTATUS"_s),
                 u"ERROR: row 1 has no ID; the voucher was not sent"_s);
        QVERIFY(m_bed.window->workGrid().text(2, u"PROCESSSTATUS"_s).contains(u"CREATED"_s));
    }

private:
    QByteArray stagedRows() const
    {
        QByteArray text;
        {
            QSqlDatabase database = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"check"_s);
            database.setDatabaseName(m_bed.env->programFile(u"Pelko10.DAT"_s));
            if (!database.open())
                return "staging file not opened\n";
            for (const char *sql : stagedRowQueries) {
                QSqlQuery query(database);
                if (!query.exec(QString::fromLatin1(sql) +
                                u" WHERE CompanyName = 'Pelko Traders' ORDER BY FK_VchID + 0, 3"_s)) {
                    text += "query failed: " + QByteArray(sql) + '\n';
                    continue;
                }
                while (query.next()) {
                    QStringList values;
                    for (int column = 0; column < query.record().count(); ++column)
                        values.append(query.value(column).toString());
                    text += values.join(QLatin1Char(' ')).toUtf8() + '\n';
                }
            }
        }
        QSqlDatabase::removeDatabase(u"check"_s);
        return text;
    }

    testsupport::PostingBed m_bed;
};

QTEST_GUILESS_MAIN(TestStockVouchers)
#include "teststockvouchers.moc"
