#include "support/odbctestsource.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <dlfcn.h>

namespace testsupport {

namespace {

const QString sqliteDriver = QStringLiteral("/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so");

bool writeText(const QString &path, const QString &text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(text.toUtf8()) >= 0;
}

} // namespace

OdbcTestSource::OdbcTestSource(const QString &dataSourceName)
    : m_dataSourceName(dataSourceName), m_previousSysIni(qgetenv("ODBCSYSINI")), m_previousIni(qgetenv("ODBCINI"))
{
    if (!m_dir.isValid() || !QFileInfo::exists(sqliteDriver))
        return;
    // Qt unloads its SQL driver plugins at exit and the driver manager with them, after which the leak checker
    // can no longer tell the manager's own caches from leaks of ours. Pinned, they stay attributed to it.
    for (const char *library : {"libodbc.so.2", "libodbcinst.so.2"})
        dlopen(library, RTLD_NOW | RTLD_NODELETE);
    const QString odbcinst = QStringLiteral("[PelkoSQLite]\nDescription=SQLite3 ODBC Driver\nDriver=") + sqliteDriver +
                             QStringLiteral("\nUsageCount=1\nDontDLClose=1\n");
    const QString odbcIni = QLatin1Char('[') + dataSourceName + QStringLiteral("]\nDriver=PelkoSQLite\nDatabase=") +
                            databasePath() + QStringLiteral("\n");
    m_valid = writeText(m_dir.filePath(QStringLiteral("odbcinst.ini")), odbcinst) &&
              writeText(m_dir.filePath(QStringLiteral("odbc.ini")), odbcIni);
    qputenv("ODBCSYSINI", QFile::encodeName(m_dir.path()));
    qputenv("ODBCINI", QFile::encodeName(m_dir.filePath(QStringLiteral("odbc.ini"))));
}

OdbcTestSource::~OdbcTestSource()
{
    qputenv("ODBCSYSINI", m_previousSysIni);
    qputenv("ODBCINI", m_previousIni);
}

QString OdbcTestSource::databasePath() const
{
    return m_dir.filePath(QStringLiteral("source.sqlite"));
}

QString OdbcTestSource::execute(const QStringList &statements) const
{
    const QString connection = QStringLiteral("odbc-test-source");
    QString failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(databasePath());
        if (!db.open()) {
            failure = db.lastError().text();
        } else {
            QSqlQuery query(db);
            for (const QString &statement : statements) {
                if (!query.exec(statement)) {
                    failure = statement + QStringLiteral(": ") + query.lastError().text();
                    break;
                }
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return failure;
}

} // namespace testsupport
