#include "sources/loadsteps.h"

#include "errors/errortrap.h"
#include "platform/prompter.h"
#include "sources/gridcells.h"
#include "sources/gridtext.h"
#include "sources/importtypes.h"
#include "sources/importwindow.h"
#include "sources/lookups.h"
#include "sources/registermap.h"
#include "sources/sourceconnection.h"
#include "sources/sourcegrid.h"
#include "sources/statusline.h"
#include "sources/workgrid.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <span>
#include <string_view>

namespace sources::loading {

namespace {

bool isEmptyValue(const Value &value)
{
    return value.isNull() || (value.type() == Value::Type::Text && value.toText().isEmpty());
}

bool isBlankValue(const Value &value)
{
    return value.isNull() || (value.type() == Value::Type::Text && isBlank(value.toText()));
}

bool isBlankRecord(const Table &table, qsizetype row)
{
    return std::ranges::all_of(table.row(row), isBlankValue);
}

// The field as ColPos would find it in the source grid once the table is there.
qsizetype fieldPosition(const QStringList &fieldNames, QLatin1String name)
{
    const QString wanted = fieldKey(name);
    for (qsizetype j = 0; j < fieldNames.size(); ++j) {
        if (fieldKey(fieldNames.at(j)) == wanted)
            return j;
    }
    return -1;
}

// VoucherFillDown: an empty voucher header cell of a record that is not blank takes the cell above it, which may
// itself have been filled; a blank record passes nothing on. It runs before the voucher sort, in the order the
// source holds the records, so that continuation rows are filled from their own voucher and then sort with it.
void VoucherFillDown(Table &table)
{
    const QStringList &names = table.fieldNames();
    const qsizetype id = fieldPosition(names, QLatin1String("ID"));
    const std::array<qsizetype, 5> required{
        fieldPosition(names, QLatin1String("VchDate")), fieldPosition(names, QLatin1String("Narration")),
        fieldPosition(names, QLatin1String("VchType")), fieldPosition(names, QLatin1String("VchNo")),
        fieldPosition(names, QLatin1String("RefNo"))};
    const auto fill = [&](qsizetype row, qsizetype field) {
        if (field < 0)
            errors::raise(errors::ErrNo::SubscriptOutOfRange, QStringLiteral("Subscript out of range"));
        if (isEmptyValue(table.at(row, field)))
            table.setId(row, field, table.id(row - 1, field));
    };
    for (qsizetype row = 1; row < table.rowCount(); ++row) {
        if (isBlankRecord(table, row))
            continue;
        if (id >= 0)
            fill(row, id);
        for (const qsizetype field : required)
            fill(row, field);
    }
}

// A voucher source is read in voucher order, and one without an ordering field cannot be read at all; the error
// is the one the ordering itself gives, raised before the fill-down touches anything.
void requireOrderFields(const Table &table)
{
    Table fieldsOnly(table.fieldNames());
    sortInOrder(fieldsOnly, voucherOrderFields());
}

bool isNumberColumn(const Table &table, qsizetype field)
{
    bool seen = false;
    for (qsizetype row = 0; row < table.rowCount(); ++row) {
        const Value &value = table.at(row, field);
        if (value.isNull())
            continue;
        if (value.type() != Value::Type::Number)
            return false;
        seen = true;
    }
    return seen;
}

// The cell alignment of a source column's alignment code; codes 1 to 3 align left, 4 to 6 centre, 7 to 9 right,
// and any other code leaves the cell as it is (-1).
int cellAlignment(int flexAlignment)
{
    if (flexAlignment >= 1 && flexAlignment <= 3)
        return CellAlign::Left;
    if (flexAlignment >= 4 && flexAlignment <= 6)
        return CellAlign::Centre;
    if (flexAlignment >= 7 && flexAlignment <= 9)
        return CellAlign::Right;
    return -1;
}

} // namespace

void runLoad(ImportWindow &window, const QString &location, const std::function<LoadEnd()> &body)
{
    errors::trap(location, [&] {
        LoadEnd end = LoadEnd::Stopped;
        try {
            end = body();
        } catch (...) {
            window.workGrid().clear();
            throw;
        }
        if (end != LoadEnd::Complete)
            window.workGrid().clear();
        if (end != LoadEnd::Stopped)
            window.workGrid().appendRow();
    });
}

LoadEnd reportUnknownType(ImportWindow &window, const QString &importType)
{
    window.workGrid().clear();
    const QString text = QStringLiteral("Sheet named as  <") + importType.toUpper() +
                         QStringLiteral(">  not found in the specified Excel file.");
    window.prompter().message({text, platform::MsgBoxStyle::OkOnly, std::nullopt});
    window.stat(text, MsgPanel);
    return LoadEnd::Empty;
}

LoadEnd loadSource(ImportWindow &window, const QString &importType, const SourceSpec &spec, const QString &nameWanted,
                   const LoaderProfile &profile)
{
    const QString listText = window.importTypeText().toUpper();
    const LoadRoute route = loadRoute(listText);
    if (route == LoadRoute::Placeholder)
        return LoadEnd::Empty;
    if (route == LoadRoute::Unknown)
        return reportUnknownType(window, importType);

    const std::unique_ptr<SourceReader> source = connectSource(spec);
    if (route == LoadRoute::Register)
        return loadRegister(window, *source, importType, profile);

    const std::optional<QString> table = findTable(source->tables(), nameWanted);
    if (!table)
        return LoadEnd::Empty;
    return loadTable(window, *source, *table, importType, listText, profile);
}

std::optional<QString> findTable(const QList<TableEntry> &tables, const QString &nameWanted)
{
    const QString wanted = removeBlanks(nameWanted.toUpper());
    for (const TableType type : {TableType::Table, TableType::View}) {
        for (const TableEntry &table : tables) {
            if (table.type == type && removeBlanks(table.name.toUpper()) == wanted)
                return table.name;
        }
    }
    return std::nullopt;
}

LoadEnd loadTable(ImportWindow &window, SourceReader &source, const QString &tableName, const QString &importType,
                  const QString &listTextUpper, const LoaderProfile &profile)
{
    Table table = source.readTable(tableName);
    const bool ordered = readsInVoucherOrder(listTextUpper);
    const bool fillDown = receivesVoucherFillDown(importType);
    if (ordered)
        requireOrderFields(table);
    if (fillDown)
        VoucherFillDown(table);
    if (ordered)
        sortInOrder(table, voucherOrderFields());

    const QStringList fields = table.fieldNames();
    const qsizetype records = table.rowCount();
    SourceGrid &sourceGrid = window.sourceGrid();
    fillSourceGrid(sourceGrid, std::move(table));

    WorkGrid &grid = window.workGrid();
    const RedrawSuspender suspended(grid);
    grid.clear();
    addFieldColumns(grid, fields);
    int idColumn = 0;
    if (fillDown && !ColExists(sourceGrid, IdKey) && ColExists(sourceGrid, QStringLiteral("VchType")))
        idColumn = grid.addColumn(IdKey, IdKey);
    grid.addColumn(ProcessStatusKey, ProcessStatusCaption);

    const RowCopier copier(sourceGrid, grid, int(fields.size()));
    SynthesizedID synthesizedId(sourceGrid);
    for (int record = 1; record <= records; ++record) {
        const bool blank = IsEmptyRowEx(sourceGrid, record);
        if (!blank || profile.keepsBlankRecords) {
            const int row = copier.appendRow(record);
            if (idColumn > 0 && !blank)
                grid.setText(row, idColumn, synthesizedId(record));
        }
        window.stat(readingRecordsText(record, records), MsgPanel);
    }
    window.stat(QString(), MsgPanel);
    fitFieldColumns(grid, fields);
    for (int i = 0; i < profile.blankRowsAfterBuild; ++i)
        grid.appendRow();
    return LoadEnd::Complete;
}

void fillSourceGrid(SourceGrid &grid, Table &&table)
{
    const qsizetype records = table.rowCount();
    if (records < 1) {
        grid.setRows(2);
        for (int row = 0; row < 2; ++row) {
            for (int col = 0; col < grid.Cols(); ++col)
                grid.setTextMatrix(row, col, QString());
        }
        return;
    }
    const qsizetype fields = table.fieldCount();
    std::vector<int> alignments;
    alignments.reserve(std::size_t(fields));
    for (qsizetype field = 0; field < fields; ++field)
        alignments.push_back(isNumberColumn(table, field) ? FlexAlign::RightCenter : FlexAlign::LeftCenter);

    grid.bind(GridCells::fromTable(std::move(table)), alignments);
    table = Table();
}

RowCopier::RowCopier(const SourceGrid &source, WorkGrid &target, int fields) : m_target(target)
{
    // A column's alignment holds for all its cells, so it is read once rather than per cell.
    std::vector<int> alignments;
    for (int col = 0; col < std::min(fields, source.Cols()); ++col)
        alignments.push_back(cellAlignment(source.ColAlignment(col)));
    target.showCells(source.cells(), alignments);
}

int RowCopier::appendRow(int sourceRow) const
{
    return m_target.appendRecordRow(sourceRow);
}

SynthesizedID::SynthesizedID(const SourceGrid &grid)
    : m_grid(grid), m_columns{ColPos(grid, QStringLiteral("VchType")), ColPos(grid, QStringLiteral("VchNo")),
                              ColPos(grid, QStringLiteral("VchDate")), ColPos(grid, QStringLiteral("RefNo"))}
{}

QString SynthesizedID::operator()(int row)
{
    // The VchType cell is read even when the field is missing, which raises the grid's error.
    static const QString none;
    std::array<const QString *, 4> cells;
    bool same = !m_last.isNull();
    qsizetype length = 0;
    for (std::size_t part = 0; part < cells.size(); ++part) {
        const bool present = part == 0 || m_columns[part] >= 0;
        cells[part] = present ? &m_grid.textAt(row, m_columns[part]) : &none;
        same = same && cells[part]->constData() == m_lastCells[part].constData();
        length += cells[part]->size() + (part > 0 && present ? 1 : 0);
    }
    if (same)
        return m_last;
    QString id;
    id.reserve(length);
    for (std::size_t part = 0; part < cells.size(); ++part) {
        if (part > 0 && m_columns[part] >= 0)
            id += QLatin1Char('-');
        id += *cells[part];
        m_lastCells[part] = *cells[part];
    }
    m_last = id;
    return id;
}

QString readingRecordsText(qsizetype record, qsizetype records)
{
    // Written once per record, so put together by hand.
    constexpr std::string_view prefix = "Reading Records => ";
    std::array<char, 24> first;
    std::array<char, 24> second;
    const char *firstEnd = std::to_chars(first.begin(), first.end(), record).ptr;
    const char *secondEnd = std::to_chars(second.begin(), second.end(), records).ptr;
    QString text(qsizetype(prefix.size()) + (firstEnd - first.data()) + 1 + (secondEnd - second.data()),
                 Qt::Uninitialized);
    QChar *out = text.data();
    for (const std::string_view piece : {prefix, std::string_view(first.data(), firstEnd), std::string_view("/"),
                                         std::string_view(second.data(), secondEnd)}) {
        for (const char c : piece)
            *out++ = QLatin1Char(c);
    }
    return text;
}

void addFieldColumns(WorkGrid &grid, const QStringList &fields)
{
    for (const QString &field : fields)
        grid.addColumn(field.toUpper(), field);
}

void fitFieldColumns(WorkGrid &grid, const QStringList &fields)
{
    std::vector<int> columns;
    for (const QString &field : fields)
        columns.push_back(grid.columnOfKey(field.toUpper()));
    grid.fitColumnWidths(columns);
}

} // namespace sources::loading
