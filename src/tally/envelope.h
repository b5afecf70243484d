#pragma once

#include "tally/xmldocument.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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

// An import request written out as it is built, without a document in memory: the bytes are those that
// building the request with CreateImportEnvelope and the functions above, then sending it with
// SendTallyDocument, would put on the wire. Elements come in document order below REQUESTDATA, each ended by
// close(); an element holds text or elements, never both. An attribute goes to the innermost element not yet
// closed, even after its text or children, and each name is set once. Each call reports a failure under the
// location code of the function it stands for, and leaves out what it could not write, as that function does.
// A call that breaks these rules (a name XML does not allow, an attribute set twice, text beside elements, a
// close with nothing open) raises errors::RuntimeError, as a bad value does, in every build.
class ImportRequestWriter final
{
public:
    // Which element of the request one is; every element opened gets one of its own, never 0.
    using ElementId = std::uint64_t;

    // Starts the request for a company; false after a reported error, as CreateImportEnvelope.
    bool start(const QString &company);
    // The same, then opens the message: TALLYMESSAGE and, inside it, the element of the master or voucher it
    // imports, which the calls that follow fill.
    bool startMessage(const QString &company, const char *object);

    // An element whose text, attributes and children come next; it ends with close().
    ElementId open(const char *name);
    void close();
    // The innermost open element; 0 when none is.
    ElementId innermost() const { return m_open.empty() ? 0 : m_open.back().id; }
    // Closes the elements opened inside the element, which then takes the next child; raises when the element
    // is not open (closed already, or never opened).
    void closeInside(ElementId element);
    // Sets an attribute of the innermost open element; false, the attribute left out, when the value cannot go.
    bool attribute(const char *name, const QString &value);
    // Gives the element just opened its text, as AddXmlElement; false, the text left out, when it cannot go.
    bool text(const QString &value);

    // A whole element, as AddXmlElement; false, with nothing written, when its text cannot go.
    bool element(const char *name, const QString &value);
    // As AddXmlElementIfValue: nothing for an empty value, else false when the element cannot be made.
    bool elementIfValue(const char *name, const QString &value);

    // The request's bytes, as SendTallyBytes takes them, with the elements still open closed.
    QByteArray finish();

private:
    struct OpenElement
    {
        ElementId id;
        std::size_t nameAt; // where its name stands in the start tag, for the end tag
        std::size_t nameSize;
        int indentation;
        std::size_t attributesEnd; // where the next attribute goes
        bool tagOpen;              // the start tag still waits for its ">"
        bool onLines;              // the children stand on lines of their own
        bool hasText;
    };

    void writeElement(const char *name, const QString &value);
    void writeText(const char *text);

    std::string m_bytes;
    std::vector<OpenElement> m_open;
    std::string m_tail; // the envelope after the messages
    int m_messageIndentation = 0;
    ElementId m_lastId = 0;
};

} // namespace tally
