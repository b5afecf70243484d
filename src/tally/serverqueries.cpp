#include "tally/serverqueries.h"

#include "tally/httpclient.h"
#include "tally/tallyconstants.h"
#include "tally/xmldocument.h"

#include <initializer_list>

namespace tally {

namespace {

QByteArray requestLines(std::initializer_list<const char *> lines)
{
    QByteArray text;
    for (const char *line : lines)
        text += QByteArray(line) + "\r\n";
    return text;
}

const QByteArray &currentCompanyRequest()
{
    static const QByteArray text = requestLines({
        "<ENVELOPE>",
        "<HEADER>",
        "<TALLYREQUEST> Export Data </TALLYREQUEST>",
        "</HEADER>",
        "<BODY>",
        "<EXPORTDATA>",
        "<REQUESTDESC>",
        "<REPORTNAME>List of Accounts</REPORTNAME>",
        "<STATICVARIABLES>",
        "<SVEXPORTFORMAT> $$SysName:XML </SVEXPORTFORMAT>",
        "<ACCOUNTTYPE>Units</ACCOUNTTYPE>",
        "</STATICVARIABLES>",
        "</REQUESTDESC>",
        "</EXPORTDATA>",
        "</BODY>",
        "</ENVELOPE>",
    });
    return text;
}

const QByteArray &companyListRequest()
{
    static const QByteArray text = requestLines({
        "<ENVELOPE>",
        "<HEADER>",
        "<TALLYREQUEST>Export Data</TALLYREQUEST>",
        "</HEADER>",
        "<BODY>",
        "<EXPORTDATA>",
        "<REQUESTDESC>",
        "<REPORTNAME>List of Companies</REPORTNAME>",
        "<STATICVARIABLES>",
        "<SVEXPORTFORMAT> $$SysName:XML </SVEXPORTFORMAT>",
        "</STATICVARIABLES>",
        "</REQUESTDESC>",
        "</EXPORTDATA>",
        "</BODY>",
        "</ENVELOPE>",
    });
    return text;
}

// The export queries name their body's type themselves and ask the server to close the connection.
QString postQuery(const QString &url, const QByteArray &body)
{
    const HttpResponse response = sendHttpRequest(HttpRequest{
        "POST",
        httpUrl(url),
        body,
        {{QByteArrayLiteral("Content-Type"), QByteArrayLiteral("text/xml")},
         {QByteArrayLiteral("Connection"), QByteArrayLiteral("close")}},
        httpTimeouts().requestMs,
    });
    return QString::fromUtf8(response.body);
}

} // namespace

bool IsTallyRunning(const QString &url)
{
    try {
        sendHttpRequest(HttpRequest{"GET", httpUrl(url), {}, {}, httpTimeouts().probeMs});
        return true;
    } catch (...) {
        return false;
    }
}

QString GetTallyVersion(const QString &url)
{
    try {
        pugi::xml_document document;
        loadXml(document, postQuery(url, QByteArray()));
        const auto responses = elementsNamed(document, QStringLiteral("RESPONSE"));
        if (responses.empty())
            return QString::fromLatin1(defaultServerVersion);
        return textContent(responses.front());
    } catch (...) {
        return {};
    }
}

QString GetCurrentCompany(const QString &url)
{
    try {
        const QString reply = postQuery(url, currentCompanyRequest());
        pugi::xml_document document;
        loadXml(document, reply);
        if (!reply.contains(QLatin1String("SVCURRENTCOMPANY")))
            return {};
        const auto companies = elementsNamed(document, QStringLiteral("SVCURRENTCOMPANY"));
        if (companies.empty())
            return {};
        return textContent(companies.front());
    } catch (...) {
        return {};
    }
}

QStringList GetCompanyList(const QString &url)
{
    QStringList list{QString::fromLatin1(noCompanyFound), QString()};
    try {
        const QString reply = postQuery(url, companyListRequest());
        pugi::xml_document document;
        loadXml(document, reply);
        const auto companies = elementsNamed(document, QStringLiteral("COMPANYNAME"));
        if (companies.empty()) {
            list = QStringList{QString(), reply};
        } else {
            list = QStringList(qsizetype(companies.size()) + 1);
            for (size_t i = 0; i < companies.size(); ++i)
                list[qsizetype(i)] = textContent(companies[i]);
        }
    } catch (...) {
    }
    return list;
}

bool IsCompanyListExport(const QString &reply)
{
    pugi::xml_document document;
    return loadXml(document, reply) && localName(document.document_element()) == QLatin1String("ENVELOPE");
}

} // namespace tally
