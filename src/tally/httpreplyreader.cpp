#include "tally/httpreplyreader.h"

#include <algorithm>

namespace tally {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexValue(char c)
{
    if (isDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isTokenChar(char c)
{
    const auto u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u >= 0x7f)
        return false;
    return !QByteArrayView("\"(),/:;<=>?@[\\]{}").contains(c);
}

QByteArrayView trimmed(QByteArrayView text)
{
    while (!text.isEmpty() && (text.front() == ' ' || text.front() == '\t'))
        text = text.sliced(1);
    while (!text.isEmpty() && (text.back() == ' ' || text.back() == '\t'))
        text.chop(1);
    return text;
}

bool sameToken(QByteArrayView a, QByteArrayView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Calls `take` with each trimmed, non-empty element of a comma-separated header value.
template <typename Take> void forEachElement(QByteArrayView value, Take take)
{
    while (!value.isEmpty()) {
        const qsizetype comma = value.indexOf(',');
        const QByteArrayView element = trimmed(comma < 0 ? value : value.first(comma));
        if (!element.isEmpty())
            take(element);
        value = comma < 0 ? QByteArrayView() : value.sliced(comma + 1);
    }
}

} // namespace

HttpReplyReader::HttpReplyReader(bool headRequest, HttpReplyLimits limits)
    : m_headRequest(headRequest), m_limits(limits)
{}

HttpReplyReader::Result HttpReplyReader::append(QByteArrayView bytes)
{
    switch (m_phase) {
    case Phase::Failed:
        return Result::Invalid;
    case Phase::Done:
        // Nothing may follow a reply that was not asked for: the connection is in a state nobody knows.
        if (!bytes.isEmpty())
            m_keepAlive = false;
        return Result::Complete;
    default:
        m_buffer.append(bytes);
        return run();
    }
}

HttpReplyReader::Result HttpReplyReader::close()
{
    switch (m_phase) {
    case Phase::Failed:
        return Result::Invalid;
    case Phase::Done:
        m_keepAlive = false;
        return Result::Complete;
    case Phase::UntilClose:
        m_phase = Phase::Done;
        m_keepAlive = false;
        return Result::Complete;
    default:
        return Result::NeedMore;
    }
}

HttpReplyReader::Result HttpReplyReader::fail()
{
    m_phase = Phase::Failed;
    m_buffer.clear();
    m_start = m_scanned = 0;
    m_body.clear();
    m_keepAlive = false;
    return Result::Invalid;
}

// Takes one line ending in LF (a CR before it is dropped). False when no whole line has arrived yet, or when
// `limit` bytes have arrived without one; the latter leaves the reader failed.
bool HttpReplyReader::takeLine(QByteArrayView &line, qsizetype limit, bool countsAsHead)
{
    const qsizetype newline = m_buffer.indexOf('\n', std::max(m_start, m_scanned));
    if (newline < 0) {
        m_scanned = m_buffer.size(); // a server that trickles a long line in must not make this quadratic
        if (available() >= limit)
            fail();
        return false;
    }
    const qsizetype length = newline + 1 - m_start;
    if (length > limit) {
        fail();
        return false;
    }
    line = QByteArrayView(m_buffer).sliced(m_start, newline - m_start);
    if (line.endsWith('\r'))
        line.chop(1);
    m_start = newline + 1;
    if (countsAsHead)
        m_headBytes += length;
    return true;
}

HttpReplyReader::Result HttpReplyReader::run()
{
    for (;;) {
        QByteArrayView line;
        switch (m_phase) {
        case Phase::Head:
            // A server that answers with something other than HTTP is caught at once, not after a time-out.
            if (!m_sawStatusLine) {
                const QByteArrayView start =
                    QByteArrayView(m_buffer).sliced(m_start).first(std::min<qsizetype>(available(), 5));
                if (!QByteArrayView("HTTP/").startsWith(start))
                    return fail();
            }
            if (!takeLine(line, m_limits.maxHeadBytes - m_headBytes, true))
                break;
            if (!(m_sawStatusLine ? headerLine(line) : statusLine(line)))
                return fail();
            if (line.isEmpty() && !endOfHead())
                return fail();
            continue;
        case Phase::Length:
            if (!takeBodyBytes(std::min<qint64>(m_remaining, available())))
                return fail();
            if (m_remaining == 0)
                m_phase = Phase::Done;
            else
                break;
            continue;
        case Phase::ChunkSize:
            if (!takeLine(line, m_limits.maxChunkLineBytes, false))
                break;
            if (!chunkSizeLine(line))
                return fail();
            continue;
        case Phase::ChunkData:
            if (!takeBodyBytes(std::min<qint64>(m_remaining, available())))
                return fail();
            if (m_remaining == 0)
                m_phase = Phase::ChunkEnd;
            else
                break;
            continue;
        case Phase::ChunkEnd:
            if (!takeLine(line, 2, false))
                break;
            if (!line.isEmpty())
                return fail();
            m_phase = Phase::ChunkSize;
            continue;
        case Phase::Trailer:
            if (!takeLine(line, m_limits.maxHeadBytes - m_headBytes, true))
                break;
            if (line.isEmpty())
                m_phase = Phase::Done;
            else if (++m_headerCount > m_limits.maxHeaderCount)
                return fail();
            continue;
        case Phase::UntilClose:
            if (!takeBodyBytes(available()))
                return fail();
            break;
        case Phase::Done:
            if (available() > 0)
                m_keepAlive = false;
            m_buffer.clear();
            m_start = m_scanned = 0;
            return Result::Complete;
        case Phase::Failed:
            return Result::Invalid;
        }
        // More bytes are needed; drop what has been taken so that the buffer does not grow with the reply.
        if (m_phase == Phase::Failed)
            return Result::Invalid;
        m_buffer.remove(0, m_start);
        m_scanned = std::max<qsizetype>(m_scanned - m_start, 0);
        m_start = 0;
        return Result::NeedMore;
    }
}

bool HttpReplyReader::statusLine(QByteArrayView line)
{
    // HTTP/1.x SP 3DIGIT [SP reason]
    if (line.size() < 12 || !line.startsWith("HTTP/1.") || !isDigit(line[7]) || line[8] != ' ')
        return false;
    if (!isDigit(line[9]) || !isDigit(line[10]) || !isDigit(line[11]) || (line.size() > 12 && line[12] != ' '))
        return false;
    m_minorVersion = line[7] - '0';
    m_status = (line[9] - '0') * 100 + (line[10] - '0') * 10 + (line[11] - '0');
    m_sawStatusLine = true;
    return m_status >= 100 && m_status <= 599;
}

bool HttpReplyReader::headerLine(QByteArrayView line)
{
    if (line.isEmpty())
        return true;
    if (++m_headerCount > m_limits.maxHeaderCount)
        return false;
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0)
        return false; // also a folded continuation line, which starts with white space
    const QByteArrayView name = line.first(colon);
    if (!std::all_of(name.begin(), name.end(), isTokenChar))
        return false;
    const QByteArrayView value = trimmed(line.sliced(colon + 1));
    for (const char c : value) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\t') || u == 0x7f)
            return false;
    }

