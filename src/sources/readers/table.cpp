#include "sources/readers/table.h"

#include "sources/readers/sourceerror.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <numeric>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace sources {

namespace {

// The classes of values in sort order; numbers and Yes/No fields sort together, as the engine keeps Yes/No
// as the numbers -1 and 0.
int orderClass(Value::Type type)
{
    switch (type) {
    case Value::Type::Null:
        return 0;
    case Value::Type::Number:
    case Value::Type::YesNo:
        return 1;
    case Value::Type::Date:
        return 2;
    case Value::Type::Text:
        return 3;
    }
    return 0;
}

double orderNumber(const Value &value)
{
    if (value.type() == Value::Type::YesNo)
        return value.toYesNo() ? -1.0 : 0.0;
    return value.toNumber();
}

int compareNumbers(double a, double b)
{
    // NaN cannot come from a workbook or Access, but an ODBC source may hold one; it sorts after every number
    // so that the order stays a strict weak order.
    const bool aNan = std::isnan(a);
    const bool bNan = std::isnan(b);
    if (aNan || bNan)
        return int(aNan) - int(bNan);
    return a < b ? -1 : (b < a ? 1 : 0);
}

quint32 mix(quint64 x)
{
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ULL;
    x ^= x >> 33;
    return quint32(x);
}

// A text of its own for the table to keep; an empty one is empty, never null.
QString textOf(QStringView text)
{
    return text.isEmpty() ? QString(QLatin1String("")) : text.toString();
}

// Texts are hashed four code units at a time; the other kinds by their bits, with a different start for each
// kind so that 1, a date and "1" spread apart.
quint32 textHash(QStringView text)
{
    const char16_t *units = text.utf16();
    size_t left = size_t(text.size());
    quint64 hash = 0x9e3779b97f4a7c15ULL ^ left;
    for (; left >= 4; left -= 4, units += 4) {
        quint64 word;
        std::memcpy(&word, units, sizeof word);
        hash = (hash ^ word) * 0xff51afd7ed558ccdULL;
        hash ^= hash >> 29;
    }
    quint64 word = 0;
    if (left > 0) // an empty text may have no buffer at all, and memcpy takes no null pointer
        std::memcpy(&word, units, left * sizeof(char16_t));
    return mix(hash ^ word);
}

// The bits that tell two values of one kind apart: a number's own bits, so that -0 and 0 stay two values.
quint64 payload(const Value &value)
{
    switch (value.type()) {
    case Value::Type::Number:
        return std::bit_cast<quint64>(value.toNumber());
    case Value::Type::Date:
        return quint64(value.dateMSecs());
    case Value::Type::YesNo:
        return value.toYesNo() ? 1 : 0;
    default:
        return 0;
    }
}

quint32 valueHash(const Value &value)
{
    if (value.type() == Value::Type::Text)
        return textHash(value.toText());
    return mix(payload(value) + (quint64(value.type()) << 56));
}

// The number a text reads as wholly, for the ordering: blanks around it, a sign, digits with at most one decimal
// point, an exponent. Anything more ("1,5", "10A", "Rs 10") makes it a text; so does a number beyond a double.
std::optional<double> wholeNumber(QStringView text)
{
    text = text.trimmed();
    // The text taken as it is read, for from_chars, which reads no "+": a leading one is passed over.
    std::string taken;
    taken.reserve(size_t(text.size()));
    qsizetype at = 0;
    const auto accept = [&](std::string_view among) {
        const char16_t unit = at < text.size() ? text.at(at).unicode() : u'\0';
        if (unit == u'\0' || unit > 127 || among.find(char(unit)) == std::string_view::npos)
            return false;
        taken.push_back(char(unit));
        ++at;
        return true;
    };
    const auto digits = [&] {
        qsizetype count = 0;
        while (accept("0123456789"))
            ++count;
        return count;
    };
    const auto sign = [&] {
        if (!accept("-") && accept("+"))
            taken.pop_back();
    };
    sign();
    qsizetype count = digits();
    if (accept("."))
        count += digits();
    if (count == 0)
        return std::nullopt;
    if (accept("eE")) {
        sign();
        if (digits() == 0)
            return std::nullopt;
    }
    if (at != text.size())
        return std::nullopt;
    double number = 0;
    if (std::from_chars(taken.data(), taken.data() + taken.size(), number).ec != std::errc())
        return std::nullopt;
    return number;
}

// A value as the ordering compares it: its class, its number or time, its case-folded text, and the value itself
// for an exact comparison.
struct OrderKey
{
    Table::ValueId id;
    const Value *value;
    int orderClass;
    double number;
    qint64 time;
    QString folded;
    // The folded text's first four code units, the first highest, shorter texts padded with 0: texts whose
    // heads differ are in the order of their heads.
    quint64 head;
};

OrderKey orderKey(Table::ValueId id, const Value &value)
{
    OrderKey key{id, &value, orderClass(value.type()), 0, 0, {}, 0};
    switch (value.type()) {
    case Value::Type::Number:
    case Value::Type::YesNo:
        key.number = orderNumber(value);
        break;
    case Value::Type::Date:
        key.time = value.dateMSecs();
        break;
    case Value::Type::Text:
        if (const std::optional<double> number = wholeNumber(value.toText())) {
            key.orderClass = orderClass(Value::Type::Number);
            key.number = *number;
            break;
        }
        key.folded = value.toText().toCaseFolded();
        for (qsizetype i = 0; i < 4; ++i)
            key.head = (key.head << 16) | (i < key.folded.size() ? key.folded.at(i).unicode() : 0U);
        break;
    case Value::Type::Null:
        break;
    }
    return key;
}

int compareUnits(QStringView a, QStringView b)
{
    // Code unit by code unit, as QString::compare does.
    const int result =
        std::u16string_view(a.utf16(), size_t(a.size())).compare(std::u16string_view(b.utf16(), size_t(b.size())));
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

// compareForOrder on the keys.
int compareKeys(const OrderKey &a, const OrderKey &b)
{
    if (a.orderClass != b.orderClass)
        return a.orderClass < b.orderClass ? -1 : 1;
    switch (a.orderClass) {
    case 1:
        return compareNumbers(a.number, b.number);
    case 2:
        return a.time < b.time ? -1 : (b.time < a.time ? 1 : 0);
    case 3:
        if (a.head != b.head)
            return a.head < b.head ? -1 : 1;
        return compareUnits(a.folded, b.folded);
    default:
        return 0;
    }
}

// Tells apart values compareKeys finds equal: by kind (a typed number before a text reading as it), then a text
// by its own code units and any other value by its bits. Distinct values never compare equal here.
int compareExactly(const OrderKey &a, const OrderKey &b)
{
    if (const int order = compareKeys(a, b); order != 0)
        return order;
    const Value &x = *a.value;
    const Value &y = *b.value;
    if (x.type() != y.type())
        return x.type() < y.type() ? -1 : 1;
    if (x.type() == Value::Type::Text)
        return compareUnits(x.toText(), y.toText());
    const quint64 xBits = payload(x);
    const quint64 yBits = payload(y);
    return xBits < yBits ? -1 : (yBits < xBits ? 1 : 0);
}

} // namespace

qsizetype Table::fieldIndex(const QString &name) const
{
    for (qsizetype i = 0; i < m_fieldNames.size(); ++i) {
        if (m_fieldNames.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

template <typename Equal> Table::ValueId Table::find(quint32 hash, Equal &&equal) const
{
    if (m_slots.empty())
        return NullId;
    const size_t mask = m_slots.size() - 1;
    for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const Slot &held = m_slots[slot];
        if (held.id == NullId || (held.hash == hash && equal(value(held.id))))
            return held.id;
    }
}

void Table::place(Slot slot)
{
    const size_t mask = m_slots.size() - 1;
    size_t at = slot.hash & mask;
    while (m_slots[at].id != NullId)
        at = (at + 1) & mask;
    m_slots[at] = slot;
}

Table::Table(const Table &other)
    : m_fieldNames(other.m_fieldNames), m_cells(other.m_cells), m_slots(other.m_slots), m_indexed(other.m_indexed)
{
    for (ValueId id = 0; id < other.m_valueCount; ++id)
        appendValue(other.value(id));
}

Table &Table::operator=(const Table &other)
{
    if (this != &other)
        *this = Table(other);
    return *this;
}

Table::Table(Table &&other) noexcept
    : m_fieldNames(std::move(other.m_fieldNames)), m_cells(std::move(other.m_cells)),
      m_values(std::move(other.m_values)), m_valueCount(std::exchange(other.m_valueCount, 0)),
      m_slots(std::move(other.m_slots)), m_indexed(std::exchange(other.m_indexed, 0))
{}

Table &Table::operator=(Table &&other) noexcept
{
    m_fieldNames = std::move(other.m_fieldNames);
    m_cells = std::move(other.m_cells);
    m_values = std::move(other.m_values);
    m_valueCount = std::exchange(other.m_valueCount, 0);
    m_slots = std::move(other.m_slots);
    m_indexed = std::exchange(other.m_indexed, 0);
    return *this;
}

Table::ValueId Table::appendValue(Value value)
{
    const auto [chunk, offset] = locate(m_valueCount);
    if (offset == 0)
        m_values.emplace_back(size_t(1) << std::min(FirstChunkBits + unsigned(chunk), LastChunkBits));
    m_values[chunk][offset] = std::move(value);
    return ValueId(m_valueCount++);
}

void Table::reserveValues(size_t count)
{
    // The index is kept at most half full.
    size_t wanted = 1024;
    while (wanted < count * 2)
        wanted *= 2;
    if (wanted <= m_slots.size())
        return;
    std::vector<Slot, BulkAllocator<Slot>> held(wanted);
    std::swap(held, m_slots);
    for (const Slot &slot : held) {
        if (slot.id != NullId)
            place(slot);
    }
}

Table::ValueId Table::add(Value value, quint32 hash)
{
    const auto id = ValueId(m_valueCount);
    appendValue(std::move(value));
    // Kept at most half full, so that a search soon meets a free slot.
    if (++m_indexed * 2 > m_slots.size()) {
        std::vector<Slot, BulkAllocator<Slot>> held(std::max<size_t>(1024, m_slots.size() * 2));
        std::swap(held, m_slots);
        for (const Slot &slot : held) {
            if (slot.id != NullId)
                place(slot);
        }
    }
    place({hash, id});
    return id;
}

Table::ValueId Table::intern(const Value &value)
{
    if (value.isNull())
        return NullId;
    const quint32 hash = valueHash(value);
    const bool text = value.type() == Value::Type::Text;
    const ValueId found = find(hash, [&](const Value &held) {
        if (held.type() != value.type())
            return false;
        return text ? held.toText() == value.toText()
                    : payload(held) == payload(value) && held.exactDigits() == value.exactDigits();
    });
    return found != NullId ? found : add(value, hash);
}

Table::ValueId Table::internText(QStringView text)
{
    const quint32 hash = textHash(text);
    const ValueId found =
        find(hash, [&](const Value &held) { return held.type() == Value::Type::Text && held.toText() == text; });
    return found != NullId ? found : add(Value::text(textOf(text)), hash);
}

Table::ValueId Table::addText(QStringView text)
{
    return appendValue(Value::text(textOf(text)));
}

Table::RowCells Table::appendRow()
{
    const qsizetype row = rowCount();
    m_cells.resize(m_cells.size() + size_t(fieldCount()), NullId);
    return RowCells(*this, row);
}

void Table::appendField(const QString &name)
{
    const qsizetype rows = rowCount();
    const qsizetype oldCount = fieldCount();
    m_fieldNames.append(name);
    CellIds cells(size_t(rows * fieldCount()), NullId);
    for (qsizetype r = 0; r < rows && oldCount > 0; ++r) {
        std::copy(m_cells.begin() + r * oldCount, m_cells.begin() + (r + 1) * oldCount,
                  cells.begin() + r * fieldCount());
    }
    m_cells = std::move(cells);
}

void Table::reorderRows(const std::vector<qsizetype> &order)
{
    // In place, one cycle of the permutation after another, so that a large table is not copied.
    const size_t count = size_t(fieldCount());
    std::vector<bool> placed(order.size());
    std::vector<ValueId> first(count);
    for (size_t start = 0; start < order.size(); ++start) {
        if (placed[start] || size_t(order[start]) == start)
            continue;
        std::copy_n(m_cells.begin() + std::ptrdiff_t(start * count), count, first.begin());
        size_t at = start;
        for (size_t from = size_t(order[at]); from != start; at = from, from = size_t(order[at])) {
            std::copy_n(m_cells.begin() + std::ptrdiff_t(from * count), count,
                        m_cells.begin() + std::ptrdiff_t(at * count));
            placed[at] = true;
        }
        std::copy(first.begin(), first.end(), m_cells.begin() + std::ptrdiff_t(at * count));
        placed[at] = true;
    }
}

Table::CellIds Table::takeCellIds()
{
    CellIds cells = std::move(m_cells);
    m_cells.clear();
    return cells;
}

QStringList voucherOrderFields()
{
    return {QStringLiteral("vchtype"), QStringLiteral("vchdate"), QStringLiteral("vchno"), QStringLiteral("SrNo")};
}

QList<OrderField> voucherOrder(const QString &idField)
{
    const QString type = QStringLiteral("vchtype");
    const QString date = QStringLiteral("vchdate");
    const QString number = QStringLiteral("vchno");
    QList<OrderField> fields{{type, false}, {date, false}, {number, false}, {type, true}, {date, true}, {number, true}};
    if (!idField.isEmpty())
        fields += {{idField, false}, {idField, true}};
    fields.append({QStringLiteral("SrNo"), false});
    return fields;
}

int compareForOrder(const Value &a, const Value &b)
{
    return compareKeys(orderKey(Table::NullId, a), orderKey(Table::NullId, b));
}

void sortInOrder(Table &table, const QStringList &fieldNames)
{
    QList<OrderField> fields;
    for (const QString &name : fieldNames)
        fields.append({name, false});
    sortInOrder(table, fields);
}

void sortInOrder(Table &table, const QList<OrderField> &fields)
{
    std::vector<qsizetype> keys;
    keys.reserve(size_t(fields.size()));
    for (const OrderField &field : fields) {
        const qsizetype index = table.fieldIndex(field.name);
        if (index < 0)
            raiseSourceError(SourceErr::NoValueGiven, noValueGivenMessage(), QStringLiteral("Pelko.Order"));
        keys.push_back(index);
    }

    // Each key field's distinct values are put in order once and numbered, equal ones alike; the records are
    // then sorted by those numbers alone.
    const qsizetype rows = table.rowCount();
    const size_t keyCount = keys.size();

    constexpr quint32 unseen = std::numeric_limits<quint32>::max();
    std::vector<quint32, BulkAllocator<quint32>> ranks(size_t(rows) * keyCount);
    std::vector<quint32> rankOf(table.valueCount());
    for (size_t k = 0; k < keyCount; ++k) {
        std::fill(rankOf.begin(), rankOf.end(), unseen);
        // Text is case-folded once, so that texts compare code unit by code unit instead of folding both sides
        // of every comparison.
        std::vector<OrderKey> distinct;
        for (qsizetype row = 0; row < rows; ++row) {
            const Table::ValueId id = table.id(row, keys[k]);
            if (rankOf[id] == unseen) {
                rankOf[id] = 0;
                distinct.push_back(orderKey(id, table.value(id)));
            }
        }
        std::vector<quint32> byOrder(distinct.size());
        std::iota(byOrder.begin(), byOrder.end(), quint32(0));
        // Sorted exactly, which also sorts them as compareKeys does; an exact field then ranks each value apart.
        std::sort(byOrder.begin(), byOrder.end(),
                  [&](quint32 a, quint32 b) { return compareExactly(distinct[a], distinct[b]) < 0; });
        const auto compare = fields.at(qsizetype(k)).exact ? compareExactly : compareKeys;
        quint32 rank = 0;
        for (size_t i = 0; i < byOrder.size(); ++i) {
            if (i > 0 && compare(distinct[byOrder[i - 1]], distinct[byOrder[i]]) != 0)
                ++rank;
            rankOf[distinct[byOrder[i]].id] = rank;
        }
        for (qsizetype row = 0; row < rows; ++row)
            ranks[size_t(row) * keyCount + k] = rankOf[table.id(row, keys[k])];
    }

    std::vector<qsizetype> order(static_cast<size_t>(rows));
    std::iota(order.begin(), order.end(), qsizetype(0));
    std::stable_sort(order.begin(), order.end(), [&](qsizetype left, qsizetype right) {
        const quint32 *a = ranks.data() + size_t(left) * keyCount;
        const quint32 *b = ranks.data() + size_t(right) * keyCount;
        return std::lexicographical_compare(a, a + keyCount, b, b + keyCount);
    });
    table.reorderRows(order);
}

} // namespace sources
