#include "sources/readers/table.h"

#include "sources/readers/sourceerror.h"

#include <algorithm>
#include <cmath>
#include <numeric>

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

} // namespace

qsizetype Table::fieldIndex(const QString &name) const
{
    for (qsizetype i = 0; i < m_fieldNames.size(); ++i) {
        if (m_fieldNames.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

std::span<Value> Table::appendRow()
{
    const size_t first = m_cells.size();
    m_cells.resize(first + size_t(fieldCount()));
    return {m_cells.data() + first, size_t(fieldCount())};
}

void Table::appendField(const QString &name)
{
    const qsizetype rows = rowCount();
    const qsizetype oldCount = fieldCount();
    m_fieldNames.append(name);
    if (rows == 0 || oldCount == 0) {
        m_cells.clear();
        m_cells.resize(size_t(rows * fieldCount()));
        return;
    }
    std::vector<Value> cells(size_t(rows * fieldCount()));
    for (qsizetype r = 0; r < rows; ++r) {
        std::move(m_cells.begin() + r * oldCount, m_cells.begin() + (r + 1) * oldCount,
                  cells.begin() + r * fieldCount());
    }
    m_cells = std::move(cells);
}

void Table::reorderRows(const std::vector<qsizetype> &order)
{
    const qsizetype count = fieldCount();
    std::vector<Value> cells;
    cells.reserve(m_cells.size());
    for (const qsizetype source : order) {
        std::move(m_cells.begin() + source * count, m_cells.begin() + (source + 1) * count, std::back_inserter(cells));
    }
    m_cells = std::move(cells);
}

QStringList voucherOrderFields()
{
    return {QStringLiteral("vchtype"), QStringLiteral("vchdate"), QStringLiteral("vchno"), QStringLiteral("SrNo")};
}

int compareForOrder(const Value &a, const Value &b)
{
    const int aClass = orderClass(a.type());
    const int bClass = orderClass(b.type());
    if (aClass != bClass)
        return aClass < bClass ? -1 : 1;
    switch (aClass) {
    case 1:
        return compareNumbers(orderNumber(a), orderNumber(b));
    case 2:
        return a.dateMSecs() < b.dateMSecs() ? -1 : (b.dateMSecs() < a.dateMSecs() ? 1 : 0);
    case 3: {
        const int result = a.toText().compare(b.toText(), Qt::CaseInsensitive);
        return result < 0 ? -1 : (result > 0 ? 1 : 0);
    }
    default:
        return 0;
    }
}

void sortInOrder(Table &table, const QStringList &fieldNames)
{
    std::vector<qsizetype> keys;
    keys.reserve(size_t(fieldNames.size()));
    for (const QString &name : fieldNames) {
        const qsizetype index = table.fieldIndex(name);
        if (index < 0)
            raiseSourceError(SourceErr::NoValueGiven, noValueGivenMessage(), QStringLiteral("Pelko.Order"));
        keys.push_back(index);
    }

    // Text keys are case-folded once, so that the sort compares them code unit by code unit instead of folding
    // both sides of every comparison.
    const qsizetype rows = table.rowCount();
    std::vector<Value> sortKeys;
    sortKeys.reserve(size_t(rows) * keys.size());
    for (qsizetype row = 0; row < rows; ++row) {
        for (const qsizetype key : keys) {
            const Value &value = table.at(row, key);
            sortKeys.push_back(value.type() == Value::Type::Text ? Value::text(value.toText().toCaseFolded()) : value);
        }
    }

    std::vector<qsizetype> order(static_cast<size_t>(rows));
    std::iota(order.begin(), order.end(), qsizetype(0));
    const size_t keyCount = keys.size();
    std::stable_sort(order.begin(), order.end(), [&](qsizetype left, qsizetype right) {
        const Value *a = sortKeys.data() + size_t(left) * keyCount;
        const Value *b = sortKeys.data() + size_t(right) * keyCount;
        for (size_t k = 0; k < keyCount; ++k) {
            const int result = a[k].type() == Value::Type::Text && b[k].type() == Value::Type::Text
                                   ? a[k].toText().compare(b[k].toText())
                                   : compareForOrder(a[k], b[k]);
            if (result != 0)
                return result < 0;
        }
        return false;
    });
    table.reorderRows(order);
}

} // namespace sources
