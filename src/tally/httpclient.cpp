#include "tally/httpclient.h"

#include "errors/errortrap.h"
#include "tally/httpreplyreader.h"

#include <QEventLoop>
#include <QNetworkProxy>
#include <QSslSocket>
#include <QTcpSocket>
#include <QThreadStorage>
#include <QTimer>

#include <memory>

namespace tally {

namespace {

HttpTimeouts timeouts;

[[noreturn]] void raiseTransport(qint32 number, const char *description)
{
    errors::raise(number, QString::fromLatin1(description));
}

constexpr char cannotConnect[] = "A connection with the server could not be established";
constexpr char connectionReset[] = "The connection with the server was reset";
constexpr char nameNotResolved[] = "The server name or address could not be resolved";
constexpr char timedOut[] = "The operation timed out";
constexpr char unrecognizedScheme[] = "The URL does not use a recognized protocol";
constexpr char invalidResponse[] = "The server returned an invalid or unrecognized response";

struct Endpoint
{
    bool secure = false;
    QString host;
    quint16 port = 0;

    bool operator==(const Endpoint &) const = default;
};

Endpoint endpointOf(const QUrl &url)
{
    const bool secure = url.scheme() == QLatin1String("https");
    return Endpoint{secure, url.host(), quint16(url.port(secure ? 443 : 80))};
}

// The connection a thread keeps open between requests. Posting thousands of masters one request each must not
// pay for a connection every time; the server the settings name is the only one a thread talks to for long,
// so one kept connection is enough. Qt deletes it when the thread (or, for the main thread, the application
// object) ends.
struct KeptConnection
{
    Endpoint endpoint;
    std::unique_ptr<QTcpSocket> socket;
};

KeptConnection &keptConnection()
{
    static QThreadStorage<KeptConnection *> kept;
    if (!kept.hasLocalData())
        kept.setLocalData(new KeptConnection);
    return *kept.localData();
}

// A server may close a kept connection while it lies idle. That has to show before a request is written on
// it: afterwards nobody can tell whether the server took the request, and an import must not be sent twice.
bool isStillOpen(QTcpSocket &socket)
{
    if (socket.state() != QAbstractSocket::ConnectedState || socket.bytesAvailable() > 0)
        return false;
    // Takes in a close or reset that has arrived but that no event loop has looked at yet.
    socket.waitForReadyRead(0);
    return socket.state() == QAbstractSocket::ConnectedState && socket.bytesAvailable() == 0;
}

// The kept connection when it leads to the endpoint and is still open; nothing otherwise (and a connection that
// cannot serve is closed). The caller owns what it gets until it hands it back, so that a request started from
// an event while this one waits opens a connection of its own.
std::unique_ptr<QTcpSocket> takeKeptSocket(const Endpoint &endpoint)
{
    KeptConnection &kept = keptConnection();
    std::unique_ptr<QTcpSocket> socket = std::move(kept.socket);
    if (socket && (kept.endpoint != endpoint || !isStillOpen(*socket)))
        socket.reset();
    return socket;
}

void keepSocket(const Endpoint &endpoint, std::unique_ptr<QTcpSocket> socket)
{
    KeptConnection &kept = keptConnection();
    kept.endpoint = endpoint;
    kept.socket = std::move(socket);
}

bool isFieldSafe(const QByteArray &text)
{
    return !text.contains('\r') && !text.contains('\n') && !text.contains('\0');
}

bool asksToClose(const HttpRequest &request)
{
    for (const auto &[name, value] : request.headers) {
        if (name.compare("Connection", Qt::CaseInsensitive) != 0)
            continue;
        for (const QByteArray &token : value.split(',')) {
            if (token.trimmed().compare("close", Qt::CaseInsensitive) == 0)
                return true;
        }
    }
    return false;
}

QByteArray requestBytes(const HttpRequest &request)
{
    QByteArray target = request.url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment);
    if (!target.startsWith('/'))
        target.prepend('/');
    const QByteArray host = request.url.adjusted(QUrl::RemoveUserInfo).authority(QUrl::FullyEncoded).toLatin1();

    // A line break in a header would let it write a header, or a request, of its own.
    bool safe = isFieldSafe(request.method) && !request.method.contains(' ');
    for (const auto &[name, value] : request.headers)
        safe = safe && isFieldSafe(name) && isFieldSafe(value) && !name.contains(':');
    if (!safe)
        errors::raise(errors::ErrNo::InvalidProcedureCall,
                      QStringLiteral("An HTTP request header holds a line break and was not sent."));

    QByteArray bytes;
    bytes.reserve(256 + request.body.size());
    bytes += request.method + ' ' + target + " HTTP/1.1\r\nHost: " + host + "\r\n";
    for (const auto &[name, value] : request.headers)
        bytes += name + ": " + value + "\r\n";
    // A POST states its length even when empty: a server cannot tell where a body without one ends.
    if (!request.body.isEmpty() || request.method == "POST" || request.method == "PUT")
        bytes += "Content-Length: " + QByteArray::number(request.body.size()) + "\r\n";
    bytes += "\r\n";
    bytes += request.body;
    return bytes;
}

std::unique_ptr<QTcpSocket> newSocket(const Endpoint &endpoint)
{
    std::unique_ptr<QTcpSocket> socket;
    if (endpoint.secure) {
        if (!QSslSocket::supportsSsl())
            raiseTransport(errors::ErrNo::HttpUnrecognizedScheme, unrecognizedScheme);
        socket = std::make_unique<QSslSocket>();
    } else {
        socket = std::make_unique<QTcpSocket>();
    }
    // A Tally server sits on this machine or the local network; as before, no proxy stands in between.
    socket->setProxy(QNetworkProxy::NoProxy);
    return socket;
}

// One request on one connection, from the first byte written to the end of the answer.
class Exchange
{
public:
    Exchange(QTcpSocket &socket, QByteArray bytes, bool headRequest)
        : m_socket(socket), m_reader(headRequest), m_bytes(std::move(bytes))
    {}

