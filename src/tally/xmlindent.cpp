#include "tally/xmlindent.h"

#include "errors/errortrap.h"
#include "tally/tallyconstants.h"
#include "tally/xmldocument.h"

#include <string>

namespace tally {

namespace {

constexpr char newLine[] = "\r\n";

bool isText(pugi::xml_node node)
{
    return node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata;
}

bool isTextOnly(pugi::xml_node node)
{
    for (const pugi::xml_node child : node.children()) {
        if (!isText(child))
            return false;
    }
    return true;
}

void setText(pugi::xml_node inserted, const pugi::char_t *text, size_t size)
{
    if (!inserted)
        errors::raise(errors::ErrNo::InvalidProcedureCall,
                      QStringLiteral("This operation cannot be performed on a node of this type."));
    inserted.set_value(text, size);
}

// The blanks of one line's indentation, taken from one run of them rather than made anew for every node.
void setBlanks(pugi::xml_node inserted, int indentation)
{
    static const std::string blanks(256, ' ');
    if (size_t(indentation) <= blanks.size())
        setText(inserted, blanks.data(), size_t(indentation));
    else
        setText(inserted, std::string(size_t(indentation), ' ').c_str(), size_t(indentation));
}

// The work of IndentXmlNode, under the caller's trap: a request has a node for every value it carries.
void indentBelow(pugi::xml_node node, int indentation)
{
    requireNode(node);
    if (isText(node))
        return;

    const bool textOnly = isTextOnly(node);
    // Only the children the node had before indenting are visited: the text nodes the calls insert
    // stand before and after each child, never between a child and the next one taken here.
    const pugi::xml_node firstChild = node.first_child();
    if (firstChild && !textOnly)
        setText(node.insert_child_before(pugi::node_pcdata, firstChild), newLine, 2);
    for (pugi::xml_node child = firstChild; child;) {
        const pugi::xml_node next = child.next_sibling();
        indentBelow(child, indentation + 2);
        child = next;
    }

    if (indentation < 1)
        return;
    pugi::xml_node parent = node.parent();
    requireNode(parent);
    setBlanks(parent.insert_child_before(pugi::node_pcdata, node), indentation);
    if (!textOnly)
        setBlanks(node.append_child(pugi::node_pcdata), indentation);
    setText(parent.insert_child_after(pugi::node_pcdata, node), newLine, 2);
}

// Which bytes the writer escapes: in text &, < and >; in attribute values &, < and ", and tab, LF and CR as
// references; in both the other control characters as references.
struct EscapedBytes
{
    bool text[256] = {};
    bool attribute[256] = {};

    constexpr EscapedBytes()
    {
        for (int c = 1; c < 0x20; ++c) {
            text[c] = c != '\t' && c != '\n' && c != '\r';
            attribute[c] = true;
        }
        for (const unsigned char c : {'&', '<'})
            text[c] = attribute[c] = true;
        text[static_cast<unsigned char>('>')] = true;
        attribute[static_cast<unsigned char>('"')] = true;
    }
};
constexpr EscapedBytes escapedBytes;

// Copies the text in runs between the bytes that are escaped.
void appendEscaped(std::string &bytes, const char *text, const bool (&escaped)[256])
{
    const char *run = text;
    for (const char *at = text;; ++at) {
        const auto c = static_cast<unsigned char>(*at);
        if (c != 0 && !escaped[c])
            continue;
        bytes.append(run, size_t(at - run));
        if (c == 0)
            return;
        switch (c) {
        case '&':
            bytes += "&amp;";
            break;
        case '<':
            bytes += "&lt;";
            break;
        case '>':
            bytes += "&gt;";
            break;
        case '"':
            bytes += "&quot;";
            break;
        case '\t':
            bytes += "&#09;";
            break;
        case '\n':
            bytes += "&#10;";
            break;
        case '\r':
            bytes += "&#13;";
            break;
        default: {
            const char digits[] = {'&', '#', char('0' + c / 10), char('0' + c % 10), ';'};
            bytes.append(digits, sizeof digits);
        }
        }
        run = at + 1;
    }
}

// Writes a tree of elements and text as IndentXmlNode would lay it out and documentBytes write it, escaping as
// the XML library escapes. The bytes go into a buffer of plain characters that the thread keeps from one request
// to the next, copied once at the end.
class IndentedWriter
{
public:
    explicit IndentedWriter(std::string &bytes) : m_bytes(bytes) {}

    // False, with nothing useful written, for a tree holding anything but elements and text.
    bool element(pugi::xml_node node, int indentation)
    {
        const char *name = node.name();
        m_bytes += '<';
        m_bytes += name;
        for (const pugi::xml_attribute attribute : node.attributes()) {
            m_bytes += ' ';
            m_bytes += attribute.name();
            m_bytes += "=\"";
            appendEscapedAttribute(m_bytes, attribute.value());
            m_bytes += '"';
        }
        const pugi::xml_node firstChild = node.first_child();
        if (!firstChild) {
            m_bytes += "/>";
            return true;
        }
        m_bytes += '>';
        // Text stays on the element's line; the first child element puts everything inside on lines of its own.
        const size_t content = m_bytes.size();
        bool onLines = false;
        for (pugi::xml_node child = firstChild; child; child = child.next_sibling()) {
            const pugi::xml_node_type type = child.type();
            if (type == pugi::node_pcdata) {
                appendEscapedText(m_bytes, child.value());
                continue;
            }
            if (type != pugi::node_element)
                return false;
            if (!onLines) {
                m_bytes.insert(content, newLine);
                onLines = true;
            }
            m_bytes.append(size_t(indentation + 2), ' ');
            if (!element(child, indentation + 2))
                return false;
            m_bytes += newLine;
        }
        if (onLines)
            m_bytes.append(size_t(indentation), ' ');
        m_bytes += "</";
        m_bytes += name;
        m_bytes += '>';
        return true;
    }

private:
    std::string &m_bytes;
};

} // namespace

void appendEscapedText(std::string &bytes, const char *text)
{
    appendEscaped(bytes, text, escapedBytes.text);
}

void appendEscapedAttribute(std::string &bytes, const char *text)
{
    appendEscaped(bytes, text, escapedBytes.attribute);
}

QByteArray indentedDocumentBytes(const pugi::xml_document &document)
{
    const pugi::xml_node root = document.first_child();
    if (root && root.type() == pugi::node_element && !root.next_sibling()) {
        thread_local std::string bytes;
        bytes.clear();
        if (IndentedWriter(bytes).element(root, 0))
            return QByteArray(bytes.data(), qsizetype(bytes.size()));
    }
    // Anything else takes the long way, which lays out every kind of node.
    pugi::xml_document copy;
    copy.reset(document);
    IndentXmlDocument(copy);
    return documentBytes(copy);
}

void IndentXmlDocument(pugi::xml_document &document)
{
    errors::trap(locationIndentXmlDocument, [&] {
        const pugi::xml_node root = document.document_element();
        if (root)
            IndentXmlNode(root, 0);
    });
}

void IndentXmlNode(pugi::xml_node node, int indentation)
{
    errors::trap(locationIndentXmlNode, [&] { indentBelow(node, indentation); });
}

} // namespace tally
