#include "httpexchange.h"
#include "tallysim/simulator.h"
#include "tallysim/tallyresponder.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <pugixml.hpp>

#include <memory>

using tallysim::Config;
using tallysim::Mode;
using tallysim::Simulator;

namespace {

QByteArray crlfLines(const QList<QByteArray> &lines)
{
    QByteArray text;
    for (const QByteArray &line : lines)
        text += line + "\r\n";
    return text;
}

// The two company queries exactly as the client writes them.
QByteArray companyListRequest()
{
    return crlfLines({"<ENVELOPE>", "<HEADER>", "<TALLYREQUEST>Export Data</TALLYREQUEST>", "</HEADER>", "<BODY>",
                      "<EXPORTDATA>", "<REQUESTDESC>", "<REPORTNAME>List of Companies</REPORTNAME>",
                      "<STATICVARIABLES>", "<SVEXPORTFORMAT> $$SysName:XML </SVEXPORTFORMAT>", "</STATICVARIABLES>",
                      "</REQUESTDESC>", "</EXPORTDATA>", "</BODY>", "</ENVELOPE>"});
}

QByteArray currentCompanyRequest()
{
    return crlfLines({"<ENVELOPE>", "<HEADER>", "<TALLYREQUEST> Export Data </TALLYREQUEST>", "</HEADER>", "<BODY>",
                      "<EXPORTDATA>", "<REQUESTDESC>", "<REPORTNAME>List of Accounts</REPORTNAME>", "<STATICVARIABLES>",
                      "<SVEXPORTFORMAT> $$SysName:XML </SVEXPORTFORMAT>", "<ACCOUNTTYPE>Units</ACCOUNTTYPE>",
                      "</STATICVARIABLES>", "</REQUESTDESC>", "</EXPORTDATA>", "</BODY>", "</ENVELOPE>"});
}

// An import request; `company` is the raw text between the SVCURRENTCOMPANY tags, or no element when null.
QByteArray importRequest(const QByteArray &company, const QByteArray &messages)
{
    QByteArray text = "<ENVELOPE>\r\n<HEADER>\r\n<TALLYREQUEST>Import Data</TALLYREQUEST>\r\n</HEADER>\r\n<BODY>\r\n"
                      "<IMPORTDATA>\r\n<REQUESTDESC>\r\n<REPORTNAME>All Masters</REPORTNAME>\r\n<STATICVARIABLES>\r\n";
    if (!company.isNull())
        text += "<SVCURRENTCOMPANY>" + company + "</SVCURRENTCOMPANY>\r\n";
    return text + "</STATICVARIABLES>\r\n</REQUESTDESC>\r\n<REQUESTDATA>" + messages +
           "</REQUESTDATA>\r\n</IMPORTDATA>\r\n</BODY>\r\n</ENVELOPE>\r\n";
}

// A voucher of a type with ledger and item lines; no REMOTEID attribute when the id is null.
QByteArray voucherMessage(const QByteArray &remoteId, const QByteArray &type, const QByteArray &lines)
{
    const QByteArray id = remoteId.isNull() ? QByteArray() : " REMOTEID=\"" + remoteId + '"';
    return "<TALLYMESSAGE xmlns:UDF=\"TallyUDF\"><VOUCHER" + id + " VCHTYPE=\"" + type +
           "\" ACTION=\"Create\"><DATE>20240401</DATE><VOUCHERTYPENAME>" + type + "</VOUCHERTYPENAME>" + lines +
           "</VOUCHER></TALLYMESSAGE>";
}

QByteArray ledgerLine(const QByteArray &ledger)
{
    return "<LEDGERENTRIES.LIST><LEDGERNAME>" + ledger + "</LEDGERNAME><AMOUNT>-1</AMOUNT></LEDGERENTRIES.LIST>";
}

QByteArray itemLine(const QByteArray &item, const QByteArray &ledger)
{
    return "<ALLINVENTORYENTRIES.LIST><STOCKITEMNAME>" + item +
           "</STOCKITEMNAME><ACCOUNTINGALLOCATIONS.LIST><LEDGERNAME>" + ledger +
           "</LEDGERNAME></ACCOUNTINGALLOCATIONS.LIST></ALLINVENTORYENTRIES.LIST>";
}

QByteArray unitMessage(const QByteArray &name)
{
    return "<TALLYMESSAGE xmlns:UDF=\"TallyUDF\"><UNIT NAME=\"" + name + "\" ACTION=\"Create\"><NAME>" + name +
           "</NAME></UNIT></TALLYMESSAGE>";
}

// The children of the reply's RESPONSE element as "NAME=text" in order.
QStringList responseChildren(const QByteArray &reply)
{
    pugi::xml_document document;
    if (!document.load_buffer(reply.constData(), static_cast<size_t>(reply.size())))
        return {QStringLiteral("not XML")};
    QStringList children;
    for (const pugi::xml_node &child : document.child("RESPONSE").children())
        children.append(QString::fromUtf8(child.name()) + u'=' + QString::fromUtf8(child.text().get()));
    return children;
}

QStringList counters(int created, int altered, int errors, qint64 lastVchId = 0, qint64 lastMid = 0, int exceptions = 0)
{
    return {QStringLiteral("CREATED=%1").arg(created),
            QStringLiteral("ALTERED=%1").arg(altered),
            QStringLiteral("DELETED=0"),
            QStringLiteral("LASTVCHID=%1").arg(lastVchId),
            QStringLiteral("LASTMID=%1").arg(lastMid),
            QStringLiteral("COMBINED=0"),
            QStringLiteral("IGNORED=0"),
            QStringLiteral("ERRORS=%1").arg(errors),
            QStringLiteral("CANCELLED=0"),
            QStringLiteral("EXCEPTIONS=%1").arg(exceptions)};
}

QStringList elementTexts(const QByteArray &reply, const char *query)
{
    pugi::xml_document document;
    document.load_buffer(reply.constData(), static_cast<size_t>(reply.size()));
    QStringList texts;
    for (const pugi::xpath_node &node : document.select_nodes(query))
        texts.append(QString::fromUtf8(node.node().text().get()));
    return texts;
}

} // namespace

