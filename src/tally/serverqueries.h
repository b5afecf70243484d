#pragma once

#include <QString>
#include <QStringList>

namespace tally {

// What the refresh asks the server before anything is imported. None of these reports an error: each returns
// what it has when the server cannot be asked, which the caller takes for a missing answer.

// True when anything answers HTTP at the URL, even with an error status.
bool IsTallyRunning(const QString &url);

// The text of the reply's first RESPONSE element, "Tally ees 6.3 Server is Running." when it has none, "" on
// failure.
QString GetTallyVersion(const QString &url);

// The company open in the server, "" when the reply names none or the server cannot be asked.
QString GetCurrentCompany(const QString &url);

// The n companies of the reply followed by one empty entry; with no company in the reply "" and the whole
// reply; when the server cannot be asked "No Company Found." and "".
QStringList GetCompanyList(const QString &url);

// Whether a reply to the company-list query is an export of Tally's own (an ENVELOPE), so that one naming no
// company says the server holds none. Anything else (an HTTP error page, bytes that are no XML, a RESPONSE text)
// does not answer the query.
bool IsCompanyListExport(const QString &reply);

} // namespace tally
