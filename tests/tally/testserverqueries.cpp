#include "support/golden.h"
#include "support/simulatedserver.h"
#include "support/testbed.h"
#include "tally/httpclient.h"
#include "tally/serverqueries.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <memory>

using namespace tally;
using testsupport::SimulatedServer;

namespace {

QByteArray golden(const char *name)
{
    return testsupport::goldenBytes(QStringLiteral("tally/") + QLatin1String(name));
}

using Headers = QList<QPair<QByteArray, QByteArray>>;

enum Query
{
    Version,
    CurrentCompany,
    CompanyList
};

} // namespace

class TestServerQueries final : public testsupport::TestBed<>
{
    Q_OBJECT

private slots:
    void init() { startBed(); }
    void cleanup()
    {
        setHttpTimeouts(HttpTimeouts{});
        stopBed();
    }

    void exportRequests_data()
    {
        QTest::addColumn<int>("query");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("version") << int(Version) << QByteArray();
        QTest::newRow("current company") << int(CurrentCompany) << golden("currentcompany-request.xml");
        QTest::newRow("company list") << int(CompanyList) << golden("companylist-request.xml");
    }
    void exportRequests()
    {
        QFETCH(int, query);
        QFETCH(QByteArray, body);
        SimulatedServer server;
        switch (query) {
        case Version:
            GetTallyVersion(server.url());
            break;
        case CurrentCompany:
            GetCurrentCompany(server.url());
            break;
        default:
            GetCompanyList(server.url());
        }
        const auto requests = server.requests();
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests.first().method, QByteArrayLiteral("POST"));
        QCOMPARE(requests.first().body, body);
        // The query's own two headers in their order, between the host and the length the client adds.
        const QByteArray host = "127.0.0.1:" + QByteArray::number(server.port());
        QCOMPARE(requests.first().headers, (Headers{{"Host", host},
                                                    {"Content-Type", "text/xml"},
                                                    {"Connection", "close"},
                                                    {"Content-Length", QByteArray::number(body.size())}}));
    }

    void probeIsAGet()
    {
        SimulatedServer server;
        QVERIFY(IsTallyRunning(server.url()));
        const auto requests = server.requests();
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests.first().method, QByteArrayLiteral("GET"));
        QCOMPARE(requests.first().body, QByteArray());
        QCOMPARE(requests.first().headers, (Headers{{"Host", "127.0.0.1:" + QByteArray::number(server.port())}}));
    }

    // Every query swallows its failures: the refresh turns the results into what the user sees.
    void serverStates_data()
    {
        QTest::addColumn<QStringList>("companies");
        QTest::addColumn<QString>("open");
        QTest::addColumn<QString>("state"); // a mode of the simulator, or "down"
        QTest::addColumn<QByteArray>("errorBody");
        QTest::addColumn<bool>("running");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("currentCompany");
        QTest::addColumn<QStringList>("companyList");

        const QStringList three{QStringLiteral("Alpha"), QStringLiteral("Beta & <Co>"), QStringLiteral("Gamma's")};
        const QString running = QStringLiteral("TallyPrime Server is Running");
        const QString noResponse = QStringLiteral("Tally ees 6.3 Server is Running.");
        const QStringList notAsked{QStringLiteral("No Company Found."), QString()};
        const QByteArray busy = "<RESPONSE>Server busy</RESPONSE>";
        const QByteArray wordOnly = "SVCURRENTCOMPANY is not available";

        QTest::newRow("three companies, one open")
            << three << three.at(1) << "normal" << QByteArray() << true << running << three.at(1)
            << QStringList{three.at(0), three.at(1), three.at(2), QString()};
        QTest::newRow("one company, none open")
            << QStringList{QStringLiteral("Alpha")} << QString() << "normal" << QByteArray() << true << running
            << QString() << QStringList{QStringLiteral("Alpha"), QString()};
        QTest::newRow("server down") << three << three.at(0) << "down" << QByteArray() << false << QString()
                                     << QString() << notAsked;
        QTest::newRow("time-out") << three << three.at(0) << "silent" << QByteArray() << false << QString() << QString()
                                  << notAsked;
        QTest::newRow("HTTP error") << three << three.at(0) << "error" << QByteArray("Internal Server Error") << true
                                    << noResponse << QString()
                                    << QStringList{QString(), QStringLiteral("Internal Server Error")};
        QTest::newRow("HTTP error with RESPONSE")
            << three << three.at(0) << "error" << busy << true << QStringLiteral("Server busy") << QString()
            << QStringList{QString(), QString::fromUtf8(busy)};
        QTest::newRow("the word without the element")
            << three << three.at(0) << "error" << wordOnly << true << noResponse << QString()
            << QStringList{QString(), QString::fromUtf8(wordOnly)};
        QTest::newRow("garbage") << three << three.at(0) << "garbage" << QByteArray() << true << noResponse << QString()
                                 << QStringList{QString(), QString::fromUtf8(tallysim::defaultGarbageBody())};
    }
    void serverStates()
    {
        QFETCH(QStringList, companies);
        QFETCH(QString, open);
        QFETCH(QString, state);
        QFETCH(QByteArray, errorBody);

        tallysim::Config config;
        config.companies = companies;
        config.currentCompany = open;
        config.errorBody = errorBody;
        SimulatedServer server(config);
        const QString url = server.url();
        if (state == QLatin1String("down")) {
            server.stop();
        } else if (state == QLatin1String("silent")) {
            server.setMode(tallysim::Mode::Silent);
            setHttpTimeouts(HttpTimeouts{200, 300});
        } else if (state == QLatin1String("error"))
            server.setMode(tallysim::Mode::HttpError);
        else if (state == QLatin1String("garbage"))
            server.setMode(tallysim::Mode::Garbage);

        QElapsedTimer clock;
        clock.start();
        QTEST(IsTallyRunning(url), "running");
        QTEST(GetTallyVersion(url), "version");
        QTEST(GetCurrentCompany(url), "currentCompany");
        QTEST(GetCompanyList(url), "companyList");
        QVERIFY(clock.elapsed() < 5000);
        QVERIFY(m_prompter->boxes().isEmpty());
    }

    void companyListWithoutCompanies()
    {
        SimulatedServer server;
        const QStringList list = GetCompanyList(server.url());
        QCOMPARE(list.size(), 2);
        QCOMPARE(list.at(0), QString());
        QVERIFY2(list.at(1).startsWith(QLatin1String("<ENVELOPE>")), qPrintable(list.at(1)));
    }

    void badUrl_data()
    {
        QTest::addColumn<QString>("url");
        QTest::newRow("no host or port") << "http://:";
        QTest::newRow("port not a number") << "http://127.0.0.1:port";
        QTest::newRow("not HTTP") << "ftp://127.0.0.1:21";
    }
    void badUrl()
    {
        QFETCH(QString, url);
        QVERIFY(!IsTallyRunning(url));
        QCOMPARE(GetTallyVersion(url), QString());
        QCOMPARE(GetCurrentCompany(url), QString());
        QCOMPARE(GetCompanyList(url), (QStringList{QStringLiteral("No Company Found."), QString()}));
        QVERIFY(m_prompter->boxes().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestServerQueries)
#include "testserverqueries.moc"
