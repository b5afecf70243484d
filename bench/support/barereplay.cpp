#include "barereplay.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpSocket>

#include <cstdio>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The length of the reply at the start of the buffer once its head is in, or -1.
qsizetype replyLength(const QByteArray &buffer)
{
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0)
        return -1;
    const QByteArray headers = buffer.left(end).toLower();
    const qsizetype at = headers.indexOf("content-length:");
    if (at < 0)
        qFatal("a reply without Content-Length");
    const qsizetype lineEnd = headers.indexOf("\r\n", at);
    return end + 4 + headers.mid(at + 15, lineEnd < 0 ? -1 : lineEnd - at - 15).trimmed().toLongLong();
}

QByteArray requestHead(quint16 port)
{
    return "POST / HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port) +
           "\r\nContent-Type: text/xml;charset=UTF-8\r\nContent-Length: ";
}

} // namespace

double replayOnSocket(quint16 port, const QList<QByteArray> &bodies)
{
    const int descriptor = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (descriptor < 0 || ::connect(descriptor, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0)
        qFatal("cannot connect to the simulated server");
    const int on = 1;
    ::setsockopt(descriptor, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    const QByteArray head = requestHead(port);
    QByteArray buffer;
    char chunk[65536];

    QElapsedTimer timer;
    timer.start();
    for (const QByteArray &body : bodies) {
        const QByteArray request = head + QByteArray::number(body.size()) + "\r\n\r\n" + body;
        for (qsizetype sent = 0; sent < request.size();) {
            const ssize_t wrote =
                ::send(descriptor, request.constData() + sent, std::size_t(request.size() - sent), MSG_NOSIGNAL);
            if (wrote <= 0)
                qFatal("the simulated server went away");
            sent += wrote;
        }
        qsizetype expected = replyLength(buffer);
        while (expected < 0 || buffer.size() < expected) {
            const ssize_t got = ::recv(descriptor, chunk, sizeof chunk, 0);
            if (got <= 0)
                qFatal("the simulated server went away");
            buffer.append(chunk, got);
            if (expected < 0)
                expected = replyLength(buffer);
        }
        buffer.remove(0, expected);
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    ::close(descriptor);
    return seconds;
}

void printBaseline(const char *name, double seconds, double pelko, int count)
{
    std::printf("%-30s %.3f s (%.1f us per request); Pelko / it: %.2f\n", name, seconds, seconds * 1e6 / count,
                pelko / seconds);
}

double replayBare(quint16 port, const QList<QByteArray> &bodies)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!socket.waitForConnected(5000))
        qFatal("cannot connect to the simulated server");
    socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    const QByteArray head = requestHead(port);
    QByteArray buffer;
    qsizetype expected = -1;
    QEventLoop loop;
    // Ends the loop once the reply that is awaited is complete; any bytes after it stay in the buffer.
    auto replyComplete = [&] {
        if (expected < 0)
            expected = replyLength(buffer);
        return expected >= 0 && buffer.size() >= expected;
    };
    QObject::connect(&socket, &QTcpSocket::readyRead, &loop, [&] {
        buffer += socket.readAll();
        if (replyComplete())
            loop.quit();
    });
    QObject::connect(&socket, &QTcpSocket::disconnected, &loop, [] { qFatal("the simulated server went away"); });

    QElapsedTimer timer;
    timer.start();
    for (const QByteArray &body : bodies) {
        socket.write(head + QByteArray::number(body.size()) + "\r\n\r\n" + body);
        if (!replyComplete())
            loop.exec(QEventLoop::ExcludeUserInputEvents);
        buffer.remove(0, expected);
        expected = -1;
    }
    return double(timer.nsecsElapsed()) / 1e9;
}
