#pragma once

#include <QByteArray>
#include <QString>

#include <pugixml.hpp>

#include <string_view>
#include <vector>

namespace tally {

// Parses a whole XML document. Text that is only white space is dropped, comments and processing instructions
// are kept. Anything that is not one well-formed document (no root element, two roots, text beside the root,
// a syntax error) leaves the document empty and returns false; it never raises.
bool loadXml(pugi::xml_document &document, const QString &text);
// The same for text in UTF-8.
bool loadXml(pugi::xml_document &document, QByteArrayView utf8);

// Whether UTF-8 text is empty or only XML white space, which loading drops from between elements.
bool isBlank(const char *text);

// Makes a document built in memory what loadXml would make of its text, so that it can be sent without being
// written out and parsed again: text that is only white space goes, CR LF and CR in text become LF, declarations
// and document types go. Returns false, leaving the document as it was, when its text would not load.
bool settleAsLoaded(pugi::xml_document &document);

// The document as the builders pass it on and as it goes over the wire: UTF-8, no XML declaration, written
// exactly as its nodes lay it out.
QByteArray documentBytes(const pugi::xml_document &document);
QString DocumentXml(const pugi::xml_document &document);

// The text a node holds: the value of a text, comment or processing instruction, or all the text below an
// element or document, in document order.
QString textContent(pugi::xml_node node);
// Whether textContent() of the node is the given UTF-8 text, found without building it.
bool textContentIs(pugi::xml_node node, std::string_view text);

// The elements of that name below a node, in document order (what "//NAME" selects in a document).
std::vector<pugi::xml_node> elementsNamed(pugi::xml_node top, const QString &name);
// The same for a name in UTF-8.
std::vector<pugi::xml_node> elementsNamed(pugi::xml_node top, const char *name);

// A node's name without its namespace prefix; empty for every node but an element.
QString localName(pugi::xml_node node);
// Whether the node is an element whose name, leaving aside a namespace prefix, is that one.
bool hasLocalName(pugi::xml_node node, std::string_view wanted);

// Whether the text is an XML name that a namespace-aware parser accepts: at most one colon, not at either end.
bool isXmlName(const QString &name);
// The same for a UTF-8 text.
bool isXmlName(const char *name);

// Raises "object not set": what the trapped routines report when handed a node or document that an earlier
// failure never made.
[[noreturn]] void raiseObjectNotSet();
inline void requireNode(pugi::xml_node node)
{
    if (!node)
        raiseObjectNotSet();
}

inline QString fromXml(const pugi::char_t *text)
{
    return QString::fromUtf8(text);
}

} // namespace tally
