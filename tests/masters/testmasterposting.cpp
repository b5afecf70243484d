#include "errors/errortrap.h"
#include "masters/masterbuilders.h"
#include "masters/mastermessage.h"
#include "masters/masterposting.h"
#include "sources/rowmarking.h"
#include "sources/workgrid.h"
#include "support/golden.h"
#include "support/gridloading.h"
#include "support/headlesswindow.h"
#include "support/postingrecord.h"
#include "support/reportederrors.h"
#include "support/scriptedprompter.h"
#include "support/simulatedserver.h"
#include "support/testbed.h"
#include "support/testenvironment.h"

#include <QTest>

#include <pugixml.hpp>

#include <functional>
#include <memory>

using namespace masters;
using namespace Qt::StringLiterals;
using sources::imagePosted;
using sources::imageUnrecognised;
using sources::Outcome;
using sources::PostOutcome;
using testsupport::HeadlessWindow;
using testsupport::LoadedAs;

using PostingLoop = void (*)(sources::ImportWindow &);
Q_DECLARE_METATYPE(PostingLoop)

namespace {

const QString company = QStringLiteral("Pelko Traders");

pugi::xml_node masterElement(const pugi::xml_document &document)
{
    return document.select_node("//TALLYMESSAGE/*").node();
}

// The masters a run sent, as "name:bill,bill" for each request.
QStringList postedLedgers(const QList<tallysim::RecordedRequest> &requests)
{
    QStringList posted;
    for (const tallysim::RecordedRequest &request : requests) {
        pugi::xml_document document;
        document.load_buffer(request.body.constData(), size_t(request.body.size()));
        const pugi::xml_node ledger = masterElement(document);
        QStringList bills;
        for (const pugi::xml_node bill : ledger.children("BILLALLOCATIONS.LIST"))
            bills.append(QString::fromUtf8(bill.child_value("NAME")));
        posted.append(QString::fromUtf8(ledger.attribute("NAME").value()) + QLatin1Char(':') +
                      bills.join(QLatin1Char(',')));
    }
    return posted;
}

QString markedRows(sources::WorkGrid &grid)
{
    QStringList rows;
    for (int row = 1; row <= grid.rows(); ++row) {
        if (grid.bold(row, grid.columnOfKey(sources::ProcessStatusKey)))
            rows.append(QString::number(row));
    }
    return rows.join(QLatin1Char(','));
}

QString progressNumbers(const HeadlessWindow &window, const QString &progress)
{
    QStringList numbers;
    for (const HeadlessWindow::StatCall &call : window.statCalls())
        numbers.append(QString(call.msg).remove(progress));
    return numbers.join(QLatin1Char(','));
}

// The window of a run whose server goes away after a number of masters.
class InterruptedWindow final : public sources::ImportWindow
{
public:
    InterruptedWindow(HeadlessWindow &window, std::function<void(int)> afterYield)
        : m_window(window), m_afterYield(std::move(afterYield))
    {}
    sources::WorkGrid &workGrid() override { return m_window.workGrid(); }
    sources::SourceGrid &sourceGrid() override { return m_window.sourceGrid(); }
    QString companyListText() const override { return m_window.companyListText(); }
    QString importTypeText() const override { return m_window.importTypeText(); }
    QString &currentCompany() override { return m_window.currentCompany(); }
    bool silent() const override { return m_window.silent(); }
    void stat(const QString &msg, const QString &panel) override { m_window.stat(msg, panel); }
    platform::Prompter &prompter() override { return m_window.prompter(); }
    void yieldToEvents() override
    {
        m_window.yieldToEvents();
        m_afterYield(m_window.yieldCount());
    }
    void selectFirstDataTab() override { m_window.selectFirstDataTab(); }

private:
    HeadlessWindow &m_window;
    std::function<void(int)> m_afterYield;
};

} // namespace

class TestMasterPosting final : public testsupport::TestBed<HeadlessWindow>
{
    Q_OBJECT

private slots:
    void init()
    {
        startBed();
        m_server = std::make_unique<testsupport::SimulatedServer>(tallysim::Config{{company}, company});
        m_server->configureSettings();
        m_window = newWindow();
    }
    void cleanup() { stopBed(); }

