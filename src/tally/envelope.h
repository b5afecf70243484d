#pragma once

#include "tally/xmldocument.h"

#include <QString>

#include <memory>

namespace tally {

// The empty import request for a company; its REQUESTDATA element receives one message element per request.
// "CURRENTLY SELECTED COMPANY IN TALLY" (exact case) names no company, so that Tally imports into the one it
// has open. nullptr after a reported error.
std::unique_ptr<pugi::xml_document> CreateImportEnvelope(const QString &company);

// The REQUESTDATA element of an import envelope; a null node for any other document.
pugi::xml_node ImportRequestData(const pugi::xml_document &document);

// Appends an element with the value as its text (none when the value is empty) to the parent and returns it;
// a null node after a reported error (no document or parent, a name XML does not allow).
pugi::xml_node AddXmlElement(pugi::xml_document *document, pugi::xml_node parent, const QString &name,
                             const QString &value);
// The builders name their elements and attributes with UTF-8 texts fixed in the program; these forms take them
// as they are.
pugi::xml_node AddXmlElement(pugi::xml_document *document, pugi::xml_node parent, const char *name,
                             const QString &value);

// As AddXmlElement when the value is not empty; otherwise adds nothing and returns a null node.
pugi::xml_node AddXmlElementIfValue(pugi::xml_document *document, pugi::xml_node parent, const QString &name,
                                    const QString &value);
pugi::xml_node AddXmlElementIfValue(pugi::xml_document *document, pugi::xml_node parent, const char *name,
                                    const QString &value);

// Sets an attribute on the element, replacing one of the same name. The name may carry a prefix
// ("xmlns:UDF").
void AddXmlAttribute(pugi::xml_document *document, pugi::xml_node element, const QString &name, const QString &value);
void AddXmlAttribute(pugi::xml_document *document, pugi::xml_node element, const char *name, const QString &value);

} // namespace tally
