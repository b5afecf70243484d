#pragma once

#include "sources/readers/bulkmemory.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QIcon>
#include <QLatin1String>
#include <QString>

#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace sources {

class GridCells;

// Keys and captions the loaders give the work grid and the posting procedures read it by.
inline constexpr QLatin1String ProcessStatusKey{"PROCESSSTATUS"};
inline constexpr QLatin1String ProcessStatusCaption{"Process Status"};
inline constexpr QLatin1String IdKey{"ID"};

// Horizontal alignment codes of a work-grid cell.
namespace CellAlign {
inline constexpr int Left = 0;
inline constexpr int Centre = 1;
inline constexpr int Right = 2;
} // namespace CellAlign

// The image index of a cell that shows no image.
inline constexpr int NoImage = -1;
// Images are square, this many pixels wide and high.
inline constexpr int ImageSize = 16;

// Colour values the program passes around in the &H00BBGGRR form (255 is pure red).
QColor oleColor(quint32 bgr);
inline constexpr quint32 OleRed = 0x000000FFU;
inline constexpr quint32 OleBlue = 0x00FF0000U;
inline constexpr quint32 OleBlack = 0x00000000U;

// The main window's work grid (Gr1): keyed columns, 1-based rows and columns, per-cell text, alignment, image,
// text colour and boldness, a current row and a repaint switch. Shown through a view as a table model, whose
// indexes are 0-based.
class WorkGrid final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WorkGrid)

public:
    using IconProvider = std::function<QIcon(int imageIndex)>;

    explicit WorkGrid(QObject *parent = nullptr);
    ~WorkGrid() override;

    // Removes every row and every column.
    void clear();
    // Takes every cell's image, text colour and bold mark away; texts and alignments stay.
    void clearMarks();

    // While repainting is off, changes reach the view in one refresh when it is switched back on.
    void setRedraw(bool on);
    bool redraw() const { return m_redraw; }

    // Adds a new last column and returns its number. Keys need not be unique; a key names its first column.
    int addColumn(const QString &key, const QString &caption);
    // Adds a new last row of empty cells and returns its number.
    int appendRow();

    // Shows the cells of a loaded table in the first columns, one column for each alignment code given, aligned
    // as the code says (any code but CellAlign's leaves it left-aligned). The grid keeps the cells until it is
    // cleared.
    void showCells(std::shared_ptr<const GridCells> cells, const std::vector<int> &alignments);
    // Adds a new last row that shows the record (a row of the cells, 1 or more) in the first columns and has
    // empty cells after them, and returns its number. Its cells read and change as any other's.
    int appendRecordRow(int record);

    int rows() const { return int(m_rows.size()); }
    int columns() const { return int(m_columns.size()); }

    // The number of the first column with this key; a run-time error for a key the grid lacks.
    int columnOfKey(const QString &key) const;
    // The first column with this key, or 0 when there is none.
    int findColumn(const QString &key) const;
    QString keyOfColumn(int column) const;
    QString captionOfColumn(int column) const;
    QString columnTag(int column) const;
    // The tag, and the row of the sheet that gave it (0 when none), which a message about the tag names.
    void setColumnTag(int column, const QString &tag, int tagRow = 0);
    int columnTagRow(int column) const;

    // Column widths in pixels as the view should apply them; -1 leaves the view's default.
    int columnWidth(int column) const;
    void setColumnWidth(int column, int width);
    // Fits the width to the caption and to every cell: its text in the cell's font, and its image.
    void fitColumnWidth(int column);
    void fitColumnWidth(const QString &key);
    // Fits each of the columns as fitColumnWidth does.
    void fitColumnWidths(const std::vector<int> &columns);

    QString text(int row, int column) const;
    void setText(int row, int column, const QString &text);
    // Shorthand for text(row, columnOfKey(key)), with the same error for a missing key.
    QString text(int row, const QString &key) const { return text(row, columnOfKey(key)); }
    void setText(int row, const QString &key, const QString &value) { setText(row, columnOfKey(key), value); }

    int alignment(int row, int column) const;
    void setAlignment(int row, int column, int align);
    int image(int row, int column) const;
    void setImage(int row, int column, int imageIndex);
    // An invalid colour is the view's default text colour.
    QColor textColor(int row, int column) const;
    void setTextColor(int row, int column, const QColor &color);
    bool bold(int row, int column) const;
    void setBold(int row, int column, bool bold);

    // The row the view should make current and scroll to; 0 when none.
    int currentRow() const { return m_currentRow; }
    void setCurrentRow(int row);

    // Images are indexes into the window's icon list; the window tells the grid how to draw one.
    void setIconProvider(IconProvider provider);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

