#pragma once

#include <QString>
#include <QStringView>

namespace sources {

// Makes many short texts out of a few large blocks: each text is a QString that shares its block, as Qt's
// implicit sharing shares any text, so that a text costs no allocation of its own and a block is freed when the
// last text in it goes. A text changed later is copied out of its block as any shared text is. Long texts get a
// buffer of their own, so that one of them kept alive does not hold a block.
class TextPool
{
public:
    TextPool() = default;
    TextPool(const TextPool &) = delete;
    TextPool &operator=(const TextPool &) = delete;
    TextPool(TextPool &&other) noexcept = default;
    TextPool &operator=(TextPool &&other) noexcept = default;
    ~TextPool() = default;

    // A copy of the text; an empty view gives an empty, not a null, text.
    QString copy(QStringView text);
    // Sizes the next block for texts of about this many code units in all.
    void expect(qsizetype units);

private:
    // The block the next texts go into, and the first free code unit in it.
    QString::DataPointer m_block;
    qsizetype m_used = 0;
    qsizetype m_nextSize = 4096;
};

} // namespace sources
