#include "scriptedhttpserver.h"

#include <QHostAddress>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>

namespace tallytest {

struct ScriptedHttpServer::Connection
{
    int index = 0;
    QTcpSocket *socket = nullptr; // owned by the server object
    QByteArray buffer;
    bool open = true;
};

ScriptedHttpServer::ScriptedHttpServer(Handler handler, QObject *parent)
    : QObject(parent), m_server(new QTcpServer(this)), m_handler(std::move(handler))
{
    listen();
}

ScriptedHttpServer::ScriptedHttpServer(const QSslConfiguration &tls, Handler handler)
    : m_server(new QSslServer(this)), m_secure(true), m_handler(std::move(handler))
{
    static_cast<QSslServer *>(m_server)->setSslConfiguration(tls);
    listen();
}

void ScriptedHttpServer::listen()
{
    if (!m_handler)
        m_handler = answerOk();
    // A secure server hands a connection over once its handshake is done.
    connect(m_server, &QTcpServer::pendingConnectionAvailable, this, &ScriptedHttpServer::accept);
    if (!m_server->listen(QHostAddress::LocalHost, 0))
        qFatal("The scripted HTTP server could not listen on 127.0.0.1");
}

ScriptedHttpServer::~ScriptedHttpServer()
{
    for (Connection *connection : std::as_const(m_connections)) {
        connection->socket->disconnect(this);
        connection->socket->abort();
        delete connection;
    }
}

quint16 ScriptedHttpServer::port() const
{
    return m_server->serverPort();
}

QUrl ScriptedHttpServer::url(const QString &path) const
{
    return QUrl((m_secure ? QStringLiteral("https") : QStringLiteral("http")) + QStringLiteral("://127.0.0.1:") +
                QString::number(port()) + path);
}

bool ScriptedHttpServer::isOpen(int connection) const
{
    return m_connections.at(connection)->open;
}

void ScriptedHttpServer::closeNow(int connection)
{
    QTcpSocket *socket = m_connections.at(connection)->socket;
    socket->flush();
    socket->abort();
    m_connections.at(connection)->open = false;
}

QByteArray ScriptedHttpServer::reply(int status, const QByteArray &body, const QByteArray &extraHeaders)
{
    return "HTTP/1.1 " + QByteArray::number(status) + " Status\r\n" + extraHeaders +
           "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

ScriptedHttpServer::Handler ScriptedHttpServer::answerOk(const QByteArray &body)
{
    return [body](QTcpSocket &socket, const Request &) { socket.write(reply(200, body)); };
}

void ScriptedHttpServer::accept()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        auto *connection = new Connection{int(m_connections.size()), socket, {}, true};
        socket->setParent(this);
        m_connections.append(connection);
        connect(socket, &QTcpSocket::readyRead, this, [this, connection] { readFrom(*connection); });
        connect(socket, &QTcpSocket::disconnected, this, [connection] { connection->open = false; });
    }
}

void ScriptedHttpServer::readFrom(Connection &connection)
{
    connection.buffer += connection.socket->readAll();
    for (;;) {
        const qsizetype end = connection.buffer.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QByteArray head = connection.buffer.left(end + 4);
        qsizetype length = 0;
        for (const QByteArray &line : head.split('\n')) {
            if (line.toLower().startsWith("content-length:"))
                length = line.mid(15).trimmed().toLongLong();
        }
        if (connection.buffer.size() < head.size() + length)
            return;
        const Request request{connection.index, head, connection.buffer.mid(head.size(), length)};
        connection.buffer.remove(0, head.size() + length);
        m_requests.append(request);
        m_handler(*connection.socket, request);
        if (!connection.open)
            return;
    }
}

} // namespace tallytest
