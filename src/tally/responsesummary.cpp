#include "tally/responsesummary.h"

#include "errors/errortrap.h"
#include "tally/tallyconstants.h"
#include "tally/xmldocument.h"

#include <vector>

namespace tally {

namespace {

const QString lineError = QStringLiteral("LINEERROR");
const QString lineErrorSeparator = QStringLiteral(" - ");
const QString counterSet = QStringLiteral("1");
const QString counterClear = QStringLiteral("0");

// A RESPONSE element's first child seeds the summary; in an import reply that is the first counter's "0" or
// "1", which the first counter found set then replaces.
void summarise(pugi::xml_node response, QString &summary)
{
    summary += textContent(response.first_child());

    std::vector<pugi::xml_node> children;
    for (const pugi::xml_node child : response.children())
        children.push_back(child);

    for (const pugi::xml_node child : children) {
        const QString name = localName(child);
        if (name == lineError) {
            summary += textContent(child) + lineErrorSeparator;
        } else if (textContent(child) == counterSet) {
            if (summary == counterClear || summary == counterSet)
                summary = name;
            else
                summary = name + QLatin1Char(' ') + summary;
        }
    }
}

QString summaryOf(const pugi::xml_document &document, const QString &reply)
{
    QString summary;
    for (const pugi::xml_node response : elementsNamed(document, QStringLiteral("RESPONSE")))
        summarise(response, summary);
    return summary.isEmpty() ? reply : summary;
}

} // namespace

QString ParseTallyResponse(const QString &reply)
{
    return errors::trapResult(locationParseTallyResponse, QString(), [&](QString &result) {
        pugi::xml_document document;
        loadXml(document, reply);
        result = summaryOf(document, reply);
    });
}

QString ParseTallyResponse(const pugi::xml_document &document, const QString &reply)
{
    return errors::trapResult(locationParseTallyResponse, QString(),
                              [&](QString &result) { result = summaryOf(document, reply); });
}

} // namespace tally
