#include "sources/readers/odbcreader.h"

#include "sources/readers/sourceerror.h"

#include <QDate>
#include <QSet>
#include <QTime>

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace sources {

namespace {

const QString readerName = QStringLiteral("Pelko.ODBC");

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "the driver manager's wide characters are UTF-16");

const SQLWCHAR *wide(const QString &text)
{
    return reinterpret_cast<const SQLWCHAR *>(text.utf16());
}

QString fromWide(const SQLWCHAR *text, qsizetype length)
{
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(text), length);
}

bool succeeded(SQLRETURN result)
{
    return result == SQL_SUCCESS || result == SQL_SUCCESS_WITH_INFO;
}

// The messages of a handle's diagnostic records, the driver manager's and the driver's, in their order.
QString diagnostics(SQLSMALLINT type, SQLHANDLE handle)
{
    QStringList messages;
    for (SQLSMALLINT record = 1;; ++record) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLWCHAR message[2048] = {};
        SQLSMALLINT length = 0;
        const SQLRETURN result =
            SQLGetDiagRecW(type, handle, record, state, &native, message, SQLSMALLINT(std::size(message)), &length);
        if (!succeeded(result))
            break;
        messages << fromWide(message, std::clamp<qsizetype>(length, 0, qsizetype(std::size(message)) - 1)).trimmed();
    }
    return messages.isEmpty() ? QStringLiteral("The ODBC driver reported a failure without a message.")
                              : messages.join(QLatin1Char(' '));
}

[[noreturn]] void raiseDiagnostics(SQLSMALLINT type, SQLHANDLE handle)
{
    raiseSourceError(SourceErr::OpenFailed, diagnostics(type, handle), readerName);
}

bool isValidDataSourceName(const QString &name)
{
    static const QString forbidden = QStringLiteral("[]{}(),;?*=!@\\");
    return !name.isEmpty() && std::none_of(name.begin(), name.end(), [](QChar c) { return forbidden.contains(c); });
}

// A statement handle that lives as long as the object, with the query time-out set.
class Statement
{
public:
    Statement(SQLHDBC connection, std::chrono::seconds timeOut)
    {
        if (!succeeded(SQLAllocHandle(SQL_HANDLE_STMT, connection, &m_handle)))
            raiseDiagnostics(SQL_HANDLE_DBC, connection);
        // A driver that cannot bound its statements runs them without a time-out; that alone fails no source.
        SQLSetStmtAttr(m_handle, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(SQLULEN(timeOut.count())), 0);
    }
    ~Statement() { SQLFreeHandle(SQL_HANDLE_STMT, m_handle); }
    Q_DISABLE_COPY_MOVE(Statement)

    SQLHSTMT handle() const { return m_handle; }
    void check(SQLRETURN result) const
    {
        if (!succeeded(result))
            raiseDiagnostics(SQL_HANDLE_STMT, m_handle);
    }

private:
    SQLHSTMT m_handle = SQL_NULL_HSTMT;
};

// A column's value as bytes in the C type, read in parts as long as the driver has more; nothing for null.
std::optional<QByteArray> longData(const Statement &statement, SQLUSMALLINT column, SQLSMALLINT cType)
{
    alignas(8) char buffer[8192];
    // Texts end in a terminator the driver writes into the buffer, which is no part of the value.
    const SQLLEN room = SQLLEN(sizeof buffer) - (cType == SQL_C_WCHAR ? 2 : 0);
    QByteArray data;
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN result = SQLGetData(statement.handle(), column, cType, buffer, sizeof buffer, &indicator);
        if (result == SQL_NO_DATA)
            break;
        statement.check(result);
        if (indicator == SQL_NULL_DATA)
            return std::nullopt;
        const bool whole = indicator != SQL_NO_TOTAL && indicator <= room;
        data.append(buffer, whole ? indicator : room);
        if (result == SQL_SUCCESS || whole)
            break;
    }
    return data;
}

std::optional<QString> wideText(const Statement &statement, SQLUSMALLINT column)
{
    const std::optional<QByteArray> data = longData(statement, column, SQL_C_WCHAR);
    if (!data)
        return std::nullopt;
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(data->constData()), data->size() / 2);
}

