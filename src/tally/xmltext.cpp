#include "tally/xmltext.h"

namespace tally {

namespace {

bool isXmlCharacter(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

} // namespace

std::optional<char32_t> characterXmlCannotCarry(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        if (!isXmlCharacter(c.unicode()))
            return c.unicode();
    }
    return std::nullopt;
}

QString characterName(char32_t character)
{
    return QStringLiteral("U+%1").arg(uint(character), 4, 16, QLatin1Char('0')).toUpper();
}

void XmlTextCheck::check(const QString &column, QStringView value)
{
    if (m_column)
        return;
    if (const std::optional<char32_t> character = characterXmlCannotCarry(value)) {
        m_column = column;
        m_character = *character;
    }
}

void XmlTextCheck::notANumber(const QString &column, const QString &value)
{
    if (m_column)
        return;
    m_column = column;
    m_notANumber = value;
}

TallyReply XmlTextCheck::heldBack() const
{
    if (!m_column)
        return {};
    if (m_notANumber)
        return {QStringLiteral("ERROR: the column ") + *m_column + QStringLiteral(" holds \"") + *m_notANumber +
                    QStringLiteral("\", which is not a number; not posted."),
                Delivery::NotSent};
    return {QStringLiteral("ERROR: the column ") + *m_column + QStringLiteral(" holds the character ") +
                characterName(m_character) + QStringLiteral(", which cannot be sent to Tally; not posted."),
            Delivery::NotSent};
}

void XmlTextCheck::reset()
{
    m_column.reset();
    m_character = 0;
    m_notANumber.reset();
}

void XmlTextCheck::take(const XmlTextCheck &other)
{
    if (passed() && !other.passed())
        *this = other;
}

} // namespace tally
