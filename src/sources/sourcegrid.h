#pragma once

#include "sources/gridcells.h"

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace sources {

// Column alignment codes of the source grid, numbered as the classic flex grid numbers them. A bound column of
// text reads LeftCenter, one of numbers RightCenter.
namespace FlexAlign {
inline constexpr int LeftTop = 0;
inline constexpr int LeftCenter = 1;
inline constexpr int LeftBottom = 2;
inline constexpr int CenterTop = 3;
inline constexpr int CenterCenter = 4;
inline constexpr int CenterBottom = 5;
inline constexpr int RightTop = 6;
inline constexpr int RightCenter = 7;
inline constexpr int RightBottom = 8;
inline constexpr int General = 9;
} // namespace FlexAlign

// The main window's source grid (lstLedgerTree): the table as it was read, 0-based, with the field names in
// row 0 and no fixed column. As a table model it shows row 0 as the horizontal header, so model row r is grid
// row r + 1.
class SourceGrid final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SourceGrid)

public:
    // Starts as the grid control does: two rows, two columns, every cell empty.
    explicit SourceGrid(QObject *parent = nullptr);
    ~SourceGrid() override;

    int Cols() const { return m_cells->columns(); }
    int Rows() const { return m_cells->rows(); }
    // Keeps the cells of the rows that stay; new rows are empty. A grid keeps at least its header row.
    void setRows(int rows);

    QString TextMatrix(int row, int col) const;
    // The cell's text as TextMatrix gives it, without a copy, for loops over many cells.
    const QString &textAt(int row, int col) const;
    void setTextMatrix(int row, int col, const QString &text);
    int ColAlignment(int col) const;

    // Replaces the whole content: row 0 the field names, then one row per record. records holds the cells row
    // by row (records × fields of them); alignments holds one code per field, LeftCenter where it is missing.
    void bind(const QStringList &fieldNames, std::vector<QString> records, const std::vector<int> &alignments = {});
    // Replaces the whole content with the cells, row 0 the field names.
    void bind(GridCells cells, const std::vector<int> &alignments = {});

    // The cells as they are now, for the work grid to show; a later change of the source grid leaves them be.
    std::shared_ptr<const GridCells> cells() const { return m_cells; }

    // The header row as field names are matched against it (see fieldKey), kept until row 0 changes.
    const std::vector<QString> &fieldKeys() const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    void checkCell(int row, int col) const;
    // The cells to change, no longer shared with the work grid.
    GridCells &ownCells();

    std::shared_ptr<GridCells> m_cells;
    std::vector<int> m_alignments;
    mutable std::optional<std::vector<QString>> m_fieldKeys;
};

} // namespace sources
