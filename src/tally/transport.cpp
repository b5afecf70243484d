#include "tally/transport.h"

#include "errors/errortrap.h"
#include "platform/settings.h"
#include "tally/httpclient.h"
#include "tally/responsesummary.h"
#include "tally/tallyconstants.h"
#include "tally/xmldocument.h"
#include "tally/xmlindent.h"

#include <utility>

namespace tally {

namespace {

std::optional<platform::ServerSettings> runServer;

const QString failedPrefix = QStringLiteral("ERROR: ");

// Whether the document parsed from an answer is a Tally reply: well-formed XML whose root is RESPONSE or ENVELOPE.
// Bytes in valid UTF-8 are parsed as they came, being what their text would turn back into; any others are parsed
// as the text that stands for them.
bool isTallyReply(pugi::xml_document &document, const QByteArray &bytes)
{
    if (!(bytes.isValidUtf8() ? loadXml(document, QByteArrayView(bytes)) : loadXml(document, QString::fromUtf8(bytes))))
        return false;
    const pugi::xml_node root = document.document_element();
    return hasLocalName(root, "RESPONSE") || hasLocalName(root, "ENVELOPE");
}

// The kinds of failed post: a run shows the first of each kind and logs the rest, so that a server failing every
// post does not raise a box per row. An HTTP error status is one kind whatever the status.
const QString kindHttpStatus = QStringLiteral("Tally post: HTTP error status");
const QString kindNoTallyReply = QStringLiteral("Tally post: no Tally reply");
const QString kindImportedNothing = QStringLiteral("Tally post: nothing imported");

// Raises the error of an answer that is no answer to an import, after putting what happened into the reply.
[[noreturn]] void failPost(TallyReply &reply, const QString &kind, const QString &rowText, const QString &description)
{
    reply = TallyReply{failedPrefix + rowText, Delivery::Failed};
    errors::raiseOfKind(kind, HttpInvalidServerResponse, description);
}

// The counters of an import reply that tell that the server took the request up: something was created, altered
// or combined, or it was refused. A reply with none of them above 0 imported nothing, whatever else it says.
constexpr const char *importCounters[] = {"CREATED", "ALTERED", "COMBINED", "ERRORS", "EXCEPTIONS"};

// What a Tally reply that imported nothing says, for its row and its error: that its counters are all 0, or, for
// a reply without them ("Unknown Request, cannot be processed", the server's answer to a body it cannot read),
// its words. Nothing when the reply counts something.
std::optional<QString> nothingImported(const pugi::xml_document &answer, const QString &summary)
{
    bool counted = false;
    for (const char *counter : importCounters) {
        for (const pugi::xml_node node : elementsNamed(answer, counter)) {
            counted = true;
            bool isNumber = false;
            const double count = textContent(node).trimmed().toDouble(&isNumber);
            if (isNumber && count > 0)
                return std::nullopt;
        }
    }
    if (counted)
        return QStringLiteral("its reply counts nothing created, altered, combined or refused");
    return QStringLiteral("it answered \"") + summary.simplified() + QLatin1Char('"');
}

// The row of a post whose answer never came. A server that timed out may have taken the request and only
// answered late (a refused connection fails at once, before anything is written), so its row says the post may
// have been imported. Posting again is safe: the same REMOTEID or name alters what a first post made.
QString noAnswerText(const errors::RuntimeError &error)
{
    QString text = failedPrefix + QStringLiteral("no answer from Tally (") + error.description() + QLatin1Char(')');
    if (error.number() == errors::ErrNo::HttpTimeout)
        text += QStringLiteral("; it may have been imported all the same, and posting it again is safe (it alters)");
    return text;
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

namespace {

// The URL of the run's server, parsed once for as long as the settings name the same server.
QUrl serverUrl()
{
    struct Parsed
    {
        platform::ServerSettings server;
        QUrl url;
    };
    thread_local std::optional<Parsed> last;
    platform::ServerSettings server = currentServer();
    if (!last || last->server.address != server.address || last->server.port != server.port) {
        QUrl url = httpUrl(TallyServerUrl(server));
        last = Parsed{std::move(server), std::move(url)};
    }
    return last->url;
}

// Posts a request laid out already; reply takes what happened, and a failure raises.
void postRequest(QByteArray request, TallyReply &reply)
{
    HttpResponse response;
    try {
        const QUrl url = serverUrl();
        // Name the body's type as an HTTP component does by itself; left out, Qt would warn and call it a form.
        response = sendHttpRequest(
            HttpRequest{"POST",
                        url,
                        std::move(request),
                        {{QByteArrayLiteral("Content-Type"), QByteArrayLiteral("text/xml;charset=UTF-8")}},
                        httpTimeouts().requestMs});
    } catch (const errors::RuntimeError &error) {
        reply = TallyReply{noAnswerText(error), Delivery::NoAnswer};
        throw;
    }

    if (response.status < 200 || response.status > 299)
        failPost(reply, kindHttpStatus,
                 QStringLiteral("HTTP status %1 from the server, no Tally reply").arg(response.status),
                 QStringLiteral("The Tally server answered the import with HTTP status %1.").arg(response.status));
    pugi::xml_document answer;
    if (!isTallyReply(answer, response.body))
        failPost(reply, kindNoTallyReply, QStringLiteral("no Tally reply from the server"),
                 QStringLiteral("The Tally server's answer to the import is no Tally reply."));
    const QString summary = ParseTallyResponse(answer, response.body);
    if (const std::optional<QString> why = nothingImported(answer, summary))
        failPost(reply, kindImportedNothing, QStringLiteral("Tally imported nothing; ") + *why,
                 QStringLiteral("The Tally server imported nothing of the request; ") + *why + QLatin1Char('.'));
    reply = TallyReply{summary, Delivery::Answered};
}

// An empty document would only earn a puzzling answer from the server; the fault is ours, so say so.
[[noreturn]] void raiseNotWellFormed()
{
    errors::raise(errors::ErrNo::InvalidProcedureCall,
                  QStringLiteral("The request to Tally is not well-formed XML and was not sent."));
}

} // namespace

TallyReply SendTallyRequest(const QString &request)
{
    return errors::trapResult(locationSendTallyRequest, TallyReply{}, [&](TallyReply &reply) {
        pugi::xml_document document;
        if (!loadXml(document, request))
            raiseNotWellFormed();
        postRequest(indentedDocumentBytes(document), reply);
    });
}

TallyReply SendTallyDocument(pugi::xml_document &document)
{
    return errors::trapResult(locationSendTallyRequest, TallyReply{}, [&](TallyReply &reply) {
        if (!settleAsLoaded(document))
            raiseNotWellFormed();
        postRequest(indentedDocumentBytes(document), reply);
    });
}

TallyReply SendTallyBytes(QByteArray request)
{
    return errors::trapResult(locationSendTallyRequest, TallyReply{},
                              [&](TallyReply &reply) { postRequest(std::move(request), reply); });
}

} // namespace tally
