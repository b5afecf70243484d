#include "tally/httpclient.h"

#include "errors/errortrap.h"
#include "tally/httpreplyreader.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QNetworkProxy>
#include <QSslSocket>
#include <QTcpSocket>
#include <QThreadStorage>
#include <QTimer>

#include <algorithm>
#include <array>
#include <charconv>
#include <memory>
#include <optional>

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

// What a request's head holds before its length: the request line, Host and the caller's headers. An import
// sends thousands of requests that differ only in their bodies, so the head is laid out once and kept for as long
// as the requests ask for the same method, URL and headers.
struct RequestHead
{
    QByteArray method;
    QUrl url;
    QList<QPair<QByteArray, QByteArray>> headers;

    Endpoint endpoint;
    QByteArray text;
    bool closes = false;
    bool statesLength = false; // even without a body
};

bool builtFor(const RequestHead &head, const HttpRequest &request)
{
    return !head.text.isEmpty() && head.method == request.method && head.url == request.url &&
           head.headers == request.headers;
}

void buildHead(RequestHead &head, const HttpRequest &request)
{
    // A line break in a header would let it write a header, or a request, of its own.
    bool safe = isFieldSafe(request.method) && !request.method.contains(' ');
    for (const auto &[name, value] : request.headers)
        safe = safe && isFieldSafe(name) && isFieldSafe(value) && !name.contains(':');
    if (!safe)
        errors::raise(errors::ErrNo::InvalidProcedureCall,
                      QStringLiteral("An HTTP request header holds a line break and was not sent."));

    QByteArray target = request.url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment);
    if (!target.startsWith('/'))
        target.prepend('/');
    const QByteArray host = request.url.adjusted(QUrl::RemoveUserInfo).authority(QUrl::FullyEncoded).toLatin1();

    QByteArray text = request.method + ' ' + target + " HTTP/1.1\r\nHost: " + host + "\r\n";
    for (const auto &[name, value] : request.headers)
        text += name + ": " + value + "\r\n";

    head.method = request.method;
    head.url = request.url;
    head.headers = request.headers;
    head.endpoint = endpointOf(request.url);
    head.text = std::move(text);
    head.closes = asksToClose(request);
    // A POST states its length even when empty: a server cannot tell where a body without one ends.
    head.statesLength = request.method == "POST" || request.method == "PUT";
}

// The end of a request's head: its length when it states one, and the blank line.
class HeadEnd
{
public:
    HeadEnd(const RequestHead &head, qsizetype bodySize)
    {
        char *out = m_text.data();
        if (bodySize > 0 || head.statesLength) {
            constexpr char name[] = "Content-Length: ";
            out = std::copy_n(name, sizeof name - 1, out);
            out = std::to_chars(out, m_text.data() + m_text.size(), bodySize).ptr;
            out = std::copy_n("\r\n", 2, out);
        }
        out = std::copy_n("\r\n", 2, out);
        m_size = out - m_text.data();
    }

    QByteArrayView view() const { return QByteArrayView(m_text.data(), m_size); }

private:
    std::array<char, 48> m_text{};
    qsizetype m_size = 0;
};

// The connection a thread keeps open between requests. Posting thousands of masters one request each must not
// pay for a connection every time; the server the settings name is the only one a thread talks to for long,
// so one kept connection is enough. Qt deletes it when the thread (or, for the main thread, the application
// object) ends.
struct KeptConnection
{
    Endpoint endpoint;
    std::unique_ptr<QTcpSocket> socket;
    RequestHead head; // of the requests this thread sent last
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
    // A close, a reset or stray bytes that have arrived but that no event loop has looked at yet: a wait that
    // ends at once takes them in, and the socket then says so.
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

// How an exchange ended: number 0 when the answer is complete.
struct Outcome
{
    qint32 number = 0;
    const char *text = nullptr;
};

constexpr Outcome answered{0, nullptr};
constexpr Outcome timeOut{errors::ErrNo::HttpTimeout, timedOut};
constexpr Outcome invalidReply{HttpInvalidServerResponse, invalidResponse};
constexpr Outcome noConnection{errors::ErrNo::HttpCannotConnect, cannotConnect};

// What the reader's verdict on the bytes so far means for the exchange; nothing while it needs more.
std::optional<Outcome> verdict(HttpReplyReader::Result result)
{
    switch (result) {
    case HttpReplyReader::Result::Complete:
        return answered;
    case HttpReplyReader::Result::Invalid:
        return invalidReply;
    case HttpReplyReader::Result::NeedMore:
        break;
    }
    return std::nullopt;
}

// What the socket has read and holds for its reader.
std::optional<Outcome> takeBuffered(QTcpSocket &socket, HttpReplyReader &reader)
{
    if (socket.bytesAvailable() == 0)
        return std::nullopt;
    return verdict(reader.append(socket.readAll()));
}

// The server closed the connection: that may be what ends the body.
Outcome closedByServer(HttpReplyReader &reader)
{
    if (const std::optional<Outcome> outcome = verdict(reader.close()))
        return *outcome;
    return Outcome{errors::ErrNo::HttpConnectionReset, connectionReset};
}

// One request on one connection through Qt's event loop, from the connect (when the socket is not open) to the
// end of the answer. The request is written once, when the connection is up, and never again.
class Exchange
{
public:
    Exchange(QTcpSocket &socket, HttpReplyReader &reader, QByteArray bytes)
        : m_socket(socket), m_reader(reader), m_bytes(std::move(bytes))
    {}