// A number whose digits a double may or may not hold: a double when its shortest text is these digits, else
// the digits themselves.
Value exactOrDouble(const QString &digits)
{
    const QByteArray latin = digits.toLatin1();
    double value = 0;
    std::from_chars(latin.constData(), latin.constData() + latin.size(), value);
    return numberText(value) == digits ? Value::number(value) : Value::exactNumber(digits);
}

Value integerValue(qint64 value)
{
    constexpr qint64 exactInDouble = qint64(1) << 53;
    if (value >= -exactInDouble && value <= exactInDouble)
        return Value::number(double(value));
    return Value::exactNumber(QString::number(value));
}

// A number in a driver's text with an exponent ("1.5e+06"): the double it reads as; nothing for a text that is
// no finite number (NaN).
std::optional<double> numberWithExponent(const QString &text)
{
    const QByteArray latin = text.trimmed().toLatin1();
    double value = 0;
    const char *end = latin.constData() + latin.size();
    const auto result = std::from_chars(latin.constData(), end, value);
    if (latin.isEmpty() || result.ec != std::errc() || result.ptr != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// A decimal as the driver writes it ("-0012.3400", ".5", "+7") in the plain digits a number shows ("-12.34",
// "0.5", "7"). A text with an exponent is a number by its double; any other text, such as NaN, stays text.
Value decimalValue(const QString &text)
{
    const QString trimmed = text.trimmed();
    qsizetype at = 0;
    const bool negative = trimmed.startsWith(QLatin1Char('-'));
    if (negative || trimmed.startsWith(QLatin1Char('+')))
        ++at;
    QString whole;
    QString fraction;
    bool point = false;
    bool digit = false;
    for (; at < trimmed.size(); ++at) {
        const QChar c = trimmed.at(at);
        if (c == QLatin1Char('.') && !point) {
            point = true;
        } else if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            (point ? fraction : whole).append(c);
            digit = true;
        } else {
            const std::optional<double> value = numberWithExponent(text);
            return value ? Value::number(*value) : Value::text(text);
        }
    }
    if (!digit)
        return Value::text(text);
    while (whole.size() > 1 && whole.front() == QLatin1Char('0'))
        whole.remove(0, 1);
    if (whole.isEmpty())
        whole = QStringLiteral("0");
    while (fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    QString digits = fraction.isEmpty() ? whole : whole + QLatin1Char('.') + fraction;
    if (negative && digits != QLatin1String("0"))
        digits.prepend(QLatin1Char('-'));
    return exactOrDouble(digits);
}

// How a column is fetched, by its SQL type.
enum class ColumnKind
{
    YesNo,
    Integer,
    UnsignedInteger,
    Decimal,
    Single,
    Double,
    Date,
    Time,
    Timestamp,
    Binary,
    Text,
};

ColumnKind columnKind(SQLSMALLINT sqlType, bool isUnsigned)
{
    switch (sqlType) {
    case SQL_BIT:
        return ColumnKind::YesNo;
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT:
        return isUnsigned ? ColumnKind::UnsignedInteger : ColumnKind::Integer;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
        return ColumnKind::Decimal;
    case SQL_REAL:
        return ColumnKind::Single;
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return ColumnKind::Double;
    case SQL_TYPE_DATE:
    case SQL_DATE:
        return ColumnKind::Date;
    case SQL_TYPE_TIME:
    case SQL_TIME:
        return ColumnKind::Time;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
        return ColumnKind::Timestamp;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
        return ColumnKind::Binary;
    default:
        return ColumnKind::Text;
    }
}

// Reads a fixed-size value; false for null.
template <typename T> bool fixedData(const Statement &statement, SQLUSMALLINT column, SQLSMALLINT cType, T &value)
{
    SQLLEN indicator = 0;
    statement.check(SQLGetData(statement.handle(), column, cType, &value, sizeof value, &indicator));
    return indicator != SQL_NULL_DATA;
}

Value columnValue(const Statement &statement, SQLUSMALLINT column, ColumnKind kind)
{
    switch (kind) {
    case ColumnKind::YesNo: {
        unsigned char value = 0;
        return fixedData(statement, column, SQL_C_BIT, value) ? Value::yesNo(value != 0) : Value();
    }
    case ColumnKind::Integer: {
        SQLBIGINT value = 0;
        return fixedData(statement, column, SQL_C_SBIGINT, value) ? integerValue(value) : Value();
    }
    case ColumnKind::UnsignedInteger: {
        SQLUBIGINT value = 0;
        if (!fixedData(statement, column, SQL_C_UBIGINT, value))
            return Value();
        return value <= SQLUBIGINT(std::numeric_limits<qint64>::max()) ? integerValue(qint64(value))
                                                                       : Value::exactNumber(QString::number(value));
    }
    case ColumnKind::Decimal: {
        const std::optional<QString> text = wideText(statement, column);
        return text ? decimalValue(*text) : Value();
    }
    case ColumnKind::Single: {
        float value = 0;
        return fixedData(statement, column, SQL_C_FLOAT, value) ? Value::number(singleToDouble(value)) : Value();
    }
    case ColumnKind::Double: {
        double value = 0;
        return fixedData(statement, column, SQL_C_DOUBLE, value) ? Value::number(value) : Value();
    }
    case ColumnKind::Date: {
        SQL_DATE_STRUCT value{};
        if (!fixedData(statement, column, SQL_C_TYPE_DATE, value))
            return Value();
        return Value::date(QDate(value.year, value.month, value.day));
    }
    // A time alone falls on day zero, as the database engine keeps it.
    case ColumnKind::Time: {
        SQL_TIME_STRUCT value{};
        if (!fixedData(statement, column, SQL_C_TYPE_TIME, value))
            return Value();
        return Value::date(QDate(1899, 12, 30), QTime(value.hour, value.minute, value.second));
    }
    case ColumnKind::Timestamp: {
        SQL_TIMESTAMP_STRUCT value{};
        if (!fixedData(statement, column, SQL_C_TYPE_TIMESTAMP, value))
            return Value();
        return Value::date(QDate(value.year, value.month, value.day),
                           QTime(value.hour, value.minute, value.second, int(value.fraction / 1'000'000)));
    }
    // Bytes of a type the driver does not describe as text are taken as UTF-8 text.
    case ColumnKind::Binary: {
        const std::optional<QByteArray> data = longData(statement, column, SQL_C_BINARY);
        return data ? Value::text(QString::fromUtf8(*data)) : Value();
    }
    case ColumnKind::Text: {
        const std::optional<QString> text = wideText(statement, column);
        return text ? Value::text(*text) : Value();
    }
    }
    return Value();
}

// The connect, on a thread of its own so that a driver that does not keep to the login time-out cannot hold
// the run: the run stops waiting at the bound, and the thread, which owns the handles with it, finishes alone.
struct ConnectAttempt
{
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    SQLRETURN result = SQL_ERROR;
};

} // namespace

struct OdbcReader::Handles
{
    SQLHENV environment = SQL_NULL_HENV;
    SQLHDBC connection = SQL_NULL_HDBC;
    bool connected = false;
    QChar quote = QLatin1Char('"');

    Handles() = default;
    Q_DISABLE_COPY_MOVE(Handles)
    ~Handles()
    {
        if (connected)
            SQLDisconnect(connection);
        if (connection != SQL_NULL_HDBC)
            SQLFreeHandle(SQL_HANDLE_DBC, connection);
        if (environment != SQL_NULL_HENV)
            SQLFreeHandle(SQL_HANDLE_ENV, environment);
    }
};

OdbcReader::OdbcReader(const QString &dataSourceName, const QString &user, const QString &password,
                       const OdbcTimeOuts &timeOuts)
    : m_handles(std::make_shared<Handles>()), m_timeOuts(timeOuts)
{
    // The name is passed on alone, but a name with these characters can be no data source's, and refusing it
    // here says so plainly.
    if (!isValidDataSourceName(dataSourceName)) {
        raiseSourceError(SourceErr::OpenFailed,
                         QStringLiteral("Data source name not valid: '%1'. A data source name has no characters "
                                        "[ ] { } ( ) , ; ? * = ! @ or \\.")
                             .arg(dataSourceName),
                         readerName);
    }

    Handles &handles = *m_handles;
    if (!succeeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &handles.environment))) {
        raiseSourceError(SourceErr::OpenFailed, QStringLiteral("The ODBC driver manager cannot be started."),
                         readerName);
    }
    if (!succeeded(
            SQLSetEnvAttr(handles.environment, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0)))
        raiseDiagnostics(SQL_HANDLE_ENV, handles.environment);
    if (!succeeded(SQLAllocHandle(SQL_HANDLE_DBC, handles.environment, &handles.connection)))
        raiseDiagnostics(SQL_HANDLE_ENV, handles.environment);
    // A driver that does not take the login time-out is bounded by the wait below alone.
    SQLSetConnectAttr(handles.connection, SQL_ATTR_LOGIN_TIMEOUT,
                      reinterpret_cast<SQLPOINTER>(SQLULEN(timeOuts.login.count())), 0);

    const auto attempt = std::make_shared<ConnectAttempt>();
    std::thread connector([handles = m_handles, attempt, dataSourceName, user, password] {
        // An empty user name or password is left to the data source's own settings.
        const SQLRETURN result = SQLConnectW(
            handles->connection, const_cast<SQLWCHAR *>(wide(dataSourceName)), SQLSMALLINT(dataSourceName.size()),
            user.isEmpty() ? nullptr : const_cast<SQLWCHAR *>(wide(user)), SQLSMALLINT(user.size()),
            password.isEmpty() ? nullptr : const_cast<SQLWCHAR *>(wide(password)), SQLSMALLINT(password.size()));
        const std::lock_guard lock(attempt->mutex);
        handles->connected = succeeded(result);
        attempt->result = result;
        attempt->done = true;
        attempt->finished.notify_all();
    });
    bool done = false;
    {
        std::unique_lock lock(attempt->mutex);
        done = attempt->finished.wait_for(lock, timeOuts.connectBound, [&] { return attempt->done; });
    }
    if (!done) {
        connector.detach();
        m_handles.reset();
        raiseSourceError(SourceErr::OpenFailed,
                         QStringLiteral("The data source '%1' did not answer the login within %2 seconds.")
                             .arg(dataSourceName)
                             .arg(std::chrono::ceil<std::chrono::seconds>(timeOuts.connectBound).count()),
                         readerName);
    }
    connector.join();
    if (!succeeded(attempt->result))
        raiseDiagnostics(SQL_HANDLE_DBC, handles.connection);

    // The driver reports its quote character; a blank means it has none, and the standard one is used.
    SQLWCHAR quote[8] = {};
    SQLSMALLINT length = 0;
    if (succeeded(SQLGetInfoW(handles.connection, SQL_IDENTIFIER_QUOTE_CHAR, quote, sizeof quote, &length)) &&
        length == SQLSMALLINT(sizeof(SQLWCHAR))) {
        const QChar c = QChar(char16_t(quote[0]));
        if (!c.isSpace() && !c.isLetterOrNumber())
            handles.quote = c;
    }
}

