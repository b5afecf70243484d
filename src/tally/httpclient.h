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
    // Sent in this order, before whatever the network layer adds (host, length, ...).
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

// Sends one request and waits for the whole answer, keeping the window painted but taking no user input.
// Any HTTP answer, an error status included, is returned; a transport failure or time-out raises
// errors::RuntimeError with one of the errors::ErrNo::Http* numbers. Never lets an exception into the
// event loop it runs.
HttpResponse sendHttpRequest(const HttpRequest &request);

} // namespace tally
