#include "platform/settings.h"
#include "support/simulatedserver.h"
#include "support/testenvironment.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

using testsupport::SimulatedServer;

namespace {

// Blocks the test thread in the client's own way: the server must answer from its own thread.
QByteArray blockingExchange(quint16 port, const QByteArray &request)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!socket.waitForConnected(5000))
        return {};
    socket.write(request);
    QByteArray reply;
    while (socket.waitForReadyRead(2000))
        reply += socket.readAll();
    return reply;
}

} // namespace

class TestSimulatedServer final : public QObject
{
    Q_OBJECT

private slots:
    void servesFromItsOwnThread()
    {
        SimulatedServer server({{QStringLiteral("A & B")}, QStringLiteral("A & B")});
        QVERIFY(server.port() != 0);
        QCOMPARE(server.url(), QStringLiteral("http://127.0.0.1:") + QString::number(server.port()));

        const QByteArray reply = blockingExchange(server.port(), "GET / HTTP/1.1\r\nConnection: close\r\n\r\n");
        QVERIFY2(reply.endsWith("<RESPONSE>TallyPrime Server is Running</RESPONSE>"), reply.constData());
        QCOMPARE(server.requests().size(), 1);
        server.clearRequests();
        QVERIFY(server.requests().isEmpty());

        server.setMode(tallysim::Mode::Silent);
        QVERIFY(blockingExchange(server.port(), "GET / HTTP/1.1\r\n\r\n").isEmpty());
        QCOMPARE(server.requests().size(), 1);

        server.stop();
        QTcpSocket late;
        late.connectToHost(QStringLiteral("127.0.0.1"), server.port());
        QVERIFY(!late.waitForConnected(2000));
    }

    void answersQtsHttpClient()
    {
        SimulatedServer server({{QStringLiteral("Demo")}, QStringLiteral("Demo")});
        QNetworkAccessManager manager;
        QStringList replies;
        for (int i = 0; i < 3; ++i) {
            QNetworkRequest request(QUrl(server.url()));
            request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("text/xml"));
            std::unique_ptr<QNetworkReply> reply(manager.post(request, QByteArray()));
            QSignalSpy finished(reply.get(), &QNetworkReply::finished);
            QVERIFY(finished.wait(5000));
            QCOMPARE(reply->error(), QNetworkReply::NoError);
            QCOMPARE(reply->header(QNetworkRequest::ContentTypeHeader).toString(),
                     QStringLiteral("text/xml; charset=utf-8"));
            replies.append(QString::fromUtf8(reply->readAll()));
        }
        QCOMPARE(replies, QStringList(3, QStringLiteral("<RESPONSE>TallyPrime Server is Running</RESPONSE>")));
        QCOMPARE(server.requests().size(), 3);
    }

    void pointsTheSettingsAtItself()
    {
        testsupport::TestEnvironment environment;
        SimulatedServer server;
        server.configureSettings();
        QCOMPARE(platform::readConfig(QStringLiteral("ServerAddress")), QStringLiteral("127.0.0.1"));
        QCOMPARE(platform::readConfig(QStringLiteral("PortNo")), QString::number(server.port()));
    }
};

QTEST_GUILESS_MAIN(TestSimulatedServer)
#include "testsimulatedserver.moc"
