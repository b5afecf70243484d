#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>

namespace tally {

// Not among the numbers the error trap knows by name: the server answered with something that is not HTTP.
inline constexpr qint32 HttpInvalidServerResponse = qint32(0x80072F78U);

// How long a request may take before it counts as failed. The probe only asks whether anything answers, so it
// gives up soon; an import may keep a busy server thinking for a while.
struct HttpTimeouts
{
    int probeMs = 5000;
    int requestMs = 60000;
};

HttpTimeouts httpTimeouts();
// Tests shorten the limits so that a silent server does not hold them up for a minute.
void setHttpTimeouts(const HttpTimeouts &timeouts);

struct HttpRequest
{
    QByteArray method;
    QUrl url;
    QByteArray body;
    // Sent in this order, after Host and before Content-Length, which the client adds itself.
    QList<QPair<QByteArray, QByteArray>> headers;
    int timeoutMs = 0;
};

struct HttpResponse
{
    int status = 0;
    QByteArray body;
};

// The URL of a request, or errors::RuntimeError (HttpInvalidUrl, HttpUnrecognizedScheme) when it names no
// HTTP server.
QUrl httpUrl(const QString &url);

// Sends one HTTP/1.1 request on this thread and waits for the whole answer, keeping the window painted but
// taking no user input. Any HTTP answer, an error status included, is returned; a transport failure, an
// answer that is not HTTP (or too large) and a time-out raise errors::RuntimeError with one of the
// errors::ErrNo::Http* numbers or HttpInvalidServerResponse. Never lets an exception into the event loop it runs.
//
// Each thread keeps one connection open to the server it spoke to last, unless the request or the answer said
// "Connection: close". A kept connection that the server has closed meanwhile is replaced before anything is
// written on it; once a request has been written it is never sent again, whatever happens to it.
HttpResponse sendHttpRequest(const HttpRequest &request);

} // namespace tally
