#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace staging {

// The rows one table holds for one staged voucher, in the numeric order of their ids, every column as the file
// stores it.
class StagedRows final
{
public:
    // The names of a table's columns in the order its rows hold them, made once for the table and shared by
    // every read of it.
    class Columns;

    StagedRows() = default;
    // The values row after row, a Null column as a null text.
    StagedRows(std::shared_ptr<const Columns> columns, std::vector<QString> values);

    qsizetype size() const { return m_rows; }
    // The position of a column, matched without regard to case; a run-time error when the table lacks it. Rows
    // of a table that holds none for the voucher are not read, and their columns are -1.
    int column(const char *name) const;
    // A column's text, with an empty (Null) column read as "".
    const QString &text(qsizetype row, int column) const;
    bool isNull(qsizetype row, int column) const;

    // The columns of a statement's rows, by name in the order of the row.
    static std::shared_ptr<const Columns> columnsNamed(const QStringList &names);

private:
    std::shared_ptr<const Columns> m_columns;
    std::vector<QString> m_values; // row after row
    qsizetype m_width = 0;
    qsizetype m_rows = 0;
};

} // namespace staging
