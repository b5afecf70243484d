#pragma once

#include "sources/readers/bulkmemory.h"
#include "sources/readers/value.h"

#include <QStringList>
#include <QStringView>

#include <bit>
#include <ranges>
#include <span>
#include <utility>
#include <vector>

namespace sources {

// A table as read from a source: its field names and its records, each a row of typed values in field order.
// Each distinct value is held once and a cell holds its id, so that a value a source repeats (a voucher type, a
// ledger, an amount) costs a cell no more than the id, and filling down or sorting records moves only ids.
class Table
{
public:
    using ValueId = quint32;
    // The null value's id, which every new cell holds.
    static constexpr ValueId NullId = 0;
    using CellIds = std::vector<ValueId, BulkAllocator<ValueId>>;

    // The cells of one record, to be written field by field.
    class RowCells
    {
    public:
        class Cell
        {
        public:
            Cell &operator=(const Value &value)
            {
                m_table.setId(m_row, m_field, m_table.intern(value));
                return *this;
            }

        private:
            friend class RowCells;
            Cell(Table &table, qsizetype row, qsizetype field) : m_table(table), m_row(row), m_field(field) {}
            Table &m_table;
            qsizetype m_row;
            qsizetype m_field;
        };

        Cell operator[](std::size_t field) const { return Cell(m_table, m_row, qsizetype(field)); }
        std::size_t size() const { return std::size_t(m_table.fieldCount()); }

    private:
        friend class Table;
        RowCells(Table &table, qsizetype row) : m_table(table), m_row(row) {}
        Table &m_table;
        qsizetype m_row;
    };

    Table() { appendValue(Value()); }
    explicit Table(QStringList fieldNames) : Table() { m_fieldNames = std::move(fieldNames); }
    Table(const Table &other);
    Table &operator=(const Table &other);
    Table(Table &&other) noexcept;
    Table &operator=(Table &&other) noexcept;
    ~Table() = default;

    const QStringList &fieldNames() const { return m_fieldNames; }
    qsizetype fieldCount() const { return m_fieldNames.size(); }
    qsizetype rowCount() const { return fieldCount() == 0 ? 0 : qsizetype(m_cells.size()) / fieldCount(); }

    const Value &at(qsizetype row, qsizetype field) const { return value(id(row, field)); }
    // The values of a record in field order.
    auto row(qsizetype row) const
    {
        return ids(row) | std::views::transform([this](ValueId id) -> const Value & { return value(id); });
    }

    ValueId id(qsizetype row, qsizetype field) const { return m_cells[size_t(row * fieldCount() + field)]; }
    void setId(qsizetype row, qsizetype field, ValueId id) { m_cells[size_t(row * fieldCount() + field)] = id; }
    std::span<const ValueId> ids(qsizetype row) const
    {
        return {m_cells.data() + row * fieldCount(), size_t(fieldCount())};
    }
    // Every cell's id, record by record; taking them leaves the table without records.
    const CellIds &cellIds() const { return m_cells; }
    CellIds takeCellIds();
    // The distinct values by id, value(NullId) null; ids run from NullId to valueCount() - 1.
    const Value &value(ValueId id) const
    {
        const auto [chunk, offset] = locate(id);
        return m_values[chunk][offset];
    }
    size_t valueCount() const { return m_valueCount; }
    // Room for this many distinct values, for a reader that can tell.
    void reserveValues(size_t count);
    // Appends a value without looking for an equal one, for a table used as a store of values once it is read;
    // intern and internText must not be used after it.
    ValueId appendValue(Value value);
    // Replaces every value with what the function makes of it, for a table used as a store of values; the
    // table no longer finds its values (intern and internText must not be used after it).
    template <typename Change> void changeValues(Change &&change)
    {
        m_slots = {};
        m_indexed = 0;
        size_t left = m_valueCount;
        for (auto &chunk : m_values) {
            for (size_t i = 0; i < chunk.size() && left > 0; ++i, --left)
                chunk[i] = change(std::move(chunk[i]));
        }
    }

    // The id of the value, which becomes one of the table's values if it was not yet.
    ValueId intern(const Value &value);
    // The id of a text value; the text is copied only when the table does not hold it yet.
    ValueId internText(QStringView text);
    // The id of a new text value, not looked for among the others nor found by intern or internText later:
    // for texts that hardly ever repeat, which would only fill the index. An empty text is kept empty, not null.
    ValueId addText(QStringView text);

