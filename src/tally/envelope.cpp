#include "tally/envelope.h"

#include "errors/errortrap.h"
#include "tally/tallyconstants.h"
#include "tally/xmlindent.h"
#include "tally/xmltext.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace tally {

namespace {

// The envelope as Tally documents it, one line to a row; the company line only for a named company.
struct EnvelopeLine
{
    const char *text;
    bool namesCompany;
};

// clang-format off
constexpr EnvelopeLine envelopeLines[] = {
    {"<ENVELOPE>", false},
    {"<HEADER>", false},
    {"<TALLYREQUEST> Import Data </TALLYREQUEST>", false},
    {"</HEADER>", false},
    {"<BODY>", false},
    {"<IMPORTDATA>", false},
    {"<REQUESTDESC>", false},
    {"<REPORTNAME>All Masters</REPORTNAME>", false},
    {"<STATICVARIABLES>", false},
    {"<SVCURRENTCOMPANY></SVCURRENTCOMPANY>", true},
    {"</STATICVARIABLES>", false},
    {"</REQUESTDESC>", false},
    {"<REQUESTDATA>", false},
    {"</REQUESTDATA>", false},
    {"</IMPORTDATA>", false},
    {"</BODY>", false},
    {"</ENVELOPE>", false},
};
// clang-format on

void requireDocument(const pugi::xml_document *document)
{
    if (!document)
        raiseObjectNotSet();
}

[[noreturn]] void raiseBadName(const QString &name)
{
    errors::raise(errors::ErrNo::InvalidProcedureCall,
                  QStringLiteral("'") + name +
                      QStringLiteral("' is not a valid name for an XML element or attribute."));
}

// A name checked and made ready for the XML library: the builders' names are UTF-8 texts fixed in the program,
// which need no conversion.
QByteArray checkedName(const QString &name)
{
    if (!isXmlName(name))
        raiseBadName(name);
    return name.toUtf8();
}

const char *checkedName(const char *name)
{
    if (!isXmlName(name))
        raiseBadName(QString::fromUtf8(name));
    return name;
}

const char *cString(const QByteArray &text)
{
    return text.constData();
}

const char *cString(const char *text)
{
    return text;
}

// A value as it goes into the document. A character XML 1.0 cannot hold would reach the server as a reference
// no parser takes, and a NUL would cut the value short: such a value is refused. Line breaks are made LF, as
// XML makes them in an element's text, so that a text put into an attribute and an element reaches the server
// as the same characters.
QByteArray xmlValue(const QString &value)
{
    if (const std::optional<char32_t> character = characterXmlCannotCarry(value))
        errors::raise(errors::ErrNo::InvalidProcedureCall, QStringLiteral("The value holds the character ") +
                                                               characterName(*character) +
                                                               QStringLiteral(", which XML cannot carry."));
    if (!value.contains(QLatin1Char('\r')))
        return value.toUtf8();
    QString text = value;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text.toUtf8();
}

// The same value as UTF-8 text: a value of plain ASCII characters without CR or control characters, as nearly
// all are, is copied as it is; any other takes the long way above.
std::string xmlValueText(const QString &value)
{
    const auto *characters = reinterpret_cast<const char16_t *>(value.constData());
    const std::size_t size = std::size_t(value.size());
    std::string text(size, '\0');
    for (std::size_t at = 0; at < size; ++at) {
        const char16_t c = characters[at];
        if (c >= 0x80 || (c < 0x20 && c != '\t' && c != '\n'))
            return xmlValue(value).toStdString();
        text[at] = char(c);
    }
    return text;
}

template <typename Name>
pugi::xml_node appendElement(pugi::xml_document *document, pugi::xml_node parent, const Name &name,
                             const QString &value)
{
    requireDocument(document);
    requireNode(parent);
    const auto utf8Name = checkedName(name);
    const std::string text = xmlValueText(value);
    pugi::xml_node element = parent.append_child(cString(utf8Name));
    if (!element)
        errors::raise(errors::ErrNo::InvalidProcedureCall,
                      QStringLiteral("An element cannot be added to a node of this type."));
    if (!text.empty())
        element.text().set(text.c_str());
    return element;
}

[[noreturn]] void raiseEnvelopeNotBuilt()
{
    errors::raise(errors::ErrNo::InternalError, QStringLiteral("The import envelope could not be built."));
}

std::unique_ptr<pugi::xml_document> buildEnvelope(const QString &company)
{
    const bool namesCompany = company != QLatin1String(currentlySelectedCompany);
    QString text;
    for (const EnvelopeLine &line : envelopeLines) {
        if (namesCompany || !line.namesCompany)
            text += QLatin1String(line.text) + QLatin1String("\r\n");
    }

    auto document = std::make_unique<pugi::xml_document>();
    if (!loadXml(*document, text))
        raiseEnvelopeNotBuilt();
    // The name goes in through the XML library rather than into the text, so that "&", "<" and the like
    // reach Tally escaped instead of spoiling the envelope.
    if (namesCompany && !company.isEmpty())
        elementsNamed(*document, QStringLiteral("SVCURRENTCOMPANY")).front().text().set(xmlValue(company).constData());
    return document;
}

// The envelope built last. A run posts thousands of requests to one company: each gets a copy of this one
// rather than an envelope parsed anew.
struct LastEnvelope
{
    QString company;
    std::unique_ptr<pugi::xml_document> document;
};

} // namespace

