#include "masters/mastermessage.h"

#include "masters/masterconstants.h"
#include "tally/transport.h"
#include "tally/xmldocument.h"

namespace masters {

MasterMessage::MasterMessage(const QString &company, const char *elementName, const QString &name,
                             const QString &oldName, const QString &action)
{
    if (!m_writer.startMessage(company, elementName))
        tally::raiseObjectNotSet();
    m_master = Element{m_writer.innermost()};
    m_writer.attribute("NAME", action == QLatin1String(actionAlter) ? oldName : name);
    m_writer.attribute("ACTION", action);
}

MasterMessage::Element MasterMessage::add(Element parent, const char *element, const QString &value, ChildKind kind)
{
    m_writer.closeInside(parent.id);
    // An element given text is closed at once and takes no children: no element is returned for it.
    if (kind == ChildKind::IfSet) {
        if (!m_writer.elementIfValue(element, value))
            tally::raiseObjectNotSet();
        return {};
    }
    if (!value.isEmpty()) {
        if (!m_writer.element(element, value))
            tally::raiseObjectNotSet();
        return {};
    }
    // Left open: children may follow, and one that gets none is written as the empty element it is.
    return Element{m_writer.open(element)};
}

MasterMessage::Element MasterMessage::add(const char *element, const QString &value, ChildKind kind)
{
    return add(m_master, element, value, kind);
}

void MasterMessage::addNameList(const QString &name, const QString &alias)
{
    const Element names = add("NAME.LIST", QString(), ChildKind::Always);
    add(names, "NAME", name, ChildKind::IfSet);
    if (alias != name)
        add(names, "NAME", alias, ChildKind::IfSet);
}

tally::TallyReply MasterMessage::send()
{
    return tally::SendTallyBytes(m_writer.finish());
}

} // namespace masters