    // A sheet of each master type goes through the loader and its loop to the server: the requests the server
    // receives, and the marks and progress the run leaves, are the expected files.
    void goldenRun_data()
    {
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<QString>("listText");
        QTest::addColumn<PostingLoop>("loop");
        QTest::addColumn<QString>("setupSheet");
        QTest::addColumn<PostingLoop>("setupLoop");

        const PostingLoop none = nullptr;
        QTest::newRow("ledger groups") << "ledger-groups"
                                       << "LEDGER GROUPS" << &PostLedgerGroups << QString() << none;
        QTest::newRow("units") << "units"
                               << "UNITS" << &PostUnits << QString() << none;
        QTest::newRow("godowns") << "godowns"
                                 << "GODOWNS" << &PostGodowns << QString() << none;
        QTest::newRow("stock groups") << "stock-groups"
                                      << "STOCK GROUPS" << &PostStockGroups << QString() << none;
        QTest::newRow("stock categories") << "stock-categories"
                                          << "STOCK CATEGORIES" << &PostStockCategories << QString() << none;
        QTest::newRow("cost categories") << "cost-categories"
                                         << "COST CATEGORIES" << &PostCostCategories << QString() << none;
        QTest::newRow("cost centres") << "cost-centres"
                                      << "COST CENTRES" << &PostCostCentres << QString() << none;
        QTest::newRow("ledgers") << "ledgers"
                                 << "LEDGERS" << &PostLedgers << QString() << none;
        QTest::newRow("stock items") << "stock-items"
                                     << "STOCK ITEMS" << &PostStockItems << "stock-items-units" << &PostUnits;
    }
    void goldenRun()
    {
        QFETCH(QString, sheet);
        QFETCH(QString, listText);
        QFETCH(PostingLoop, loop);
        QFETCH(QString, setupSheet);
        QFETCH(PostingLoop, setupLoop);

        if (setupLoop) {
            testsupport::loadTextFile(*m_window, QStringLiteral("UNITS"),
                                      testsupport::testDataPath(u"masters/"_s + setupSheet + u".csv"_s));
            setupLoop(*m_window);
            m_server->clearRequests();
            m_window = newWindow();
        }
        testsupport::loadTextFile(*m_window, listText, testsupport::testDataPath(u"masters/"_s + sheet + u".csv"_s));
        loop(*m_window);

        QCOMPARE(m_window->selectFirstDataTabCount(), 1);
        QCOMPARE(m_window->currentCompany(), company);
        QVERIFY(m_prompter->boxes().isEmpty());
        testsupport::compareWithGolden(testsupport::requestsText(m_server->requests()),
                                       u"masters/"_s + sheet + u".requests.txt"_s);
        testsupport::compareWithGolden(testsupport::marksText(*m_window), u"masters/"_s + sheet + u".marks.txt"_s);
    }

    // How rows group into ledgers: continuation rows, repeated names, blank rows and rows without a name.
    void ledgerGrouping_data()
    {
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<QStringList>("posted");
        QTest::addColumn<QString>("marked");
        QTest::addColumn<QString>("progress");

        const QStringList blank{QString(), QString(), QString(), QString(), QString(), QString()};
        auto row = [](const QString &name, const QString &bill = QString()) {
            return bill.isEmpty() ? QStringList{name, QStringLiteral("Sundry Debtors"), {}, {}, {}, {}}
                                  : QStringList{name,
                                                QStringLiteral("Sundry Debtors"),
                                                QStringLiteral("1-4-2024"),
                                                bill,
                                                QStringLiteral("30"),
                                                QStringLiteral("10")};
        };
        auto continuation = [](const QString &bill) {
            return QStringList{QString(),           QString(), QStringLiteral("1-4-2024"), bill, QStringLiteral("30"),
                               QStringLiteral("10")};
        };
        QTest::newRow("continuation rows add bills")
            << QList<QStringList>{row(u"A"_s, u"I1"_s), continuation(u"I2"_s), continuation(u"I3"_s), row(u"B"_s)}
            << QStringList{u"A:I1,I2,I3"_s, u"B:"_s} << u"3,4"_s << u"4,5"_s;
        QTest::newRow("a repeated name continues")
            << QList<QStringList>{row(u"A"_s, u"I1"_s), row(u"A"_s, u"I2"_s), row(u"B"_s), row(u"A"_s)}
            << QStringList{u"A:I1,I2"_s, u"B:"_s, u"A:"_s} << u"2,3,4"_s << u"3,4,5"_s;
        QTest::newRow("names differing in case")
            << QList<QStringList>{row(u"a"_s), row(u"A"_s)} << QStringList{u"a:"_s, u"A:"_s} << u"1,2"_s << u"2,3"_s;
        QTest::newRow("blank row ends a ledger and starts none")
            << QList<QStringList>{row(u"A"_s), blank, continuation(u"I9"_s), row(u"B"_s)}
            << QStringList{u"A:"_s, u":I9"_s, u"B:"_s} << u"1,3,4"_s << u"2,4,5"_s;
        QTest::newRow("first row without a name")
            << QList<QStringList>{row(QString()), row(u"A"_s)} << QStringList{u":"_s, u"A:"_s} << u"1,2"_s << u"2,3"_s;
        QTest::newRow("a ledger named 00")
            << QList<QStringList>{row(u"00"_s), row(u"B"_s)} << QStringList{u"00:"_s, u"B:"_s} << u"1,2"_s << u"2,3"_s;
        QTest::newRow("a last ledger with a bill") << QList<QStringList>{row(u"A"_s), row(u"B"_s, u"I1"_s)}
                                                   << QStringList{u"A:"_s, u"B:I1"_s} << u"1,2"_s << u"2,3"_s;
        QTest::newRow("only blank rows") << QList<QStringList>{blank, blank} << QStringList() << u""_s << u""_s;
    }
    void ledgerGrouping()
    {
        QFETCH(QList<QStringList>, rows);
        QFETCH(QStringList, posted);
        QFETCH(QString, marked);
        QFETCH(QString, progress);

        // A table keeps the blank rows between its records.
        testsupport::loadRows(*m_window, u"LEDGERS"_s,
                              {u"Name"_s, u"Parent"_s, u"OpeningBillDate"_s, u"OpeningName"_s, u"OpeningCreditPeriod"_s,
                               u"OpeningBalance"_s},
                              rows, LoadedAs::Table);
        PostLedgers(*m_window);

        QCOMPARE(postedLedgers(m_server->requests()), posted);
        QCOMPARE(markedRows(m_window->workGrid()), marked);
        QCOMPARE(progressNumbers(*m_window, QStringLiteral("Processed Ledgers: ")), progress);
        QCOMPARE(m_window->yieldCount(), int(posted.size()));
    }