std::unique_ptr<pugi::xml_document> CreateImportEnvelope(const QString &company)
{
    using Envelope = std::unique_ptr<pugi::xml_document>;
    return errors::trapResult(locationCreateImportEnvelope, Envelope(), [&](Envelope &result) {
        thread_local LastEnvelope last;
        if (!last.document || last.company != company) {
            last.document = buildEnvelope(company);
            last.company = company;
        }
        auto document = std::make_unique<pugi::xml_document>();
        document->reset(*last.document);
        result = std::move(document);
    });
}

pugi::xml_node ImportRequestData(const pugi::xml_document &document)
{
    return document.document_element().child("BODY").child("IMPORTDATA").child("REQUESTDATA");
}

namespace {

template <typename Name>
pugi::xml_node addElement(pugi::xml_document *document, pugi::xml_node parent, const Name &name, const QString &value)
{
    return errors::trapResult(locationAddXmlElement, pugi::xml_node(),
                              [&](pugi::xml_node &result) { result = appendElement(document, parent, name, value); });
}

template <typename Name>
pugi::xml_node addElementIfValue(pugi::xml_document *document, pugi::xml_node parent, const Name &name,
                                 const QString &value)
{
    return errors::trapResult(locationAddXmlElementIfValue, pugi::xml_node(), [&](pugi::xml_node &result) {
        if (!value.isEmpty())
            result = appendElement(document, parent, name, value);
    });
}

template <typename Name>
void addAttribute(pugi::xml_document *document, pugi::xml_node element, const Name &name, const QString &value)
{
    errors::trap(locationAddXmlAttribute, [&] {
        requireDocument(document);
        requireNode(element);
        const auto utf8Name = checkedName(name);
        if (element.type() != pugi::node_element)
            errors::raise(errors::ErrNo::InvalidProcedureCall,
                          QStringLiteral("An attribute can only be set on an element."));
        const std::string text = xmlValueText(value);
        pugi::xml_attribute attribute = element.attribute(cString(utf8Name));
        if (!attribute)
            attribute = element.append_attribute(cString(utf8Name));
        attribute.set_value(text.c_str());
    });
}

} // namespace

pugi::xml_node AddXmlElement(pugi::xml_document *document, pugi::xml_node parent, const QString &name,
                             const QString &value)
{
    return addElement(document, parent, name, value);
}

pugi::xml_node AddXmlElement(pugi::xml_document *document, pugi::xml_node parent, const char *name,
                             const QString &value)
{
    return addElement(document, parent, name, value);
}

