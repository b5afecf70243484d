#pragma once

#include <QByteArray>
#include <QString>

#include <pugixml.hpp>

namespace tally {

// Reduces a server reply to one line: the names of the RESPONSE counters that are "1", newest first, then
// each LINEERROR text followed by " - "; the reply itself when nothing can be taken from it. A summary is
// its own summary, so applying this twice changes nothing.
QString ParseTallyResponse(const QString &reply);
// The same for a reply already parsed into the document, from the reply's bytes in UTF-8.
QString ParseTallyResponse(const pugi::xml_document &document, const QByteArray &reply);

} // namespace tally
