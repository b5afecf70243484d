#include "tally/httpclient.h"

#include "errors/errortrap.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QThreadStorage>
#include <QTimer>

#include <memory>

namespace tally {

namespace {

HttpTimeouts timeouts;

// One manager per thread: replies are cheap, a manager is not, and posting thousands of requests in a row must
// not pay for one each time. Qt deletes a thread's manager when the thread (or, for the main thread, the
// application object) ends.
QNetworkAccessManager &threadManager()
{
    static QThreadStorage<QNetworkAccessManager *> managers;
    if (!managers.hasLocalData())
        managers.setLocalData(new QNetworkAccessManager);
    return *managers.localData();
}

[[noreturn]] void raiseTransport(qint32 number, const char *description)
{
    errors::raise(number, QString::fromLatin1(description));
}

[[noreturn]] void raiseFailure(QNetworkReply::NetworkError error)
{
    using errors::ErrNo::HttpCannotConnect;
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
        raiseTransport(HttpCannotConnect, "A connection with the server could not be established");
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::OperationCanceledError:
        raiseTransport(errors::ErrNo::HttpConnectionReset, "The connection with the server was reset");
    case QNetworkReply::HostNotFoundError:
        raiseTransport(errors::ErrNo::HttpNameNotResolved, "The server name or address could not be resolved");
    case QNetworkReply::TimeoutError:
        raiseTransport(errors::ErrNo::HttpTimeout, "The operation timed out");
    case QNetworkReply::ProtocolUnknownError:
        raiseTransport(errors::ErrNo::HttpUnrecognizedScheme, "The URL does not use a recognized protocol");
    case QNetworkReply::ProtocolFailure:
        raiseTransport(HttpInvalidServerResponse, "The server returned an invalid or unrecognized response");
    default:
        raiseTransport(HttpCannotConnect, "A connection with the server could not be established");
    }
}

// Qt reports an HTTP error status as a reply error too; only failures below HTTP (connection, proxy, a
// response that is not HTTP) make the request fail.
bool isTransportFailure(QNetworkReply::NetworkError error)
{
    return (error > QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied) ||
           error == QNetworkReply::ProtocolFailure;
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
        raiseTransport(errors::ErrNo::HttpUnrecognizedScheme, "The URL does not use a recognized protocol");
    return url;
}

HttpResponse sendHttpRequest(const HttpRequest &request)
{
    QNetworkRequest networkRequest(request.url);
    for (const auto &[name, value] : request.headers)
        networkRequest.setRawHeader(name, value);
    // Every request stands alone, as if sent by a fresh HTTP object: no cookies carried over, plain HTTP/1.1.
    networkRequest.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    networkRequest.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    networkRequest.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);

    QNetworkAccessManager &manager = threadManager();
    std::unique_ptr<QNetworkReply> reply;
    if (request.method == "GET" && request.body.isEmpty())
        reply.reset(manager.get(networkRequest));
    else if (request.method == "POST")
        reply.reset(manager.post(networkRequest, request.body));
    else
        reply.reset(manager.sendCustomRequest(networkRequest, request.method, request.body));

    bool timedOut = false;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        if (reply->isFinished())
            return; // the answer came in just before the time ran out
        timedOut = true;
        reply->abort();
    });
    timer.start(request.timeoutMs);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    timer.stop();
    reply->disconnect(&loop);

    if (timedOut)
        raiseTransport(errors::ErrNo::HttpTimeout, "The operation timed out");
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid() || isTransportFailure(reply->error()))
        raiseFailure(reply->error());
    return HttpResponse{status.toInt(), reply->readAll()};
}

} // namespace tally
