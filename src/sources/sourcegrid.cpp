#include "sources/sourcegrid.h"

#include "errors/errortrap.h"
#include "sources/gridtext.h"

namespace sources {

SourceGrid::SourceGrid(QObject *parent)
    : QAbstractTableModel(parent), m_cells(std::make_shared<GridCells>(2, 2)), m_alignments(2, FlexAlign::LeftCenter)
{}

SourceGrid::~SourceGrid() = default;

void SourceGrid::checkCell(int row, int col) const
{
    if (row < 0 || row >= Rows() || col < 0 || col >= Cols())
        errors::raise(errors::ErrNo::SubscriptOutOfRange,
                      QStringLiteral("Subscript out of range (row %1, column %2)").arg(row).arg(col));
}

GridCells &SourceGrid::ownCells()
{
    if (m_cells.use_count() > 1)
        m_cells = std::make_shared<GridCells>(*m_cells);
    return *m_cells;
}

void SourceGrid::setRows(int rows)
{
    if (rows < 1)
        errors::raise(errors::ErrNo::InvalidProcedureCall,
                      QStringLiteral("Invalid procedure call or argument (rows %1)").arg(rows));
    const int before = Rows();
    if (rows == before)
        return;
    if (rows > before)
        beginInsertRows(QModelIndex(), before - 1, rows - 2);
    else
        beginRemoveRows(QModelIndex(), rows - 1, before - 2);
    ownCells().setRows(rows);
    if (rows > before)
        endInsertRows();
    else
        endRemoveRows();
}

QString SourceGrid::TextMatrix(int row, int col) const
{
    return textAt(row, col);
}

const QString &SourceGrid::textAt(int row, int col) const
{
    checkCell(row, col);
    return m_cells->text(row, col);
}

void SourceGrid::setTextMatrix(int row, int col, const QString &text)
{
    checkCell(row, col);
    ownCells().setText(row, col, text);
    if (row == 0) {
        m_fieldKeys.reset();
        emit headerDataChanged(Qt::Horizontal, col, col);
    } else {
        const QModelIndex cell = index(row - 1, col);
        emit dataChanged(cell, cell, {Qt::DisplayRole, Qt::EditRole});
    }
}

int SourceGrid::ColAlignment(int col) const
{
    if (col < 0 || col >= Cols())
        errors::raise(errors::ErrNo::SubscriptOutOfRange,
                      QStringLiteral("Subscript out of range (column %1)").arg(col));
    return m_alignments[std::size_t(col)];
}

void SourceGrid::bind(const QStringList &fieldNames, std::vector<QString> records, const std::vector<int> &alignments)
{
    const std::size_t fields = std::size_t(fieldNames.size());
    if (fields == 0 ? !records.empty() : records.size() % fields != 0)
        errors::raise(errors::ErrNo::InternalError,
                      QStringLiteral("Internal error (%1 cells for %2 fields)").arg(records.size()).arg(fields));
    bind(GridCells::fromTexts(fieldNames, std::move(records)), alignments);
}

void SourceGrid::bind(GridCells cells, const std::vector<int> &alignments)
{
    beginResetModel();
    const std::size_t fields = std::size_t(cells.columns());
    m_cells = std::make_shared<GridCells>(std::move(cells));
    m_alignments.assign(fields, FlexAlign::LeftCenter);
    std::copy_n(alignments.cbegin(), std::min(alignments.size(), fields), m_alignments.begin());
    m_fieldKeys.reset();
    endResetModel();
}

const std::vector<QString> &SourceGrid::fieldKeys() const
{
    if (!m_fieldKeys) {
        std::vector<QString> keys;
        keys.reserve(std::size_t(Cols()));
        for (int col = 0; col < Cols(); ++col)
            keys.push_back(fieldKey(m_cells->text(0, col)));
        m_fieldKeys = std::move(keys);
    }
    return *m_fieldKeys;
}

int SourceGrid::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Rows() - 1;
}

int SourceGrid::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Cols();
}

QVariant SourceGrid::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const int row = index.row() + 1;
    if (row >= Rows() || index.column() >= Cols())
        return {};
    return m_cells->text(row, index.column());
}

QVariant SourceGrid::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        if (section < 0 || section >= Cols())
            return {};
        return m_cells->text(0, section);
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags SourceGrid::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

} // namespace sources
