#include "sources/gridcells.h"

#include "sources/readers/table.h"

#include <algorithm>
#include <numeric>

namespace sources {

GridCells::GridCells(int rows, int columns)
    : m_rows(rows), m_columns(columns), m_header(std::size_t(columns), 0),
      m_cells(std::size_t(rows - 1) * std::size_t(columns), 0)
{}

GridCells GridCells::fromTable(Table &&table)
{
    GridCells cells;
    cells.m_columns = int(table.fieldCount());
    cells.m_rows = int(table.rowCount()) + 1;
    // The texts by value id, the null value's the empty one; then the field names.
    cells.m_texts.reserve(table.valueCount() + std::size_t(table.fieldCount()));
    // A text value's text is moved rather than shared, which spares touching each text twice.
    for (Table::ValueId id = 1; id < table.valueCount(); ++id) {
        Value value = table.takeValue(id);
        cells.m_texts.push_back(value.type() == Value::Type::Text ? value.takeText() : gridText(value));
    }
    for (const QString &name : table.fieldNames()) {
        cells.m_header.push_back(quint32(cells.m_texts.size()));
        cells.m_texts.push_back(name);
    }
    cells.m_cells = table.takeCellIds();
    return cells;
}

GridCells GridCells::fromTexts(const QStringList &fieldNames, std::vector<QString> texts)
{
    GridCells cells;
    cells.m_columns = int(fieldNames.size());
    cells.m_rows = int(texts.size() / std::max<std::size_t>(1, std::size_t(fieldNames.size()))) + 1;
    cells.m_texts.reserve(1 + std::size_t(fieldNames.size()) + texts.size());
    cells.m_texts.insert(cells.m_texts.end(), fieldNames.cbegin(), fieldNames.cend());
    cells.m_texts.insert(cells.m_texts.end(), std::make_move_iterator(texts.begin()),
                         std::make_move_iterator(texts.end()));
    cells.m_header.resize(std::size_t(fieldNames.size()));
    std::iota(cells.m_header.begin(), cells.m_header.end(), quint32(1));
    cells.m_cells.resize(texts.size());
    std::iota(cells.m_cells.begin(), cells.m_cells.end(), quint32(cells.m_header.size() + 1));
    return cells;
}

void GridCells::setText(int row, int column, const QString &text)
{
    // The text the cell held stays in the store: cells are written one by one only in small numbers.
    (row == 0 ? m_header[std::size_t(column)] : m_cells[offset(row, column)]) = quint32(m_texts.size());
    m_texts.push_back(text);
}

void GridCells::setRows(int rows)
{
    m_cells.resize(std::size_t(rows - 1) * std::size_t(m_columns), 0);
    m_rows = rows;
}

} // namespace sources
