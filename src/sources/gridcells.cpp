#include "sources/gridcells.h"

#include <algorithm>

namespace sources {

GridCells::GridCells()
{
    m_texts.changeValues([](Value) { return Value::text(QString()); });
}

GridCells::GridCells(int rows, int columns) : GridCells()
{
    m_rows = rows;
    m_columns = columns;
    m_header.assign(std::size_t(columns), 0);
    m_cells.assign(std::size_t(rows - 1) * std::size_t(columns), 0);
}

GridCells GridCells::fromTable(Table &&table)
{
    GridCells cells;
    cells.m_columns = int(table.fieldCount());
    cells.m_rows = int(table.rowCount()) + 1;
    cells.m_cells = table.takeCellIds();
    // The values become their texts, the null value the empty one; then the field names follow them.
    cells.m_texts = std::move(table);
    cells.m_texts.changeValues([](Value value) {
        return value.type() == Value::Type::Text ? std::move(value) : Value::text(gridText(value));
    });
    for (const QString &name : cells.m_texts.fieldNames())
        cells.m_header.push_back(cells.m_texts.appendValue(Value::text(name)));
    return cells;
}

GridCells GridCells::fromTexts(const QStringList &fieldNames, std::vector<QString> texts)
{
    GridCells cells;
    cells.m_columns = int(fieldNames.size());
    cells.m_rows = int(texts.size() / std::max<std::size_t>(1, std::size_t(fieldNames.size()))) + 1;
    for (const QString &name : fieldNames)
        cells.m_header.push_back(cells.m_texts.appendValue(Value::text(name)));
    cells.m_cells.reserve(texts.size());
    for (QString &text : texts)
        cells.m_cells.push_back(cells.m_texts.appendValue(Value::text(std::move(text))));
    return cells;
}

void GridCells::setText(int row, int column, const QString &text)
{
    // The text the cell held stays in the store: cells are written one by one only in small numbers.
    (row == 0 ? m_header[std::size_t(column)] : m_cells[offset(row, column)]) = m_texts.appendValue(Value::text(text));
}

void GridCells::setRows(int rows)
{
    m_cells.resize(std::size_t(rows - 1) * std::size_t(m_columns), 0);
    m_rows = rows;
}

} // namespace sources
