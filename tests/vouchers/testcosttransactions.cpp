#include "errors/errortrap.h"
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

#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString company = QStringLiteral("Pelko Traders");

const QStringList costFields{u"VchType"_s,   u"VchDate"_s,      u"VchNo"_s,      u"SrNo"_s,
                             u"RefNo"_s,     u"Narration"_s,    u"Ledger"_s,     u"Debit"_s,
                             u"Credit"_s,    u"AdjMethod"_s,    u"AdjName"_s,    u"AdjDate"_s,
                             u"AdjAmount"_s, u"CostCategory"_s, u"CostCentre"_s, u"CostAmount"_s};

// A row of a cost transaction: a ledger line of voucher Journal/number/20240401, or with an empty ledger one
// more cost row.
QStringList costRow(const QString &number, const QString &ledger, const QString &debit, const QString &credit,
                    const QString &centre, const QString &costAmount)
{
    return {u"Journal"_s, u"20240401"_s, number,    u"1"_s,    u"J-"_s + number, u"Rent"_s, ledger, debit,
            credit,       QString(),     QString(), QString(), QString(),        QString(), centre, costAmount};
}

} // namespace

class TestCostTransactions final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        tallysim::Config config{{company, u"Other Traders"_s}, company};
        config.ledgers = {u"Rent"_s,      u"Bank"_s,     u"Patel & Sons"_s, u"Sales"_s,
                          u"Purchases"_s, u"Supplier"_s, u"Round Off"_s};
        m_bed.start(config);
    }
    void cleanup() { m_bed.stop(); }

    // A file of cost transactions goes through the loader, the run, the staging file and the builder to the
    // server: the requests it receives and the marks the run leaves are the expected files. The first file, its
    // continuation rows filled down, has lines with cost rows of their own and rows that add one more to the line
    // above, debit lines whose negative amounts go out positive, lines whose bill is empty, sales and purchases
    // sent as invoices (but not "sales"), a voucher opening with a row without a ledger, and a voucher the
    // server refuses, marked by its rows' place. The second, under the older name that fills nothing down, has an
    // ID column and the line narration as its first column; its first row names no ledger, before any line of the
    // run, and a voucher the server refuses is marked by its ID.
    void goldenRun_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("listText");

        QTest::newRow("cost transactions") << "cost-transactions"
                                           << "COST TRANSACTIONS";
        QTest::newRow("with IDs, not filled down") << "cost-transactions-ids"
                                                   << "C_TRANSACTIONS";
    }
    void goldenRun()
    {
        QFETCH(QString, file);
        QFETCH(QString, listText);

        testsupport::postFileAsExpected(*m_bed.window, *m_bed.prompter, *m_bed.server, file, listText,
                                        &vouchers::PostCostTransaction);
    }

    // The run clears what earlier runs left staged for the company it posts to, the one the list shows, even when
    // the window last posted to another: else the first voucher, whose id starts again, would carry the earlier
    // one's lines.
    void clearsTheCompanyItPostsTo()
    {
        testsupport::loadRows(*m_bed.window, u"COST TRANSACTIONS"_s, costFields,
                              {costRow(u"1"_s, u"Rent"_s, u"5"_s, {}, u"Admin"_s, u"5"_s),
                               costRow(u"1"_s, u"Bank"_s, {}, u"5"_s, u"Admin"_s, u"5"_s)});
        vouchers::PostCostTransaction(*m_bed.window);
        m_bed.server->clearRequests();

        m_bed.window = newWindow();
        m_bed.window->currentCompany() = u"Other Traders"_s;
        testsupport::loadRows(*m_bed.window, u"COST TRANSACTIONS"_s, costFields,
                              {costRow(u"2"_s, u"Rent"_s, u"7"_s, {}, u"Admin"_s, u"7"_s)});
        vouchers::PostCostTransaction(*m_bed.window);

        QCOMPARE(testsupport::reportedErrors(*m_bed.prompter), QStringList());
        QCOMPARE(m_bed.window->currentCompany(), company);
        const QList<tallysim::RecordedRequest> requests = m_bed.server->requests();
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests.front().body.count("<LEDGERENTRIES.LIST>"), 1);
        QCOMPARE(requests.front().body.count("<COSTCENTREALLOCATIONS.LIST>"), 1);
    }

    // A row without a ledger adds its cost centre to the line above; one before the voucher's first line, or one
    // that gives a bill, would lose it, and keeps the voucher from the server, its last row naming the row and why.
    void rowWithoutItsLine_data()
    {
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<QString>("status"); // of the voucher's last row; empty when the voucher goes out

        const QStringList debit = costRow(u"1"_s, u"Rent"_s, u"5"_s, {}, u"Admin"_s, u"3"_s);
        const QStringList credit = costRow(u"1"_s, u"Bank"_s, {}, u"5"_s, {}, {});
        const QStringList centre = costRow(u"1"_s, {}, {}, {}, u"Sales Dept"_s, u"2"_s);
        QStringList bill = costRow(u"1"_s, {}, {}, {}, {}, {});
        bill[costFields.indexOf(u"AdjName"_s)] = u"R-2"_s;
        bill[costFields.indexOf(u"AdjAmount"_s)] = u"5"_s;
        QStringList blankCentre = centre;
        blankCentre[costFields.indexOf(u"CostCentre"_s)] = u"   "_s;

        QTest::newRow("a cost centre before any line")
            << QList{centre, debit, credit}
            << u"ERROR: row 1 gives a cost centre but no ledger line stands above it in its voucher; the voucher was "
               u"not sent"_s;
        QTest::newRow("a bill without a ledger")
            << QList{debit, bill, credit}
            << u"ERROR: row 2 gives a bill but no LEDGER, and a row without one adds only its cost centre to the line "
               u"above; the voucher was not sent"_s;
        QTest::newRow("a cost centre of the line above") << QList{debit, centre, credit} << QString();
        QTest::newRow("a centre of blanks before any line") << QList{blankCentre, debit, credit} << QString();
    }
    void rowWithoutItsLine()
    {
        QFETCH(QList<QStringList>, rows);
        QFETCH(QString, status);

        // The serials keep the rows in their order.
        for (qsizetype i = 0; i < rows.size(); ++i)
            rows[i][costFields.indexOf(u"SrNo"_s)] = QString::number(i + 1);
        testsupport::loadRows(*m_bed.window, u"COST TRANSACTIONS"_s, costFields, rows);
        vouchers::PostCostTransaction(*m_bed.window);

        m_bed.verifySentOrRefused(int(rows.size()), status);
    }

    // A column the type reads without asking, missing from the source, ends the run at its first row under the
    // type's location code: nothing is posted.
    void missingRequiredColumn()
    {
        QStringList fields = costFields;
        fields.removeOne(u"CostAmount"_s);
        QStringList row = costRow(u"1"_s, u"Rent"_s, u"5"_s, {}, u"Admin"_s, u"5"_s);
        row.removeLast();
        testsupport::loadRows(*m_bed.window, u"COST TRANSACTIONS"_s, fields, {row});
        vouchers::PostCostTransaction(*m_bed.window);

        QCOMPARE(testsupport::reportedErrors(*m_bed.prompter),
                 QStringList{testsupport::reportedError(u"F01-0025"_s, errors::ErrNo::SubscriptOutOfRange)});
        QCOMPARE(m_bed.server->requests().size(), 0);
    }

private:
    std::unique_ptr<testsupport::HeadlessWindow> newWindow() const
    {
        auto window = std::make_unique<testsupport::HeadlessWindow>();
        window->setCompanyListText(company);
        return window;
    }

    testsupport::PostingBed m_bed;
};

QTEST_GUILESS_MAIN(TestCostTransactions)
#include "testcosttransactions.moc"
