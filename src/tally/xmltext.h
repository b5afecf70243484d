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
// keeps the first finding: a value that holds a character XML cannot carry, or a cell of a number column that is
// no number. A request with a finding is not sent: its row shows heldBack() instead.
class XmlTextCheck
{
public:
    void check(const QString &column, QStringView value);
    // A finding of the caller's own: the column's cell should hold a number and does not.
    void notANumber(const QString &column, const QString &value);
    bool passed() const { return !m_column.has_value(); }
    // "ERROR: the column <column> holds the character U+0001, which cannot be sent to Tally; not posted." or
    // "ERROR: the column <column> holds "<value>", which is not a number; not posted."
    TallyReply heldBack() const;
    void reset();
    // Keeps the other check's finding when this one has none yet.
    void take(const XmlTextCheck &other);

private:
    std::optional<QString> m_column;
    char32_t m_character = 0;
    std::optional<QString> m_notANumber; // the cell, for a number column's finding
};

} // namespace tally
