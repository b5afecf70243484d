#pragma once

#include "tally/transport.h"

#include <QString>
#include <QStringView>

#include <optional>

namespace tally {

// The first character of the text that an XML 1.0 document cannot hold: NUL and the control characters other
// than tab, LF and CR, U+FFFE, U+FFFF and a surrogate without its pair. No XML parser, Tally's included, takes
// them, not even as character references.
std::optional<char32_t> characterXmlCannotCarry(QStringView text);

// "U+0001" for a character.
QString characterName(char32_t character);

// Checks the values one request is built from, each under the name of the column (or field) it comes from, and
// keeps the first that holds a character XML cannot carry. A request that fails the check is not sent: its row
// shows heldBack() instead.
class XmlTextCheck
{
public:
    void check(const QString &column, QStringView value);
    bool passed() const { return !m_column.has_value(); }
    // "ERROR: the column <column> holds the character U+0001, which cannot be sent to Tally; not posted."
    TallyReply heldBack() const;
    void reset();
    // Keeps the other check's finding when this one has none yet.
    void take(const XmlTextCheck &other);

private:
    std::optional<QString> m_column;
    char32_t m_character = 0;
};

} // namespace tally
