#include "support/golden.h"
#include "support/reportederrors.h"
#include "support/scriptedprompter.h"
#include "support/simulatedserver.h"
#include "support/testenvironment.h"
#include "tally/envelope.h"
#include "tally/httpclient.h"
#include "tally/tallyconstants.h"
#include "tally/transport.h"

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

class TestTransport final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_env = std::make_unique<testsupport::TestEnvironment>();
        m_prompter = std::make_unique<testsupport::ScriptedPrompter>();
    }
    void cleanup()
    {
        setHttpTimeouts(HttpTimeouts{});
        m_prompter.reset();
        m_env.reset();
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

    void serverAnswersAreSummarised_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("summary");
        QTest::newRow("slow") << int(tallysim::Mode::Slow) << "CREATED";
        QTest::newRow("HTTP 500") << int(tallysim::Mode::HttpError) << "Internal Server Error";
        QTest::newRow("garbage") << int(tallysim::Mode::Garbage) << QString::fromUtf8(tallysim::defaultGarbageBody());
    }
    void serverAnswersAreSummarised()
    {
        QFETCH(int, mode);
        QFETCH(QString, summary);
        SimulatedServer server(serverConfig());
        server.configureSettings();
        server.setMode(tallysim::Mode(mode), 200);
        QCOMPARE(SendTallyRequest(ledgerRequest()).summary, summary);
        QCOMPARE(server.requests().size(), 1);
        QVERIFY(m_prompter->boxes().isEmpty());
    }

    void failuresAreReported_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<qint32>("number");
        QTest::addColumn<bool>("reachesServer");
        QTest::newRow("server down") << "down" << errors::ErrNo::HttpCannotConnect << false;
        QTest::newRow("time-out") << "silent" << errors::ErrNo::HttpTimeout << true;
        QTest::newRow("no settings") << "no settings" << errors::ErrNo::HttpInvalidUrl << false;
        QTest::newRow("port not a number") << "bad port" << errors::ErrNo::HttpInvalidUrl << false;
        QTest::newRow("request not XML") << "bad request" << errors::ErrNo::InvalidProcedureCall << false;
    }
    void failuresAreReported()
    {
        QFETCH(QString, failure);
        QFETCH(qint32, number);
        QFETCH(bool, reachesServer);

        SimulatedServer server(serverConfig());
        server.configureSettings();
        QString request = ledgerRequest();
        if (failure == QLatin1String("down")) {
            server.stop();
        } else if (failure == QLatin1String("silent")) {
            server.setMode(tallysim::Mode::Silent);
            setHttpTimeouts(HttpTimeouts{300, 300});
        } else if (failure == QLatin1String("no settings")) {
            writeSettings(QString(), QString());
        } else if (failure == QLatin1String("bad port")) {
            writeSettings(QStringLiteral("127.0.0.1"), QStringLiteral("port"));
        } else {
            request.chop(3); // an unclosed end tag
        }

        QElapsedTimer clock;
        clock.start();
        QCOMPARE(SendTallyRequest(request).summary, QString());
        QVERIFY2(clock.elapsed() < 5000, "a failed request must not hold the program up");
        QCOMPARE(reportedErrors(*m_prompter), QStringList{reportedError(locationSendTallyRequest, number)});
        QCOMPARE(server.requests().size(), reachesServer ? 1 : 0);
    }

private:
    std::unique_ptr<testsupport::TestEnvironment> m_env;
    std::unique_ptr<testsupport::ScriptedPrompter> m_prompter;
};

QTEST_GUILESS_MAIN(TestTransport)
#include "testtransport.moc"
