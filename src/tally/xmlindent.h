#pragma once

#include <pugixml.hpp>

namespace tally {

// Lays a document out one element to a line, two blanks deeper per level, lines ending in CR LF and nothing
// after the root's end tag. Expects a tree without white-space text (as loadXml leaves it), so that an
// indented document is not indented twice. Does nothing to a document without a root element.
void IndentXmlDocument(pugi::xml_document &document);

// The same for one node and everything below it, starting at the given indentation.
void IndentXmlNode(pugi::xml_node node, int indentation);

} // namespace tally
