#include "tallysim/simulator.h"

#include "tallysim/http.h"
#include "tallysim/tallyresponder.h"

#include <QHostAddress>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace tallysim {

QByteArray RecordedRequest::header(const QByteArray &name) const
{
    for (const auto &[key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

// One accepted connection: reads requests one after another and answers each in turn, so that pipelined
// requests are answered in order.
class HttpConnection final : public QObject
{
public:
    HttpConnection(QTcpSocket *socket, Simulator *simulator)
        : QObject(simulator), m_socket(socket), m_simulator(simulator)
    {
        m_socket->setParent(this);
        connect(m_socket, &QTcpSocket::readyRead, this, &HttpConnection::readAvailable);
        connect(m_socket, &QTcpSocket::disconnected, this, [this] {
            m_simulator->forget(this);
            deleteLater();
        });
    }

    // Closes at once without answering what is pending.
    void drop()
    {
        m_socket->disconnect(this);
        m_socket->abort();
        deleteLater();
    }

    void readAvailable()
    {
        const QByteArray bytes = m_socket->readAll();
        if (m_closing)
            return;
        m_reader.append(bytes);
        // A client that goes on sending while it waits for an answer must not fill the memory.
        const HttpLimits &limits = m_reader.limits();
        if (m_reader.bufferedBytes() > limits.maxHeadBytes + limits.maxBodyBytes) {
            m_simulator->forget(this);
            drop();
            return;
        }
        processNext();
    }

private:
    void processNext()
    {
        while (!m_busy && !m_closing) {
            HttpRequest request;
            switch (m_reader.next(request)) {
            case HttpRequestReader::Result::NeedMore:
                if (m_reader.awaitsContinue() && !m_continueSent) {
                    m_socket->write("HTTP/1.1 100 Continue\r\n\r\n");
                    m_continueSent = true;
                }
                return;
            case HttpRequestReader::Result::Failed: {
                const int status = m_reader.failureStatus();
                send(httpResponse(status, httpReasonPhrase(status), true), true);
                return;
            }
            case HttpRequestReader::Result::Ready:
                m_continueSent = false;
                answer(request);
                break;
            }
        }
    }

    void answer(const HttpRequest &request)
    {
        const Simulator::Plan plan = m_simulator->handle(request);
        if (plan.mode == Mode::Silent) {
            m_busy = true; // for good: nothing more is answered on this connection
            return;
        }
        const bool close = !request.keepAlive;
        QByteArray response = httpResponse(plan.status, plan.body, close, request.method == "HEAD");
        if (plan.delayMs <= 0) {
            send(response, close);
            return;
        }
        m_busy = true;
        QTimer::singleShot(plan.delayMs, this, [this, response = std::move(response), close] {
            m_busy = false;
            send(response, close);
            processNext();
        });
    }

    void send(const QByteArray &response, bool close)
    {
        m_socket->write(response);
        if (close) {
            m_closing = true;
            m_socket->disconnectFromHost();
        }
    }

    QTcpSocket *m_socket;
    Simulator *m_simulator;
    HttpRequestReader m_reader;
    bool m_busy = false;
    bool m_closing = false;
    bool m_continueSent = false;
};

Simulator::Simulator(Config config, QObject *parent)
    : QObject(parent), m_server(new QTcpServer(this)), m_responder(std::make_unique<TallyResponder>(config)),
      m_config(std::move(config))
{
    connect(m_server, &QTcpServer::newConnection, this, &Simulator::acceptConnections);
}

Simulator::~Simulator()
{
    stop();
}

bool Simulator::listen(quint16 port)
{
    if (!m_server->listen(QHostAddress::LocalHost, port))
        return false;
    m_port = m_server->serverPort();
    return true;
}

bool Simulator::isListening() const
{
    return m_server->isListening();
}

QString Simulator::errorString() const
{
    return m_server->errorString();
}

void Simulator::stop()
{
    m_server->close();
    const QSet<HttpConnection *> connections = std::exchange(m_connections, {});
    for (HttpConnection *connection : connections)
        connection->drop();
}

void Simulator::acceptConnections()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_connections.insert(new HttpConnection(socket, this));
    }
}

void Simulator::forget(HttpConnection *connection)
{
    m_connections.remove(connection);
}

Simulator::Plan Simulator::handle(const HttpRequest &request)
{
    RecordedRequest recorded{request.method, request.target, request.headers, request.body};
    Plan plan;
    {
        QMutexLocker locker(&m_mutex);
        m_requests.append(recorded);
        plan.mode = m_config.mode;
        plan.delayMs = m_config.delayMs;
        static const QRegularExpression import(QStringLiteral("<TALLYREQUEST>\\s*Import Data\\s*</TALLYREQUEST>"),
                                               QRegularExpression::CaseInsensitiveOption);
        const bool failure = plan.mode != Mode::Normal && plan.mode != Mode::Slow;
        if (failure && m_config.failImportsOnly && !import.match(QString::fromUtf8(request.body)).hasMatch())
            plan.mode = Mode::Normal;
        switch (plan.mode) {
        case Mode::HttpError:
            plan.status = m_config.errorStatus;
            plan.body = m_config.errorBody;
            break;
        case Mode::Garbage:
            plan.body = m_config.garbageBody;
            break;
        case Mode::Normal:
        case Mode::Slow:
        case Mode::Silent:
            break;
        }
    }
    emit requestReceived(recorded);

    if (plan.mode == Mode::Normal || plan.mode == Mode::Slow)
        plan.body = request.method == "POST" ? m_responder->answer(request.body) : QByteArray(runningReply);
    return plan;
}

QList<RecordedRequest> Simulator::requests() const
{
    QMutexLocker locker(&m_mutex);
    return m_requests;
}

void Simulator::clearRequests()
{
    QMutexLocker locker(&m_mutex);
    m_requests.clear();
}

void Simulator::setMode(Mode mode, int delayMs)
{
    QMutexLocker locker(&m_mutex);
    m_config.mode = mode;
    m_config.delayMs = delayMs;
}

Mode Simulator::mode() const
{
    QMutexLocker locker(&m_mutex);
    return m_config.mode;
}

} // namespace tallysim