    // A row blank all through holds no master even when its NAME holds blanks; a row with data and a NAME of
    // blanks is posted, so that the server's refusal shows in it.
    void simpleLoopSkipsBlankRows()
    {
        const QString blanks = QStringLiteral("  ");
        testsupport::loadRows(*m_window, u"GODOWNS"_s, {u"Name"_s, u"Parent"_s, u"HasNoStock"_s},
                              {{u"Store"_s, QString(), u"No"_s},
                               {blanks, blanks, QString()},
                               {blanks, u"Store"_s, QString()},
                               {QString(), u"Store"_s, u"No"_s}},
                              LoadedAs::Table);
        PostGodowns(*m_window);

        QCOMPARE(m_server->requests().size(), 2);
        QCOMPARE(markedRows(m_window->workGrid()), QStringLiteral("1,3"));
        QCOMPARE(PostOutcome(m_window->workGrid().text(3, sources::ProcessStatusKey)), Outcome::Error);
        QCOMPARE(progressNumbers(*m_window, QStringLiteral("Processed Godowns: ")), QStringLiteral("1,3"));
    }

    // Only spaces make a cell blank, as everywhere in the grids: a cell of other white space, such as the
    // no-break space that pasted data brings along, is a value.
    void blankCellsHoldOnlySpaces_data()
    {
        QTest::addColumn<PostingLoop>("loop");
        QTest::addColumn<QString>("listText");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QStringList>("row");
        QTest::addColumn<QString>("element");
        QTest::addColumn<QString>("expected");

        const QString noBreak = QStringLiteral("\u00A0");
        const QStringList tdsFields{u"Name"_s, u"Parent"_s, u"TDSDeducteeType"_s};
        const QStringList centreFields{u"Name"_s, u"Parent"_s, u"Category"_s};
        QTest::newRow("TDS type of spaces")
            << &PostLedgers << u"LEDGERS"_s << tdsFields << QStringList{u"L"_s, u"Sundry Creditors"_s, u"   "_s}
            << u"ISTDSAPPLICABLE"_s << u"No"_s;
        QTest::newRow("TDS type of a no-break space")
            << &PostLedgers << u"LEDGERS"_s << tdsFields << QStringList{u"L"_s, u"Sundry Creditors"_s, noBreak}
            << u"ISTDSAPPLICABLE"_s << u"Yes"_s;
        QTest::newRow("category of spaces")
            << &PostCostCentres << u"COST CENTRES"_s << centreFields << QStringList{u"C"_s, QString(), u"   "_s}
            << u"CATEGORY"_s << u"Primary Cost Category"_s;
        QTest::newRow("category of a no-break space")
            << &PostCostCentres << u"COST CENTRES"_s << centreFields << QStringList{u"C"_s, QString(), noBreak}
            << u"CATEGORY"_s << noBreak;
    }
    void blankCellsHoldOnlySpaces()
    {
        QFETCH(PostingLoop, loop);
        QFETCH(QString, listText);
        QFETCH(QStringList, fields);
        QFETCH(QStringList, row);
        QFETCH(QString, element);
        QFETCH(QString, expected);

        testsupport::loadRows(*m_window, listText, fields, {row});
        loop(*m_window);

        QCOMPARE(m_server->requests().size(), 1);
        const QByteArray body = m_server->requests().first().body;
        pugi::xml_document document;
        QVERIFY(document.load_buffer(body.constData(), size_t(body.size())));
        const pugi::xml_node master = masterElement(document);
        QVERIFY(master.child(element.toLatin1().constData()));
        QCOMPARE(QString::fromUtf8(master.child_value(element.toLatin1().constData())), expected);
    }

