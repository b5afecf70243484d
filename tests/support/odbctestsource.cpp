#include "support/odbctestsource.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>

#include <arpa/inet.h>
#include <dlfcn.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testsupport {

namespace {

const QString sqliteDriver = QStringLiteral("/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so");
const QString postgresDriver = QStringLiteral("/usr/lib/x86_64-linux-gnu/odbc/psqlodbcw.so");
const QString serverUser = QStringLiteral("postgres");

bool writeText(const QString &path, const QString &text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(text.toUtf8()) >= 0;
}

// A socket bound to 127.0.0.1 at a port the system chose, and that port; -1 and 0 when there is none.
std::pair<int, quint16> boundLoopbackSocket()
{
    const int handle = ::socket(AF_INET, SOCK_STREAM, 0);
    if (handle < 0)
        return {-1, 0};
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(handle, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0 ||
        ::getsockname(handle, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        ::close(handle);
        return {-1, 0};
    }
    return {handle, ntohs(address.sin_port)};
}

// The bin folder of the newest PostgreSQL server installed, or "".
QString postgresBinaries()
{
    QStringList versions = QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCollator collator;
    collator.setNumericMode(true);
    std::sort(versions.begin(), versions.end(), collator);
    for (auto version = versions.crbegin(); version != versions.crend(); ++version) {
        const QString bin = QStringLiteral("/usr/lib/postgresql/") + *version + QStringLiteral("/bin");
        if (QFileInfo::exists(bin + QStringLiteral("/initdb")) && QFileInfo::exists(bin + QStringLiteral("/pg_ctl")))
            return bin;
    }
    return QString();
}

} // namespace

OdbcTestSource::OdbcTestSource(const QString &dataSourceName)
    : m_dataSourceName(dataSourceName), m_previousSysIni(qgetenv("ODBCSYSINI")), m_previousIni(qgetenv("ODBCINI"))
{
    if (!m_dir.isValid() || !QFileInfo::exists(sqliteDriver))
        return;
    // The driver manager is pinned, so that the leak checker can tell its own caches from leaks of ours after
    // the drivers are unloaded at exit.
    for (const char *library : {"libodbc.so.2", "libodbcinst.so.2"})
        dlopen(library, RTLD_NOW | RTLD_NODELETE);
    m_drivers = QStringLiteral("[PelkoSQLite]\nDescription=SQLite3 ODBC Driver\nDriver=") + sqliteDriver +
                QStringLiteral("\nUsageCount=1\nDontDLClose=1\n");
    m_dataSources = QLatin1Char('[') + dataSourceName + QStringLiteral("]\nDriver=PelkoSQLite\nDatabase=") +
                    databasePath() + QStringLiteral("\n");
    m_valid = writeFiles();
    qputenv("ODBCSYSINI", QFile::encodeName(m_dir.path()));
    qputenv("ODBCINI", QFile::encodeName(m_dir.filePath(QStringLiteral("odbc.ini"))));
}

OdbcTestSource::~OdbcTestSource()
{
    qputenv("ODBCSYSINI", m_previousSysIni);
    qputenv("ODBCINI", m_previousIni);
}

bool OdbcTestSource::writeFiles()
{
    return writeText(m_dir.filePath(QStringLiteral("odbcinst.ini")), m_drivers) &&
           writeText(m_dir.filePath(QStringLiteral("odbc.ini")), m_dataSources);
}

bool OdbcTestSource::addDataSource(const QString &name, const QString &driverPath, const QStringList &attributes)
{
    if (!m_valid)
        return false;
    const QString driver = QStringLiteral("Pelko Driver ") + name;
    m_drivers += QStringLiteral("\n[") + driver + QStringLiteral("]\nDriver=") + driverPath +
                 QStringLiteral("\nUsageCount=1\nDontDLClose=1\n");
    m_dataSources += QStringLiteral("\n[") + name + QStringLiteral("]\nDriver=") + driver + QLatin1Char('\n') +
                     attributes.join(QLatin1Char('\n')) + QLatin1Char('\n');
    return writeFiles();
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

QString postgresOdbcDriver()
{
    return QFileInfo::exists(postgresDriver) ? postgresDriver : QString();
}

PostgresCluster::PostgresCluster(const QString &superuser, const QString &password)
    : m_binaries(postgresBinaries()), m_superuser(superuser)
{
    if (m_binaries.isEmpty()) {
        m_problem = QStringLiteral("the PostgreSQL server is not installed");
        return;
    }
    if (!m_dir.isValid()) {
        m_problem = QStringLiteral("no temporary folder");
        return;
    }
    const QString passwordFile = m_dir.filePath(QStringLiteral("password"));
    if (!writeText(passwordFile, password + QLatin1Char('\n'))) {
        m_problem = QStringLiteral("the password file cannot be written");
        return;
    }
    if (::geteuid() == 0) {
        const passwd *user = ::getpwnam("postgres");
        if (!user || QStandardPaths::findExecutable(QStringLiteral("runuser")).isEmpty()) {
            m_problem = QStringLiteral("running as root without a postgres user or runuser");
            return;
        }
        for (const QString &path : {m_dir.path(), passwordFile}) {
            if (::chown(QFile::encodeName(path).constData(), user->pw_uid, user->pw_gid) != 0) {
                m_problem = QStringLiteral("the temporary folder cannot be handed to the postgres user");
                return;
            }
        }
    }
    const auto [probe, port] = boundLoopbackSocket();
    if (probe < 0) {
        m_problem = QStringLiteral("no free port on 127.0.0.1");
        return;
    }
    ::close(probe);
    m_port = port;

    const QString data = m_dir.filePath(QStringLiteral("data"));
    m_problem = run(m_binaries + QStringLiteral("/initdb"),
                    {QStringLiteral("-D"), data, QStringLiteral("-U"), superuser, QStringLiteral("--pwfile"),
                     passwordFile, QStringLiteral("--auth-local=trust"), QStringLiteral("--auth-host=scram-sha-256"),
                     QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--no-locale")},
                    true);
    if (!m_problem.isEmpty())
        return;
    const QString options = QStringLiteral("-c listen_addresses=127.0.0.1 -c port=%1 -c unix_socket_directories=%2")
                                .arg(m_port)
                                .arg(m_dir.path());
    m_problem = run(m_binaries + QStringLiteral("/pg_ctl"),
                    {QStringLiteral("-D"), data, QStringLiteral("-l"), m_dir.filePath(QStringLiteral("server.log")),
                     QStringLiteral("-o"), options, QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("60"),
                     QStringLiteral("start")},
                    true);
    m_started = m_problem.isEmpty();
}

PostgresCluster::~PostgresCluster()
{
    if (m_started) {
        run(m_binaries + QStringLiteral("/pg_ctl"),
            {QStringLiteral("-D"), m_dir.filePath(QStringLiteral("data")), QStringLiteral("-m"),
             QStringLiteral("immediate"), QStringLiteral("-w"), QStringLiteral("stop")},
            true);
    }
}

QString PostgresCluster::run(const QString &program, const QStringList &arguments, bool asServerUser) const
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(m_dir.path());
    if (asServerUser && ::geteuid() == 0)
        process.start(QStringLiteral("runuser"),
                      QStringList{QStringLiteral("-u"), serverUser, QStringLiteral("--"), program} + arguments);
    else
        process.start(program, arguments);
    if (!process.waitForFinished(120'000)) {
        process.kill();
        process.waitForFinished();
        return QFileInfo(program).fileName() + QStringLiteral(" did not finish");
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QFileInfo(program).fileName() + QStringLiteral(" failed: ") +
               QString::fromLocal8Bit(process.readAll()).trimmed();
    return QString();
}

QString PostgresCluster::execute(const QStringList &statements) const
{
    QStringList arguments{QStringLiteral("-h"),
                          m_dir.path(),
                          QStringLiteral("-p"),
                          QString::number(m_port),
                          QStringLiteral("-U"),
                          m_superuser,
                          QStringLiteral("-d"),
                          QStringLiteral("postgres"),
                          QStringLiteral("-X"),
                          QStringLiteral("-v"),
                          QStringLiteral("ON_ERROR_STOP=1")};
    for (const QString &statement : statements)
        arguments << QStringLiteral("-c") << statement;
    return run(m_binaries + QStringLiteral("/psql"), arguments, true);
}

SilentListener::SilentListener()
{
    const auto [handle, port] = boundLoopbackSocket();
    if (handle < 0)
        return;
    if (::listen(handle, 16) != 0) {
        ::close(handle);
        return;
    }
    m_socket = handle;
    m_port = port;
}

SilentListener::~SilentListener()
{
    if (m_socket >= 0)
        ::close(m_socket);
}

} // namespace testsupport