    bool valid = true;
    if (sameToken(name, "Content-Length")) {
        if (value.isEmpty())
            return false;
        forEachElement(value, [&](QByteArrayView element) {
            if (element.size() > 18 || !std::all_of(element.begin(), element.end(), isDigit)) {
                valid = false;
                return;
            }
            const qint64 length = element.toLongLong();
            if (m_contentLength >= 0 && m_contentLength != length)
                valid = false;
            m_contentLength = length;
        });
    } else if (sameToken(name, "Transfer-Encoding")) {
        m_transferEncoding = true;
        // Only a last coding of "chunked" frames the body; with any other the body runs until the close.
        m_chunked = false;
        forEachElement(value, [&](QByteArrayView element) {
            const qsizetype semicolon = element.indexOf(';');
            m_chunked = sameToken(trimmed(semicolon < 0 ? element : element.first(semicolon)), "chunked");
        });
    } else if (sameToken(name, "Connection")) {
        forEachElement(value, [&](QByteArrayView element) {
            if (sameToken(element, "close"))
                m_connectionClose = true;
            else if (sameToken(element, "keep-alive"))
                m_connectionKeepAlive = true;
        });
    }
    return valid;
}

bool HttpReplyReader::endOfHead()
{
    if (m_status < 200) {
        // An interim reply; the real one follows. Switching protocols was never asked for.
        if (m_status == 101)
            return false;
        m_sawStatusLine = false;
        m_headerCount = 0;
        m_contentLength = -1;
        m_chunked = m_transferEncoding = m_connectionClose = m_connectionKeepAlive = false;
        return true;
    }

    m_keepAlive = m_minorVersion >= 1 ? !m_connectionClose : (m_connectionKeepAlive && !m_connectionClose);
    m_headerCount = 0; // trailers have a count of their own
    m_body.clear();
    if (m_headRequest || m_status == 204 || m_status == 304) {
        m_phase = Phase::Done;
    } else if (m_transferEncoding) {
        // A reply with both framings may be an attempt to smuggle a second one; read it, but not past it.
        if (m_contentLength >= 0)
            m_keepAlive = false;
        m_phase = m_chunked ? Phase::ChunkSize : Phase::UntilClose;
    } else if (m_contentLength >= 0) {
        if (m_contentLength > m_limits.maxBodyBytes)
            return false;
        m_body.reserve(qsizetype(std::min<qint64>(m_contentLength, 1024 * 1024)));
        m_remaining = m_contentLength;
        m_phase = m_remaining == 0 ? Phase::Done : Phase::Length;
    } else {
        m_phase = Phase::UntilClose;
    }
    if (m_phase == Phase::UntilClose)
        m_keepAlive = false;
    return true;
}

bool HttpReplyReader::chunkSizeLine(QByteArrayView line)
{
    const qsizetype semicolon = line.indexOf(';');
    const QByteArrayView digits = trimmed(semicolon < 0 ? line : line.first(semicolon));
    if (digits.isEmpty() || digits.size() > 15)
        return false;
    qint64 size = 0;
    for (const char c : digits) {
        const int value = hexValue(c);
        if (value < 0)
            return false;
        size = size * 16 + value;
    }
    if (size > m_limits.maxBodyBytes - m_body.size())
        return false;
    m_remaining = size;
    m_phase = size == 0 ? Phase::Trailer : Phase::ChunkData;
    return true;
}

bool HttpReplyReader::takeBodyBytes(qsizetype count)
{
    if (count > m_limits.maxBodyBytes - m_body.size())
        return false;
    m_body.append(m_buffer.constData() + m_start, count);
    m_start += count;
    m_remaining -= count;
    return true;
}

} // namespace tally
