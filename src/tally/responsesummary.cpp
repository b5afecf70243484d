#include "tally/responsesummary.h"

#include "errors/errortrap.h"
#include "tally/tallyconstants.h"
#include "tally/xmldocument.h"

#include <string_view>

namespace tally {

namespace {

constexpr std::string_view lineError = "LINEERROR";
const QString lineErrorSeparator = QStringLiteral(" - ");
constexpr std::string_view counterIsSet = "1";
const QString counterSet = QStringLiteral("1");
const QString counterClear = QStringLiteral("0");

// A RESPONSE element's first child seeds the summary; in an import reply that is the first counter's "0" or
// "1", which the first counter found set then replaces.
void summarise(pugi::xml_node response, QString &summary)
{
    summary += textContent(response.first_child());

    for (const pugi::xml_node child : response.children()) {
        if (hasLocalName(child, lineError)) {
            summary += textContent(child) + lineErrorSeparator;
        } else if (textContentIs(child, counterIsSet)) {
            const QString name = localName(child);
            if (summary == counterClear || summary == counterSet)
                summary = name;
            else
                summary = name + QLatin1Char(' ') + summary;
        }
    }
}

// The summary of the reply, or nothing when nothing can be taken from it.
QString summaryOf(const pugi::xml_document &document)
{
    QString summary;
    for (const pugi::xml_node response : elementsNamed(document, "RESPONSE"))
        summarise(response, summary);
    return summary;
}

} // namespace

QString ParseTallyResponse(const QString &reply)
{
    return errors::trapResult(locationParseTallyResponse, QString(), [&](QString &result) {
        pugi::xml_document document;
        loadXml(document, reply);
        result = summaryOf(document);
        if (result.isEmpty())
            result = reply;
    });
}

QString ParseTallyResponse(const pugi::xml_document &document, const QByteArray &reply)
{
    return errors::trapResult(locationParseTallyResponse, QString(), [&](QString &result) {
        result = summaryOf(document);
        if (result.isEmpty())
            result = QString::fromUtf8(reply);
    });
}

} // namespace tally