    // A column the type needs and the source lacks stops the run with the loop's error report where it is
    // first read; rows posted before keep their results and nothing after is posted.
    void missingRequiredColumn_data()
    {
        QTest::addColumn<PostingLoop>("loop");
        QTest::addColumn<QString>("listText");
        QTest::addColumn<QString>("location");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<QString>("marked");

        const QList<QStringList> twoRows{{QStringLiteral("First"), QStringLiteral("x")},
                                         {QStringLiteral("Second"), QStringLiteral("y")}};
        QTest::newRow("godowns without HASNOSTOCK")
            << &PostGodowns << u"GODOWNS"_s << u"F01-0019"_s << QStringList{u"Name"_s, u"Parent"_s} << twoRows << u""_s;
        QTest::newRow("ledger groups without NAME") << &PostLedgerGroups << u"LEDGER GROUPS"_s << u"F01-0016"_s
                                                    << QStringList{u"Title"_s, u"Parent"_s} << twoRows << u""_s;
        QTest::newRow("stock groups without ISADDABLE") << &PostStockGroups << u"STOCK GROUPS"_s << u"F01-0020"_s
                                                        << QStringList{u"Name"_s, u"Parent"_s} << twoRows << u""_s;
        QTest::newRow("stock categories without PARENT")
            << &PostStockCategories << u"STOCK CATEGORIES"_s << u"F01-0021"_s << QStringList{u"Name"_s, u"NameAlias"_s}
            << twoRows << u""_s;
        QTest::newRow("cost centres without PARENT") << &PostCostCentres << u"COST CENTRES"_s << u"F01-0053"_s
                                                     << QStringList{u"Name"_s, u"Category"_s} << twoRows << u""_s;
        QTest::newRow("compound unit without BASEUNITS")
            << &PostUnits << u"UNITS"_s << u"F01-0018"_s
            << QStringList{u"Name"_s, u"IsSimpleUnit"_s, u"OriginalName"_s, u"DecimalPlaces"_s}
            << QList<QStringList>{{u"Nos"_s, u"Yes"_s, u"Numbers"_s, u"0"_s},
                                  {u"Box"_s, u" no"_s, u""_s, u""_s},
                                  {u"kg"_s, u"Yes"_s, u"Kg"_s, u"3"_s}}
            << u"1"_s;
        QTest::newRow("ledgers without NAME") << &PostLedgers << u"LEDGERS"_s << u"F01-0017"_s
                                              << QStringList{u"Ledger"_s, u"Parent"_s} << twoRows << u""_s;
        QTest::newRow("stock items without CATEGORY") << &PostStockItems << u"STOCK ITEMS"_s << u"F01-0022"_s
                                                      << QStringList{u"Name"_s, u"Parent"_s} << twoRows << u""_s;
        QTest::newRow("cost categories need only NAME") << &PostCostCategories << u"COST CATEGORIES"_s << u""_s
                                                        << QStringList{u"Name"_s, u"Parent"_s} << twoRows << u"1,2"_s;
    }
    void missingRequiredColumn()
    {
        QFETCH(PostingLoop, loop);
        QFETCH(QString, listText);
        QFETCH(QString, location);
        QFETCH(QStringList, fields);
        QFETCH(QList<QStringList>, rows);
        QFETCH(QString, marked);

        testsupport::loadRows(*m_window, listText, fields, rows);
        loop(*m_window);

        QCOMPARE(markedRows(m_window->workGrid()), marked);
        QCOMPARE(m_server->requests().size(), marked.isEmpty() ? 0 : int(marked.count(QLatin1Char(',')) + 1));
        if (location.isEmpty()) {
            QVERIFY(m_prompter->boxes().isEmpty());
            return;
        }
        QCOMPARE(testsupport::reportedErrors(*m_prompter),
                 QStringList{testsupport::reportedError(location, errors::ErrNo::SubscriptOutOfRange)});
        QCOMPARE(testsupport::loggedLocations(m_env->readProgramFile(u"Pelko10Errors.txt"_s)), QStringList{location});
    }

