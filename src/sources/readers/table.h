#pragma once

#include "sources/readers/value.h"

#include <QStringList>

#include <span>
#include <vector>

namespace sources {

// A table as read from a source: its field names and its records, each a row of typed values in field order.
class Table
{
public:
    Table() = default;
    explicit Table(QStringList fieldNames) : m_fieldNames(std::move(fieldNames)) {}

    const QStringList &fieldNames() const { return m_fieldNames; }
    qsizetype fieldCount() const { return m_fieldNames.size(); }
    qsizetype rowCount() const { return fieldCount() == 0 ? 0 : qsizetype(m_cells.size()) / fieldCount(); }

    const Value &at(qsizetype row, qsizetype field) const { return m_cells[size_t(row * fieldCount() + field)]; }
    Value &at(qsizetype row, qsizetype field) { return m_cells[size_t(row * fieldCount() + field)]; }
    std::span<const Value> row(qsizetype row) const
    {
        return {m_cells.data() + row * fieldCount(), size_t(fieldCount())};
    }

    // The position of the first field with this name, letter case ignored; -1 when there is none.
    qsizetype fieldIndex(const QString &name) const;

    void reserveRows(qsizetype rows) { m_cells.reserve(size_t(rows * fieldCount())); }
    // Appends a record of nulls and returns its cells to fill.
    std::span<Value> appendRow();

    // Adds a field, null in every record; a reader uses it when a later line proves wider than the header.
    void appendField(const QString &name);

    // Puts the records in the order of the permutation: record i of the result is record order[i] before.
    void reorderRows(const std::vector<qsizetype> &order);

private:
    QStringList m_fieldNames;
    std::vector<Value> m_cells;
};

// The ordering the voucher loaders ask for: "vchtype, vchdate, vchno, SrNo".
QStringList voucherOrderFields();

// Compares two values in the order in which the database engine sorts a column: nulls first, then numbers by
// value (a Yes/No field counts as -1 for Yes and 0 for No), then dates by their time, then text without regard
// to letter case. Returns less than, equal to or more than 0.
int compareForOrder(const Value &a, const Value &b);

// Sorts the records by the named fields, the first field first, each ascending by compareForOrder. The sort is
// stable: records equal in every named field keep their order. Field names are matched without regard to
// letter case; a name that is not a field of the table raises the run-time error the database engine gives for
// an unknown name in a statement (SourceErr::NoValueGiven), and leaves the table unchanged.
void sortInOrder(Table &table, const QStringList &fieldNames);

} // namespace sources
