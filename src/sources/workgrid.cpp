#include "sources/workgrid.h"

#include "errors/errortrap.h"
#include "sources/gridcells.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QtMath>

#include <algorithm>
#include <array>
#include <optional>

namespace sources {

namespace {

// Room for the cell's margins and the grid lines around a fitted text.
constexpr int FitPadding = 12;
// Room for a cell's image and the margins a view keeps around it.
constexpr int ImageRoom = ImageSize + 6;
// Used for widths when no GUI application exists to measure with (command-line tools, core tests).
constexpr int FallbackCharWidth = 7;

QString subscriptText(int row, int column)
{
    return QStringLiteral("Subscript out of range (row %1, column %2)").arg(row).arg(column);
}

// Measures texts with the grid's font. A load fits every source column over every row, so the advance of each
// Latin-1 character is looked up in a table rather than shaping each text; other texts are measured whole.
class TextMeter
{
public:
    explicit TextMeter(bool bold = false)
    {
        if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
            m_advances.fill(FallbackCharWidth);
            return;
        }
        QFont font = QGuiApplication::font();
        font.setBold(bold);
        m_metrics.emplace(font);
        for (std::size_t c = 0; c < m_advances.size(); ++c)
            m_advances[c] = m_metrics->horizontalAdvance(QChar(char16_t(c)));
    }

