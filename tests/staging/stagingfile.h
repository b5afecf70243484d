#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QTest>

// Runs statements on a staging file through a connection of its own, as another program would change it.
inline void runOnStagingFile(const QString &path, const QStringList &statements)
{
    const QString connection = QStringLiteral("fixture");
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        database.setDatabaseName(path);
        QVERIFY(database.open());
        QSqlQuery query(database);
        for (const QString &statement : statements)
            QVERIFY2(query.exec(statement), qPrintable(query.lastError().text()));
    }
    QSqlDatabase::removeDatabase(connection);
}

// How many rows a table of a staging file holds, as another program sees them; -1 when it cannot be read.
inline int rowsOnStagingFile(const QString &path, const QString &table)
{
    const QString connection = QStringLiteral("another program");
    int count = -1;
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        database.setDatabaseName(path);
        QSqlQuery query(database);
        if (database.open() && query.exec(QStringLiteral("SELECT count(*) FROM \"") + table + QLatin1Char('"')) &&
            query.next())
            count = query.value(0).toInt();
    }
    QSqlDatabase::removeDatabase(connection);
    return count;
}