OdbcReader::~OdbcReader() = default;

QList<TableEntry> OdbcReader::tables()
{
    const SQLHDBC connection = m_handles->connection;
    // The current catalog, which a bare name reads from; a driver without catalogs lists all it has.
    SQLWCHAR catalogBuffer[512] = {};
    SQLINTEGER catalogLength = 0;
    QString catalog;
    if (succeeded(SQLGetConnectAttrW(connection, SQL_ATTR_CURRENT_CATALOG, catalogBuffer,
                                     SQLINTEGER(sizeof catalogBuffer - sizeof(SQLWCHAR)), &catalogLength)) &&
        catalogLength > 0)
        catalog = fromWide(catalogBuffer, std::min<qsizetype>(catalogLength / 2, std::size(catalogBuffer) - 1));

    const Statement statement(connection, m_timeOuts.query);
    const QString anyName = QStringLiteral("%");
    const QString types = QStringLiteral("TABLE,VIEW");
    statement.check(SQLTablesW(statement.handle(), catalog.isEmpty() ? nullptr : const_cast<SQLWCHAR *>(wide(catalog)),
                               SQLSMALLINT(catalog.size()), nullptr, 0, const_cast<SQLWCHAR *>(wide(anyName)),
                               SQLSMALLINT(anyName.size()), const_cast<SQLWCHAR *>(wide(types)),
                               SQLSMALLINT(types.size())));
    QList<TableEntry> tableEntries;
    QList<TableEntry> viewEntries;
    QSet<QString> seen;
    QSet<QString> places;
    for (;;) {
        const SQLRETURN result = SQLFetch(statement.handle());
        if (result == SQL_NO_DATA)
            break;
        statement.check(result);
        const QString place =
            wideText(statement, 1).value_or(QString()) + QChar(0) + wideText(statement, 2).value_or(QString());
        const QString name = wideText(statement, 3).value_or(QString());
        const QString type = wideText(statement, 4).value_or(QString());
        places.insert(place);
        // A driver that lists a table under more than one catalog or schema lists it once here.
        if (name.isEmpty() || seen.contains(name))
            continue;
        seen.insert(name);
        if (type.compare(QLatin1String("VIEW"), Qt::CaseInsensitive) == 0)
            viewEntries.append({name, TableType::View});
        else
            tableEntries.append({name, TableType::Table});
    }
    QList<TableEntry> entries = tableEntries + viewEntries;
    // Tables of several schemas (or catalogs): only those a bare name reads are offered.
    if (places.size() > 1) {
        entries.removeIf([&](const TableEntry &entry) {
            const Statement probe(connection, m_timeOuts.query);
            const QString sql =
                QStringLiteral("SELECT * FROM ") + quotedIdentifier(entry.name) + QStringLiteral(" WHERE 1=0");
            return !succeeded(
                SQLExecDirectW(probe.handle(), const_cast<SQLWCHAR *>(wide(sql)), SQLINTEGER(sql.size())));
        });
    }
    return entries;
}

