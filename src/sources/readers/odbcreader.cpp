#include "sources/readers/odbcreader.h"

#include "sources/readers/sourceerror.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>
#include <atomic>
#include <charconv>

namespace sources {

namespace {

const QString readerName = QStringLiteral("Pelko.ODBC");

// ODBC's SQL_BIT, the type of Yes/No fields; Qt hands them over as integers.
constexpr int sqlBit = -7;

QString connectionName()
{
    static std::atomic<int> counter = 0;
    return QStringLiteral("pelko-odbc-%1").arg(++counter);
}

QString errorText(const QSqlError &error)
{
    const QString text = error.databaseText().trimmed();
    return text.isEmpty() ? error.text().trimmed() : text;
}

Value variantValue(const QVariant &variant)
{
    if (variant.isNull())
        return Value();
    switch (variant.typeId()) {
    case QMetaType::Bool:
        return Value::yesNo(variant.toBool());
    case QMetaType::Double:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return Value::number(variant.toDouble());
    case QMetaType::Float:
        return Value::number(singleToDouble(variant.toFloat()));
    case QMetaType::QDate:
        return Value::date(variant.toDate());
    case QMetaType::QDateTime: {
        const QDateTime dateTime = variant.toDateTime();
        return Value::date(dateTime.date(), dateTime.time());
    }
    // A time alone falls on day zero, as the database engine keeps it.
    case QMetaType::QTime:
        return Value::date(QDate(1899, 12, 30), variant.toTime());
    // Drivers hand types that Qt does not know over as bytes; they are taken as UTF-8 text.
    case QMetaType::QByteArray:
        return Value::text(QString::fromUtf8(variant.toByteArray()));
    default:
        return Value::text(variant.toString());
    }
}

bool isValidDataSourceName(const QString &name)
{
    static const QString forbidden = QStringLiteral("[]{}(),;?*=!@\\");
    return !name.isEmpty() && std::none_of(name.begin(), name.end(), [](QChar c) { return forbidden.contains(c); });
}

bool isPassableLoginValue(const QString &value)
{
    static const QString forbidden = QStringLiteral(";{}");
    return std::none_of(value.begin(), value.end(), [](QChar c) { return forbidden.contains(c) || c.isNull(); });
}

} // namespace

OdbcReader::OdbcReader(const QString &dataSourceName, const QString &user, const QString &password)
    : m_connectionName(connectionName())
{
    // QODBC builds the connection string "DSN=" + name + ";UID=" + user + ";PWD=" + password itself and pastes
    // each piece as it is, and drivers differ in whether they honour braces around a value. So nothing that could
    // end an attribute or add another is let through: no data source name can hold these characters anyway, and
    // a user name or password that holds one is refused rather than sent in pieces.
    if (!isValidDataSourceName(dataSourceName)) {
        raiseSourceError(SourceErr::OpenFailed,
                         QStringLiteral("Data source name not valid: '%1'. A data source name has no characters "
                                        "[ ] { } ( ) , ; ? * = ! @ or \\.")
                             .arg(dataSourceName),
                         readerName);
    }
    if (!isPassableLoginValue(user) || !isPassableLoginValue(password)) {
        raiseSourceError(SourceErr::OpenFailed,
                         QStringLiteral("The user name or password holds one of the characters ; { }, which cannot "
                                        "be passed to an ODBC data source."),
                         readerName);
    }

    QString failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), m_connectionName);
        db.setDatabaseName(dataSourceName);
        db.setUserName(user);
        db.setPassword(password);
        if (!db.isValid())
            failure = QStringLiteral("The ODBC driver of Qt (QODBC) is not installed.");
        else if (!db.open())
            failure = errorText(db.lastError());
    }
    if (!failure.isEmpty()) {
        QSqlDatabase::removeDatabase(m_connectionName);
        raiseSourceError(SourceErr::OpenFailed, failure, readerName);
    }
}

OdbcReader::~OdbcReader()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

QList<TableEntry> OdbcReader::tables()
{
    const QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    QList<TableEntry> result;
    const QStringList tableNames = db.tables(QSql::Tables);
    for (const QString &name : tableNames)
        result.append({name, TableType::Table});
    const QStringList viewNames = db.tables(QSql::Views);
    for (const QString &name : viewNames)
        result.append({name, TableType::View});
    return result;
}

QString OdbcReader::quotedIdentifier(const QString &identifier) const
{
    // The driver reports its quote character, which escapeIdentifier puts around a plain name. Its own
    // escaping is not used for the whole name: it splits a name with a full stop into qualified parts and
    // leaves a name alone that already begins or ends with a quote.
    const QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    const QString probe = db.driver()->escapeIdentifier(QStringLiteral("a"), QSqlDriver::TableName);
    QChar quote = probe.size() == 3 ? probe.front() : QLatin1Char('"');
    if (quote.isSpace() || quote.isLetterOrNumber())
        quote = QLatin1Char('"');
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

    const QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT * FROM ") + quotedIdentifier(tableName)))
        raiseSourceError(SourceErr::OpenFailed, errorText(query.lastError()), readerName);

    const QSqlRecord record = query.record();
    QStringList fieldNames;
    std::vector<bool> yesNo;
    for (int i = 0; i < record.count(); ++i) {
        fieldNames.append(record.fieldName(i));
        yesNo.push_back(record.field(i).typeID() == sqlBit);
    }
    Table table(std::move(fieldNames));
    const int count = int(table.fieldCount());
    while (query.next()) {
        const auto cells = table.appendRow();
        for (int i = 0; i < count; ++i) {
            const QVariant value = query.value(i);
            cells[size_t(i)] =
                (yesNo[size_t(i)] && !value.isNull()) ? Value::yesNo(value.toInt() != 0) : variantValue(value);
        }
    }
    if (query.lastError().isValid())
        raiseSourceError(SourceErr::OpenFailed, errorText(query.lastError()), readerName);
    return table;
}

} // namespace sources
