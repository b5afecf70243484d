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

// A record whose every cell is blank. Only one whose voucher type is blank can be, which spares reading the rest
// of nearly every record.
bool isBlankVoucherRecord(const Table &table, qsizetype row, qsizetype typeField)
{
    return isBlankValue(table.at(row, typeField)) && isBlankRecord(table, row);
}

// The fields the fill-down reads and writes; the ID field is -1 where the source has none.
struct VoucherFields
{
    explicit VoucherFields(const QStringList &names)
        : id(fieldPosition(names, QLatin1String("ID"))), type(fieldPosition(names, QLatin1String("VchType"))),
          date(fieldPosition(names, QLatin1String("VchDate"))), number(fieldPosition(names, QLatin1String("VchNo"))),
          serial(fieldPosition(names, QLatin1String("SrNo"))), refNo(fieldPosition(names, QLatin1String("RefNo"))),
          narration(fieldPosition(names, QLatin1String("Narration")))
    {}

    bool complete() const
    {
        return type >= 0 && date >= 0 && number >= 0 && serial >= 0 && refNo >= 0 && narration >= 0;
    }

    qsizetype id, type, date, number, serial, refNo, narration;
};

// Whether two records hold the same value in the field. A reader need not give equal values one id, so the
// values are compared where the ids differ.
bool sameValue(const Table &table, qsizetype field, qsizetype a, qsizetype b)
{
    const Table::ValueId first = table.id(a, field);
    const Table::ValueId second = table.id(b, field);
    return first == second || table.value(first) == table.value(second);
}

// Whether two records hold the very same voucher type, date and number.
bool sameVoucherCells(const Table &table, const VoucherFields &fields, qsizetype a, qsizetype b)
{
    return sameValue(table, fields.type, a, b) && sameValue(table, fields.date, a, b) &&
           sameValue(table, fields.number, a, b);
}

void fillFromAbove(Table &table, qsizetype row, qsizetype field)
{
    if (isEmptyValue(table.at(row, field)))
        table.setId(row, field, table.id(row - 1, field));
}

// In the order the records come: a continuation row joins the voucher, and the line, above it. Its empty type,
// date, number and serial number take the cells above, then its empty ID the ID above when the record above is of
// the same voucher; a physical stock row without an ID continues whatever voucher stands above it.
void fillVoucherAndLine(Table &table, const VoucherFields &fields, bool idContinuesAbove)
{
    for (qsizetype row = 1; row < table.rowCount(); ++row) {
        if (isBlankVoucherRecord(table, row, fields.type))
            continue;
        for (const qsizetype field : {fields.type, fields.date, fields.number, fields.serial})
            fillFromAbove(table, row, field);
        if (fields.id >= 0 && (idContinuesAbove || sameVoucherCells(table, fields, row, row - 1)))
            fillFromAbove(table, row, fields.id);
    }
}

// In voucher order: the records without an ID in a run of one type, date and number take the run's ID when it
// holds only one. Where it holds more, those records cannot be told apart and keep no ID, so the run refuses
// them; every ID left empty is made null, so that the next sort puts them first among their run.
void fillIdWithinRuns(Table &table, const VoucherFields &fields)
{
    const qsizetype rows = table.rowCount();
    for (qsizetype first = 0, end = 0; first < rows; first = end) {
        // A record of the run that has an ID, and whether another holds a different one.
        qsizetype withId = -1;
        bool several = false;
        for (end = first; end < rows && sameVoucherCells(table, fields, first, end); ++end) {
            if (isEmptyValue(table.at(end, fields.id)) || isBlankVoucherRecord(table, end, fields.type))
                continue;
            several = several || (withId >= 0 && !sameValue(table, fields.id, withId, end));
            withId = end;
        }
        const Table::ValueId given = (several || withId < 0) ? Table::NullId : table.id(withId, fields.id);
        for (qsizetype row = first; row < end; ++row) {
            if (isEmptyValue(table.at(row, fields.id)) && !isBlankVoucherRecord(table, row, fields.type))
                table.setId(row, fields.id, given);
        }
    }
}

// In the final order: an empty reference or narration takes the one above only within its own voucher, the same
// ID where the source has an ID, else the same type, date and number.
void fillWithinVoucher(Table &table, const VoucherFields &fields)
{
    for (qsizetype row = 1; row < table.rowCount(); ++row) {
        if (isBlankVoucherRecord(table, row, fields.type))
            continue;
        const bool sameVoucher =
            fields.id >= 0 ? !isEmptyValue(table.at(row, fields.id)) && sameValue(table, fields.id, row, row - 1)
                           : sameVoucherCells(table, fields, row, row - 1);
        if (!sameVoucher)
            continue;
        fillFromAbove(table, row, fields.refNo);
        fillFromAbove(table, row, fields.narration);
    }
}

// VoucherFillDown: fills the voucher cells a sheet leaves empty, and puts the records in voucher order. A blank
// record is never filled and passes nothing on; the first record has nothing above it.
//
// The continuation rows are filled before the sort, in the order of the source, which for a sheet is the order
// the user wrote them in (sorted first, their empty type would put them at the top); a database hands its
// records over already sorted, so they are filled in that order. The ID, reference and narration are left to
// after the sort, where a voucher's rows stand together, so that no voucher takes them from another that only
// stood above it in the source.
void VoucherFillDown(Table &table, bool ordered, bool sourceSorts, bool physicalStock)
{
    const VoucherFields fields(table.fieldNames());
    if (!fields.complete()) {
        // A source lacking one of the filled fields cannot be filled; it fails once there is a record to fill.
        for (qsizetype row = 1; row < table.rowCount(); ++row) {
            if (!isBlankRecord(table, row))
                errors::raise(errors::ErrNo::SubscriptOutOfRange, QStringLiteral("Subscript out of range"));
        }
        if (ordered)
            sortInOrder(table, voucherOrder());
        return;
    }
    if (ordered && sourceSorts)
        sortInOrder(table, voucherOrder());
    fillVoucherAndLine(table, fields, physicalStock);
    if (ordered)
        sortInOrder(table, voucherOrder());
    // Physical stock's rows without an ID follow the voucher above them in the source instead.
    if (ordered && fields.id >= 0 && !physicalStock) {
        fillIdWithinRuns(table, fields);
        sortInOrder(table, voucherOrder(table.fieldNames().at(fields.id)));
    }
    fillWithinVoucher(table, fields);
}

// A voucher source is read in voucher order, and one without an ordering field cannot be read at all; the error
// is the one the ordering itself gives, raised before the fill-down touches anything.
void requireOrderFields(const Table &table)
{
    Table fieldsOnly(table.fieldNames());
    sortInOrder(fieldsOnly, voucherOrder());
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
        VoucherFillDown(table, ordered, profile.sourceSortsRecords, importType == QLatin1String("PHYSICALSTOCK"));
    else if (ordered)
        sortInOrder(table, voucherOrder());

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
