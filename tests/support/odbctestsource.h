#pragma once

#include <QStringList>
#include <QTemporaryDir>

namespace testsupport {

// A private ODBC set-up: the SQLite ODBC driver registered in an odbcinst.ini of a temporary folder and one
// data source over a SQLite file there, found through ODBCSYSINI and ODBCINI. The driver manager reads those
// variables once, so the object must exist before the process makes its first ODBC call and live until its
// last.
class OdbcTestSource final
{
public:
    explicit OdbcTestSource(const QString &dataSourceName);
    ~OdbcTestSource();
    Q_DISABLE_COPY_MOVE(OdbcTestSource)

    // False when the SQLite ODBC driver is not installed.
    bool isValid() const { return m_valid; }
    QString dataSourceName() const { return m_dataSourceName; }
    QString databasePath() const;

    // Runs the statements on the SQLite file directly; returns the error of the first that fails, else "".
    QString execute(const QStringList &statements) const;

    // Adds a data source of the driver library with the attributes ("Port=5432"); before the first ODBC call
    // of the process, like the set-up itself. False when the files cannot be written.
    bool addDataSource(const QString &name, const QString &driverPath, const QStringList &attributes);

private:
    bool writeFiles();

    QTemporaryDir m_dir;
    QString m_dataSourceName;
    bool m_valid = false;
    QString m_drivers;
    QString m_dataSources;
    QByteArray m_previousSysIni;
    QByteArray m_previousIni;
};

// The PostgreSQL ODBC driver, or "" when it is not installed.
QString postgresOdbcDriver();

// A PostgreSQL cluster of its own in a temporary folder, listening on 127.0.0.1 at a free port, with one
// superuser who logs in over TCP with a password. Under root the server runs as the "postgres" user, since
// PostgreSQL refuses to run as root. The cluster is stopped and removed with the object.
class PostgresCluster final
{
public:
    PostgresCluster(const QString &superuser, const QString &password);
    ~PostgresCluster();
    Q_DISABLE_COPY_MOVE(PostgresCluster)

    // Why the cluster does not run (binaries missing, start failed), or "" when it runs.
    QString problem() const { return m_problem; }
    quint16 port() const { return m_port; }

    // Runs the statements in the database "postgres" as the superuser; returns psql's error, else "".
    QString execute(const QStringList &statements) const;

private:
    QString run(const QString &program, const QStringList &arguments, bool asServerUser) const;

    QTemporaryDir m_dir;
    QString m_binaries;
    QString m_superuser;
    quint16 m_port = 0;
    bool m_started = false;
    QString m_problem;
};

// A TCP port on 127.0.0.1 that takes connections and never answers: the kernel completes each connection, and
// nothing reads from it or writes to it. Closing it ends them all.
class SilentListener final
{
public:
    SilentListener();
    ~SilentListener();
    Q_DISABLE_COPY_MOVE(SilentListener)

    // 0 when no port could be opened.
    quint16 port() const { return m_port; }

private:
    int m_socket = -1;
    quint16 m_port = 0;
};

} // namespace testsupport