pugi::xml_node AddXmlElementIfValue(pugi::xml_document *document, pugi::xml_node parent, const QString &name,
                                    const QString &value)
{
    return addElementIfValue(document, parent, name, value);
}

pugi::xml_node AddXmlElementIfValue(pugi::xml_document *document, pugi::xml_node parent, const char *name,
                                    const QString &value)
{
    return addElementIfValue(document, parent, name, value);
}

void AddXmlAttribute(pugi::xml_document *document, pugi::xml_node element, const QString &name, const QString &value)
{
    addAttribute(document, element, name, value);
}

void AddXmlAttribute(pugi::xml_document *document, pugi::xml_node element, const char *name, const QString &value)
{
    addAttribute(document, element, name, value);
}

namespace {

// The envelope of a company's requests as it goes out, cut where its messages go: they stand one to a line
// below REQUESTDATA, at its indentation and two blanks more.
struct LaidOutEnvelope
{
    QString company;
    std::string head;
    std::string tail;
    int messageIndentation = 0;
};

LaidOutEnvelope laidOutEnvelope(const QString &company)
{
    thread_local std::optional<LaidOutEnvelope> last;
    if (last && last->company == company)
        return *last;
    last.reset();
    const std::unique_ptr<pugi::xml_document> document = buildEnvelope(company);
    // One empty message stands for the messages; its place in the bytes is where they go.
    constexpr char message[] = "<TALLYMESSAGE/>\r\n";
    ImportRequestData(*document).append_child("TALLYMESSAGE");
    if (!settleAsLoaded(*document))
        raiseEnvelopeNotBuilt();
    const QByteArray bytes = indentedDocumentBytes(*document);
    const qsizetype at = bytes.indexOf(message);
    qsizetype lineStart = at;
    while (lineStart > 0 && bytes.at(lineStart - 1) == ' ')
        --lineStart;
    LaidOutEnvelope envelope{company, bytes.left(lineStart).toStdString(),
                             bytes.mid(at + qsizetype(sizeof message) - 1).toStdString(), int(at - lineStart)};
    return last.emplace(std::move(envelope));
}

[[noreturn]] void raiseMixedContent()
{
    errors::raise(errors::ErrNo::InvalidProcedureCall,
                  QStringLiteral("An element of the request holds text or elements, never both."));
}

} // namespace

bool ImportRequestWriter::start(const QString &company)
{
    m_open.clear();
    m_bytes.clear();
    return errors::trapResult(locationCreateImportEnvelope, false, [&](bool &started) {
        const LaidOutEnvelope envelope = laidOutEnvelope(company);
        m_bytes.reserve(4096);
        m_bytes = envelope.head;
        m_tail = envelope.tail;
        m_messageIndentation = envelope.messageIndentation;
        started = true;
    });
}

bool ImportRequestWriter::startMessage(const QString &company, const char *object)
{
    if (!start(company))
        return false;
    open("TALLYMESSAGE");
    attribute("xmlns:UDF", QStringLiteral("TallyUDF"));
    open(object);
    return true;
}

ImportRequestWriter::ElementId ImportRequestWriter::open(const char *name)
{
    checkedName(name);
    int indentation = m_messageIndentation;
    if (!m_open.empty()) {
        OpenElement &parent = m_open.back();
        if (parent.hasText)
            raiseMixedContent();
        if (std::exchange(parent.tagOpen, false))
            m_bytes += '>';
        if (!std::exchange(parent.onLines, true))
            m_bytes += "\r\n";
        indentation = parent.indentation + 2;
    }
    m_bytes.append(std::size_t(indentation), ' ');
    m_bytes += '<';
    const std::size_t nameAt = m_bytes.size();
    m_bytes += name;
    const std::size_t nameSize = m_bytes.size() - nameAt;
    m_open.push_back(OpenElement{++m_lastId, nameAt, nameSize, indentation, m_bytes.size(), true, false, false});
    return m_lastId;
}

