#include "sources/workgrid.h"
#include "support/golden.h"
#include "support/gridloading.h"
#include "support/postingbed.h"
#include "support/postingrecord.h"
#include "support/reportederrors.h"
#include "vouchers/voucherposting.h"

#include <QTest>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace {

const QString company = u"Pelko Traders"_s;

QString fillDownFile(const QString &name)
{
    return testsupport::testDataPath(u"sources/fill-down/"_s + name);
}

// Each voucher the server received, as "REMOTEID | reference | narration | ledger amount [bills]; ...".
QStringList vouchersSent(const testsupport::SimulatedServer &server)
{
    QStringList vouchers;
    for (const tallysim::RecordedRequest &request : server.requests()) {
        QXmlStreamReader xml(request.body);
        QStringList path;
        QString id;
        QString reference;
        QString narration;
        QStringList lines;
        while (!xml.atEnd()) {
            switch (xml.readNext()) {
            case QXmlStreamReader::StartElement:
                path.append(xml.qualifiedName().toString());
                if (path.last() == u"VOUCHER"_s)
                    id = xml.attributes().value(u"REMOTEID"_s).toString();
                else if (path.last() == u"LEDGERENTRIES.LIST"_s)
                    lines.append(QString());
                break;
            case QXmlStreamReader::EndElement:
                path.removeLast();
                break;
            case QXmlStreamReader::Characters: {
                if (xml.isWhitespace() || path.size() < 2)
                    break;
                const QString text = xml.text().toString();
                const QString element = path.last() + u" in "_s + path.at(path.size() - 2);
                if (element == u"REFERENCE in VOUCHER"_s)
                    reference = text;
                else if (element == u"NARRATION in VOUCHER"_s)
                    narration = text;
                else if (element == u"LEDGERNAME in LEDGERENTRIES.LIST"_s)
                    lines.last() += text;
                else if (element == u"AMOUNT in LEDGERENTRIES.LIST"_s)
                    lines.last() += u' ' + text;
                else if (element == u"NAME in BILLALLOCATIONS.LIST"_s)
                    lines.last() += u" ["_s + text + u']';
                break;
            }
            default:
                break;
            }
        }
        if (!id.isNull())
            vouchers.append(QStringList{id, reference, narration, lines.join(u"; "_s)}.join(u" | "_s));
    }
    return vouchers;
}

} // namespace

