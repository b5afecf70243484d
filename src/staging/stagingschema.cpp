#include "staging/stagingschema.h"

#include "staging/stagingconnection.h"

#include <QHash>

#include <utility>

namespace staging {

namespace {

// The statement that makes a table, as the file keeps its text. The key makes a write one statement that replaces
// the row with the same key, and keeping the rows in the order of the key makes it the only tree a write changes.
// The voucher id, which only the file's counter hands out, is kept as a number: each voucher's rows then go after
// those of the voucher before, into the last pages of each table, rather than among them as "10" before "9".
QString createTableSql(const QString &name, const QStringList &keys, const QStringList &values,
                       const QString &voucherKey = QString())
{
    QStringList columns;
    for (const QString &column : keys + values)
        columns.append(sqlName(column) + (column == voucherKey ? QStringLiteral(" INTEGER") : QStringLiteral(" TEXT")));
    return QStringLiteral("CREATE TABLE ") + sqlName(name) + QStringLiteral(" (") + columns.join(QStringLiteral(", ")) +
           QStringLiteral(", PRIMARY KEY (") + sqlNames(keys) + QStringLiteral(")) WITHOUT ROWID");
}

// Every table the program makes, by name, with the statement that makes it.
QList<std::pair<QString, QString>> programTables()
{
    QList<std::pair<QString, QString>> tables;
    for (const StagingTable *table : stagingTables()) {
        QStringList values;
        for (const char *column : table->valueColumns)
            values.append(QLatin1String(column));
        tables.append({QLatin1String(table->name), createTableSql(QLatin1String(table->name), table->keyColumns(),
                                                                  values, QLatin1String(table->voucherKey))});
    }
    tables.append(
        {QLatin1String(counterTable),
         createTableSql(QLatin1String(counterTable), {QLatin1String(companyColumn)}, {QLatin1String(counterColumn)})});
    return tables;
}

} // namespace

QString sqlName(const QString &name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

QString sqlNames(const QStringList &names)
{
    QStringList quoted;
    for (const QString &name : names)
        quoted.append(sqlName(name));
    return quoted.join(QStringLiteral(", "));
}

void makeTables(StagingConnection &connection)
{
    // The tables and views the file holds, by their names in lower case (names are matched without regard to
    // case): their kind and the statement that made them.
    QHash<QString, std::pair<QString, QString>> present;
    Statement &query = connection.statement(
        QStringLiteral("SELECT lower(name), type, sql FROM sqlite_master WHERE type IN ('table', 'view')"));
    while (query.next())
        present.insert(query.text(0), {query.text(1), query.text(2)});
    query.finish();

    for (const auto &[name, create] : programTables()) {
        const auto found = present.constFind(name.toLower());
        if (found != present.constEnd()) {
            if (found->first == QLatin1String("table") && found->second == create)
                continue;
            const QString kind =
                found->first == QLatin1String("view") ? QStringLiteral("VIEW") : QStringLiteral("TABLE");
            connection.exec(QStringLiteral("DROP ") + kind + QLatin1Char(' ') + sqlName(name));
        }
        // Made under the write lock, so that nobody made it meanwhile; the clause only keeps that promise plain.
        connection.exec(
            QString(create).replace(QStringLiteral("CREATE TABLE "), QStringLiteral("CREATE TABLE IF NOT EXISTS ")));
    }
}

} // namespace staging