    qreal width(const QString &text) const
    {
        qreal total = 0;
        for (const QChar c : text) {
            if (c.unicode() >= m_advances.size())
                return m_metrics ? m_metrics->horizontalAdvance(text) : qreal(text.size()) * FallbackCharWidth;
            total += m_advances[c.unicode()];
        }
        return total;
    }

private:
    std::optional<QFontMetricsF> m_metrics;
    std::array<qreal, 256> m_advances{};
};

Qt::Alignment qtAlignment(int align)
{
    switch (align) {
    case CellAlign::Centre:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    case CellAlign::Right:
        return Qt::AlignRight | Qt::AlignVCenter;
    default:
        return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

} // namespace

QColor oleColor(quint32 bgr)
{
    return QColor(int(bgr & 0xFFU), int((bgr >> 8) & 0xFFU), int((bgr >> 16) & 0xFFU));
}

WorkGrid::WorkGrid(QObject *parent) : QAbstractTableModel(parent) {}

WorkGrid::~WorkGrid() = default;

void WorkGrid::clear()
{
    if (m_redraw)
        beginResetModel();
    m_columns.clear();
    m_rows.clear();
    m_shownCells.reset();
    m_shownAlignments.clear();
    m_currentRow = 0;
    if (m_redraw) {
        m_shownRows = 0;
        m_shownColumns = 0;
        endResetModel();
    } else {
        m_structureDirty = true;
    }
}

void WorkGrid::clearMarks()
{
    for (Row &row : m_rows) {
        if (row.style)
            row.style->marks.clear();
    }
    if (!m_redraw)
        m_dataDirty = true;
    else if (m_shownRows > 0 && m_shownColumns > 0)
        emit dataChanged(index(0, 0), index(m_shownRows - 1, m_shownColumns - 1));
}

void WorkGrid::setRedraw(bool on)
{
    if (on == m_redraw)
        return;
    m_redraw = on;
    if (!on)
        return;
    if (m_structureDirty) {
        beginResetModel();
        m_shownRows = rows();
        m_shownColumns = columns();
        endResetModel();
        // A view keeps its section sizes through a reset; every column is new, so each gets its own width,
        // the view's default where none was set.
        for (int c = 1; c <= columns(); ++c)
            emit columnWidthChanged(c, m_columns[std::size_t(c - 1)].width);
        if (m_currentRow > 0)
            emit currentRowChanged(m_currentRow);
    } else if (m_dataDirty && m_shownRows > 0 && m_shownColumns > 0) {
        emit dataChanged(index(0, 0), index(m_shownRows - 1, m_shownColumns - 1));
    }
    m_structureDirty = false;
    m_dataDirty = false;
}

int WorkGrid::addColumn(const QString &key, const QString &caption)
{
    const int column = columns() + 1;
    if (m_redraw)
        beginInsertColumns(QModelIndex(), column - 1, column - 1);
    m_columns.push_back(Column{key, caption, QString(), -1});
    if (m_redraw) {
        m_shownColumns = columns();
        endInsertColumns();
    } else {
        m_structureDirty = true;
    }
    return column;
}

int WorkGrid::appendRow()
{
    return appendRecordRow(0);
}

void WorkGrid::showCells(std::shared_ptr<const GridCells> cells, const std::vector<int> &alignments)
{
    const int shown = int(alignments.size());
    if (shown > cells->columns() || shown > columns())
        errors::raise(errors::ErrNo::InternalError, QStringLiteral("Internal error (%1 fields for %2 columns)")
                                                        .arg(shown)
                                                        .arg(std::min(cells->columns(), columns())));
    m_shownAlignments.clear();
    for (const int align : alignments)
        m_shownAlignments.push_back(
            quint8(align >= CellAlign::Left && align <= CellAlign::Right ? align : CellAlign::Left));
    // The rows to come show the records, or most of them.
    m_rows.reserve(m_rows.size() + std::size_t(cells->rows()) + 1);
    m_shownCells = std::move(cells);
}

int WorkGrid::appendRecordRow(int record)
{
    if (record != 0 && (!m_shownCells || record < 1 || record >= m_shownCells->rows()))
        errors::raise(errors::ErrNo::SubscriptOutOfRange,
                      QStringLiteral("Subscript out of range (record %1)").arg(record));
    const int row = rows() + 1;
    if (m_redraw)
        beginInsertRows(QModelIndex(), row - 1, row - 1);
    m_rows.emplace_back().record = record;
    if (m_redraw) {
        m_shownRows = rows();
        endInsertRows();
    } else {
        m_structureDirty = true;
    }
    return row;
}

int WorkGrid::findColumn(const QString &key) const
{
    for (std::size_t c = 0; c < m_columns.size(); ++c) {
        if (m_columns[c].key == key)
            return int(c) + 1;
    }
    return 0;
}

int WorkGrid::columnOfKey(const QString &key) const
{
    const int column = findColumn(key);
    if (column == 0)
        errors::raise(errors::ErrNo::SubscriptOutOfRange,
                      QStringLiteral("Subscript out of range (no column keyed \"%1\")").arg(key));
    return column;
}

void WorkGrid::checkColumn(int column) const
{
    if (column < 1 || column > columns())
        errors::raise(errors::ErrNo::SubscriptOutOfRange,
                      QStringLiteral("Subscript out of range (column %1)").arg(column));
}

void WorkGrid::checkCell(int row, int column) const
{
    if (row < 1 || row > rows() || column < 1 || column > columns())
        errors::raise(errors::ErrNo::SubscriptOutOfRange, subscriptText(row, column));
}

QString WorkGrid::keyOfColumn(int column) const
{
    checkColumn(column);
    return m_columns[std::size_t(column - 1)].key;
}

QString WorkGrid::captionOfColumn(int column) const
{
    checkColumn(column);
    return m_columns[std::size_t(column - 1)].caption;
}

QString WorkGrid::columnTag(int column) const
{
    checkColumn(column);
    return m_columns[std::size_t(column - 1)].tag;
}

void WorkGrid::setColumnTag(int column, const QString &tag, int tagRow)
{
    checkColumn(column);
    m_columns[std::size_t(column - 1)].tag = tag;
    m_columns[std::size_t(column - 1)].tagRow = tagRow;
}

int WorkGrid::columnTagRow(int column) const
{
    checkColumn(column);
    return m_columns[std::size_t(column - 1)].tagRow;
}

int WorkGrid::columnWidth(int column) const
{
    checkColumn(column);
    return m_columns[std::size_t(column - 1)].width;
}

void WorkGrid::setColumnWidth(int column, int width)
{
    checkColumn(column);
    m_columns[std::size_t(column - 1)].width = width;
    emit columnWidthChanged(column, width);
}

void WorkGrid::fitColumnWidth(int column)
{
    fitColumnWidths({column});
}

void WorkGrid::fitColumnWidths(const std::vector<int> &columns)
{
    const TextMeter meter;
    // Posting marks a few cells bold; their meter is made when the first one is met.
    std::optional<TextMeter> boldMeter;
    // A text of the shown cells is measured once, however many cells show it: by text number, -1 until then.
    std::vector<qreal> shownWidths;
    std::vector<qreal> widest;
    for (const int column : columns) {
        checkColumn(column);
        widest.push_back(meter.width(m_columns[std::size_t(column - 1)].caption));
    }
    const auto shownWidth = [&](quint32 id) {
        if (shownWidths.empty())
            shownWidths.assign(m_shownCells->textCount(), -1);
        if (shownWidths[id] < 0)
            shownWidths[id] = meter.width(m_shownCells->textById(id));
        return shownWidths[id];
    };
    // Row by row, each row's cells of all the columns at once.
    for (const Row &row : m_rows) {
        if (row.record > 0 && row.marks().empty()) {
            // A row as a load leaves it.
            const std::span<const quint32> ids = m_shownCells->recordIds(row.record);
            for (std::size_t i = 0; i < columns.size(); ++i) {
                const std::size_t c = std::size_t(columns[i] - 1);
                widest[i] =
                    qMax(widest[i], c < m_shownAlignments.size() ? shownWidth(ids[c]) : meter.width(cellText(row, c)));
            }
            continue;
        }
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const std::size_t c = std::size_t(columns[i] - 1);
            const CellMarks *marks = c < row.marks().size() ? &row.marks()[c] : nullptr;
            const bool bold = marks && marks->bold;
            const bool image = marks && marks->image != NoImage;
            qreal width = 0;
            if (bold) {
                if (!boldMeter)
                    boldMeter.emplace(true);
                width = boldMeter->width(cellText(row, c));
            } else if (showsRecord(row, c)) {
                width = shownWidth(m_shownCells->textId(row.record, int(c)));
            } else {
                width = meter.width(cellText(row, c));
            }
            widest[i] = qMax(widest[i], width + (image ? ImageRoom : 0));
        }
    }
    for (std::size_t i = 0; i < columns.size(); ++i)
        setColumnWidth(columns[i], qCeil(widest[i]) + FitPadding);
}

void WorkGrid::fitColumnWidth(const QString &key)
{
    fitColumnWidth(columnOfKey(key));
}

const QString &WorkGrid::cellText(const Row &row, std::size_t c) const
{
    static const QString noText;
    if (showsRecord(row, c))
        return m_shownCells->text(row.record, int(c));
    const std::size_t own = c - textBase(row);
    return own < row.texts.size() ? row.texts[own] : noText;
}

int WorkGrid::cellAlignment(const Row &row, std::size_t c) const
{
    if (showsRecord(row, c))
        return m_shownAlignments[c];
    return c < row.alignments().size() ? row.alignments()[c] : CellAlign::Left;
}

void WorkGrid::takeRecord(Row &row)
{
    const std::size_t shown = m_shownAlignments.size();
    std::vector<QString> texts(std::max(m_columns.size(), shown + row.texts.size()));
    std::move(row.texts.begin(), row.texts.end(), texts.begin() + std::ptrdiff_t(shown));
    row.texts = std::move(texts);
    std::vector<quint8> &alignments = row.ownStyle().alignments;
    alignments.resize(std::max(alignments.size(), m_columns.size()), quint8(CellAlign::Left));
    for (std::size_t c = 0; c < shown; ++c) {
        row.texts[c] = m_shownCells->text(row.record, int(c));
        alignments[c] = m_shownAlignments[c];
    }
    row.record = 0;
}

QString WorkGrid::text(int row, int column) const
{
    checkCell(row, column);
    return cellText(m_rows[std::size_t(row - 1)], std::size_t(column - 1));
}

void WorkGrid::setText(int row, int column, const QString &text)
{
    checkCell(row, column);
    Row &r = m_rows[std::size_t(row - 1)];
    const std::size_t c = std::size_t(column - 1);
    if (showsRecord(r, c))
        takeRecord(r);
    const std::size_t base = textBase(r);
    if (c - base >= r.texts.size()) {
        if (text.isEmpty())
            return;
        r.texts.resize(c - base + 1);
    }
    r.texts[c - base] = text;
    cellChanged(row, column, {Qt::DisplayRole, Qt::EditRole});
}

int WorkGrid::alignment(int row, int column) const
{
    checkCell(row, column);
    return cellAlignment(m_rows[std::size_t(row - 1)], std::size_t(column - 1));
}

void WorkGrid::setAlignment(int row, int column, int align)
{
    checkCell(row, column);
    if (align < CellAlign::Left || align > CellAlign::Right)
        errors::raise(errors::ErrNo::InvalidProcedureCall,
                      QStringLiteral("Invalid procedure call or argument (alignment %1)").arg(align));
    Row &r = m_rows[std::size_t(row - 1)];
    const std::size_t c = std::size_t(column - 1);
    if (showsRecord(r, c))
        takeRecord(r);
    if (c >= r.alignments().size()) {
        if (align == CellAlign::Left)
            return;
        r.ownStyle().alignments.resize(m_columns.size(), quint8(CellAlign::Left));
    }
    r.style->alignments[c] = quint8(align);
    cellChanged(row, column, {Qt::TextAlignmentRole});
}

const WorkGrid::CellMarks *WorkGrid::marksOf(int row, int column) const
{
    checkCell(row, column);
    const Row &r = m_rows[std::size_t(row - 1)];
    const std::size_t c = std::size_t(column - 1);
    return c < r.marks().size() ? &r.marks()[c] : nullptr;
}

WorkGrid::CellMarks &WorkGrid::marksFor(int row, int column)
{
    checkCell(row, column);
    Row &r = m_rows[std::size_t(row - 1)];
    const std::size_t c = std::size_t(column - 1);
    std::vector<CellMarks> &marks = r.ownStyle().marks;
    if (c >= marks.size())
        marks.resize(m_columns.size());
    return marks[c];
}

int WorkGrid::image(int row, int column) const
{
    const CellMarks *marks = marksOf(row, column);
    return marks ? marks->image : NoImage;
}

void WorkGrid::setImage(int row, int column, int imageIndex)
{
    marksFor(row, column).image = imageIndex < 0 ? NoImage : imageIndex;
    cellChanged(row, column, {Qt::DecorationRole});
}

QColor WorkGrid::textColor(int row, int column) const
{
    const CellMarks *marks = marksOf(row, column);
    return marks ? marks->color : QColor();
}

void WorkGrid::setTextColor(int row, int column, const QColor &color)
{
    marksFor(row, column).color = color;
    cellChanged(row, column, {Qt::ForegroundRole});
}

bool WorkGrid::bold(int row, int column) const
{
    const CellMarks *marks = marksOf(row, column);
    return marks && marks->bold;
}

void WorkGrid::setBold(int row, int column, bool bold)
{
    marksFor(row, column).bold = bold;
    cellChanged(row, column, {Qt::FontRole});
}

void WorkGrid::setCurrentRow(int row)
{
    if (row < 1 || row > rows())
        errors::raise(errors::ErrNo::SubscriptOutOfRange, QStringLiteral("Subscript out of range (row %1)").arg(row));
    m_currentRow = row;
    emit currentRowChanged(row);
}

void WorkGrid::setIconProvider(IconProvider provider)
{
    m_iconProvider = std::move(provider);
    if (m_shownRows > 0 && m_shownColumns > 0)
        emit dataChanged(index(0, 0), index(m_shownRows - 1, m_shownColumns - 1), {Qt::DecorationRole});
}

void WorkGrid::cellChanged(int row, int column, const QList<int> &roles)
{
    if (!m_redraw) {
        m_dataDirty = true;
        return;
    }
    const QModelIndex cell = index(row - 1, column - 1);
    emit dataChanged(cell, cell, roles);
}

int WorkGrid::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_shownRows;
}

int WorkGrid::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_shownColumns;
}

QVariant WorkGrid::data(const QModelIndex &index, int role) const
{
    // While repainting is off the view may still ask for cells it was told of earlier; the grid may since
    // have fewer.
    const int row = index.row() + 1;
    const int column = index.column() + 1;
    if (!index.isValid() || row > rows() || column > columns())
        return {};
    const Row &r = m_rows[std::size_t(row - 1)];
    const std::size_t c = std::size_t(column - 1);
    const CellMarks *marks = c < r.marks().size() ? &r.marks()[c] : nullptr;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return cellText(r, c);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(qtAlignment(cellAlignment(r, c)));
    case Qt::ForegroundRole:
        if (marks && marks->color.isValid())
            return marks->color;
        return {};
    case Qt::FontRole:
        if (marks && marks->bold) {
            QFont font;
            font.setBold(true);
            return font;
        }
        return {};
    case Qt::DecorationRole:
        if (marks && marks->image != NoImage && m_iconProvider)
            return m_iconProvider(marks->image);
        return {};
    default:
        return {};
    }
}

QVariant WorkGrid::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        if (section < 0 || section >= columns())
            return {};
        return m_columns[std::size_t(section)].caption;
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags WorkGrid::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

} // namespace sources