// Voucher sheets as accountants write them, from CSV files through the loader's fill-down and voucher order to
// the requests the server receives: every row reaches its own voucher, in its own line.
class TestVoucherFillDown final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        tallysim::Config config{{company}, company};
        config.ledgers = {u"Rent"_s, u"Cash"_s, u"Sharma Traders"_s, u"Sales"_s, u"Travel"_s, u"Bank"_s};
        m_bed.start(config);
    }
    void cleanup() { m_bed.stop(); }

    // A journal of thirteen rows from a CSV file, which holds its serial numbers as text: its lines go out in
    // the order of their numbers, 1 to 13, not "1", "10", "11" ..., and the bill row numbered 10 stays under
    // line 9, the line above it, rather than under line 1.
    void longVoucherKeepsItsLinesInOrder()
    {
        testsupport::loadTextFile(*m_bed.window, u"TRANSACTIONS"_s, fillDownFile(u"long-journal.csv"_s));
        vouchers::PostTransaction(*m_bed.window);

        QCOMPARE(testsupport::reportedErrors(*m_bed.prompter), QStringList());
        const QStringList sent = vouchersSent(*m_bed.server);
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent.first().section(u" | "_s, 3).split(u"; "_s),
                 QStringList({u"Rent -1000"_s, u"Electricity -200"_s, u"Water -30"_s, u"Telephone -40"_s,
                              u"Internet -50"_s, u"Printing -60"_s, u"Postage -70"_s, u"Travel -80"_s,
                              u"Sharma Traders -900 [INV-9] [INV-10]"_s, u"Repairs -110"_s, u"Salaries -1200"_s,
                              u"Outstanding Expenses 3740.000"_s}));
        testsupport::compareWithGolden(testsupport::requestsText(m_bed.server->requests()),
                                       u"sources/fill-down/long-journal.requests.txt"_s);
    }

    // The shapes a voucher sheet takes, each through the loader and the run to the vouchers sent.
    void sheetShapes_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("sent");

        // Continuation rows give only their line; a bill row gives not even its serial number, and takes its
        // line's, so that it follows the line rather than sorting before it.
        QTest::newRow("in order, sparse continuation rows")
            << "in-order-sparse.csv"
            << QStringList({u"Payment-1-20240401 | CHQ-1 | Settles two bills | Sharma Traders -500 [INV-1] "
                            u"[INV-2]; Cash 500.000"_s,
                            u"Receipt-2-20240402 | R-2 | Cash sale | Cash -250; Sales 250.000"_s});
        // The ID stands on each voucher's first row only, and the second rows stand below the other voucher: each
        // takes the ID of its own voucher, not of the row above it in the file.
        QTest::newRow("out of order, IDs on first rows only")
            << "out-of-order-ids.csv"
            << QStringList({u"J1 | JV-5 | Rent due | Rent -300; Outstanding Expenses 300.000"_s,
                            u"R1 | RC-6 | Part payment | Cash -500; Sharma Traders 500.000"_s});
        // Two journals of one day left for Tally to number, told apart by their IDs only: their lines do not
        // interleave by serial number.
        QTest::newRow("two journals of one type, date and number")
            << "two-journals-ids.csv"
            << QStringList({u"JA | A-1 | First journal | Rent -100; Cash 100.000"_s,
                            u"JB | B-1 | Second journal | Travel -200; Bank 200.000"_s});
        // A voucher without a reference or narration of its own takes none from the voucher above it.
        QTest::newRow("the second voucher without a reference")
            << "no-refno.csv"
            << QStringList({u"Journal-2-20240401 |  |  | Travel -50; Cash 50.000"_s,
                            u"Payment-1-20240401 | CHQ-7 | Rent for April | Rent -100; Cash 100.000"_s});
    }
    void sheetShapes()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, sent);
        testsupport::loadTextFile(*m_bed.window, u"TRANSACTIONS"_s, fillDownFile(file));
        vouchers::PostTransaction(*m_bed.window);

        QCOMPARE(testsupport::reportedErrors(*m_bed.prompter), QStringList());
        QCOMPARE(vouchersSent(*m_bed.server), sent);
    }

    // Two journals of one type, date and number with their IDs, and second rows without one that stood below
    // another voucher in the file: nothing tells which journal they belong to, so they keep no ID (and take no
    // reference), standing together before the journals' own rows.
    void rowsOfAnAmbiguousGroupKeepNoId()
    {
        testsupport::loadTextFile(*m_bed.window, u"TRANSACTIONS"_s, fillDownFile(u"ambiguous-group.csv"_s));
        const sources::WorkGrid &grid = m_bed.window->workGrid();
        const auto column = [&](const QString &key) {
            QStringList texts;
            for (int row = 1; row <= 6; ++row)
                texts.append(grid.text(row, key));
            return texts;
        };
        QCOMPARE(column(u"ID"_s), QStringList({u""_s, u""_s, u"JA"_s, u"JB"_s, u"R1"_s, u"R1"_s}));
        QCOMPARE(column(u"LEDGER"_s),
                 QStringList({u"Cash"_s, u"Bank"_s, u"Rent"_s, u"Travel"_s, u"Cash"_s, u"Sharma Traders"_s}));
        QCOMPARE(column(u"REFNO"_s), QStringList({u""_s, u""_s, u"A-1"_s, u"B-1"_s, u"RC-6"_s, u"RC-6"_s}));
        QCOMPARE(grid.rows(), 8);
    }

private:
    testsupport::PostingBed m_bed;
};

QTEST_GUILESS_MAIN(TestVoucherFillDown)
#include "testvoucherfilldown.moc"