void ImportRequestWriter::close()
{
    if (m_open.empty())
        errors::raise(errors::ErrNo::InvalidProcedureCall, QStringLiteral("No element is open to be closed."));
    const OpenElement element = m_open.back();
    m_open.pop_back();
    if (element.tagOpen) {
        m_bytes += "/>";
    } else {
        if (element.onLines)
            m_bytes.append(std::size_t(element.indentation), ' ');
        m_bytes += "</";
        // The name as the start tag has it: appended from the bytes themselves, where it stays put.
        const std::string name = m_bytes.substr(element.nameAt, element.nameSize);
        m_bytes += name;
        m_bytes += '>';
    }
    m_bytes += "\r\n";
}

void ImportRequestWriter::closeInside(ElementId element)
{
    const auto open = std::find_if(m_open.begin(), m_open.end(),
                                   [element](const OpenElement &candidate) { return candidate.id == element; });
    // An element closed already, or one given text, takes no more children.
    if (element == 0 || open == m_open.end())
        errors::raise(errors::ErrNo::InvalidProcedureCall,
                      QStringLiteral("A child was added to an element that is no longer open."));
    const std::size_t depth = std::size_t(open - m_open.begin()) + 1;
    while (m_open.size() > depth)
        close();
}

bool ImportRequestWriter::attribute(const char *name, const QString &value)
{
    return errors::trapResult(locationAddXmlAttribute, false, [&](bool &written) {
        if (m_open.empty())
            raiseObjectNotSet();
        checkedName(name);
        std::string attribute = " ";
        attribute += name;
        attribute += "=\"";
        OpenElement &element = m_open.back();
        // Values are escaped, quotes and all: the name and its opening quote are found nowhere but at the start
        // of an attribute.
        const std::size_t tagStart = element.nameAt + element.nameSize;
        if (std::string_view(m_bytes).substr(tagStart, element.attributesEnd - tagStart).find(attribute) !=
            std::string_view::npos)
            errors::raise(errors::ErrNo::InvalidProcedureCall, QStringLiteral("The attribute ") +
                                                                   QString::fromUtf8(name) +
                                                                   QStringLiteral(" is set twice."));
        const std::string text = xmlValueText(value);
        appendEscapedAttribute(attribute, text.c_str());
        attribute += '"';
        m_bytes.insert(element.attributesEnd, attribute);
        element.attributesEnd += attribute.size();
        written = true;
    });
}

bool ImportRequestWriter::text(const QString &value)
{
    return errors::trapResult(locationAddXmlElement, false, [&](bool &written) {
        if (m_open.empty())
            raiseObjectNotSet();
        writeText(xmlValueText(value).c_str());
        written = true;
    });
}

// The text of the element just opened; text that is only white space goes, as loading drops it.
void ImportRequestWriter::writeText(const char *text)
{
    if (isBlank(text))
        return;
    OpenElement &element = m_open.back();
    if (element.onLines)
        raiseMixedContent();
    if (std::exchange(element.tagOpen, false))
        m_bytes += '>';
    appendEscapedText(m_bytes, text);
    element.hasText = true;
}

// The value is made ready before anything is written, so that a value that cannot go leaves no element behind.
void ImportRequestWriter::writeElement(const char *name, const QString &value)
{
    const std::string text = xmlValueText(value);
    open(name);
    writeText(text.c_str());
    close();
}

bool ImportRequestWriter::element(const char *name, const QString &value)
{
    return errors::trapResult(locationAddXmlElement, false, [&](bool &written) {
        writeElement(name, value);
        written = true;
    });
}

bool ImportRequestWriter::elementIfValue(const char *name, const QString &value)
{
    return errors::trapResult(locationAddXmlElementIfValue, false, [&](bool &written) {
        if (!value.isEmpty())
            writeElement(name, value);
        written = true;
    });
}

QByteArray ImportRequestWriter::finish()
{
    while (!m_open.empty())
        close();
    m_bytes += m_tail;
    return QByteArray(m_bytes.data(), qsizetype(m_bytes.size()));
}

} // namespace tally