QString OdbcReader::quotedIdentifier(const QString &identifier) const
{
    const QChar quote = m_handles->quote;
    QString escaped = identifier;
    escaped.replace(quote, QString(2, quote));
    return quote + escaped + quote;
}

Table OdbcReader::readTable(const QString &name)
{
    QString tableName = name;
    const QList<TableEntry> listed = tables();
    const bool exact = std::any_of(listed.begin(), listed.end(), [&](const TableEntry &e) { return e.name == name; });
    if (!exact) {
        for (const TableEntry &entry : listed) {
            if (entry.name.compare(name, Qt::CaseInsensitive) == 0) {
                tableName = entry.name;
                break;
            }
        }
    }

    const Statement statement(m_handles->connection, m_timeOuts.query);
    const QString sql = QStringLiteral("SELECT * FROM ") + quotedIdentifier(tableName);
    statement.check(SQLExecDirectW(statement.handle(), const_cast<SQLWCHAR *>(wide(sql)), SQLINTEGER(sql.size())));

    SQLSMALLINT columns = 0;
    statement.check(SQLNumResultCols(statement.handle(), &columns));
    QStringList fieldNames;
    std::vector<ColumnKind> kinds;
    for (SQLUSMALLINT column = 1; column <= SQLUSMALLINT(columns); ++column) {
        SQLWCHAR columnName[512] = {};
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT sqlType = 0;
        SQLULEN size = 0;
        SQLSMALLINT digits = 0;
        SQLSMALLINT nullable = 0;
        statement.check(SQLDescribeColW(statement.handle(), column, columnName, SQLSMALLINT(std::size(columnName)),
                                        &nameLength, &sqlType, &size, &digits, &nullable));
        SQLLEN isUnsigned = SQL_FALSE;
        statement.check(
            SQLColAttributeW(statement.handle(), column, SQL_DESC_UNSIGNED, nullptr, 0, nullptr, &isUnsigned));
        fieldNames.append(fromWide(columnName, std::clamp<qsizetype>(nameLength, 0, std::size(columnName) - 1)));
        kinds.push_back(columnKind(sqlType, isUnsigned == SQL_TRUE));
    }

    Table table(std::move(fieldNames));
    for (;;) {
        const SQLRETURN result = SQLFetch(statement.handle());
        if (result == SQL_NO_DATA)
            break;
        statement.check(result);
        const auto cells = table.appendRow();
        for (size_t i = 0; i < kinds.size(); ++i)
            cells[i] = columnValue(statement, SQLUSMALLINT(i + 1), kinds[i]);
    }
    return table;
}

} // namespace sources
