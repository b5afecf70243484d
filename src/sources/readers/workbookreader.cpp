#include "sources/readers/workbookreader.h"

#include "sources/readers/sourceerror.h"

#include <QFile>
#include <QFileInfo>

#include <freexl.h>

#include <cstring>
#include <unordered_map>

namespace sources {

namespace {

const QString readerName = QStringLiteral("Pelko.Workbook");

// Why libfreexl could not read the file, as a sentence about it.
QString unreadableReason(const QString &path, int code)
{
    switch (code) {
    case FREEXL_FILE_NOT_FOUND:
        return QStringLiteral("'%1' cannot be opened.").arg(path);
    case FREEXL_INSUFFICIENT_MEMORY:
        return QStringLiteral("'%1' is too large to read into memory.").arg(path);
    case FREEXL_INVALID_CFBF_HEADER:
    case FREEXL_CFBF_INVALID_SIGNATURE:
    case FREEXL_CFBF_INVALID_SECTOR_SIZE:
    case FREEXL_CFBF_READ_ERROR:
    case FREEXL_CFBF_SEEK_ERROR:
        return QStringLiteral("'%1' is not an Excel 97-2003 workbook (.xls).").arg(path);
    case FREEXL_BIFF_WORKBOOK_NOT_FOUND:
        return QStringLiteral("'%1' holds no workbook.").arg(path);
    case FREEXL_UNSUPPORTED_CHARSET:
        return QStringLiteral("'%1' uses a character set that cannot be read.").arg(path);
    default:
        return QStringLiteral("'%1' is damaged (libfreexl error %2).").arg(path, QString::number(code));
    }
}

[[noreturn]] void raiseNotAWorkbook(const QString &path, int code)
{
    raiseSourceError(SourceErr::OpenFailed,
                     QStringLiteral("External table is not in the expected format: ") + unreadableReason(path, code),
                     readerName);
}

int digits(const char *text, int count)
{
    int value = 0;
    for (int i = 0; i < count; ++i)
        value = value * 10 + (text[i] - '0');
    return value;
}

// The library gives date cells as "YYYY-MM-DD", date-time cells as "YYYY-MM-DD HH:MM:SS" and time cells as
// "HH:MM:SS"; a time alone falls on the engine's day zero, 1899-12-30.
Value dateValue(unsigned char type, const char *text)
{
    const qsizetype length = qsizetype(std::strlen(text));
    QDate date(1899, 12, 30);
    QTime time(0, 0);
    if (type != FREEXL_CELL_TIME && length >= 10)
        date = QDate(digits(text, 4), digits(text + 5, 2), digits(text + 8, 2));
    const char *clock = type == FREEXL_CELL_TIME ? text : (length >= 19 ? text + 11 : nullptr);
    if (clock != nullptr && std::strlen(clock) >= 8)
        time = QTime(digits(clock, 2), digits(clock + 3, 2), digits(clock + 6, 2));
    if (!date.isValid() || !time.isValid())
        return Value::text(QString::fromUtf8(text));
    return Value::date(date, time);
}

} // namespace

struct WorkbookReader::Handle
{
    const void *xls = nullptr;
    ~Handle()
    {
        if (xls != nullptr)
            freexl_close(xls);
    }
};

WorkbookReader::WorkbookReader(const QString &path) : m_handle(std::make_unique<Handle>()), m_path(path)
{
    if (!QFileInfo(path).isFile())
        raiseSourceError(SourceErr::OpenFailed, fileNotFoundMessage(path), readerName);

    const int result = freexl_open(QFile::encodeName(path).constData(), &m_handle->xls);
    if (result != FREEXL_OK)
        raiseNotAWorkbook(path, result);

    unsigned int protection = 0;
    if (freexl_get_info(m_handle->xls, FREEXL_BIFF_PASSWORD, &protection) == FREEXL_OK &&
        protection == FREEXL_BIFF_OBFUSCATED) {
        raiseSourceError(
            SourceErr::OpenFailed,
            QStringLiteral("Could not decrypt file: the workbook '%1' is protected by a password.").arg(path),
            readerName);
    }

    unsigned int sheetCount = 0;
    if (freexl_get_info(m_handle->xls, FREEXL_BIFF_SHEET_COUNT, &sheetCount) != FREEXL_OK)
        raiseNotAWorkbook(path, FREEXL_BIFF_WORKBOOK_NOT_FOUND);
    for (unsigned int i = 0; i < sheetCount; ++i) {
        const char *name = nullptr;
        const int nameResult = freexl_get_worksheet_name(m_handle->xls, static_cast<unsigned short>(i), &name);
        if (nameResult != FREEXL_OK)
            raiseNotAWorkbook(path, nameResult);
        m_sheets.append(QString::fromUtf8(name));
    }
}

WorkbookReader::~WorkbookReader() = default;

QList<TableEntry> WorkbookReader::tables()
{
    QList<TableEntry> result;
    result.reserve(m_sheets.size());
    for (const QString &sheet : m_sheets)
        result.append({sheet + QLatin1Char('$'), TableType::Table});
    return result;
}

Table WorkbookReader::readTable(const QString &name)
{
    qsizetype sheet = -1;
    for (qsizetype i = 0; i < m_sheets.size() && sheet < 0; ++i) {
        if (m_sheets.at(i) + QLatin1Char('$') == name)
            sheet = i;
    }
    for (qsizetype i = 0; i < m_sheets.size() && sheet < 0; ++i) {
        if (QString(m_sheets.at(i) + QLatin1Char('$')).compare(name, Qt::CaseInsensitive) == 0)
            sheet = i;
    }
    if (sheet < 0)
        raiseSourceError(SourceErr::ObjectNotFound, tableNotFoundMessage(name), readerName);

    unsigned int rows = 0;
    unsigned short columns = 0;
    int result = freexl_select_active_worksheet(m_handle->xls, static_cast<unsigned short>(sheet));
    if (result == FREEXL_OK)
        result = freexl_worksheet_dimensions(m_handle->xls, &rows, &columns);
    if (result != FREEXL_OK)
        raiseNotAWorkbook(m_path, result);

    // Strings of the shared string table come back as the same pointer each time: read each once and let the
    // cells share it.
    std::unordered_map<const char *, QString> sharedStrings;
    const auto cellValue = [&](unsigned int row, unsigned short column) -> Value {
        FreeXL_CellValue cell;
        const int cellResult = freexl_get_cell_value(m_handle->xls, row, column, &cell);
        if (cellResult != FREEXL_OK)
            raiseNotAWorkbook(m_path, cellResult);
        switch (cell.type) {
        case FREEXL_CELL_INT:
            return Value::number(cell.value.int_value);
        case FREEXL_CELL_DOUBLE:
            return Value::number(cell.value.double_value);
        case FREEXL_CELL_TEXT:
            if (cell.value.text_value == nullptr || *cell.value.text_value == '\0')
                return Value();
            return Value::text(QString::fromUtf8(cell.value.text_value));
        case FREEXL_CELL_SST_TEXT: {
            if (cell.value.text_value == nullptr || *cell.value.text_value == '\0')
                return Value();
            auto found = sharedStrings.find(cell.value.text_value);
            if (found == sharedStrings.end())
                found = sharedStrings.emplace(cell.value.text_value, QString::fromUtf8(cell.value.text_value)).first;
            return Value::text(found->second);
        }
        case FREEXL_CELL_DATE:
        case FREEXL_CELL_DATETIME:
        case FREEXL_CELL_TIME:
            return dateValue(cell.type, cell.value.text_value);
        default:
            return Value();
        }
    };

    QStringList fieldNames;
    fieldNames.reserve(columns);
    for (unsigned short column = 0; column < columns; ++column) {
        const Value header = rows > 0 ? cellValue(0, column) : Value();
        fieldNames.append(header.isNull() ? QStringLiteral("F%1").arg(column + 1) : gridText(header));
    }

    Table table(std::move(fieldNames));
    if (rows > 1)
        table.reserveRows(qsizetype(rows) - 1);
    for (unsigned int row = 1; row < rows; ++row) {
        const std::span<Value> cells = table.appendRow();
        for (unsigned short column = 0; column < columns; ++column)
            cells[column] = cellValue(row, column);
    }
    return table;
}

} // namespace sources
