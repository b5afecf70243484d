#include "tally/xmlindent.h"

#include "errors/errortrap.h"
#include "tally/tallyconstants.h"
#include "tally/xmldocument.h"

namespace tally {

namespace {

const pugi::char_t newLine[] = "\r\n";

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

void checkInserted(pugi::xml_node inserted)
{
    if (!inserted)
        errors::raise(errors::ErrNo::InvalidProcedureCall,
                      QStringLiteral("This operation cannot be performed on a node of this type."));
}

void setText(pugi::xml_node inserted, const std::string &text)
{
    checkInserted(inserted);
    inserted.set_value(text.c_str());
}

} // namespace

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
    errors::trap(locationIndentXmlNode, [&] {
        requireNode(node);
        if (isText(node))
            return;

        const bool textOnly = isTextOnly(node);
        // Only the children the node had before indenting are visited: the text nodes the calls insert
        // stand before and after each child, never between a child and the next one taken here.
        const pugi::xml_node firstChild = node.first_child();
        if (firstChild && !textOnly)
            setText(node.insert_child_before(pugi::node_pcdata, firstChild), newLine);
        for (pugi::xml_node child = firstChild; child;) {
            const pugi::xml_node next = child.next_sibling();
            IndentXmlNode(child, indentation + 2);
            child = next;
        }

        if (indentation < 1)
            return;
        const std::string blanks(size_t(indentation), ' ');
        pugi::xml_node parent = node.parent();
        requireNode(parent);
        setText(parent.insert_child_before(pugi::node_pcdata, node), blanks);
        if (!textOnly)
            setText(node.append_child(pugi::node_pcdata), blanks);
        setText(parent.insert_child_after(pugi::node_pcdata, node), newLine);
    });
}

} // namespace tally
