#pragma once

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QPair>
#include <QSet>
#include <QStringList>

#include <atomic>
#include <memory>

class QTcpServer;

namespace tallysim {

class HttpConnection;
class TallyResponder;
struct HttpRequest;

// How the simulated server answers a complete request.
enum class Mode
{
    Normal,    // as Tally does
    Slow,      // as Tally does, after the configured delay
    HttpError, // the configured status and body
    Garbage,   // status 200 with bytes that are no XML
    Silent,    // reads the request and never answers
};

// One request as it arrived, byte for byte.
struct RecordedRequest
{
    QByteArray method;
    QByteArray target;
    QList<QPair<QByteArray, QByteArray>> headers; // in the order received
    QByteArray body;

    // Case-insensitive lookup of the first header of that name; "" when absent.
    QByteArray header(const QByteArray &name) const;
};

// Bytes that no XML parser takes: a binary signature, a byte-order mark, a NUL and stray markup.
inline QByteArray defaultGarbageBody()
{
    static constexpr char bytes[] = "\x89PNG\r\n\x1a\n\xff\xfe\x00\x01 <<not xml>> &\x80\x81";
    return QByteArray(bytes, sizeof bytes - 1);
}

struct Config
{
    QStringList companies;
    QString currentCompany;   // empty: no company is open
    QStringList ledgers{};    // held by every company from the start, beside Tally's own
    QStringList stockItems{}; // held by every company from the start
    Mode mode = Mode::Normal;
    int delayMs = 0;
    int errorStatus = 500;
    QByteArray errorBody = "Internal Server Error";
    QByteArray garbageBody = defaultGarbageBody();
    // Refuse what cannot be imported as TallyPrime does, with EXCEPTIONS 1 and ERRORS 0, instead of ERRORS 1.
    bool refuseWithExceptions = false;
    // The failure of the mode hits import requests only; the running probe and the company queries are answered
    // as usual, so that a client gets as far as posting.
    bool failImportsOnly = false;
};

// A Tally server on 127.0.0.1 for tests, benchmarks and trying the program: answers the running probe, the
// company queries and import requests, records every request, and fails on demand. Lives on one thread; the
// recording and the mode may be read and changed from any thread.
class Simulator final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Simulator)

public:
    explicit Simulator(Config config, QObject *parent = nullptr);
    ~Simulator() override;

    bool listen(quint16 port); // 0 = any free port
    quint16 port() const { return m_port.load(); }
    bool isListening() const;
    QString errorString() const; // why listen() failed
    // Stops listening and drops every open connection, as a server that went down.
    void stop();

    QList<RecordedRequest> requests() const;
    void clearRequests();

    void setMode(Mode mode, int delayMs = 0);
    Mode mode() const;

signals:
    // Emitted on the simulator's thread for every complete request, before it is answered.
    void requestReceived(const tallysim::RecordedRequest &request);

private:
    friend class HttpConnection;
    struct Plan
    {
        Mode mode = Mode::Normal;
        int delayMs = 0;
        int status = 200;
        QByteArray body;
    };
    void acceptConnections();
    Plan handle(const HttpRequest &request);
    void forget(HttpConnection *connection);

    QTcpServer *m_server = nullptr;
    std::atomic<quint16> m_port = 0;
    QSet<HttpConnection *> m_connections;
    std::unique_ptr<TallyResponder> m_responder;

    mutable QMutex m_mutex; // guards everything below
    Config m_config;
    QList<RecordedRequest> m_requests;
};

} // namespace tallysim

Q_DECLARE_METATYPE(tallysim::RecordedRequest)
