#include "support/golden.h"
#include "support/reportederrors.h"
#include "support/scriptedprompter.h"
#include "support/simulatedserver.h"
#include "support/testbed.h"
#include "support/testenvironment.h"
#include "tally/envelope.h"
#include "tally/httpclient.h"
#include "tally/tallyconstants.h"
#include "tally/transport.h"
#include "tally/xmldocument.h"
#include "tallysim/tallyresponder.h"

#include "errors/errortrap.h"
#include "platform/settings.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <memory>

using namespace tally;
using testsupport::reportedError;
using testsupport::reportedErrors;
using testsupport::SimulatedServer;

namespace {

const QString company = QStringLiteral("Jack's & Sons <Traders> \"Pvt\"");

QByteArray golden(const char *name)
{
    return testsupport::goldenBytes(QStringLiteral("tally/") + QLatin1String(name));
}

// A ledger as a master builder puts it together: the envelope, one message, its children.
QString ledgerRequest()
{
    auto document = CreateImportEnvelope(company);
    pugi::xml_document *doc = document.get();
    const pugi::xml_node requestData = elementsNamed(*doc, QStringLiteral("REQUESTDATA")).front();
    const pugi::xml_node message = AddXmlElement(doc, requestData, QStringLiteral("TALLYMESSAGE"), {});
    AddXmlAttribute(doc, message, QStringLiteral("xmlns:UDF"), QStringLiteral("TallyUDF"));
    const pugi::xml_node ledger = AddXmlElement(doc, message, QStringLiteral("LEDGER"), {});
    AddXmlAttribute(doc, ledger, QStringLiteral("NAME"), QStringLiteral("Cash & Bank"));
    AddXmlAttribute(doc, ledger, QStringLiteral("ACTION"), QStringLiteral("Create"));
    const pugi::xml_node names = AddXmlElement(doc, ledger, QStringLiteral("NAME.LIST"), {});
    AddXmlElement(doc, names, QStringLiteral("NAME"), QStringLiteral("Cash & Bank"));
    AddXmlElementIfValue(doc, ledger, QStringLiteral("PARENT"), QStringLiteral("Bank Accounts"));
    AddXmlElementIfValue(doc, ledger, QStringLiteral("ALIAS"), {});
    AddXmlElement(doc, ledger, QStringLiteral("OPENINGBALANCE"), {});
    return DocumentXml(*doc);
}

tallysim::Config serverConfig()
{
    tallysim::Config config;
    config.companies = QStringList{company};
    return config;
}

void writeSettings(const QString &address, const QString &port)
{
    platform::writeConfig(QString::fromLatin1(platform::settingServerAddress), address);
    platform::writeConfig(QString::fromLatin1(platform::settingPortNo), port);
}

} // namespace

class TestTransport final : public testsupport::TestBed<>
{
    Q_OBJECT

private slots:
    void init() { startBed(); }
    void cleanup()
    {
        setHttpTimeouts(HttpTimeouts{});
        stopBed();
    }

    void serverUrl_data()
    {
        QTest::addColumn<QStringList>("settings"); // address and port, when written
        QTest::addColumn<QString>("url");
        QTest::newRow("address and port")
            << QStringList{QStringLiteral("192.168.1.20"), QStringLiteral("9000")} << "http://192.168.1.20:9000";
        QTest::newRow("never written") << QStringList() << "http://:";
        QTest::newRow("written empty") << QStringList{QString(), QString()} << "http://:";
        QTest::newRow("used unchanged") << QStringList{QStringLiteral(" tally.local"), QStringLiteral("90 00")}
                                        << "http:// tally.local:90 00";
    }
    void serverUrl()
    {
        QFETCH(QStringList, settings);
        QFETCH(QString, url);
        if (!settings.isEmpty())
            writeSettings(settings.at(0), settings.at(1));
        QCOMPARE(TallyServerUrl(), url);
    }