    // The server goes away after the second ledger: the first two keep their results, the third gets an error
    // status that says no answer came, the error is reported once, and the run stops there: the fourth is not
    // tried, and says so without an image of success or refusal; the status line says where the run stopped.
    void serverGoesAwayMidRun()
    {
        QList<QStringList> rows;
        for (const QString &name : {u"L1"_s, u"L2"_s, u"L3"_s, u"L4"_s})
            rows.append({name, QStringLiteral("Sundry Debtors")});
        testsupport::loadRows(*m_window, u"LEDGERS"_s, {u"Name"_s, u"Parent"_s}, rows);
        InterruptedWindow window(*m_window, [this](int posted) {
            if (posted == 2)
                m_server->stop();
        });
        PostLedgers(window);

        sources::WorkGrid &grid = m_window->workGrid();
        for (int row = 1; row <= 2; ++row) {
            QCOMPARE(grid.text(row, sources::ProcessStatusKey), QStringLiteral("CREATED"));
            QCOMPARE(grid.image(row, 1), imagePosted);
        }
        QCOMPARE(grid.text(3, sources::ProcessStatusKey),
                 QStringLiteral("ERROR: no answer from Tally (A connection with the server could not be established)"));
        QCOMPARE(grid.image(3, 1), sources::imageRejected);
        QCOMPARE(grid.textColor(3, 1), QColor(255, 0, 0));
        QCOMPARE(grid.text(4, sources::ProcessStatusKey),
                 QStringLiteral("NOT POSTED: the run stopped at row 3, as the server stopped answering"));
        QCOMPARE(grid.image(4, 1), sources::imageUnrecognised);
        const QList<HeadlessWindow::StatCall> stopped = {
            {QStringLiteral("Processing stopped at row 3: the server stopped answering."), QStringLiteral("msg")},
            {QStringLiteral("Tally is not running."), QStringLiteral("stat")}};
        QCOMPARE(m_window->statCalls().mid(3), stopped);
        QCOMPARE(testsupport::reportedErrors(*m_prompter),
                 QStringList{testsupport::reportedError("C02-0001", errors::ErrNo::HttpCannotConnect)});
        QCOMPARE(progressNumbers(*m_window, QStringLiteral("Processed Ledgers: ")).section(QLatin1Char(','), 0, 2),
                 QStringLiteral("2,3,4"));
        QCOMPARE(grid.currentRow(), 3);
    }