signals:
    void currentRowChanged(int row);
    void columnWidthChanged(int column, int width);

private:
    struct Column
    {
        QString key;
        QString caption;
        QString tag;
        int tagRow = 0;
        int width = -1;
    };
    struct CellMarks
    {
        QColor color;
        int image = NoImage;
        bool bold = false;
    };
    // Texts, alignments and marks are sized lazily: an untouched row costs no cell storage, and only rows that
    // posting marks carry colours, images and fonts. A row that shows a record reads its first cells from the
    // shown cells until one of them is written, and holds texts only for the columns after them; once one is
    // written it takes copies of them (sharing their texts).
    struct RowStyle
    {
        std::vector<quint8> alignments;
        std::vector<CellMarks> marks;
    };
    // A loaded row is small: its texts only where it has its own, its style only once one is set.
    struct Row
    {
        std::vector<QString> texts;
        std::unique_ptr<RowStyle> style;
        int record = 0;

        std::span<const quint8> alignments() const
        {
            return style ? std::span<const quint8>(style->alignments) : std::span<const quint8>();
        }
        std::span<const CellMarks> marks() const
        {
            return style ? std::span<const CellMarks>(style->marks) : std::span<const CellMarks>();
        }
        RowStyle &ownStyle()
        {
            if (!style)
                style = std::make_unique<RowStyle>();
            return *style;
        }
    };

    const QString &cellText(const Row &row, std::size_t c) const;
    int cellAlignment(const Row &row, std::size_t c) const;
    bool showsRecord(const Row &row, std::size_t c) const { return row.record > 0 && c < m_shownAlignments.size(); }
    // The column of a row's first own text.
    std::size_t textBase(const Row &row) const { return row.record > 0 ? m_shownAlignments.size() : 0; }
    void takeRecord(Row &row);

    void checkCell(int row, int column) const;
    void checkColumn(int column) const;
    const CellMarks *marksOf(int row, int column) const;
    CellMarks &marksFor(int row, int column);
    void cellChanged(int row, int column, const QList<int> &roles);

    std::vector<Column> m_columns;
    std::vector<Row, BulkAllocator<Row>> m_rows;
    std::shared_ptr<const GridCells> m_shownCells;
    // One per column that shows the cells.
    std::vector<quint8> m_shownAlignments;
    int m_currentRow = 0;
    bool m_redraw = true;
    // What the view has been told: row and column counts as last announced, and whether anything changed
    // while repainting was off.
    int m_shownRows = 0;
    int m_shownColumns = 0;
    bool m_structureDirty = false;
    bool m_dataDirty = false;
    IconProvider m_iconProvider;
};

// Switches the work grid's repainting off for its lifetime and always back on at its end, also when an error
// ends the procedure that holds it.
class RedrawSuspender final
{
public:
    explicit RedrawSuspender(WorkGrid &grid) : m_grid(grid) { m_grid.setRedraw(false); }
    ~RedrawSuspender() { m_grid.setRedraw(true); }
    Q_DISABLE_COPY_MOVE(RedrawSuspender)

private:
    WorkGrid &m_grid;
};

} // namespace sources