    void postsTheIndentedRequest()
    {
        SimulatedServer server(serverConfig());
        server.configureSettings();

        QCOMPARE(SendTallyRequest(ledgerRequest()).summary, QStringLiteral("CREATED"));
        // Handed an already indented text, the transport sends it as it is.
        QCOMPARE(SendTallyRequest(QString::fromUtf8(golden("ledger-request.xml"))).summary, QStringLiteral("ALTERED"));
        QVERIFY(m_prompter->boxes().isEmpty());

        const auto requests = server.requests();
        QCOMPARE(requests.size(), 2);
        for (const tallysim::RecordedRequest &request : requests) {
            QCOMPARE(request.method, QByteArrayLiteral("POST"));
            QCOMPARE(request.target, QByteArrayLiteral("/"));
            QCOMPARE(request.headers,
                     (QList<QPair<QByteArray, QByteArray>>{
                         {"Host", "127.0.0.1:" + QByteArray::number(server.port())},
                         {"Content-Type", "text/xml;charset=UTF-8"},
                         {"Content-Length", QByteArray::number(golden("ledger-request.xml").size())}}));
            testsupport::compareWithGolden(request.body, QStringLiteral("tally/ledger-request.xml"));
        }

        // The company's name reaches the server escaped and reads back unchanged.
        pugi::xml_document received;
        QVERIFY(loadXml(received, QString::fromUtf8(requests.first().body)));
        QCOMPARE(textContent(elementsNamed(received, QStringLiteral("SVCURRENTCOMPANY")).front()), company);
    }

    // A request built in memory goes out byte for byte as its text would: white-space text dropped, CR made LF,
    // a declaration left out, escapes as the XML library writes them.
    void sendsABuiltDocumentAsItsText()
    {
        SimulatedServer server(serverConfig());
        server.configureSettings();

        pugi::xml_document document;
        QVERIFY(loadXml(document, ledgerRequest()));
        document.prepend_child(pugi::node_declaration).append_attribute("version").set_value("1.0");
        pugi::xml_node ledger = elementsNamed(document, QStringLiteral("LEDGER")).front();
        ledger.append_attribute("NOTE").set_value("tab\tline\ncr\r<&>\"'");
        ledger.append_child("BLANK").text().set(" \t\r\n");
        ledger.append_child("LINES").text().set("a\r\nb\rc <&>\"'");
        ledger.append_child("MIXED").append_child(pugi::node_pcdata).set_value("x");
        ledger.child("MIXED").append_child("INNER").text().set("y");
        ledger.child("MIXED").append_child(pugi::node_pcdata).set_value("  ");
        pugi::xml_document copy;
        copy.reset(document);

        QCOMPARE(SendTallyRequest(DocumentXml(copy)).summary, QStringLiteral("CREATED"));
        QCOMPARE(SendTallyDocument(document).summary, QStringLiteral("ALTERED"));
        QVERIFY(m_prompter->boxes().isEmpty());
        const auto requests = server.requests();
        QCOMPARE(requests.size(), 2);
        QCOMPARE(requests.at(1).body, requests.at(0).body);

        // A document that is not one well-formed request is refused as its text is.
        pugi::xml_document twoRoots;
        twoRoots.append_child("A");
        twoRoots.append_child("B");
        QCOMPARE(SendTallyDocument(twoRoots).delivery, Delivery::NotSent);
        QCOMPARE(reportedErrors(*m_prompter),
                 QStringList{reportedError(locationSendTallyRequest, errors::ErrNo::InvalidProcedureCall)});
        QCOMPARE(server.requests().size(), 2);
    }

    // The settings are read for every request: pointed elsewhere, the very next import goes there, not down the
    // connection kept open to the server before.
    void followsASettingsChangeAtOnce()
    {
        SimulatedServer first(serverConfig());
        SimulatedServer second(serverConfig());
        first.configureSettings();
        QCOMPARE(SendTallyRequest(ledgerRequest()).summary, QStringLiteral("CREATED"));
        second.configureSettings();
        QCOMPARE(SendTallyRequest(ledgerRequest()).summary, QStringLiteral("CREATED"));
        first.configureSettings();
        QCOMPARE(SendTallyRequest(ledgerRequest()).summary, QStringLiteral("ALTERED"));
        QCOMPARE(first.requests().size(), 2);
        QCOMPARE(second.requests().size(), 1);
        QVERIFY(m_prompter->boxes().isEmpty());
    }

