#include "tally/transport.h"

#include "errors/errortrap.h"
#include "platform/settings.h"
#include "tally/httpclient.h"
#include "tally/responsesummary.h"
#include "tally/tallyconstants.h"
#include "tally/xmldocument.h"
#include "tally/xmlindent.h"

namespace tally {

QString TallyServerUrl()
{
    return TallyServerUrl(platform::readServerSettings());
}

QString TallyServerUrl(const platform::ServerSettings &server)
{
    return QStringLiteral("http://") + server.address + QLatin1Char(':') + server.port;
}

TallyReply SendTallyRequest(const QString &request)
{
    return errors::trapResult(
        locationSendTallyRequest, TallyReply{QString(), Delivery::NoAnswer}, [&](TallyReply &reply) {
            const QUrl url = httpUrl(TallyServerUrl());

            // An empty document would only earn a puzzling answer from the server; the fault is ours, so say so.
            pugi::xml_document document;
            if (!loadXml(document, request)) {
                reply.delivery = Delivery::NotSent;
                errors::raise(errors::ErrNo::InvalidProcedureCall,
                              QStringLiteral("The request to Tally is not well-formed XML and was not sent."));
            }
            IndentXmlDocument(document);

            // Name the body's type as an HTTP component does by itself; left out, Qt would warn and call it a form.
            const HttpResponse response = sendHttpRequest(
                HttpRequest{"POST",
                            url,
                            documentBytes(document),
                            {{QByteArrayLiteral("Content-Type"), QByteArrayLiteral("text/xml;charset=UTF-8")}},
                            httpTimeouts().requestMs});
            reply = TallyReply{ParseTallyResponse(QString::fromUtf8(response.body)), Delivery::Answered};
        });
}

} // namespace tally
