#include "tally/httpclient.h"

#include "errors/errortrap.h"
#include "tally/httpreplyreader.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QNetworkProxy>
#include <QSslSocket>
#include <QTcpSocket>
#include <QThreadStorage>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <memory>
#include <optional>

#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>

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

// Whether the descriptor has something to read (or has closed) already.
bool isReadable(int descriptor)
{
    pollfd waited{descriptor, POLLIN, 0};
    int ready = 0;
    do
        ready = ::poll(&waited, 1, 0);
    while (ready < 0 && errno == EINTR);
    return ready != 0;
}

// A server may close a kept connection while it lies idle. That has to show before a request is written on
// it: afterwards nobody can tell whether the server took the request, and an import must not be sent twice.
bool isStillOpen(QTcpSocket &socket)
{
    if (socket.state() != QAbstractSocket::ConnectedState || socket.bytesAvailable() > 0)
        return false;
    // A close, a reset or stray bytes that have arrived but that no event loop has looked at yet make the
    // descriptor readable.
    return !isReadable(int(socket.socketDescriptor()));
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
// end of the answer. A plain connection only connects here: the request goes out and its answer comes back
// through exchangePlain.
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
            m_socket.write(m_bytes);
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
        if (m_bytes.isEmpty())
            finish(answered);
        else
            m_socket.write(m_bytes);
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
    const QByteArray m_bytes; // empty: connect only
    QEventLoop m_loop;
    std::optional<Outcome> m_outcome;
};

// How long a plain exchange blocks in one wait before it lets the application handle its events: short enough
// that a window stays painted while a server thinks, long enough that a quick answer costs no trip through the
// event loop.
constexpr int waitSliceMs = 10;

// The parts of a request still to be written, sent with one system call where the connection takes them.
class Outgoing
{
public:
    Outgoing(QByteArrayView head, QByteArrayView end, QByteArrayView body) : m_parts{head, end, body} {}

    bool done() const { return m_next == m_parts.size(); }

    // False when the connection failed; `closed` then tells a close by the server from other failures.
    bool sendSome(int descriptor, bool &closed)
    {
        std::array<iovec, 3> pieces{};
        std::size_t count = 0;
        for (std::size_t part = m_next; part < m_parts.size(); ++part) {
            const QByteArrayView rest = m_parts[part].sliced(part == m_next ? m_offset : 0);
            pieces[count++] = iovec{const_cast<char *>(rest.data()), std::size_t(rest.size())};
        }
        msghdr message{};
        message.msg_iov = pieces.data();
        message.msg_iovlen = count;
        for (;;) {
            const ssize_t sent = ::sendmsg(descriptor, &message, MSG_NOSIGNAL);
            if (sent >= 0) {
                advance(qsizetype(sent));
                return true;
            }
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return true;
            closed = errno == EPIPE || errno == ECONNRESET;
            return false;
        }
    }

private:
    void advance(qsizetype count)
    {
        while (!done()) {
            const qsizetype left = m_parts[m_next].size() - m_offset;
            if (count < left) {
                m_offset += count;
                return;
            }
            count -= left;
            ++m_next;
            m_offset = 0;
        }
    }

    std::array<QByteArrayView, 3> m_parts;
    std::size_t m_next = 0;
    qsizetype m_offset = 0;
};

// Reads what the descriptor holds into the reader; an outcome once the answer is decided.
std::optional<Outcome> receive(int descriptor, HttpReplyReader &reader)
{
    std::array<char, 16 * 1024> buffer;
    for (;;) {
        const ssize_t received = ::recv(descriptor, buffer.data(), buffer.size(), 0);
        if (received > 0) {
            if (std::optional<Outcome> outcome = verdict(reader.append(QByteArrayView(buffer.data(), received))))
                return outcome;
            if (std::size_t(received) < buffer.size())
                return std::nullopt;
        } else if (received == 0 || errno == ECONNRESET) {
            return closedByServer(reader);
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return std::nullopt;
        } else if (errno != EINTR) {
            return noConnection;
        }
    }
}

// One request on an open plain connection. The thread waits on the descriptor itself: a quick answer then costs
// a write, a wait and a read, and no trip through the event loop. Once a slice of waiting has passed, the
// application's events run (user input excepted) before the next one.
Outcome exchangePlain(QTcpSocket &socket, Outgoing &outgoing, HttpReplyReader &reader, const QDeadlineTimer &deadline)
{
    if (std::optional<Outcome> outcome = takeBuffered(socket, reader))
        return *outcome;
    // A server that trickles its answer in never lets a wait pass idle: the events, and the time-out, come due all
    // the same.
    QDeadlineTimer eventsDue(waitSliceMs);
    for (;;) {
        const int descriptor = int(socket.socketDescriptor());
        bool closed = false;
        if (!outgoing.done() && !outgoing.sendSome(descriptor, closed))
            return closed ? closedByServer(reader) : noConnection;
        pollfd waited{descriptor, short(outgoing.done() ? POLLIN : POLLIN | POLLOUT), 0};
        const qint64 wait =
            std::min(eventsDue.remainingTime(), deadline.isForever() ? waitSliceMs : deadline.remainingTime());
        const int ready = ::poll(&waited, 1, int(std::max<qint64>(wait, 0)));
        if (ready < 0 && errno != EINTR)
            return noConnection;
        if (ready > 0 && (waited.revents & (POLLIN | POLLERR | POLLHUP)) != 0) {
            if (std::optional<Outcome> outcome = receive(descriptor, reader))
                return *outcome;
        }
        if (deadline.hasExpired())
            return timeOut;
        if (!eventsDue.hasExpired())
            continue;

        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        // The socket's own notifier may have read from it meanwhile, and seen the close; its bytes come first.
        if (std::optional<Outcome> outcome = takeBuffered(socket, reader))
            return *outcome;
        if (socket.state() != QAbstractSocket::ConnectedState)
            return closedByServer(reader);
        eventsDue.setRemainingTime(waitSliceMs);
    }
}

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
    Outcome outcome;
    if (endpoint.secure) {
        outcome = Exchange(*socket, reader, headText + end.view() + request.body).run(endpoint, deadline);
    } else {
        Outgoing outgoing(headText, end.view(), request.body);
        if (socket->state() != QAbstractSocket::ConnectedState)
            outcome = Exchange(*socket, reader, {}).run(endpoint, deadline);
        if (outcome.number == 0)
            outcome = exchangePlain(*socket, outgoing, reader, deadline);
    }
    // A connection that failed or timed out is closed here: whatever it still carries belongs to no request.
    if (outcome.number != 0)
        raiseTransport(outcome.number, outcome.text);

    if (reader.keepAlive() && !closes && socket->state() == QAbstractSocket::ConnectedState &&
        socket->bytesToWrite() == 0 && socket->bytesAvailable() == 0)
        keepSocket(endpoint, std::move(socket));
    return HttpResponse{reader.status(), reader.takeBody()};
}

} // namespace tally