    // Answers that are no import result, answers that imported nothing, and the TallyPrime way of refusing: each
    // row is marked rejected and the run goes on with the next master. Failed posts repeat from master to master:
    // the first is shown, every one is logged and counted; a refusal is the server's answer and no error. The
    // grouped loop (ledgers) and the simple one (ledger groups) keep the same rule.
    void failedAndRefusedPosts_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<PostingLoop>("loop");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("failed");
        const QString http500 = u"ERROR: HTTP status 500 from the server, no Tally reply"_s;
        const QString nothing = u"ERROR: Tally imported nothing; "_s;
        QTest::newRow("HTTP 500") << "500" << PostingLoop(PostLedgers) << http500 << true;
        QTest::newRow("HTTP 500, ledger groups") << "500" << PostingLoop(PostLedgerGroups) << http500 << true;
        QTest::newRow("garbage") << "garbage" << PostingLoop(PostLedgers) << u"ERROR: no Tally reply from the server"_s
                                 << true;
        QTest::newRow("unknown request") << "<RESPONSE>Unknown Request, cannot be processed</RESPONSE>"
                                         << PostingLoop(PostLedgers)
                                         << nothing + u"it answered \"Unknown Request, cannot be processed\""_s << true;
        QTest::newRow("nothing counted, ledger groups")
            << "<RESPONSE><CREATED>0</CREATED><ALTERED>0</ALTERED><COMBINED>0</COMBINED><ERRORS>0</ERRORS>"
               "<EXCEPTIONS>0</EXCEPTIONS></RESPONSE>"
            << PostingLoop(PostLedgerGroups)
            << nothing + u"its reply counts nothing created, altered, combined or refused"_s << true;
        QTest::newRow("refused with EXCEPTIONS")
            << "exceptions" << PostingLoop(PostLedgers)
            << u"EXCEPTIONS Group 'Nowhere' does not exist!Group 'Nowhere' does not exist! - "_s << false;
    }
    void failedAndRefusedPosts()
    {
        QFETCH(QString, server);
        QFETCH(PostingLoop, loop);
        QFETCH(QString, status);
        QFETCH(bool, failed);
        tallysim::Config config{{company}, company};
        config.refuseWithExceptions = server == QLatin1String("exceptions");
        if (server == QLatin1String("500"))
            config.mode = tallysim::Mode::HttpError;
        if (server == QLatin1String("garbage"))
            config.mode = tallysim::Mode::Garbage;
        if (server.startsWith(QLatin1Char('<'))) {
            config.mode = tallysim::Mode::HttpError;
            config.errorStatus = 200;
            config.errorBody = server.toUtf8();
        }
        m_server = std::make_unique<testsupport::SimulatedServer>(config);
        m_server->configureSettings();
        // Ledger groups need their SubLedger column; ledgers take it as a column of no meaning to them.
        testsupport::loadRows(
            *m_window, loop == PostingLoop(PostLedgers) ? u"LEDGERS"_s : u"LEDGER GROUPS"_s,
            {u"Name"_s, u"Parent"_s, u"SubLedger"_s},
            {{u"L1"_s, u"Nowhere"_s, u"No"_s}, {u"L2"_s, u"Nowhere"_s, u"No"_s}, {u"L3"_s, u"Nowhere"_s, u"No"_s}});
        const qint64 errorsBefore = errors::errorInCount();
        loop(*m_window);

        QCOMPARE(m_server->requests().size(), 3);
        sources::WorkGrid &grid = m_window->workGrid();
        for (int row = 1; row <= 3; ++row) {
            QCOMPARE(grid.text(row, sources::ProcessStatusKey), status);
            QCOMPARE(grid.image(row, 1), sources::imageRejected);
            QCOMPARE(grid.textColor(row, 1), QColor(255, 0, 0));
        }
        QCOMPARE(testsupport::reportedLocations(*m_prompter), failed ? QStringList{u"C02-0001"_s} : QStringList());
        QCOMPARE(testsupport::loggedLocations(m_env->readProgramFile(u"Pelko10Errors.txt"_s)),
                 failed ? QStringList(3, u"C02-0001"_s) : QStringList());
        QCOMPARE(errors::errorInCount() - errorsBefore, failed ? 3 : 0);
    }

    // A master one of whose cells holds a character XML 1.0 cannot carry is not sent: its row says which column
    // holds which character, and the run goes on. A cell of a continuation row counts for its master.
    void charactersXmlCannotCarry_data()
    {
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("statusRow");
        const QString held = u"ERROR: the column %1 holds the character %2, which cannot be sent to Tally; "
                             u"not posted."_s;
        QTest::newRow("U+0001 in the name") << QList<QStringList>{{u"L\u0001"_s, u"Sundry Debtors"_s, {}, {}, {}, {}}}
                                            << held.arg(u"NAME"_s, u"U+0001"_s) << 1;
        QTest::newRow("vertical tab in the parent")
            << QList<QStringList>{{u"L1"_s, u"Sundry\u000BDebtors"_s, {}, {}, {}, {}}}
            << held.arg(u"PARENT"_s, u"U+000B"_s) << 1;
        QTest::newRow("NUL in a bill of a continuation row")
            << QList<QStringList>{{u"L1"_s, u"Sundry Debtors"_s, u"1-4-2024"_s, u"I1"_s, u"30"_s, u"10"_s},
                                  {{}, {}, u"1-4-2024"_s, QString(QChar(0)) + u"I2"_s, u"30"_s, u"10"_s}}
            << held.arg(u"OPENINGNAME"_s, u"U+0000"_s) << 2;
    }
    void charactersXmlCannotCarry()
    {
        QFETCH(QList<QStringList>, rows);
        QFETCH(QString, status);
        QFETCH(int, statusRow);
        rows.append({u"Good"_s, u"Sundry Debtors"_s, {}, {}, {}, {}});
        testsupport::loadRows(*m_window, u"LEDGERS"_s,
                              {u"Name"_s, u"Parent"_s, u"OpeningBillDate"_s, u"OpeningName"_s, u"OpeningCreditPeriod"_s,
                               u"OpeningBalance"_s},
                              rows);
        PostLedgers(*m_window);

        QCOMPARE(postedLedgers(m_server->requests()), QStringList{u"Good:"_s});
        sources::WorkGrid &grid = m_window->workGrid();
        QCOMPARE(grid.text(statusRow, sources::ProcessStatusKey), status);
        QCOMPARE(grid.image(statusRow, 1), sources::imageRejected);
        QCOMPARE(grid.text(statusRow + 1, sources::ProcessStatusKey), u"CREATED"_s);
        QVERIFY(m_prompter->boxes().isEmpty());
    }

    // A master whose cell in a number column is no number is not sent: its row says which column holds what, and
    // the next master posts. A continuation row's bill counts for its master.
    void numberColumnsHoldNumbers_data()
    {
        QTest::addColumn<PostingLoop>("loop");
        QTest::addColumn<QString>("listText");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QList<QStringList>>("rows"); // the refused master, then one that posts
        QTest::addColumn<int>("statusRow");
        QTest::addColumn<QString>("status");

        const QString held = u"ERROR: the column %1 holds \"%2\", which is not a number; not posted."_s;
        const QStringList ledgerFields{
            u"Name"_s,          u"Parent"_s, u"OpeningBillDate"_s, u"OpeningName"_s, u"OpeningCreditPeriod"_s,
            u"OpeningBalance"_s};
        QTest::newRow("decimal comma in a ledger's opening balance")
            << &PostLedgers << u"LEDGERS"_s << ledgerFields
            << QList<QStringList>{{u"L1"_s, u"Sundry Debtors"_s, {}, {}, {}, u"1,5"_s},
                                  {u"Good"_s, u"Sundry Debtors"_s, {}, {}, {}, u"1,234.50"_s}}
            << 1 << held.arg(u"OPENINGBALANCE"_s, u"1,5"_s);
        QTest::newRow("NaN in a bill of a continuation row")
            << &PostLedgers << u"LEDGERS"_s << ledgerFields
            << QList<QStringList>{{u"L1"_s, u"Sundry Debtors"_s, u"1-4-2024"_s, u"I1"_s, u"30"_s, u"10"_s},
                                  {{}, {}, u"1-4-2024"_s, u"I2"_s, u"30"_s, u"NaN"_s},
                                  {u"Good"_s, u"Sundry Debtors"_s, u"1-4-2024"_s, u"I3"_s, u"30"_s, u"1.5E+3"_s}}
            << 2 << held.arg(u"OPENINGBALANCE"_s, u"NaN"_s);

        const QStringList itemFields{u"Name"_s,
                                     u"Parent"_s,
                                     u"Category"_s,
                                     u"BaseUnits"_s,
                                     u"BasicRateOfExcise"_s,
                                     u"RateOfVat"_s,
                                     u"IsBatchwiseOn"_s,
                                     u"IsCostCentresOn"_s,
                                     u"IgnoreNegativeStock"_s,
                                     u"OpeningBalance"_s,
                                     u"OpeningValue"_s,
                                     u"OpeningRate"_s};
        auto item = [](const QString &name, const QString &value) {
            return QStringList{name, {}, {}, {}, {}, {}, u"No"_s, u"No"_s, u"No"_s, u"10"_s, value, u"5"_s};
        };
        QTest::newRow("brackets in a stock item's opening value")
            << &PostStockItems << u"STOCK ITEMS"_s << itemFields
            << QList<QStringList>{item(u"Widget"_s, u"(50)"_s), item(u"Gadget"_s, u"50"_s)} << 1
            << held.arg(u"OPENINGVALUE"_s, u"(50)"_s);
    }
    void numberColumnsHoldNumbers()
    {
        QFETCH(PostingLoop, loop);
        QFETCH(QString, listText);
        QFETCH(QStringList, fields);
        QFETCH(QList<QStringList>, rows);
        QFETCH(int, statusRow);
        QFETCH(QString, status);
        testsupport::loadRows(*m_window, listText, fields, rows);
        loop(*m_window);

        QCOMPARE(m_server->requests().size(), 1);
        pugi::xml_document document;
        const QByteArray body = m_server->requests().first().body;
        QVERIFY(document.load_buffer(body.constData(), size_t(body.size())));
        QCOMPARE(QString::fromUtf8(masterElement(document).attribute("NAME").value()), rows.last().first());
        sources::WorkGrid &grid = m_window->workGrid();
        QCOMPARE(grid.text(statusRow, sources::ProcessStatusKey), status);
        QCOMPARE(grid.image(statusRow, 1), sources::imageRejected);
        QCOMPARE(grid.text(rows.size(), sources::ProcessStatusKey), u"CREATED"_s);
        QVERIFY(m_prompter->boxes().isEmpty());
    }

    // A line break in a name reaches the server as the same characters in the NAME attribute and the NAME
    // element.
    void lineBreakInANameIsSentAlike()
    {
        testsupport::loadRows(*m_window, u"GODOWNS"_s, {u"Name"_s, u"Parent"_s, u"HasNoStock"_s},
                              {{u"North\r\nStore"_s, QString(), u"No"_s}, {u"South\rStore"_s, QString(), u"No"_s}});
        PostGodowns(*m_window);

        QCOMPARE(m_server->requests().size(), 2);
        for (const tallysim::RecordedRequest &request : m_server->requests()) {
            pugi::xml_document document;
            QVERIFY(document.load_buffer(request.body.constData(), size_t(request.body.size())));
            const pugi::xml_node godown = masterElement(document);
            const QString attribute = QString::fromUtf8(godown.attribute("NAME").value());
            QCOMPARE(QString::fromUtf8(godown.child("NAME.LIST").child_value("NAME")), attribute);
            QVERIFY2(attribute.endsWith(u"\nStore"_s) && !attribute.contains(QLatin1Char('\r')), qPrintable(attribute));
        }
    }

    // Renaming goes by the old name; the open company is addressed by naming none.
    // An element handle names one element: kept past a sibling, or taken from an element given text, it adds
    // nothing to whatever element happens to be open at its depth.
    void elementHandleIsItsOwnElement()
    {
        MasterMessage message(company, "LEDGER", u"Cash"_s, QString(), u"Create"_s);
        const MasterMessage::Element first = message.add("ADDRESS.LIST", QString(), ChildKind::Always);
        message.add(first, "ADDRESS", u"Main Road"_s, ChildKind::IfSet);
        const MasterMessage::Element sibling = message.add("MAILINGNAME.LIST", QString(), ChildKind::Always);
        QVERIFY_THROWS_EXCEPTION(errors::RuntimeError,
                                 message.add(first, "ADDRESS", u"Side Street"_s, ChildKind::IfSet));
        const MasterMessage::Element named = message.add(sibling, "MAILINGNAME", u"Cash"_s, ChildKind::IfSet);
        QVERIFY_THROWS_EXCEPTION(errors::RuntimeError, message.add(named, "X", u"y"_s, ChildKind::IfSet));
    }

    void builderNameAttributeAndCompany_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("nameAttribute");
        QTest::addColumn<bool>("namesCompany");
        QTest::newRow("create") << company << u"Create"_s << u"New Store"_s << true;
        QTest::newRow("alter takes the old name") << company << u"Alter"_s << u"Old Store"_s << true;
        QTest::newRow("alter is case-sensitive") << company << u"alter"_s << u"New Store"_s << true;
        QTest::newRow("open company") << u"CURRENTLY SELECTED COMPANY IN TALLY"_s << u"Create"_s << u"New Store"_s
                                      << false;
        QTest::newRow("open company in other case")
            << u"Currently Selected Company In Tally"_s << u"Create"_s << u"New Store"_s << true;
    }
    void builderNameAttributeAndCompany()
    {
        QFETCH(QString, target);
        QFETCH(QString, action);
        QFETCH(QString, nameAttribute);
        QFETCH(bool, namesCompany);

        GodownRec godown;
        godown.Name = QStringLiteral("New Store");
        godown.OldName = QStringLiteral("Old Store");
        ImportGodown(target, godown, action);

        QCOMPARE(m_server->requests().size(), 1);
        const QByteArray body = m_server->requests().first().body;
        pugi::xml_document document;
        QVERIFY(document.load_buffer(body.constData(), size_t(body.size())));
        const pugi::xml_node element = masterElement(document);
        QCOMPARE(QString::fromUtf8(element.attribute("NAME").value()), nameAttribute);
        QCOMPARE(QString::fromUtf8(element.attribute("ACTION").value()), action);
        QCOMPARE(bool(document.select_node("//SVCURRENTCOMPANY")), namesCompany);
    }

private:
    std::unique_ptr<HeadlessWindow> newWindow() const
    {
        auto window = std::make_unique<HeadlessWindow>();
        window->setCompanyListText(company);
        return window;
    }
};

QTEST_GUILESS_MAIN(TestMasterPosting)
#include "testmasterposting.moc"
