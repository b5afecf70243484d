#include "barereplay.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpSocket>

double replayBare(quint16 port, const QList<QByteArray> &bodies)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!socket.waitForConnected(5000))
        qFatal("cannot connect to the simulated server");
    socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    const QByteArray head = "POST / HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port) +
                            "\r\nContent-Type: text/xml;charset=UTF-8\r\nContent-Length: ";
    QByteArray buffer;
    qsizetype expected = -1;
    QEventLoop loop;
    // Ends the loop once the reply that is awaited is complete; any bytes after it stay in the buffer.
    auto replyComplete = [&] {
        if (expected < 0) {
            const qsizetype end = buffer.indexOf("\r\n\r\n");
            if (end < 0)
                return false;
            const QByteArray headers = buffer.left(end).toLower();
            const qsizetype at = headers.indexOf("content-length:");
            if (at < 0)
                qFatal("a reply without Content-Length");
            const qsizetype lineEnd = headers.indexOf("\r\n", at);
            expected = end + 4 + headers.mid(at + 15, lineEnd < 0 ? -1 : lineEnd - at - 15).trimmed().toLongLong();
        }
        return buffer.size() >= expected;
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
