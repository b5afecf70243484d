#include "sources/readers/accessreader.h"

#include "sources/readers/sourceerror.h"

#include <QFile>
#include <QFileInfo>

#include <mdbtools.h>

#include <charconv>
#include <cmath>
#include <cstring>

namespace sources {

namespace {

const QString readerName = QStringLiteral("Pelko.Access");

// Large enough for any field but a very long memo; the buffers are allocated but not touched beyond what a
// value fills.
constexpr size_t bindSize = size_t(1) << 20;

constexpr qint64 msecsPerDay = 86'400'000;

// Access keeps a date-time as days since 1899-12-30: the whole part is the day, counted backwards for earlier
// days, and the fraction, taken without its sign, is the time of day. Access stores whole seconds and keeps to
// the years 100 to 9999; a day count beyond those, which only a damaged file holds, is given as the number.
Value accessDate(double days)
{
    if (!std::isfinite(days) || days < -700'000.0 || days > 3'000'000.0)
        return Value::number(days);
    static const qint64 dayZeroMSecs = Value::date(QDate(1899, 12, 30)).dateMSecs();
    const double wholeDays = std::trunc(days);
    const qint64 seconds = std::llround(std::fabs(days - wholeDays) * 86'400.0);
    return Value::dateFromMSecs(dayZeroMSecs + qint64(wholeDays) * msecsPerDay + seconds * 1000);
}

// Parses a number libmdb formatted itself (integers, currency, decimal); a comma stands in for the point when the
// C library formatted it in a locale that uses one.
Value numberFromText(const char *text, int length)
{
    if (length <= 0)
        return Value();
    QByteArray digits(text, length);
    digits.replace(',', '.');
    double value = 0;
    const auto result = std::from_chars(digits.constData(), digits.constData() + digits.size(), value);
    if (result.ec != std::errc() || result.ptr != digits.constData() + digits.size())
        return Value::text(QString::fromUtf8(text, length));
    return Value::number(value);
}

// Where a table definition page of an Access 2000 or later file keeps its columns: a 25-byte descriptor each,
// after the header and the real indexes, then the names, each its length in bytes and UTF-16 text.
constexpr int tdefRealIndexCount = 0x33;
constexpr int tdefColumnCount = 0x2d;
constexpr int tdefFirstIndex = 0x3f;
constexpr int tdefRealIndexSize = 12;
constexpr int columnDescriptorSize = 25;
constexpr int columnExtendedFlags = 16;
// The extended flags of a column whose value Access calculates from an expression; its stored value carries a
// header of its own that libmdb does not know.
constexpr unsigned char calculatedColumnFlags = 0xC0;
// Date/Time Extended, which libmdb does not know either.
constexpr int dateTimeExtendedType = 0x14;

// The names of the calculated columns of a table, read from its definition page. A definition that does not fit
// on its first page lists only what that page holds.
QStringList calculatedColumns(MdbHandle *mdb, unsigned long tdefPage)
{
    QStringList names;
    if (mdb->f->jet_version == MDB_VER_JET3 || mdb_read_pg(mdb, tdefPage) != mdb->fmt->pg_size)
        return names;
    const auto *page = reinterpret_cast<const unsigned char *>(mdb->pg_buf);
    const qsizetype size = mdb->fmt->pg_size;
    if (page[0] != MDB_PAGE_TABLE)
        return names;
    const int columns = mdb_get_int16(mdb->pg_buf, tdefColumnCount);
    const qint64 indexes = mdb_get_int32(mdb->pg_buf, tdefRealIndexCount);
    const qint64 first = tdefFirstIndex + indexes * tdefRealIndexSize;
    qint64 name = first + qint64(columns) * columnDescriptorSize;
    for (int i = 0; i < columns; ++i) {
        if (name + 2 > size)
            break;
        const int length = mdb_get_int16(mdb->pg_buf, int(name));
        if (name + 2 + length > size)
            break;
        const bool calculated =
            (page[first + qint64(i) * columnDescriptorSize + columnExtendedFlags] & calculatedColumnFlags) != 0;
        if (calculated)
            names.append(QString::fromUtf16(reinterpret_cast<const char16_t *>(page + name + 2), length / 2));
        name += 2 + length;
    }
    return names;
}

bool isKnownType(int type)
{
    switch (type) {
    case MDB_BOOL:
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
    case MDB_MONEY:
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_DATETIME:
    case MDB_BINARY:
    case MDB_TEXT:
    case MDB_OLE:
    case MDB_MEMO:
    case MDB_REPID:
    case MDB_NUMERIC:
    case MDB_COMPLEX:
        return true;
    default:
        return false;
    }
}

[[noreturn]] void refuseColumn(const QString &column, const QString &table, const QString &kind)
{
    raiseSourceError(SourceErr::OpenFailed,
                     QStringLiteral("The column '%1' of the table '%2' is %3, which this program cannot read; "
                                    "leave it out of the table or make it a plain column.")
                         .arg(column, table, kind),
                     readerName);
}

struct BoundColumn
{
    MdbColumn *column = nullptr;
    std::unique_ptr<char[]> buffer;
    int length = 0;
};

Value columnValue(MdbHandle *mdb, const BoundColumn &bound)
{
    MdbColumn *column = bound.column;
    const char *text = bound.buffer.get();
    // libmdb writes an empty text for a null of every type; a value of zero length in the row is a null.
    if (bound.length == 0 && column->cur_value_len == 0)
        return Value();
    switch (column->col_type) {
    case MDB_BOOL:
        return Value::yesNo(bound.length > 0 && text[0] == '1');
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
    case MDB_COMPLEX:
    case MDB_MONEY:
    case MDB_NUMERIC:
        return numberFromText(text, bound.length);
    // Floating-point values and dates are taken from the row itself: libmdb prints them in a form that loses
    // digits or, for dates outside 1900-9999, is wrong.
    case MDB_FLOAT:
        return Value::number(singleToDouble(mdb_get_single(mdb->pg_buf, column->cur_value_start)));
    case MDB_DOUBLE:
        return Value::number(mdb_get_double(mdb->pg_buf, column->cur_value_start));
    case MDB_DATETIME:
        return accessDate(mdb_get_double(mdb->pg_buf, column->cur_value_start));
    case MDB_TEXT:
    case MDB_MEMO:
    case MDB_REPID:
        return Value::text(QString::fromUtf8(text, bound.length));
    default:
        return Value();
    }
}

} // namespace

struct AccessReader::Database
{
    MdbHandle *mdb = nullptr;
    ~Database()
    {
        if (mdb != nullptr)
            mdb_close(mdb);
    }

    QList<MdbCatalogEntry *> userTables() const
    {
        QList<MdbCatalogEntry *> result;
        for (unsigned int i = 0; i < mdb->num_catalog; ++i) {
            auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
            if (entry->object_type == MDB_TABLE && !mdb_is_system_table(entry))
                result.append(entry);
        }
        return result;
    }
};

struct TableDef
{
    MdbTableDef *table = nullptr;
    ~TableDef()
    {
        if (table != nullptr)
            mdb_free_tabledef(table);
    }
};

AccessReader::AccessReader(const QString &path, const QString &password)
    : m_database(std::make_unique<Database>()), m_path(path)
{
    Q_UNUSED(password)
    if (!QFileInfo(path).isFile())
        raiseSourceError(SourceErr::OpenFailed, fileNotFoundMessage(path), readerName);

    m_database->mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    if (m_database->mdb == nullptr || mdb_read_catalog(m_database->mdb, MDB_ANY) == nullptr) {
        raiseSourceError(SourceErr::OpenFailed, QStringLiteral("Unrecognized database format '%1'.").arg(path),
                         readerName);
    }
    mdb_set_boolean_fmt_numbers(m_database->mdb);
    mdb_set_bind_size(m_database->mdb, bindSize);
}

AccessReader::~AccessReader() = default;

QList<TableEntry> AccessReader::tables()
{
    QList<TableEntry> result;
    const QList<MdbCatalogEntry *> entries = m_database->userTables();
    for (const MdbCatalogEntry *entry : entries)
        result.append({QString::fromUtf8(entry->object_name), TableType::Table});
    return result;
}

Table AccessReader::readTable(const QString &name)
{
    const QList<MdbCatalogEntry *> entries = m_database->userTables();
    MdbCatalogEntry *found = nullptr;
    for (MdbCatalogEntry *entry : entries) {
        if (found == nullptr && QString::fromUtf8(entry->object_name) == name)
            found = entry;
    }
    for (MdbCatalogEntry *entry : entries) {
        if (found == nullptr && QString::fromUtf8(entry->object_name).compare(name, Qt::CaseInsensitive) == 0)
            found = entry;
    }
    if (found == nullptr)
        raiseSourceError(SourceErr::ObjectNotFound, tableNotFoundMessage(name), readerName);

    const QStringList calculated = calculatedColumns(m_database->mdb, found->table_pg);
    TableDef def;
    def.table = mdb_read_table(found);
    if (def.table == nullptr || mdb_read_columns(def.table) == nullptr || mdb_rewind_table(def.table) != 0) {
        raiseSourceError(
            SourceErr::OpenFailed,
            QStringLiteral("The table '%1' of '%2' cannot be read; the database may be damaged.").arg(name, m_path),
            readerName);
    }

    MdbHandle *mdb = m_database->mdb;
    std::vector<BoundColumn> bound(def.table->num_cols);
    QStringList fieldNames;
    for (unsigned int i = 0; i < def.table->num_cols; ++i) {
        BoundColumn &column = bound[i];
        column.column = static_cast<MdbColumn *>(g_ptr_array_index(def.table->columns, i));
        // Better no table than a column of wrong values or nulls that look like data.
        const QString columnName = QString::fromUtf8(column.column->name);
        if (calculated.contains(columnName))
            refuseColumn(columnName, name, QStringLiteral("a calculated column"));
        if (column.column->col_type == dateTimeExtendedType)
            refuseColumn(columnName, name, QStringLiteral("a Date/Time Extended column"));
        if (!isKnownType(column.column->col_type))
            refuseColumn(columnName, name, QStringLiteral("of a type (%1)").arg(column.column->col_type));
        column.buffer.reset(new char[bindSize]);
        column.buffer[0] = '\0';
        mdb_bind_column(def.table, int(i) + 1, column.buffer.get(), &column.length);
        fieldNames.append(QString::fromUtf8(column.column->name));
    }

    Table table(std::move(fieldNames));
    table.reserveRows(def.table->num_rows);
    while (mdb_fetch_row(def.table)) {
        const auto cells = table.appendRow();
        for (size_t i = 0; i < bound.size(); ++i)
            cells[i] = columnValue(mdb, bound[i]);
    }
    return table;
}

} // namespace sources