    // Returns when the answer is complete or the exchange failed; connects first when the socket is not open.
    void run(const Endpoint &endpoint, int timeoutMs)
    {
        QTimer timer;
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &m_loop, [this] { finish(errors::ErrNo::HttpTimeout, timedOut); });
        QObject::connect(&m_socket, &QIODevice::readyRead, &m_loop, [this] { takeAvailable(); });
        QObject::connect(&m_socket, &QAbstractSocket::disconnected, &m_loop, [this] { closedByServer(); });
        QObject::connect(&m_socket, &QAbstractSocket::errorOccurred, &m_loop,
                         [this](QAbstractSocket::SocketError error) { failed(error); });

        timer.start(timeoutMs);
        if (m_socket.state() == QAbstractSocket::ConnectedState) {
            m_socket.write(m_bytes);
        } else if (auto *secure = qobject_cast<QSslSocket *>(&m_socket)) {
            QObject::connect(secure, &QSslSocket::encrypted, &m_loop, [this] { connected(); });
            secure->connectToHostEncrypted(endpoint.host, endpoint.port);
        } else {
            QObject::connect(&m_socket, &QAbstractSocket::connected, &m_loop, [this] { connected(); });
            m_socket.connectToHost(endpoint.host, endpoint.port);
        }
        // A quit before exec() would be lost: the socket can fail at once, and the timer may be zero.
        if (!m_finished)
            m_loop.exec(QEventLoop::ExcludeUserInputEvents);
        timer.stop();
        QObject::disconnect(&m_socket, nullptr, &m_loop, nullptr);
    }

    // 0 when the answer is complete.
    qint32 failureNumber() const { return m_failureNumber; }
    const char *failureText() const { return m_failureText; }
    HttpReplyReader &reader() { return m_reader; }

private:
    void connected()
    {
        m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_socket.write(m_bytes);
    }

    void takeAvailable()
    {
        if (m_finished)
            return;
        switch (m_reader.append(m_socket.readAll())) {
        case HttpReplyReader::Result::Complete:
            finish(0, nullptr);
            break;
        case HttpReplyReader::Result::Invalid:
            finish(HttpInvalidServerResponse, invalidResponse);
            break;
        case HttpReplyReader::Result::NeedMore:
            break;
        }
    }

    void closedByServer()
    {
        takeAvailable();
        if (m_finished)
            return;
        switch (m_reader.close()) {
        case HttpReplyReader::Result::Complete:
            finish(0, nullptr);
            break;
        case HttpReplyReader::Result::Invalid:
            finish(HttpInvalidServerResponse, invalidResponse);
            break;
        case HttpReplyReader::Result::NeedMore:
            finish(errors::ErrNo::HttpConnectionReset, connectionReset);
            break;
        }
    }

    void failed(QAbstractSocket::SocketError error)
    {
        switch (error) {
        case QAbstractSocket::RemoteHostClosedError:
            closedByServer(); // the close may be what ends the body
            break;
        case QAbstractSocket::HostNotFoundError:
            finish(errors::ErrNo::HttpNameNotResolved, nameNotResolved);
            break;
        default:
            // Refused, unreachable, a failed TLS handshake: nothing the server said.
            finish(errors::ErrNo::HttpCannotConnect, cannotConnect);
            break;
        }
    }

    void finish(qint32 number, const char *text)
    {
        if (m_finished)
            return;
        m_finished = true;
        m_failureNumber = number;
        m_failureText = text;
        m_loop.quit();
    }

    QTcpSocket &m_socket;
    HttpReplyReader m_reader;
    const QByteArray m_bytes;
    QEventLoop m_loop;
    bool m_finished = false;
    qint32 m_failureNumber = 0;
    const char *m_failureText = nullptr;
};

} // namespace

HttpTimeouts httpTimeouts()
{
    return timeouts;
}

void setHttpTimeouts(const HttpTimeouts &newTimeouts)
{
    timeouts = newTimeouts;
}

QUrl httpUrl(const QString &text)
{
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        raiseTransport(errors::ErrNo::HttpInvalidUrl, "The URL is invalid");
    if (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))
        raiseTransport(errors::ErrNo::HttpUnrecognizedScheme, unrecognizedScheme);
    return url;
}

HttpResponse sendHttpRequest(const HttpRequest &request)
{
    const Endpoint endpoint = endpointOf(request.url);
    QByteArray bytes = requestBytes(request);
    std::unique_ptr<QTcpSocket> socket = takeKeptSocket(endpoint);
    if (!socket)
        socket = newSocket(endpoint);

    Exchange exchange(*socket, std::move(bytes), request.method == "HEAD");
    exchange.run(endpoint, request.timeoutMs);
    // A connection that failed or timed out is closed here: whatever it still carries belongs to no request.
    if (exchange.failureNumber() != 0)
        raiseTransport(exchange.failureNumber(), exchange.failureText());

    HttpReplyReader &reader = exchange.reader();
    if (reader.keepAlive() && !asksToClose(request) && socket->state() == QAbstractSocket::ConnectedState &&
        socket->bytesToWrite() == 0 && socket->bytesAvailable() == 0)
        keepSocket(endpoint, std::move(socket));
    return HttpResponse{reader.status(), reader.takeBody()};
}

} // namespace tally