    Outcome run(const Endpoint &endpoint, const QDeadlineTimer &deadline)
    {
        QTimer timer;
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &m_loop, [this] { finish(timeOut); });
        QObject::connect(&m_socket, &QIODevice::readyRead, &m_loop, [this] { takeAvailable(); });
        QObject::connect(&m_socket, &QAbstractSocket::disconnected, &m_loop, [this] { closed(); });
        QObject::connect(&m_socket, &QAbstractSocket::errorOccurred, &m_loop,
                         [this](QAbstractSocket::SocketError error) { failed(error); });

        timer.start(int(std::max<qint64>(deadline.remainingTime(), 0)));
        if (m_socket.state() == QAbstractSocket::ConnectedState) {
            send();
        } else if (auto *secure = qobject_cast<QSslSocket *>(&m_socket)) {
            QObject::connect(secure, &QSslSocket::encrypted, &m_loop, [this] { connected(); });
            secure->connectToHostEncrypted(endpoint.host, endpoint.port);
        } else {
            QObject::connect(&m_socket, &QAbstractSocket::connected, &m_loop, [this] { connected(); });
            m_socket.connectToHost(endpoint.host, endpoint.port);
        }
        // A quit before exec() would be lost: the socket can fail at once, and the timer may be zero.
        if (!m_outcome)
            m_loop.exec(QEventLoop::ExcludeUserInputEvents);
        timer.stop();
        QObject::disconnect(&m_socket, nullptr, &m_loop, nullptr);
        return *m_outcome;
    }

private:
    void connected()
    {
        m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        send();
    }

    // The request goes out now rather than when the loop next looks at the socket.
    void send()
    {
        m_socket.write(m_bytes);
        m_socket.flush();
    }

    void takeAvailable()
    {
        if (m_outcome)
            return;
        if (const std::optional<Outcome> outcome = takeBuffered(m_socket, m_reader))
            finish(*outcome);
    }

    void closed()
    {
        takeAvailable();
        if (!m_outcome)
            finish(closedByServer(m_reader));
    }

    void failed(QAbstractSocket::SocketError error)
    {
        switch (error) {
        case QAbstractSocket::RemoteHostClosedError:
            closed();
            break;
        case QAbstractSocket::HostNotFoundError:
            finish(Outcome{errors::ErrNo::HttpNameNotResolved, nameNotResolved});
            break;
        default:
            // Refused, unreachable, a failed TLS handshake: nothing the server said.
            finish(noConnection);
            break;
        }
    }

    void finish(Outcome outcome)
    {
        if (m_outcome)
            return;
        m_outcome = outcome;
        m_loop.quit();
    }

    QTcpSocket &m_socket;
    HttpReplyReader &m_reader;
    const QByteArray m_bytes;
    QEventLoop m_loop;
    std::optional<Outcome> m_outcome;
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
    const QDeadlineTimer deadline(request.timeoutMs);
    RequestHead &head = keptConnection().head;
    if (!builtFor(head, request))
        buildHead(head, request);
    // Copies: a request sent from an event while this one waits may lay out a head of its own.
    const Endpoint endpoint = head.endpoint;
    const QByteArray headText = head.text;
    const bool closes = head.closes;
    const HeadEnd end(head, request.body.size());

    std::unique_ptr<QTcpSocket> socket = takeKeptSocket(endpoint);
    if (!socket)
        socket = newSocket(endpoint);
    HttpReplyReader reader(request.method == "HEAD");
    const Outcome outcome = Exchange(*socket, reader, headText + end.view() + request.body).run(endpoint, deadline);
    // A connection that failed or timed out is closed here: whatever it still carries belongs to no request.
    if (outcome.number != 0)
        raiseTransport(outcome.number, outcome.text);

    if (reader.keepAlive() && !closes && socket->state() == QAbstractSocket::ConnectedState &&
        socket->bytesToWrite() == 0 && socket->bytesAvailable() == 0)
        keepSocket(endpoint, std::move(socket));
    return HttpResponse{reader.status(), reader.takeBody()};
}

} // namespace tally
