#pragma once

#include "sources/readers/table.h"

#include <QString>
#include <QStringList>

#include <span>
#include <vector>

namespace sources {

// The cells of a loaded table as the grids show them, row 0 the field names: each distinct value's text is made
// once, and a cell holds the number of its text. The source grid holds the store and the work grid reads its
// rows from the same one, so that a text is held once however many cells of either grid show it.
class GridCells
{
public:
    // Every cell empty; rows is 1 or more.
    GridCells(int rows, int columns);

    // The field names, then the table's records; it takes the records and values from the table.
    static GridCells fromTable(Table &&table);
    // The field names, then the texts row by row (a multiple of the field count of them).
    static GridCells fromTexts(const QStringList &fieldNames, std::vector<QString> texts);

    int rows() const { return m_rows; }
    int columns() const { return m_columns; }

    // The number of a cell's text; equal numbers are equal texts.
    quint32 textId(int row, int column) const
    {
        return row == 0 ? m_header[std::size_t(column)] : m_cells[offset(row, column)];
    }
    const QString &textById(quint32 id) const { return m_texts.value(id).toText(); }
    // The text numbers of a record's cells (a row of 1 or more).
    std::span<const quint32> recordIds(int row) const
    {
        return {m_cells.data() + offset(row, 0), std::size_t(m_columns)};
    }
    std::size_t textCount() const { return m_texts.valueCount(); }
    const QString &text(int row, int column) const { return textById(textId(row, column)); }

    void setText(int row, int column, const QString &text);
    // Keeps the cells of the rows that stay; new rows are empty.
    void setRows(int rows);

private:
    GridCells();
    std::size_t offset(int row, int column) const
    {
        return std::size_t(row - 1) * std::size_t(m_columns) + std::size_t(column);
    }

    int m_rows = 1;
    int m_columns = 0;
    // The texts by number, each a text value, number 0 the empty text of every new cell. A loaded table's
    // values become its texts where they are, so that the texts are not moved into a store of their own.
    Table m_texts;
    std::vector<quint32> m_header;
    // Rows 1 and on.
    Table::CellIds m_cells;
};

} // namespace sources
