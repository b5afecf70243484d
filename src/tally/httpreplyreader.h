#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <utility>

namespace tally {

// What one reply may hold before it counts as invalid: generous for anything a Tally server sends, small enough
// that a misbehaving server cannot exhaust the memory.
struct HttpReplyLimits
{
    qsizetype maxHeadBytes = 64 * 1024; // status lines and headers, interim replies and trailers included
    int maxHeaderCount = 100;           // per head
    qsizetype maxBodyBytes = qsizetype(256) * 1024 * 1024;
    qsizetype maxChunkLineBytes = 1024;
};

// Cuts one HTTP/1.x reply out of the bytes of a connection as they arrive: status line, headers, and a body
// framed by Content-Length, by chunks, or by the end of the connection. Interim (1xx) replies are skipped.
class HttpReplyReader
{
public:
    enum class Result
    {
        NeedMore,
        Complete,
        Invalid,
    };

    // A reply to HEAD carries no body whatever its headers say.
    explicit HttpReplyReader(bool headRequest = false, HttpReplyLimits limits = {});

    Result append(QByteArrayView bytes);
    // The server closed the connection: that ends a body that runs until the close; any other reply not yet
    // complete stays NeedMore, for the caller to treat as cut short.
    Result close();

    int status() const { return m_status; }
    const QByteArray &body() const { return m_body; }
    QByteArray takeBody() { return std::exchange(m_body, {}); }
    // Whether the connection may carry another request once the reply is complete: the server did not ask to
    // close it, the body's end was known without the close, and nothing arrived after the reply.
    bool keepAlive() const { return m_keepAlive; }

private:
    enum class Phase
    {
        Head,
        Length,
        ChunkSize,
        ChunkData,
        ChunkEnd,
        Trailer,
        UntilClose,
        Done,
        Failed,
    };

    Result run();
    Result fail();
    bool takeLine(QByteArrayView &line, qsizetype limit, bool countsAsHead);
    bool statusLine(QByteArrayView line);
    bool headerLine(QByteArrayView line);
    bool endOfHead();
    bool chunkSizeLine(QByteArrayView line);
    bool takeBodyBytes(qsizetype count);
    qsizetype available() const { return m_buffer.size() - m_start; }

    bool m_headRequest;
    HttpReplyLimits m_limits;
    Phase m_phase = Phase::Head;
    QByteArray m_buffer;     // bytes received and not yet taken
    qsizetype m_start = 0;   // where the untaken bytes begin in m_buffer
    qsizetype m_scanned = 0; // how far m_buffer has been searched for the end of a line
    qsizetype m_headBytes = 0;

    // The head being read.
    bool m_sawStatusLine = false;
    int m_minorVersion = 1;
    int m_headerCount = 0;
    qint64 m_contentLength = -1;
    bool m_chunked = false;
    bool m_transferEncoding = false;
    bool m_connectionClose = false;
    bool m_connectionKeepAlive = false;

    int m_status = 0;
    qint64 m_remaining = 0; // of the body or of the current chunk
    QByteArray m_body;
    bool m_keepAlive = false;
};

} // namespace tally
