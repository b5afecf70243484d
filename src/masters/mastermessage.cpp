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
    m_master = Element{m_writer.depth()};
    m_writer.attribute("NAME", action == QLatin1String(actionAlter) ? oldName : name);
    m_writer.attribute("ACTION", action);
}

void MasterMessage::closeInside(Element parent)
{
    // An element closed already, or one given text, takes no more children.
    Q_ASSERT(parent.depth <= m_writer.depth());
    while (m_writer.depth() > parent.depth)
        m_writer.close();
}

MasterMessage::Element MasterMessage::add(Element parent, const char *element, const QString &value,
                                          ChildKind kind)
{
    closeInside(parent);
    if (kind == ChildKind::IfSet) {
        if (value.isEmpty())
            return {};
        if (!m_writer.elementIfValue(element, value))
            tally::raiseObjectNotSet();
        return Element{parent.depth + 1};
    }
    if (!value.isEmpty()) {
        if (!m_writer.element(element, value))
            tally::raiseObjectNotSet();
        return Element{parent.depth + 1};
    }
    // Left open: children may follow, and one that gets none is written as the empty element it is.
    m_writer.open(element);
    return Element{m_writer.depth()};
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
