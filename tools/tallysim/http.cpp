#include "tallysim/http.h"

#include <QByteArrayList>

#include <optional>

namespace tallysim {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isTokenChar(char c)
{
    const auto u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u >= 0x7f)
        return false;
    return !QByteArrayView("\"(),/:;<=>?@[\\]{}").contains(c);
}

bool isToken(QByteArrayView text)
{
    if (text.isEmpty())
        return false;
    for (char c : text) {
        if (!isTokenChar(c))
            return false;
    }
    return true;
}

// Field values may carry tabs and bytes above 127, but no other control characters.
bool isFieldValue(QByteArrayView text)
{
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\t') || u == 0x7f)
            return false;
    }
    return true;
}

bool isTarget(QByteArrayView text)
{
    if (text.isEmpty())
        return false;
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u == 0x7f)
            return false;
    }
    return true;
}

QByteArray trimmedField(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t'))
        ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t'))
        --end;
    return text.sliced(begin, end - begin).toByteArray();
}

bool hasToken(const QByteArray &list, QByteArrayView token)
{
    const QByteArrayList items = list.split(',');
    for (const QByteArray &item : items) {
        if (trimmedField(item).compare(token, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

} // namespace

HttpRequestReader::Result HttpRequestReader::fail(int status)
{
    m_failureStatus = status;
    m_buffer.clear();
    m_lines.clear();
    return Result::Failed;
}

HttpRequestReader::Result HttpRequestReader::next(HttpRequest &request)
{
    if (m_failureStatus != 0)
        return Result::Failed;
    if (!m_headRead) {
        const Result result = readHead();
        if (result != Result::Ready)
            return result;
    }
    if (m_buffer.size() - m_headBytes < m_bodyLength)
        return Result::NeedMore;

    request = std::move(m_head);
    request.body = m_buffer.mid(m_headBytes, m_bodyLength);
    m_buffer.remove(0, m_headBytes + m_bodyLength);
    m_head = HttpRequest();
    m_headRead = false;
    m_headBytes = 0;
    m_bodyLength = 0;
    m_scanned = 0;
    return Result::Ready;
}

HttpRequestReader::Result HttpRequestReader::readHead()
{
    for (;;) {
        const qsizetype newline = m_buffer.indexOf('\n', m_scanned);
        if (newline < 0) {
            if (m_buffer.size() > m_limits.maxHeadBytes)
                return fail(431);
            return Result::NeedMore;
        }
        if (newline + 1 > m_limits.maxHeadBytes)
            return fail(431);
        QByteArrayView line(m_buffer.constData() + m_scanned, newline - m_scanned);
        if (line.endsWith('\r'))
            line.chop(1);
        m_scanned = newline + 1;
        if (line.isEmpty()) {
            if (m_lines.isEmpty())
                continue; // blank lines before a request line are tolerated
            break;
        }
        if (m_lines.size() > m_limits.maxHeaderCount)
            return fail(431);
        m_lines.append(line.toByteArray());
    }

    m_headBytes = m_scanned;
    const int status = parseHead();
    m_lines.clear();
    if (status != 0)
        return fail(status);
    m_headRead = true;
    return Result::Ready;
}

int HttpRequestReader::parseHead()
{
    const QByteArrayList parts = m_lines.first().split(' ');
    if (parts.size() != 3 || !isToken(parts[0]) || !isTarget(parts[1]))
        return 400;
    const QByteArray &version = parts[2];
    if (version.size() != 8 || !version.startsWith("HTTP/") || version[6] != '.' || !isDigit(version[5]) ||
        !isDigit(version[7]))
        return 400;
    if (version[5] != '1')
        return 505;
    m_head.method = parts[0];
    m_head.target = parts[1];
    m_head.minorVersion = version[7] - '0';

    std::optional<qint64> contentLength;
    QByteArray connection;
    for (qsizetype i = 1; i < m_lines.size(); ++i) {
        const QByteArray &line = m_lines[i];
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            return 400;
        const QByteArray name = line.left(colon);
        const QByteArray value = trimmedField(QByteArrayView(line).sliced(colon + 1));
        // A name that is no token also covers folded continuation lines, which start with white space.
        if (!isToken(name) || !isFieldValue(value))
            return 400;
        m_head.headers.append({name, value});

        if (name.compare("Content-Length", Qt::CaseInsensitive) == 0) {
            if (value.isEmpty() || value.size() > 18)
                return value.size() > 18 ? 413 : 400;
            for (char c : value) {
                if (!isDigit(c))
                    return 400;
            }
            const qint64 length = value.toLongLong();
            if (contentLength && *contentLength != length)
                return 400;
            contentLength = length;
        } else if (name.compare("Transfer-Encoding", Qt::CaseInsensitive) == 0) {
            return 501;
        } else if (name.compare("Connection", Qt::CaseInsensitive) == 0) {
            connection += ',' + value;
        } else if (name.compare("Expect", Qt::CaseInsensitive) == 0) {
            if (value.compare("100-continue", Qt::CaseInsensitive) != 0)
                return 417;
            m_head.expectsContinue = true;
        }
    }

    if (contentLength.value_or(0) > m_limits.maxBodyBytes)
        return 413;
    m_bodyLength = contentLength.value_or(0);
    m_head.keepAlive = m_head.minorVersion >= 1 ? !hasToken(connection, "close") : hasToken(connection, "keep-alive");
    return 0;
}

QByteArray httpReasonPhrase(int status)
{
    switch (status) {
    case 100:
        return "Continue";
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 408:
        return "Request Timeout";
    case 413:
        return "Content Too Large";
    case 417:
        return "Expectation Failed";
    case 431:
        return "Request Header Fields Too Large";
    case 500:
        return "Internal Server Error";
    case 501:
        return "Not Implemented";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    case 504:
        return "Gateway Timeout";
    case 505:
        return "HTTP Version Not Supported";
    default:
        return status < 400 ? "OK" : "Error";
    }
}

QByteArray httpResponse(int status, QByteArrayView body, bool closeConnection, bool headOnly)
{
    QByteArray bytes;
    bytes.reserve(128 + (headOnly ? 0 : body.size()));
    bytes += "HTTP/1.1 " + QByteArray::number(status) + ' ' + httpReasonPhrase(status) +
             "\r\nContent-Type: text/xml; charset=utf-8\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n";
    if (closeConnection)
        bytes += "Connection: close\r\n";
    bytes += "\r\n";
    if (!headOnly)
        bytes += body;
    return bytes;
}

} // namespace tallysim
