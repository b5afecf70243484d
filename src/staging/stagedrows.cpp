#include "staging/stagedrows.h"

#include "errors/errortrap.h"
#include "staging/stagingconstants.h"

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

    // The position of a column, matched without regard to case; -1 when there is none.
    int find(const char *name) const
    {
        for (std::size_t slot = foldedHash(name) & (m_slots.size() - 1);; slot = (slot + 1) & (m_slots.size() - 1)) {
            const int at = m_slots[slot];
            if (at < 0 || sameFolded(m_names[std::size_t(at)], name))
                return at;
        }
    }

private:
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

    std::vector<QByteArray> m_names; // in the order of the row
    std::vector<int> m_slots;        // positions in m_names by hash, -1 for none
    qsizetype m_width;
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
