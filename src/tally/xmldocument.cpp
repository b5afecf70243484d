#include "tally/xmldocument.h"

#include "errors/errortrap.h"

#include <QList>

#include <algorithm>
#include <cstring>
#include <string_view>

namespace tally {

namespace {

constexpr unsigned parseOptions = pugi::parse_default | pugi::parse_comments | pugi::parse_pi | pugi::parse_fragment;

// pugixml is lenient about what surrounds the root element; a real XML parser is not, and neither is Tally.
// Parsing as a fragment keeps stray top-level text visible so that it can be refused here.
bool hasOneRoot(const pugi::xml_document &document)
{
    int elements = 0;
    for (const pugi::xml_node node : document.children()) {
        switch (node.type()) {
        case pugi::node_element:
            ++elements;
            break;
        case pugi::node_comment:
        case pugi::node_pi:
        case pugi::node_declaration:
        case pugi::node_doctype:
            break;
        case pugi::node_pcdata:
            if (!isBlank(node.value()))
                return false;
            break;
        default:
            return false;
        }
    }
    return elements == 1;
}

struct ByteWriter final : pugi::xml_writer
{
    QByteArray bytes;
    void write(const void *data, size_t size) override
    {
        bytes.append(static_cast<const char *>(data), qsizetype(size));
    }
};

// Walks the tree without recursion: replies come from the network and may nest as deep as they like.
template <typename Visit> void walkBelow(pugi::xml_node top, Visit &&visit)
{
    pugi::xml_node node = top.first_child();
    while (node) {
        visit(node);
        if (node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node != top && !node.next_sibling())
            node = node.parent();
        if (node == top)
            break;
        node = node.next_sibling();
    }
}

constexpr bool isNameStart(char32_t c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || (c >= 0xC0 && c <= 0xD6) ||
           (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) || (c >= 0x370 && c <= 0x37D) ||
           (c >= 0x37F && c <= 0x1FFF) || (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
           (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) || (c >= 0xF900 && c <= 0xFDCF) ||
           (c >= 0xFDF0 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0xEFFFF);
}

constexpr bool isNameChar(char32_t c)
{
    return isNameStart(c) || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7 ||
           (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

// What each ASCII character may be in a name: 1 its start, 2 any other character.
struct AsciiNameCharacters
{
    unsigned char kind[128] = {};

    constexpr AsciiNameCharacters()
    {
        for (char32_t c = 0; c < 128; ++c)
            kind[c] = (isNameStart(c) ? 1 : 0) | (isNameChar(c) ? 2 : 0);
    }
};
constexpr AsciiNameCharacters asciiNameCharacters;

// What any character may be in a name, as above; the ASCII ones, which the builders use, from the table.
unsigned nameKind(char32_t c)
{
    if (c < 128)
        return asciiNameCharacters.kind[c];
    return (isNameStart(c) ? 1 : 0) | (isNameChar(c) ? 2 : 0);
}

// Whether the code points make an XML name that a namespace-aware parser accepts.
template <typename Codes> bool isXmlNameOf(const Codes &codes)
{
    if (codes.empty() || !(nameKind(char32_t(codes.front())) & 1))
        return false;
    qsizetype colons = 0;
    for (const auto c : codes) {
        if (!(nameKind(char32_t(c)) & 2))
            return false;
        colons += char32_t(c) == U':';
    }
    return colons == 0 || (colons == 1 && char32_t(codes.front()) != U':' && char32_t(codes.back()) != U':');
}

} // namespace

bool isBlank(const char *text)
{
    for (; *text; ++text) {
        if (*text != ' ' && *text != '\t' && *text != '\r' && *text != '\n')
            return false;
    }
    return true;
}

bool loadXml(pugi::xml_document &document, const QString &text)
{
    return loadXml(document, QByteArrayView(text.toUtf8()));
}

bool loadXml(pugi::xml_document &document, QByteArrayView utf8)
{
    document.reset();
    const pugi::xml_parse_result result =
        document.load_buffer(utf8.constData(), size_t(utf8.size()), parseOptions, pugi::encoding_utf8);
    if (!result || !hasOneRoot(document)) {
        document.reset();
        return false;
    }
    return true;
}

bool settleAsLoaded(pugi::xml_document &document)
{
    if (!hasOneRoot(document))
        return false;
    std::vector<pugi::xml_node> dropped;
    walkBelow(document, [&](pugi::xml_node node) {
        switch (node.type()) {
        case pugi::node_pcdata:
            if (isBlank(node.value()))
                dropped.push_back(node);
            else if (std::strchr(node.value(), '\r'))
                node.set_value(QByteArray(node.value()).replace("\r\n", "\n").replace('\r', '\n').constData());
            break;
        case pugi::node_declaration:
        case pugi::node_doctype:
            dropped.push_back(node);
            break;
        default:
            break;
        }
    });
    for (const pugi::xml_node node : dropped)
        node.parent().remove_child(node);
    return true;
}

QByteArray documentBytes(const pugi::xml_document &document)
{
    ByteWriter writer;
    document.save(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    return writer.bytes;
}

QString DocumentXml(const pugi::xml_document &document)
{
    return QString::fromUtf8(documentBytes(document));
}

QString textContent(pugi::xml_node node)
{
    switch (node.type()) {
    case pugi::node_element:
    case pugi::node_document: {
        QString text;
        walkBelow(node, [&](pugi::xml_node below) {
            if (below.type() == pugi::node_pcdata || below.type() == pugi::node_cdata)
                text += fromXml(below.value());
        });
        return text;
    }
    case pugi::node_null:
        return {};
    default:
        return fromXml(node.value());
    }
}

bool textContentIs(pugi::xml_node node, std::string_view text)
{
    bool same = true;
    const auto take = [&](const pugi::char_t *value) {
        const std::string_view piece(value);
        same = same && text.substr(0, piece.size()) == piece;
        if (same)
            text.remove_prefix(piece.size());
    };
    switch (node.type()) {
    case pugi::node_element:
    case pugi::node_document:
        walkBelow(node, [&](pugi::xml_node below) {
            if (below.type() == pugi::node_pcdata || below.type() == pugi::node_cdata)
                take(below.value());
        });
        break;
    case pugi::node_null:
        break;
    default:
        take(node.value());
        break;
    }
    return same && text.empty();
}

std::vector<pugi::xml_node> elementsNamed(pugi::xml_node top, const QString &name)
{
    const QByteArray wanted = name.toUtf8();
    // No element's name holds a NUL.
    return wanted.contains('\0') ? std::vector<pugi::xml_node>() : elementsNamed(top, wanted.constData());
}

std::vector<pugi::xml_node> elementsNamed(pugi::xml_node top, const char *name)
{
    std::vector<pugi::xml_node> found;
    walkBelow(top, [&](pugi::xml_node below) {
        if (below.type() == pugi::node_element && std::strcmp(name, below.name()) == 0)
            found.push_back(below);
    });
    return found;
}

void raiseObjectNotSet()
{
    errors::raise(errors::ErrNo::ObjectNotSet, QStringLiteral("Object variable or With block variable not set"));
}

QString localName(pugi::xml_node node)
{
    if (node.type() != pugi::node_element)
        return {};
    const QString name = fromXml(node.name());
    const qsizetype colon = name.indexOf(QLatin1Char(':'));
    return colon < 0 ? name : name.mid(colon + 1);
}

bool hasLocalName(pugi::xml_node node, std::string_view wanted)
{
    if (node.type() != pugi::node_element)
        return false;
    const std::string_view name(node.name());
    const std::size_t colon = name.find(':');
    return (colon == std::string_view::npos ? name : name.substr(colon + 1)) == wanted;
}

bool isXmlName(const QString &name)
{
    // The names the builders use are plain ASCII; they are checked without converting the text.
    const auto ascii = [](QChar c) { return c.unicode() < 0x80; };
    if (std::all_of(name.begin(), name.end(), ascii))
        return isXmlNameOf(
            std::u16string_view(reinterpret_cast<const char16_t *>(name.constData()), size_t(name.size())));
    return isXmlNameOf(name.toUcs4());
}

bool isXmlName(const char *name)
{
    const std::string_view text(name);
    if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return isXmlNameOf(text);
    return isXmlName(QString::fromUtf8(name));
}

} // namespace tally
