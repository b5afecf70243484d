#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QPair>

namespace tallysim {

// What one connection may send before it is refused; generous for Tally requests, small enough that a
// misbehaving client cannot exhaust memory.
struct HttpLimits
{
    qsizetype maxHeadBytes = 64 * 1024; // request line and headers
    int maxHeaderCount = 100;
    qsizetype maxBodyBytes = 64 * 1024 * 1024;
};

struct HttpRequest
{
    QByteArray method;
    QByteArray target;
    int minorVersion = 1; // HTTP/1.x
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    bool keepAlive = true;
    bool expectsContinue = false;
};

// Cuts HTTP/1.x requests out of the bytes of one connection as they arrive: request line, headers and a
// Content-Length body. A request it cannot take fails the reader for good with a status to answer.
class HttpRequestReader
{
public:
    enum class Result
    {
        NeedMore,
        Ready,
        Failed,
    };

    explicit HttpRequestReader(HttpLimits limits = {}) : m_limits(limits) {}

    void append(QByteArrayView bytes) { m_buffer.append(bytes); }
    Result next(HttpRequest &request);

    // The status that answers a failed request (400, 413, 431, 501 or 505).
    int failureStatus() const { return m_failureStatus; }
    // The head of the request being read has asked for "100 Continue" before its body.
    bool awaitsContinue() const { return m_headRead && m_head.expectsContinue; }
    qsizetype bufferedBytes() const { return m_buffer.size(); }
    const HttpLimits &limits() const { return m_limits; }

private:
    Result readHead();
    Result fail(int status);
    int parseHead();

    HttpLimits m_limits;
    QByteArray m_buffer;       // bytes not yet taken by a request
    qsizetype m_scanned = 0;   // how far the search for the end of the head has gone
    QList<QByteArray> m_lines; // head lines found so far
    bool m_headRead = false;
    HttpRequest m_head;
    qsizetype m_headBytes = 0;
    qsizetype m_bodyLength = 0;
    int m_failureStatus = 0;
};

QByteArray httpReasonPhrase(int status);
// The bytes of one answer; the body is left out for a HEAD request but still counted in Content-Length.
QByteArray httpResponse(int status, QByteArrayView body, bool closeConnection, bool headOnly = false);

} // namespace tallysim
