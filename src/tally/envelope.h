#pragma once

#include "tally/xmldocument.h"

#include <QString>

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
class ImportRequestWriter final
{
public:
    // Starts the request for a company; false after a reported error, as CreateImportEnvelope.
    bool start(const QString &company);
    // The same, then opens the message: TALLYMESSAGE and, inside it, the element of the master or voucher it
    // imports, which the calls that follow fill.
    bool startMessage(const QString &company, const char *object);

    // An element whose text, attributes and children come next; it ends with close().
    void open(const char *name);
    void close();
    // How many elements are open.
    std::size_t depth() const { return m_open.size(); }
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
        const char *name;
        int indentation;
        std::size_t attributesEnd; // where the next attribute goes
        bool tagOpen;              // the start tag still waits for its ">"
        bool onLines;              // the children stand on lines of their own
    };

    void writeElement(const char *name, const QString &value);

    std::string m_bytes;
    std::vector<OpenElement> m_open;
    std::string m_tail; // the envelope after the messages
    int m_messageIndentation = 0;
};

} // namespace tally
