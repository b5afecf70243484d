#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QTcpSocket>

#include <optional>

// A plain HTTP/1.1 client on one connection that waits by running the event loop, so that it can talk to
// a server living on the same thread.
class HttpExchange
{
public:
    struct Reply
    {
        int status = 0;
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
        QByteArray header(const QByteArray &name) const;
    };

    bool connectTo(quint16 port, int timeoutMs = 5000);
    void send(const QByteArray &bytes);
    // The next complete reply, or nothing when none came in time or the server closed first.
    std::optional<Reply> read(int timeoutMs = 5000);
    // Whether the server closed the connection within the time.
    bool waitClosed(int timeoutMs = 5000);
    bool isConnected() const { return m_socket.state() == QAbstractSocket::ConnectedState; }

    static QByteArray post(const QByteArray &body, const QList<QPair<QByteArray, QByteArray>> &extraHeaders = {});
    static QByteArray get();

private:
    std::optional<Reply> takeReply();

    QTcpSocket m_socket;
    QByteArray m_buffer;
};
