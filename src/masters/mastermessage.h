#pragma once

#include "errors/errortrap.h"
#include "tally/envelope.h"
#include "tally/transport.h"

#include <QList>
#include <QString>

#include <span>

namespace masters {

// Whether a child element is written only for a value (IfSet) or always, as a container or an empty element.
enum class ChildKind
{
    IfSet,
    Always,
};

// One child of a master element and the record member it carries.
template <typename Rec> struct ChildElement
{
    const char *element;
    QString Rec::*field;
    ChildKind kind = ChildKind::IfSet;
};

// One child of a repeated sub-list element and the member of the line it carries. A second member, when
// given, is joined to the first with one blank (a quantity and its unit); a child without a member carries a
// fixed text.
template <typename Line> struct ListChild
{
    const char *element;
    QString Line::*field;
    QString Line::*joinedField = nullptr;
    const char *fixedText = nullptr;
};

// One master import request under construction, written out as it is built: the envelope for a company, its
// TALLYMESSAGE and the master element. Elements are added in the order the request holds them; adding to an
// element closes the ones opened inside it since. Any element that cannot be added stops the build with a
// run-time error, so that a request is never sent with parts missing.
class MasterMessage final
{
public:
    // An element added, to add children to while no element outside it has been added since; adding to one
    // that has been closed since, or to one given text, raises. Each element added is one of its own.
    struct Element
    {
        tally::ImportRequestWriter::ElementId id = 0; // 0: none
    };

    // The master element's NAME attribute is the old name when the action renames the master.
    MasterMessage(const QString &company, const char *elementName, const QString &name, const QString &oldName,
                  const QString &action);
    MasterMessage(const MasterMessage &) = delete;
    MasterMessage &operator=(const MasterMessage &) = delete;

    // Adds one child; an IfSet child with an empty value adds nothing and returns no element.
    Element add(Element parent, const char *element, const QString &value, ChildKind kind);
    Element add(const char *element, const QString &value, ChildKind kind);

    template <typename Rec> void addChildren(const Rec &record, std::span<const ChildElement<Rec>> children)
    {
        for (const ChildElement<Rec> &child : children)
            add(child.element, record.*(child.field), child.kind);
    }

    // One list element per line, in order, skipping lines whose first member is empty; every child is
    // written, with text only where the line has some.
    template <typename Line>
    void addLists(const char *listElement, const QList<Line> &lines, std::span<const ListChild<Line>> children)
    {
        for (const Line &line : lines) {
            if ((line.*(children.front().field)).isEmpty())
                continue;
            const Element list = add(listElement, QString(), ChildKind::Always);
            for (const ListChild<Line> &child : children) {
                QString value = child.field ? line.*(child.field) : QString::fromLatin1(child.fixedText);
                if (child.joinedField)
                    value += QLatin1Char(' ') + line.*(child.joinedField);
                add(list, child.element, value, ChildKind::Always);
            }
        }
    }

    // NAME.LIST: the name, and the alias as a second name when it is set and differs from the name.
    void addNameList(const QString &name, const QString &alias);

    // Sends the request and returns the server's reply.
    tally::TallyReply send();

private:
    tally::ImportRequestWriter m_writer;
    Element m_master;
};

// Runs one builder under its trap: the server's reply, or an empty summary of a request never sent when building
// failed.
template <typename Build> tally::TallyReply trappedBuild(const char *location, Build &&build)
{
    return errors::trapResult(QString::fromLatin1(location), tally::TallyReply{},
                              [&](tally::TallyReply &result) { result = build(); });
}

} // namespace masters