class TestSimulator final : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<Simulator> m_simulator;

    Simulator &start(Config config = {})
    {
        m_simulator = std::make_unique<Simulator>(std::move(config));
        if (!m_simulator->listen(0))
            qFatal("cannot listen");
        return *m_simulator;
    }

    // One request on a connection of its own.
    HttpExchange::Reply exchange(const QByteArray &request)
    {
        HttpExchange client;
        if (!client.connectTo(m_simulator->port()))
            return {};
        client.send(request);
        return client.read().value_or(HttpExchange::Reply{});
    }

    QByteArray post(const QByteArray &body) { return exchange(HttpExchange::post(body)).body; }

private slots:
    void cleanup() { m_simulator.reset(); }

    void answersTheRunningProbe_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::newRow("GET") << HttpExchange::get();
        QTest::newRow("empty POST") << HttpExchange::post({}, {{"Connection", "close"}});
        QTest::newRow("blank POST") << HttpExchange::post("\r\n  ");
    }
    void answersTheRunningProbe()
    {
        QFETCH(QByteArray, request);
        start();
        const HttpExchange::Reply reply = exchange(request);
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.body, QByteArray("<RESPONSE>TallyPrime Server is Running</RESPONSE>"));
        QCOMPARE(reply.header("Content-Type"), QByteArray("text/xml; charset=utf-8"));
        QCOMPARE(reply.header("Content-Length"), QByteArray::number(reply.body.size()));
    }

    void listsCompaniesWithEscapedNames()
    {
        const QStringList companies{QStringLiteral("A & B Traders"), QStringLiteral("<Sister> Co"),
                                    QStringLiteral("Ääkköset \"Oy\"")};
        start({companies, companies[1]});
        const QByteArray reply = post(companyListRequest());
        QVERIFY2(reply.contains("<COMPANYNAME>A &amp; B Traders</COMPANYNAME>"), reply.constData());
        QVERIFY2(reply.contains("<COMPANYNAME>&lt;Sister&gt; Co</COMPANYNAME>"), reply.constData());
        QCOMPARE(elementTexts(reply, "//COMPANYNAME"), companies);
    }

    void reportsTheCurrentCompany()
    {
        start({{QStringLiteral("Other")}, QStringLiteral("A & <B>")});
        QByteArray reply = post(currentCompanyRequest());
        QCOMPARE(elementTexts(reply, "//SVCURRENTCOMPANY"), QStringList{QStringLiteral("A & <B>")});
        // The open company is one the server holds even when not listed among the companies.
        QCOMPARE(elementTexts(post(companyListRequest()), "//COMPANYNAME"),
                 (QStringList{QStringLiteral("Other"), QStringLiteral("A & <B>")}));

        start({{QStringLiteral("Other")}, {}});
        reply = post(currentCompanyRequest());
        QVERIFY2(!reply.contains("SVCURRENTCOMPANY"), reply.constData());
        QCOMPARE(responseChildren(post(importRequest({}, unitMessage("Nos")))),
                 QStringList{QStringLiteral("LINEERROR=No Company is open")} + counters(0, 0, 1));
    }

    void importCreatesThenAlters()
    {
        start({{QStringLiteral("Demo")}, QStringLiteral("Demo")});
        QCOMPARE(responseChildren(post(importRequest("Demo", unitMessage("Nos")))), counters(1, 0, 0, 0, 101));
        // Names match without regard to case; the master keeps its id.
        QCOMPARE(responseChildren(post(importRequest("DEMO", unitMessage("NOS")))), counters(0, 1, 0, 0, 101));
        // Objects without a name (vouchers) are each new; a master of another type may share a name.
        const QByteArray mixed = unitMessage("Box") +
                                 "<TALLYMESSAGE><VOUCHER VCHTYPE=\"Sales\" ACTION=\"Create\"><DATE>20240401</DATE>"
                                 "</VOUCHER><GODOWN NAME=\"Nos\"/><LEDGER><NAME.LIST><NAME>Cash &amp; Bank</NAME>"
                                 "</NAME.LIST></LEDGER></TALLYMESSAGE>";
        QCOMPARE(responseChildren(post(importRequest({}, mixed))), counters(4, 0, 0, 103, 105));
        QCOMPARE(responseChildren(post(importRequest({}, unitMessage("Box") + unitMessage("Bag")))),
                 counters(1, 1, 0, 0, 106));
        // The masters come back through the accounts report of the open company.
        QCOMPARE(elementTexts(post(currentCompanyRequest()), "//UNIT/NAME"),
                 (QStringList{QStringLiteral("Nos"), QStringLiteral("Box"), QStringLiteral("Bag")}));
        // An envelope with nothing to import changes nothing.
        QCOMPARE(responseChildren(post(importRequest({}, {}))), counters(0, 0, 0));
    }

    void refusesImportsForCompaniesItDoesNotHold_data()
    {
        QTest::addColumn<QByteArray>("company");
        QTest::addColumn<QString>("error");
        QTest::newRow("unknown") << QByteArray("Elsewhere Ltd")
                                 << QStringLiteral("Could not set 'SVCurrentCompany' to 'Elsewhere Ltd'");
        QTest::newRow("escaped") << QByteArray("A &amp; C")
                                 << QStringLiteral("Could not set 'SVCurrentCompany' to 'A & C'");
        QTest::newRow("empty") << QByteArray("") << QStringLiteral("Could not set 'SVCurrentCompany' to ''");
    }
    void refusesImportsForCompaniesItDoesNotHold()
    {
        QFETCH(QByteArray, company);
        QFETCH(QString, error);
        start({{QStringLiteral("A & B")}, QStringLiteral("A & B")});
        const QByteArray reply = post(importRequest(company, unitMessage("Nos")));
        // The error line comes before the counters, as Tally writes it.
        QCOMPARE(responseChildren(reply), QStringList{QStringLiteral("LINEERROR=") + error} + counters(0, 0, 1));
        QVERIFY2(reply.contains(error.toUtf8().replace("&", "&amp;")), reply.constData());
    }

    // A voucher is created under a REMOTEID its company has not seen and altered under one it has; without a
    // REMOTEID it is new each time. It may name the company's own ledgers and stock items, those it was sent and
    // Tally's own, in any letter case.
    void learnsVouchersByRemoteId()
    {
        start({{QStringLiteral("Demo"), QStringLiteral("Other")},
               QStringLiteral("Demo"),
               {QStringLiteral("Sales")},
               {QStringLiteral("Widget")}});
        const QByteArray lines = ledgerLine("CASH") + ledgerLine("Profit &amp; Loss A/c") + itemLine("widget", "Sales");
        QCOMPARE(responseChildren(post(importRequest("Demo", voucherMessage("S-1", "Sales", lines)))),
                 counters(1, 0, 0, 101));
        QCOMPARE(responseChildren(post(importRequest("Demo", voucherMessage("S-1", "Sales", lines)))),
                 counters(0, 1, 0, 101));
        QCOMPARE(responseChildren(post(importRequest("Other", voucherMessage("S-1", "sales", lines)))),
                 counters(1, 0, 0, 101));
        QCOMPARE(responseChildren(post(importRequest({}, voucherMessage({}, "Receipt", ledgerLine("Cash"))))),
                 counters(1, 0, 0, 102));
        QCOMPARE(responseChildren(post(importRequest({}, voucherMessage({}, "Receipt", ledgerLine("Cash"))))),
                 counters(1, 0, 0, 103));

        const QByteArray rent = "<TALLYMESSAGE><LEDGER NAME=\"Rent\"><PARENT>Indirect Expenses</PARENT></LEDGER>"
                                "</TALLYMESSAGE>";
        QCOMPARE(responseChildren(post(importRequest({}, rent))), counters(1, 0, 0, 0, 104));
        QCOMPARE(responseChildren(post(importRequest({}, voucherMessage("P-1", "Payment", ledgerLine("Rent"))))),
                 counters(1, 0, 0, 105));
    }

    // A voucher naming a voucher type, ledger or stock item its company does not hold is refused and not kept.
    void refusesVouchersWithUnknownNames_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QString>("error");
        QTest::newRow("ledger") << voucherMessage("V-1", "Sales", ledgerLine("Cash") + ledgerLine("Nowhere"))
                                << QStringLiteral("Ledger 'Nowhere' does not exist!");
        QTest::newRow("party ledger") << voucherMessage("V-1", "Sales",
                                                        "<PARTYLEDGERNAME>Mehta &amp; Co</PARTYLEDGERNAME>" +
                                                            ledgerLine("Cash"))
                                      << QStringLiteral("Ledger 'Mehta & Co' does not exist!");
        QTest::newRow("stock item") << voucherMessage("V-1", "Sales", itemLine("Gadget", "Cash"))
                                    << QStringLiteral("Stock Item 'Gadget' does not exist!");
        QTest::newRow("allocation ledger") << voucherMessage("V-1", "Sales", itemLine("Widget", "Export Sales"))
                                           << QStringLiteral("Ledger 'Export Sales' does not exist!");
        QTest::newRow("voucher type") << voucherMessage("V-1", "Gift", ledgerLine("Nowhere"))
                                      << QStringLiteral("Voucher Type 'Gift' does not exist!");
        QTest::newRow("type in the attribute only")
            << QByteArray("<TALLYMESSAGE><VOUCHER REMOTEID=\"V-1\" VCHTYPE=\"Gift\"/></TALLYMESSAGE>")
            << QStringLiteral("Voucher Type 'Gift' does not exist!");
    }
    void refusesVouchersWithUnknownNames()
    {
        QFETCH(QByteArray, message);
        QFETCH(QString, error);
        start({{QStringLiteral("Demo")}, QStringLiteral("Demo"), {}, {QStringLiteral("Widget")}});
        QCOMPARE(responseChildren(post(importRequest("Demo", message))),
                 QStringList{QStringLiteral("LINEERROR=") + error} + counters(0, 0, 1));
        // The refused voucher was not kept: under its REMOTEID a sound voucher is new.
        QCOMPARE(responseChildren(post(importRequest("Demo", voucherMessage("V-1", "Sales", ledgerLine("Cash"))))),
                 counters(1, 0, 0, 101));
    }

    void refusesMastersOfUnknownType()
    {
        start({{QStringLiteral("Demo")}, QStringLiteral("Demo")});
        const QByteArray unknown = "<TALLYMESSAGE><WIDGET NAME=\"Gear\" ACTION=\"Create\"><NAME>Gear</NAME></WIDGET>"
                                   "</TALLYMESSAGE>";
        QCOMPARE(responseChildren(post(importRequest({}, unknown))),
                 QStringList{QStringLiteral("LINEERROR=Unknown Object Type 'WIDGET'")} + counters(0, 0, 1));
        // Nothing of that type was kept: the same request is refused again rather than altered.
        QCOMPARE(responseChildren(post(importRequest({}, unknown))),
                 QStringList{QStringLiteral("LINEERROR=Unknown Object Type 'WIDGET'")} + counters(0, 0, 1));
    }

    // Told to refuse the TallyPrime way, the server counts a master it cannot take as an exception, not an error;
    // the error line still comes first. A company it does not hold stays an error.
    void refusesWithExceptionsOnDemand()
    {
        Config config{{QStringLiteral("Demo")}, QStringLiteral("Demo")};
        config.refuseWithExceptions = true;
        start(config);
        const QByteArray unknown = "<TALLYMESSAGE><WIDGET NAME=\"Gear\" ACTION=\"Create\"><NAME>Gear</NAME></WIDGET>"
                                   "</TALLYMESSAGE>";
        QCOMPARE(responseChildren(post(importRequest({}, unknown))),
                 QStringList{QStringLiteral("LINEERROR=Unknown Object Type 'WIDGET'")} + counters(0, 0, 0, 0, 0, 1));
        QCOMPARE(responseChildren(post(importRequest("Elsewhere", unitMessage("Nos")))),
                 QStringList{QStringLiteral("LINEERROR=Could not set 'SVCurrentCompany' to 'Elsewhere'")} +
                     counters(0, 0, 1));
    }

    // A failure can be kept to the imports, so that the queries before them get their answers.
    void failsImportsOnlyOnDemand()
    {
        Config config{{QStringLiteral("Demo")}, QStringLiteral("Demo")};
        config.mode = Mode::HttpError;
        config.failImportsOnly = true;
        start(config);
        QVERIFY(exchange(HttpExchange::post(QByteArray())).body.contains("Server is Running"));
        const HttpExchange::Reply reply = exchange(HttpExchange::post(importRequest({}, unitMessage("Nos"))));
        QCOMPARE(reply.status, 500);
        QCOMPARE(reply.body, QByteArray("Internal Server Error"));
    }

    void acceptsWhatXmlAllows_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("unit");
        QTest::newRow("character references")
            << importRequest({}, unitMessage("A&#38;B&#x26;C")) << QStringLiteral("A&B&C");
        QTest::newRow("CDATA and comment")
            << importRequest({},
                             "<!-- R & D --><TALLYMESSAGE><UNIT><NAME><![CDATA[R & D]]></NAME></UNIT></TALLYMESSAGE>")
            << QStringLiteral("R & D");
        const QString utf16Text = QString::fromUtf8(importRequest({}, unitMessage("&quot;Kg&quot; \xc3\xa4")));
        QTest::newRow("UTF-16 with byte-order mark")
            << QByteArray("\xff\xfe") +
                   QByteArray(reinterpret_cast<const char *>(utf16Text.utf16()), utf16Text.size() * 2)
            << QStringLiteral("\"Kg\" \u00e4");
    }
    void acceptsWhatXmlAllows()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, unit);
        start({{}, QStringLiteral("Demo")});
        QCOMPARE(responseChildren(post(body)), counters(1, 0, 0, 0, 101));
        QCOMPARE(elementTexts(post(currentCompanyRequest()), "//UNIT/NAME"), QStringList{unit});
    }

    void answersUnknownRequests_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("ill-formed") << QByteArray("<ENVELOPE><HEADER>");
        QTest::newRow("not XML") << QByteArray("hello, Tally");
        QTest::newRow("company pasted with a bare ampersand") << importRequest("A & B", unitMessage("Nos"));
        QTest::newRow("entity of HTML") << importRequest({}, unitMessage("A&nbsp;B"));
        QTest::newRow("other root") << QByteArray("<RESPONSE>1</RESPONSE>");
        QTest::newRow("unknown request kind")
            << QByteArray("<ENVELOPE><HEADER><TALLYREQUEST>Delete Everything</TALLYREQUEST></HEADER></ENVELOPE>");
        QTest::newRow("import without data")
            << QByteArray("<ENVELOPE><HEADER><TALLYREQUEST>Import Data</TALLYREQUEST></HEADER></ENVELOPE>");
    }
    void answersUnknownRequests()
    {
        QFETCH(QByteArray, body);
        start({{QStringLiteral("A & B")}, QStringLiteral("A & B")});
        const HttpExchange::Reply reply = exchange(HttpExchange::post(body));
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.body, QByteArray("<RESPONSE>Unknown Request, cannot be processed</RESPONSE>"));
    }

    void failsOnDemand()
    {
        Config config;
        config.currentCompany = QStringLiteral("Demo");
        config.mode = Mode::HttpError;
        config.errorStatus = 503;
        config.errorBody = "Service down for <maintenance>";
        Simulator &simulator = start(config);

        HttpExchange::Reply reply = exchange(HttpExchange::get());
        QCOMPARE(reply.status, 503);
        QCOMPARE(reply.body, config.errorBody);

        simulator.setMode(Mode::Garbage);
        reply = exchange(HttpExchange::post(importRequest({}, unitMessage("Nos"))));
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.body, tallysim::defaultGarbageBody());
        pugi::xml_document document;
        QVERIFY(!document.load_buffer(reply.body.constData(), static_cast<size_t>(reply.body.size())));

        simulator.setMode(Mode::Slow, 300);
        QElapsedTimer timer;
        timer.start();
        reply = exchange(HttpExchange::post({}));
        QVERIFY(timer.elapsed() >= 300);
        QCOMPARE(reply.body, QByteArray(tallysim::runningReply));

        // Failures import nothing: the master is still new afterwards.
        simulator.setMode(Mode::Normal);
        QCOMPARE(responseChildren(post(importRequest({}, unitMessage("Nos")))), counters(1, 0, 0, 0, 101));
    }

    void silentServerReadsButNeverAnswers()
    {
        Simulator &simulator = start();
        simulator.setMode(Mode::Silent);
        HttpExchange client;
        QVERIFY(client.connectTo(simulator.port()));
        client.send(HttpExchange::post("<ENVELOPE/>"));
        QVERIFY(!client.read(400));
        QVERIFY(client.isConnected());
        QCOMPARE(simulator.requests().size(), 1);
        QCOMPARE(simulator.requests().first().body, QByteArray("<ENVELOPE/>"));
    }

    void keepsConnectionsAlive()
    {
        start({{QStringLiteral("Demo")}, QStringLiteral("Demo")});
        HttpExchange client;
        QVERIFY(client.connectTo(m_simulator->port()));
        client.send(HttpExchange::get());
        QCOMPARE(client.read()->body, QByteArray(tallysim::runningReply));
        client.send(HttpExchange::post(companyListRequest()));
        QVERIFY(client.read()->body.contains("<COMPANYNAME>Demo</COMPANYNAME>"));
        QVERIFY(client.isConnected());

        // Pipelined requests are answered in order; "Connection: close" ends the connection after its answer.
        m_simulator->setMode(Mode::Slow, 50);
        client.send(HttpExchange::post(importRequest({}, unitMessage("Nos"))) + HttpExchange::get() +
                    HttpExchange::post(importRequest({}, unitMessage("Nos")), {{"Connection", "close"}}));
        QCOMPARE(responseChildren(client.read()->body), counters(1, 0, 0, 0, 101));
        QCOMPARE(client.read()->body, QByteArray(tallysim::runningReply));
        const auto last = client.read();
        QVERIFY(last);
        QCOMPARE(last->header("Connection"), QByteArray("close"));
        QCOMPARE(responseChildren(last->body), counters(0, 1, 0, 0, 101));
        QVERIFY(client.waitClosed());
    }

    void recordsEveryRequest()
    {
        Simulator &simulator = start();
        QSignalSpy received(&simulator, &Simulator::requestReceived);
        const QByteArray body("<ENVELOPE>\r\n\xc3\xa4</ENVELOPE>\r\n");
        exchange(HttpExchange::post(body, {{"X-Trace", "one"}, {"connection", "close"}}));
        exchange(HttpExchange::get());

        const QList<tallysim::RecordedRequest> requests = simulator.requests();
        QCOMPARE(requests.size(), 2);
        const tallysim::RecordedRequest &first = requests.first();
        QCOMPARE(first.method, QByteArray("POST"));
        QCOMPARE(first.target, QByteArray("/"));
        const QList<QPair<QByteArray, QByteArray>> headers{{"Host", "127.0.0.1"},
                                                           {"Content-Type", "text/xml"},
                                                           {"X-Trace", "one"},
                                                           {"connection", "close"},
                                                           {"Content-Length", QByteArray::number(body.size())}};
        QCOMPARE(first.headers, headers);
        QCOMPARE(first.header("CONNECTION"), QByteArray("close"));
        QCOMPARE(first.header("Accept"), QByteArray());
        QCOMPARE(first.body, body);
        QCOMPARE(requests[1].method, QByteArray("GET"));
        QCOMPARE(received.size(), 2);
        QCOMPARE(received.first().first().value<tallysim::RecordedRequest>().body, body);

        simulator.clearRequests();
        QVERIFY(simulator.requests().isEmpty());
    }

    void refusesMalformedInputAndKeepsServing()
    {
        Simulator &simulator = start();
        HttpExchange client;
        QVERIFY(client.connectTo(simulator.port()));
        client.send("BREW /pot HTCPCP/1.0\r\n\r\n");
        const auto reply = client.read();
        QVERIFY(reply);
        QCOMPARE(reply->status, 400);
        QCOMPARE(reply->header("Connection"), QByteArray("close"));
        QVERIFY(client.waitClosed());

        // A client that sends an endless head is cut off as well.
        HttpExchange flood;
        QVERIFY(flood.connectTo(simulator.port()));
        flood.send("GET / HTTP/1.1\r\nX-Long: " + QByteArray(100 * 1024, 'x'));
        QCOMPARE(flood.read()->status, 431);

        QVERIFY(simulator.requests().isEmpty());
        QCOMPARE(exchange(HttpExchange::get()).status, 200);
    }

    void stopTakesTheServerDown()
    {
        Simulator &simulator = start();
        simulator.setMode(Mode::Silent);
        HttpExchange waiting;
        QVERIFY(waiting.connectTo(simulator.port()));
        waiting.send(HttpExchange::get());
        QTRY_COMPARE(simulator.requests().size(), 1);

        simulator.stop();
        QVERIFY(!simulator.isListening());
        QVERIFY(waiting.waitClosed());
        HttpExchange late;
        QVERIFY(!late.connectTo(simulator.port(), 1000));
    }
};

QTEST_GUILESS_MAIN(TestSimulator)
#include "testsimulator.moc"
