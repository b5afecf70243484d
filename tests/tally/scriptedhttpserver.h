#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSslConfiguration>
#include <QUrl>

#include <functional>

class QTcpServer;
class QTcpSocket;

namespace tallytest {

// An HTTP server on 127.0.0.1 that lives on the test's own thread and does, for each request, what the test
// tells it: answer, answer later, close, or nothing. It runs while the client waits in its event loop, so a
// test can also act on a connection between two requests without any event being processed.
class ScriptedHttpServer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ScriptedHttpServer)

public:
    struct Request
    {
        int connection = 0; // the index of the connection it came on, in the order they were accepted
        QByteArray head;    // request line and headers, up to and including the blank line
        QByteArray body;
    };
    // Called for every complete request with the server-side socket it arrived on.
    using Handler = std::function<void(QTcpSocket &socket, const Request &request)>;

    // Without a handler every request is answered with answerOk().
    explicit ScriptedHttpServer(Handler handler = {}, QObject *parent = nullptr);
    // Speaks HTTPS with the certificate and key of `tls`.
    ScriptedHttpServer(const QSslConfiguration &tls, Handler handler);
    ~ScriptedHttpServer() override;

    void setHandler(Handler handler) { m_handler = std::move(handler); }
    quint16 port() const;
    QUrl url(const QString &path = QStringLiteral("/")) const;

    const QList<Request> &requests() const { return m_requests; }
    int connectionCount() const { return int(m_connections.size()); }
    // Whether the client still holds connection i open, as far as this server has seen.
    bool isOpen(int connection) const;
    // Sends what is pending on connection i and closes it at once, without running the event loop: to the
    // client the close has arrived but is not yet seen.
    void closeNow(int connection);

    // An answer with a Content-Length body.
    static QByteArray reply(int status, const QByteArray &body, const QByteArray &extraHeaders = {});
    static Handler answerOk(const QByteArray &body = "<RESPONSE>1</RESPONSE>");

private:
    struct Connection;
    void listen();
    void accept();
    void readFrom(Connection &connection);

    QTcpServer *m_server;
    bool m_secure = false;
    Handler m_handler;
    QList<Connection *> m_connections;
    QList<Request> m_requests;
};

} // namespace tallytest
