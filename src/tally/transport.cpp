#include "tally/transport.h"

#include "errors/errortrap.h"
#include "platform/settings.h"
#include "tally/httpclient.h"
#include "tally/responsesummary.h"
#include "tally/tallyconstants.h"
#include "tally/xmldocument.h"
#include "tally/xmlindent.h"

namespace tally {

namespace {

std::optional<platform::ServerSettings> runServer;

const QString failedPrefix = QStringLiteral("ERROR: ");

bool isTallyReply(const QByteArray &body)
{
    pugi::xml_document document;
    if (!loadXml(document, QString::fromUtf8(body)))
        return false;
    const QString root = localName(document.document_element());
    return root == QLatin1String("RESPONSE") || root == QLatin1String("ENVELOPE");
}

// Raises the error of an answer that is no answer to an import, after putting what happened into the reply.
[[noreturn]] void failPost(TallyReply &reply, const QString &rowText, const QString &description)
{
    reply = TallyReply{failedPrefix + rowText, Delivery::Failed};
    errors::raise(HttpInvalidServerResponse, description);
}

} // namespace

RunServer::RunServer() : RunServer(runServer ? *runServer : platform::readServerSettings()) {}

RunServer::RunServer(const platform::ServerSettings &server) : m_outermost(!runServer)
{
    if (m_outermost)
        runServer = server;
}

RunServer::~RunServer()
{
    if (m_outermost)
        runServer.reset();
}

platform::ServerSettings currentServer()
{
    return runServer ? *runServer : platform::readServerSettings();
}

QString TallyServerUrl()
{
    return TallyServerUrl(currentServer());
}

QString TallyServerUrl(const platform::ServerSettings &server)
{
    return QStringLiteral("http://") + server.address + QLatin1Char(':') + server.port;
}

TallyReply SendTallyRequest(const QString &request)
{
    return errors::trapResult(locationSendTallyRequest, TallyReply{}, [&](TallyReply &reply) {
        // An empty document would only earn a puzzling answer from the server; the fault is ours, so say so.
        pugi::xml_document document;
        if (!loadXml(document, request))
            errors::raise(errors::ErrNo::InvalidProcedureCall,
                          QStringLiteral("The request to Tally is not well-formed XML and was not sent."));
        IndentXmlDocument(document);

        HttpResponse response;
        try {
            const QUrl url = httpUrl(TallyServerUrl());
            // Name the body's type as an HTTP component does by itself; left out, Qt would warn and call it a form.
            response = sendHttpRequest(
                HttpRequest{"POST",
                            url,
                            documentBytes(document),
                            {{QByteArrayLiteral("Content-Type"), QByteArrayLiteral("text/xml;charset=UTF-8")}},
                            httpTimeouts().requestMs});
        } catch (const errors::RuntimeError &error) {
            reply = TallyReply{failedPrefix + QStringLiteral("no answer from Tally (") + error.description() +
                                   QLatin1Char(')'),
                               Delivery::NoAnswer};
            throw;
        }

        if (response.status < 200 || response.status > 299)
            failPost(reply, QStringLiteral("HTTP status %1 from the server, no Tally reply").arg(response.status),
                     QStringLiteral("The Tally server answered the import with HTTP status %1.").arg(response.status));
        if (!isTallyReply(response.body))
            failPost(reply, QStringLiteral("no Tally reply from the server"),
                     QStringLiteral("The Tally server's answer to the import is no Tally reply."));
        reply = TallyReply{ParseTallyResponse(QString::fromUtf8(response.body)), Delivery::Answered};
    });
}

} // namespace tally
