#include "masters/mastermessage.h"

#include "errors/errortrap.h"
#include "masters/masterconstants.h"
#include "tally/envelope.h"
#include "tally/transport.h"
#include "tally/xmldocument.h"

namespace masters {

namespace {

[[noreturn]] void raiseMissingNode()
{
    errors::raise(errors::ErrNo::ObjectNotSet, QStringLiteral("Object variable or With block variable not set"));
}

} // namespace

MasterMessage::MasterMessage(const QString &company, const char *elementName, const QString &name,
                             const QString &oldName, const QString &action)
    : m_document(tally::CreateImportEnvelope(company))
{
    if (!m_document)
        raiseMissingNode();
    const pugi::xml_node target = tally::ImportRequestData(*m_document);
    if (!target)
        raiseMissingNode();
    const pugi::xml_node message = add(target, "TALLYMESSAGE", QString(), ChildKind::Always);
    tally::AddXmlAttribute(m_document.get(), message, "xmlns:UDF", QStringLiteral("TallyUDF"));
    m_master = add(message, elementName, QString(), ChildKind::Always);
    tally::AddXmlAttribute(m_document.get(), m_master, "NAME", action == QLatin1String(actionAlter) ? oldName : name);
    tally::AddXmlAttribute(m_document.get(), m_master, "ACTION", action);
}

MasterMessage::~MasterMessage() = default;

pugi::xml_node MasterMessage::add(pugi::xml_node parent, const char *element, const QString &value,
                                  ChildKind kind) const
{
    if (kind == ChildKind::IfSet) {
        if (value.isEmpty())
            return {};
        const pugi::xml_node node = tally::AddXmlElementIfValue(m_document.get(), parent, element, value);
        if (!node)
            raiseMissingNode();
        return node;
    }
    const pugi::xml_node node = tally::AddXmlElement(m_document.get(), parent, element, value);
    if (!node)
        raiseMissingNode();
    return node;
}

pugi::xml_node MasterMessage::add(const char *element, const QString &value, ChildKind kind) const
{
    return add(m_master, element, value, kind);
}

void MasterMessage::addNameList(const QString &name, const QString &alias) const
{
    const pugi::xml_node names = add("NAME.LIST", QString(), ChildKind::Always);
    add(names, "NAME", name, ChildKind::IfSet);
    if (alias != name)
        add(names, "NAME", alias, ChildKind::IfSet);
}

tally::TallyReply MasterMessage::send() const
{
    return tally::SendTallyDocument(*m_document);
}

} // namespace masters
