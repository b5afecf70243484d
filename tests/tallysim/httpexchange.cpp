#include "httpexchange.h"

#include <QByteArrayList>
#include <QDeadlineTimer>
#include <QTest>

QByteArray HttpExchange::Reply::header(const QByteArray &name) const
{
    for (const auto &[key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

bool HttpExchange::connectTo(quint16 port, int timeoutMs)
{
    m_socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    QDeadlineTimer deadline(timeoutMs);
    while (m_socket.state() != QAbstractSocket::ConnectedState && !deadline.hasExpired() &&
           m_socket.state() != QAbstractSocket::UnconnectedState)
        QTest::qWait(1);
    return m_socket.state() == QAbstractSocket::ConnectedState;
}

void HttpExchange::send(const QByteArray &bytes)
{
    m_socket.write(bytes);
    m_socket.flush();
}

std::optional<HttpExchange::Reply> HttpExchange::read(int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        m_buffer += m_socket.readAll();
        if (auto reply = takeReply())
            return reply;
        if (deadline.hasExpired() || m_socket.state() == QAbstractSocket::UnconnectedState)
            return std::nullopt;
        QTest::qWait(1);
    }
}

bool HttpExchange::waitClosed(int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (m_socket.state() != QAbstractSocket::UnconnectedState && !deadline.hasExpired()) {
        m_buffer += m_socket.readAll();
        QTest::qWait(1);
    }
    return m_socket.state() == QAbstractSocket::UnconnectedState;
}

std::optional<HttpExchange::Reply> HttpExchange::takeReply()
{
    const qsizetype headEnd = m_buffer.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return std::nullopt;
    const QByteArrayList lines = m_buffer.left(headEnd).split('\n');
    Reply reply;
    const QByteArrayList statusLine = lines.first().trimmed().split(' ');
    if (statusLine.size() < 2)
        return std::nullopt;
    reply.status = statusLine[1].toInt();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        reply.headers.append({line.left(colon), line.mid(colon + 1).trimmed()});
    }
    const qsizetype length = reply.header("Content-Length").toLongLong();
    if (m_buffer.size() < headEnd + 4 + length)
        return std::nullopt;
    reply.body = m_buffer.mid(headEnd + 4, length);
    m_buffer.remove(0, headEnd + 4 + length);
    return reply;
}

QByteArray HttpExchange::post(const QByteArray &body, const QList<QPair<QByteArray, QByteArray>> &extraHeaders)
{
    QByteArray request = "POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: text/xml\r\n";
    for (const auto &[name, value] : extraHeaders)
        request += name + ": " + value + "\r\n";
    request += "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
    return request;
}

QByteArray HttpExchange::get()
{
    return "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
}
