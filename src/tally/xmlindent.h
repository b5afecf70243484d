#pragma once

#include <QByteArray>

#include <pugixml.hpp>

#include <string>

namespace tally {

// Lays a document out one element to a line, two blanks deeper per level, lines ending in CR LF and nothing
// after the root's end tag. Expects a tree without white-space text (as loadXml leaves it), so that an
// indented document is not indented twice. Does nothing to a document without a root element.
void IndentXmlDocument(pugi::xml_document &document);

// The bytes IndentXmlDocument and then documentBytes would make of the document, written in one pass and
// leaving the document as it is.
QByteArray indentedDocumentBytes(const pugi::xml_document &document);

// The same for one node and everything below it, starting at the given indentation.
void IndentXmlNode(pugi::xml_node node, int indentation);

// Appends UTF-8 text escaped as the writer escapes it: an element's text, or an attribute's value.
void appendEscapedText(std::string &bytes, const char *text);
void appendEscapedAttribute(std::string &bytes, const char *text);

} // namespace tally
