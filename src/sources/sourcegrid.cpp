#include "sources/sourcegrid.h"

#include "errors/errortrap.h"
#include "sources/gridtext.h"

namespace sources {

SourceGrid::SourceGrid(QObject *parent)
    : QAbstractTableModel(parent), m_cells(std::size_t(m_rows * m_cols)),
      m_alignments(std::size_t(m_cols), FlexAlign::LeftCenter)
{}

SourceGrid::~SourceGrid() = default;

void SourceGrid::checkCell(int row, int col) const
{
    if (row < 0 || row >= m_rows || col < 0 || col >= m_cols)
        errors::raise(errors::ErrNo::SubscriptOutOfRange,
                      QStringLiteral("Subscript out of range (row %1, column %2)").arg(row).arg(col));
}

void SourceGrid::setRows(int rows)
{
    if (rows < 1)
        errors::raise(errors::ErrNo::InvalidProcedureCall,
                      QStringLiteral("Invalid procedure call or argument (rows %1)").arg(rows));
    if (rows == m_rows)
        return;
    if (rows > m_rows) {
        beginInsertRows(QModelIndex(), m_rows - 1, rows - 2);
        m_cells.resize(std::size_t(rows) * std::size_t(m_cols));
        m_rows = rows;
        endInsertRows();
    } else {
        beginRemoveRows(QModelIndex(), rows - 1, m_rows - 2);
        m_cells.resize(std::size_t(rows) * std::size_t(m_cols));
        m_rows = rows;
        endRemoveRows();
    }
}

QString SourceGrid::TextMatrix(int row, int col) const
{
    checkCell(row, col);
    return m_cells[offset(row, col)];
}

void SourceGrid::setTextMatrix(int row, int col, const QString &text)
{
    checkCell(row, col);
    m_cells[offset(row, col)] = text;
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
    if (col < 0 || col >= m_cols)
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
    const std::size_t recordCount = fields == 0 ? 0 : records.size() / fields;

    beginResetModel();
    m_cols = int(fields);
    m_rows = int(recordCount) + 1;
    m_cells.clear();
    m_cells.reserve(fields * (recordCount + 1));
    m_cells.insert(m_cells.end(), fieldNames.cbegin(), fieldNames.cend());
    m_cells.insert(m_cells.end(), std::make_move_iterator(records.begin()), std::make_move_iterator(records.end()));
    m_alignments.assign(fields, FlexAlign::LeftCenter);
    std::copy_n(alignments.cbegin(), std::min(alignments.size(), fields), m_alignments.begin());
    m_fieldKeys.reset();
    endResetModel();
}

const std::vector<QString> &SourceGrid::fieldKeys() const
{
    if (!m_fieldKeys) {
        std::vector<QString> keys;
        keys.reserve(std::size_t(m_cols));
        for (int col = 0; col < m_cols; ++col)
            keys.push_back(fieldKey(m_cells[offset(0, col)]));
        m_fieldKeys = std::move(keys);
    }
    return *m_fieldKeys;
}

int SourceGrid::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows - 1;
}

int SourceGrid::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_cols;
}

QVariant SourceGrid::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const int row = index.row() + 1;
    if (row >= m_rows || index.column() >= m_cols)
        return {};
    return m_cells[offset(row, index.column())];
}

QVariant SourceGrid::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        if (section < 0 || section >= m_cols)
            return {};
        return m_cells[offset(0, section)];
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