    // Inside a run every request goes to the server the run started with, whatever the settings say meanwhile.
    void aRunKeepsItsServer()
    {
        SimulatedServer first(serverConfig());
        SimulatedServer second(serverConfig());
        first.configureSettings();
        {
            const RunServer run;
            second.configureSettings();
            QCOMPARE(SendTallyRequest(ledgerRequest()).summary, QStringLiteral("CREATED"));
            const RunServer nested(platform::ServerSettings{QStringLiteral("127.0.0.1"), QStringLiteral("1")});
            QCOMPARE(SendTallyRequest(ledgerRequest()).summary, QStringLiteral("ALTERED"));
        }
        QCOMPARE(SendTallyRequest(ledgerRequest()).summary, QStringLiteral("CREATED"));
        QCOMPARE(first.requests().size(), 2);
        QCOMPARE(second.requests().size(), 1);
        QVERIFY(m_prompter->boxes().isEmpty());
    }

    // What comes back, or does not: a Tally reply that counts something is summarised, a refusal included; an HTTP
    // error status, a body that is no Tally reply and a Tally reply that imported nothing are failed posts, and no
    // answer at all is one too; each failure is reported once and says in its summary what happened. A time-out
    // comes after the request was written, so its row says the post may have been imported.
    void replies_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<int>("delivery");
        QTest::addColumn<qint32>("number");
        QTest::addColumn<bool>("reachesServer");
        const int answered = int(Delivery::Answered);
        const int failed = int(Delivery::Failed);
        const int noAnswer = int(Delivery::NoAnswer);
        const qint32 invalid = HttpInvalidServerResponse;
        QTest::newRow("slow") << "slow" << 0 << QByteArray() << "CREATED" << answered << 0 << true;
        const QString nothing = QStringLiteral("ERROR: Tally imported nothing; ");
        QTest::newRow("unknown request") << "status" << 200 << QByteArray(tallysim::unknownRequestReply)
                                         << nothing +
                                                QStringLiteral("it answered \"Unknown Request, cannot be processed\"")
                                         << failed << invalid << true;
        const QString zeroCounts =
            nothing + QStringLiteral("its reply counts nothing created, altered, combined or refused");
        QTest::newRow("every counter 0")
            << "status" << 200
            << QByteArray("<RESPONSE><CREATED>0</CREATED><ALTERED>0</ALTERED><DELETED>0</DELETED><LASTVCHID>1"
                          "</LASTVCHID><COMBINED>0</COMBINED><IGNORED>0</IGNORED><ERRORS>0</ERRORS>"
                          "<EXCEPTIONS>0</EXCEPTIONS></RESPONSE>")
            << zeroCounts << failed << invalid << true;
        QTest::newRow("counters of no number")
            << "status" << 200 << QByteArray("<RESPONSE><CREATED>yes</CREATED></RESPONSE>") << zeroCounts << failed
            << invalid << true;
        QTest::newRow("empty RESPONSE") << "status" << 200 << QByteArray("<RESPONSE></RESPONSE>")
                                        << nothing + QStringLiteral("it answered \"<RESPONSE></RESPONSE>\"") << failed
                                        << invalid << true;
        QTest::newRow("an error line without counters")
            << "status" << 200 << QByteArray("<RESPONSE><LINEERROR>Could not set company</LINEERROR></RESPONSE>")
            << nothing + QStringLiteral("it answered \"Could not set companyCould not set company -\"") << failed
            << invalid << true;
        QTest::newRow("a refusal counts") << "status" << 200
                                          << QByteArray("<RESPONSE><CREATED>0</CREATED><ERRORS>1</ERRORS>"
                                                        "<LINEERROR>Bad</LINEERROR></RESPONSE>")
                                          << "ERRORSBad - " << answered << 0 << true;
        QTest::newRow("an exception counts")
            << "status" << 200 << QByteArray("<RESPONSE><CREATED>0</CREATED><EXCEPTIONS>1</EXCEPTIONS></RESPONSE>")
            << "EXCEPTIONS" << answered << 0 << true;
        QTest::newRow("combined counts") << "status" << 200
                                         << QByteArray(
                                                "<RESPONSE><CREATED>0</CREATED><COMBINED>1</COMBINED></RESPONSE>")
                                         << "COMBINED" << answered << 0 << true;
        QTest::newRow("HTTP 500") << "status" << 500 << QByteArray("Internal Server Error")
                                  << "ERROR: HTTP status 500 from the server, no Tally reply" << failed << invalid
                                  << true;
        QTest::newRow("HTTP 404 with a Tally body")
            << "status" << 404 << QByteArray("<RESPONSE><CREATED>1</CREATED></RESPONSE>")
            << "ERROR: HTTP status 404 from the server, no Tally reply" << failed << invalid << true;
        QTest::newRow("a web page") << "status" << 200 << QByteArray("<html><body>Router login</body></html>")
                                    << "ERROR: no Tally reply from the server" << failed << invalid << true;
        QTest::newRow("empty body") << "status" << 200 << QByteArray() << "ERROR: no Tally reply from the server"
                                    << failed << invalid << true;
        QTest::newRow("garbage") << "garbage" << 0 << QByteArray() << "ERROR: no Tally reply from the server" << failed
                                 << invalid << true;
        QTest::newRow("server down")
            << "down" << 0 << QByteArray()
            << "ERROR: no answer from Tally (A connection with the server could not be established)" << noAnswer
            << errors::ErrNo::HttpCannotConnect << false;
        QTest::newRow("time-out") << "silent" << 0 << QByteArray()
                                  << "ERROR: no answer from Tally (The operation timed out); it may have been imported "
                                     "all the same, and posting it again is safe (it alters)"
                                  << noAnswer << errors::ErrNo::HttpTimeout << true;
        QTest::newRow("no settings") << "no settings" << 0 << QByteArray()
                                     << "ERROR: no answer from Tally (The URL is invalid)" << noAnswer
                                     << errors::ErrNo::HttpInvalidUrl << false;
        QTest::newRow("port not a number")
            << "bad port" << 0 << QByteArray() << "ERROR: no answer from Tally (The URL is invalid)" << noAnswer
            << errors::ErrNo::HttpInvalidUrl << false;
        QTest::newRow("request not XML") << "bad request" << 0 << QByteArray() << "" << int(Delivery::NotSent)
                                         << errors::ErrNo::InvalidProcedureCall << false;
    }
    void replies()
    {
        QFETCH(QString, failure);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, summary);
        QFETCH(int, delivery);
        QFETCH(qint32, number);
        QFETCH(bool, reachesServer);

        tallysim::Config config = serverConfig();
        if (failure == QLatin1String("status")) {
            config.mode = tallysim::Mode::HttpError;
            config.errorStatus = status;
            config.errorBody = body;
        }
        SimulatedServer server(config);
        server.configureSettings();
        QString request = ledgerRequest();
        if (failure == QLatin1String("slow")) {
            server.setMode(tallysim::Mode::Slow, 200);
        } else if (failure == QLatin1String("garbage")) {
            server.setMode(tallysim::Mode::Garbage);
        } else if (failure == QLatin1String("down")) {
            server.stop();
        } else if (failure == QLatin1String("silent")) {
            server.setMode(tallysim::Mode::Silent);
            setHttpTimeouts(HttpTimeouts{300, 300});
        } else if (failure == QLatin1String("no settings")) {
            writeSettings(QString(), QString());
        } else if (failure == QLatin1String("bad port")) {
            writeSettings(QStringLiteral("127.0.0.1"), QStringLiteral("port"));
        } else if (failure == QLatin1String("bad request")) {
            request.chop(3); // an unclosed end tag
        }

        QElapsedTimer clock;
        clock.start();
        const TallyReply reply = SendTallyRequest(request);
        QVERIFY2(clock.elapsed() < 5000, "a failed request must not hold the program up");
        QCOMPARE(reply.summary, summary);
        QCOMPARE(int(reply.delivery), delivery);
        QCOMPARE(reportedErrors(*m_prompter),
                 number == 0 ? QStringList() : QStringList{reportedError(locationSendTallyRequest, number)});
        QCOMPARE(server.requests().size(), reachesServer ? 1 : 0);
    }
};

QTEST_GUILESS_MAIN(TestTransport)
#include "testtransport.moc"