    void reserveRows(qsizetype rows) { m_cells.reserve(size_t(rows * fieldCount())); }
    // Appends a record of nulls and returns its cells to fill.
    RowCells appendRow();

    // The position of the first field with this name, letter case ignored; -1 when there is none.
    qsizetype fieldIndex(const QString &name) const;

    // Adds a field, null in every record; a reader uses it when a later line proves wider than the header.
    void appendField(const QString &name);

    // Puts the records in the order of the permutation: record i of the result is record order[i] before.
    void reorderRows(const std::vector<qsizetype> &order);

private:
    struct Slot
    {
        quint32 hash = 0;
        ValueId id = NullId;
    };
    template <typename Equal> ValueId find(quint32 hash, Equal &&equal) const;
    ValueId add(Value value, quint32 hash);
    void place(Slot slot);

    QStringList m_fieldNames;
    CellIds m_cells;
    // In chunks, so that a growing table never moves its values. The first chunk holds 2^FirstChunkBits values
    // and each next one twice as many up to 2^LastChunkBits, the size of every chunk after them: a small table
    // stays small, and a large one fills a few large chunks.
    static constexpr unsigned FirstChunkBits = 10;
    static constexpr unsigned LastChunkBits = 16;
    // The ids the growing chunks hold.
    static constexpr size_t GrowingIds = (size_t(1) << (LastChunkBits + 1)) - (size_t(1) << FirstChunkBits);
    static constexpr size_t GrowingChunks = LastChunkBits - FirstChunkBits + 1;
    // The chunk of an id and its place in it.
    static std::pair<size_t, size_t> locate(size_t id)
    {
        if (id < GrowingIds) {
            const size_t chunk = size_t(std::bit_width((id >> FirstChunkBits) + 1)) - 1;
            return {chunk, id - (((size_t(1) << chunk) - 1) << FirstChunkBits)};
        }
        const size_t rest = id - GrowingIds;
        return {GrowingChunks + (rest >> LastChunkBits), rest & ((size_t(1) << LastChunkBits) - 1)};
    }
    std::vector<std::vector<Value, BulkAllocator<Value>>> m_values;
    size_t m_valueCount = 0;
    // An open-addressing index of the values: each slot holds a value's hash and id, or NullId when free.
    std::vector<Slot, BulkAllocator<Slot>> m_slots;
    // How many values the index holds.
    size_t m_indexed = 0;
};

// The ordering the voucher loaders ask for: "vchtype, vchdate, vchno, SrNo".
QStringList voucherOrderFields();

// One field of an ordering. An exact field tells apart the values compareForOrder finds equal: a text by its
// own letters ("Payment" before "payment"), a typed value before a text reading as the same number.
struct OrderField
{
    QString name;
    bool exact = false;
};

// The voucher order: VchType, VchDate and VchNo; where they tie, their exact values, so that vouchers whose
// fields differ only in letter case (or a number written two ways) stay apart while standing where those fields
// put them; then SrNo. With an ID field, the vouchers that share a type, date and number are kept apart by their
// ID (compared as the other fields, then exactly) before SrNo.
QList<OrderField> voucherOrder(const QString &idField = QString());

// Compares two values in the order in which the database engine sorts a column of typed values: nulls first,
// then numbers by value (a Yes/No field counts as -1 for Yes and 0 for No), then dates by their time, then text
// without regard to letter case. A text source holds every value as text, so a text that reads wholly as a number
// (blanks around it, a sign, digits with at most one decimal point, an exponent) counts as that number: "10" comes
// after "9" there as a workbook's typed 10 does, and before "10A". Returns less than, equal to or more than 0.
int compareForOrder(const Value &a, const Value &b);

// Sorts the records by the fields, the first field first, each ascending by compareForOrder (exactly where the
// field says so). The sort is stable: records equal in every field keep their order. Field names are matched
// without regard to letter case; a name that is not a field of the table raises the run-time error the database
// engine gives for an unknown name in a statement (SourceErr::NoValueGiven), and leaves the table unchanged.
void sortInOrder(Table &table, const QList<OrderField> &fields);
void sortInOrder(Table &table, const QStringList &fieldNames);

} // namespace sources
