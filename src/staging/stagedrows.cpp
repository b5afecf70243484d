#include "staging/stagedrows.h"

#include "errors/errortrap.h"
#include "staging/stagingconstants.h"

#include <array>
#include <cstring>
#include <deque>

namespace staging {

// Column names are ASCII; they are matched without regard to case through a table of their hashes.
class StagedRows::Columns final
{
public:
    explicit Columns(const QStringList &names) : m_width(names.size())
    {
        std::size_t slotCount = 16;
        while (slotCount < std::size_t(names.size()) * 2)
            slotCount *= 2;
        m_slots.assign(slotCount, -1);
        for (qsizetype at = 0; at < names.size(); ++at) {
            m_names.push_back(names.at(at).toLatin1());
            // The first of two names that differ only in case is the one found, as in a look along the row.
            std::size_t slot = foldedHash(m_names.back().constData()) & (slotCount - 1);
            while (m_slots[slot] >= 0 && !sameFolded(m_names[std::size_t(m_slots[slot])], m_names.back().constData()))
                slot = (slot + 1) & (slotCount - 1);
            if (m_slots[slot] < 0)
                m_slots[slot] = int(at);
        }
    }

    qsizetype width() const { return m_width; }

    // The position of a column, matched without regard to case; -1 when there is none. A builder asks for the
    // same few dozen names voucher after voucher, so the answer is remembered by where the name is stored, and
    // taken again once the text there is the column's very name.
    int find(const char *name) const
    {
        Memo &memo = m_memo[memoSlot(name)];
        if (memo.name == name && memo.at >= 0 && std::strcmp(m_names[std::size_t(memo.at)].constData(), name) == 0)
            return memo.at;
        const int at = lookUp(name);
        memo = Memo{name, at};
        return at;
    }

private:
    // The columns are shared by every read of one store, which its own thread makes: the memo needs no lock.
    struct Memo
    {
        const char *name = nullptr;
        int at = -1;
    };
    static constexpr std::size_t memoSlots = 128;

    static std::size_t memoSlot(const char *name)
    {
        return std::size_t((reinterpret_cast<quintptr>(name) * 0x9E3779B97F4A7C15ull) >> 57);
    }

    int lookUp(const char *name) const
    {
        for (std::size_t slot = foldedHash(name) & (m_slots.size() - 1);; slot = (slot + 1) & (m_slots.size() - 1)) {
            const int at = m_slots[slot];
            if (at < 0 || sameFolded(m_names[std::size_t(at)], name))
                return at;
        }
    }

    static char folded(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

    static std::size_t foldedHash(const char *name)
    {
        std::size_t hash = 14695981039346656037ull;
        for (; *name; ++name)
            hash = (hash ^ static_cast<unsigned char>(folded(*name))) * 1099511628211ull;
        return hash;
    }

    static bool sameFolded(const QByteArray &known, const char *name)
    {
        const char *at = known.constData();
        for (; *at && *name; ++at, ++name) {
            if (folded(*at) != folded(*name))
                return false;
        }
        return *at == *name;
    }

public:
    // The positions a constant list's columns were found at in this layout.
    struct ListColumns
    {
        const void *list;
        std::size_t count;
        std::vector<int> positions;
    };
    // Taken from the same thread as find(); a deque, so that the positions handed out stay where they are.
    mutable std::deque<ListColumns> lists;

private:
    std::vector<QByteArray> m_names; // in the order of the row
    std::vector<int> m_slots;        // positions in m_names by hash, -1 for none
    qsizetype m_width;
    mutable std::array<Memo, memoSlots> m_memo;
};

StagedRows::StagedRows(std::shared_ptr<const Columns> columns, std::vector<QString> values)
    : m_columns(std::move(columns)), m_values(std::move(values)), m_width(m_columns ? m_columns->width() : 0),
      m_rows(m_width == 0 ? 0 : qsizetype(m_values.size()) / m_width)
{}

int StagedRows::column(const char *name) const
{
    if (m_rows == 0)
        return -1;
    const int at = m_columns->find(name);
    if (at >= 0)
        return at;
    errors::raise(errors::ErrNo::ItemNotFound,
                  QStringLiteral("Item cannot be found in the collection corresponding to the requested name or "
                                 "ordinal: ") +
                      QLatin1String(name));
}

std::span<const int> StagedRows::columns(const void *list, std::size_t count,
                                         const char *(*nameAt)(const void *list, std::size_t at)) const
{
    if (m_rows == 0) {
        // No columns were read: every one is -1.
        static const std::vector<int> none(64, -1);
        if (count > none.size())
            errors::raise(errors::ErrNo::SubscriptOutOfRange,
                          QStringLiteral("A list of more columns than a table has was asked for."));
        return std::span(none).first(count);
    }
    for (const Columns::ListColumns &known : m_columns->lists) {
        if (known.list == list && known.count == count)
            return known.positions;
    }
    std::vector<int> positions;
    positions.reserve(count);
    for (std::size_t at = 0; at < count; ++at)
        positions.push_back(column(nameAt(list, at)));
    return m_columns->lists.emplace_back(Columns::ListColumns{list, count, std::move(positions)}).positions;
}

const QString &StagedRows::text(qsizetype row, int column) const
{
    return m_values[std::size_t(row * m_width + column)];
}

bool StagedRows::isNull(qsizetype row, int column) const
{
    return m_values[std::size_t(row * m_width + column)].isNull();
}

std::shared_ptr<const StagedRows::Columns> StagedRows::columnsNamed(const QStringList &names)
{
    return std::make_shared<const Columns>(names);
}

} // namespace staging
