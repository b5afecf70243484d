#include "sources/registermap.h"

#include "errors/errortrap.h"
#include "platform/prompter.h"
#include "sources/importwindow.h"
#include "sources/lookups.h"
#include "sources/sourcegrid.h"
#include "sources/statusline.h"
#include "sources/workgrid.h"

namespace sources {

namespace {

const QLatin1String columnNameField{"ColumnName"};

// The optional map fields in the order their values take in a tag.
constexpr QLatin1String optionalMapFields[] = {
    QLatin1String("VATClassification"), QLatin1String("VATRate"),          QLatin1String("AssessableColumn"),
    QLatin1String("ServiceTaxOn"),      QLatin1String("ServiceTaxRate"),   QLatin1String("ServiceTaxColumn"),
    QLatin1String("CessRate"),          QLatin1String("CessColumn"),       QLatin1String("SecCessRate"),
    QLatin1String("SecCessColumn"),     QLatin1String("ServiceTaxLedger"), QLatin1String("ExpenseColumn"),
};

// The map's field of that name as FieldExists finds it, -1 when it has none.
qsizetype mapField(const Table &map, const QString &name)
{
    const QString wanted = name.toUpper();
    const QStringList &names = map.fieldNames();
    for (qsizetype j = 0; j < names.size(); ++j) {
        if (names.at(j).toUpper() == wanted)
            return j;
    }
    return -1;
}

[[noreturn]] void raiseItemNotFound()
{
    errors::raise(errors::ErrNo::ItemNotFound,
                  QStringLiteral("Item cannot be found in the collection corresponding to the requested name or "
                                 "ordinal."));
}

QString requiredValue(const Table &map, qsizetype record, QLatin1String field)
{
    const qsizetype j = mapField(map, field);
    if (j < 0)
        raiseItemNotFound();
    return gridText(map.at(record, j));
}

const QString crlf = QStringLiteral("\r\n");

// Tags the work-grid columns the map names; false when a record names a column the register lacks.
bool tagRegisterColumns(ImportWindow &window, const Table &map, bool optionalFields)
{
    WorkGrid &grid = window.workGrid();
    const qsizetype columnName = mapField(map, columnNameField);
    for (qsizetype record = 0; record < map.rowCount(); ++record) {
        if (columnName < 0)
            raiseItemNotFound();
        // A record without a column name maps nothing, whatever source it comes from.
        const QString name = gridText(map.at(record, columnName));
        if (name.isEmpty())
            continue;
        if (!HeaderExists(grid, name)) {
            window.prompter().message({QStringLiteral("Column >") + name +
                                           QStringLiteral("< Not found in VoucherRegister.") + crlf +
                                           QStringLiteral("Please check VoucherRegisterMap sheet."),
                                       platform::MsgBoxStyle::Critical, QStringLiteral("Column Not Found.")});
            return false;
        }
        // The map's row as its sheet shows it, below the header row.
        grid.setColumnTag(grid.columnOfKey(name.toUpper()), RegisterMapTag(map, record, optionalFields),
                          int(record) + 2);
    }
    return true;
}

} // namespace

QString RegisterMapTag(const Table &map, qsizetype record, bool optionalFields)
{
    const QChar bar = QLatin1Char('|');
    QString tag = requiredValue(map, record, columnNameField).toUpper() + bar +
                  requiredValue(map, record, QLatin1String("LedgerName")) + bar +
                  requiredValue(map, record, QLatin1String("LedgerSign")) + bar +
                  requiredValue(map, record, QLatin1String("Order")) + bar;
    if (!optionalFields)
        return tag;

    // The reader of a tag takes its fields by position, so a field the map lacks still holds its place.
    std::vector<qsizetype> positions;
    std::size_t pieces = 0;
    for (const QLatin1String field : optionalMapFields) {
        positions.push_back(mapField(map, field));
        if (positions.back() >= 0)
            pieces = positions.size();
    }
    for (std::size_t k = 0; k < pieces; ++k) {
        if (positions[k] >= 0)
            tag += gridText(map.at(record, positions[k]));
        tag += bar;
    }
    return tag;
}

namespace loading {

LoadEnd loadRegister(ImportWindow &window, SourceReader &source, const QString &importType,
                     const LoaderProfile &profile)
{
    const QString ending = profile.registerNamesEndInDollar ? QStringLiteral("$") : QString();
    const QString registerWanted = importType.toUpper() + ending;
    const QString mapWanted = (importType + QStringLiteral("Map")).toUpper() + ending;
    std::optional<QString> registerTable;
    std::optional<QString> mapTable;
    for (const TableEntry &table : source.tables()) {
        const QString name = table.name.toUpper();
        if (name == registerWanted && !registerTable)
            registerTable = table.name;
        if (name == mapWanted && !mapTable)
            mapTable = table.name;
    }
    if (!registerTable || !mapTable)
        return LoadEnd::Empty;

    Table records = source.readTable(*registerTable);
    const QStringList fields = records.fieldNames();
    for (const QString &field : fields) {
        if (!ValidHeader(field)) {
            window.prompter().message(
                {QStringLiteral("Column Names in VoucherRegister are Invalid.") + crlf +
                     QStringLiteral(
                         "Do not use special characters like ! @ # $ % ^ & * ( ) { } [ ] < > , . and spaces."),
                 platform::MsgBoxStyle::Critical, QStringLiteral("Invalid Column Names.")});
            return LoadEnd::Stopped;
        }
    }
    const qsizetype count = records.rowCount();
    SourceGrid &sourceGrid = window.sourceGrid();
    fillSourceGrid(sourceGrid, std::move(records));

    WorkGrid &grid = window.workGrid();
    const RedrawSuspender suspended(grid);
    grid.clear();
    addFieldColumns(grid, fields);
    int idColumn = 0;
    if (!ColExists(sourceGrid, IdKey) && ColExists(sourceGrid, QStringLiteral("VchType")))
        idColumn = grid.addColumn(IdKey, IdKey);
    grid.addColumn(ProcessStatusKey, ProcessStatusCaption);

    if (!tagRegisterColumns(window, source.readTable(*mapTable), profile.readsOptionalMapFields))
        return LoadEnd::Stopped;

    // Every register record is a row, a blank one too.
    const RowCopier copier(sourceGrid, grid, int(fields.size()));
    SynthesizedID synthesizedId(sourceGrid);
    for (int record = 1; record <= count; ++record) {
        const int row = copier.appendRow(record);
        if (idColumn > 0 && !IsEmptyRowEx(sourceGrid, record))
            grid.setText(row, idColumn, synthesizedId(record));
        window.stat(readingRecordsText(record, count), MsgPanel);
    }
    window.stat(QString(), MsgPanel);
    fitFieldColumns(grid, fields);
    for (int i = 0; i < profile.blankRowsAfterBuild; ++i)
        grid.appendRow();
    return LoadEnd::Complete;
}

} // namespace loading

} // namespace sources
