#include "staging/stagingconnection.h"

#include "errors/errortrap.h"
#include "platform/system.h"
#include "staging/stagingconstants.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <sqlite3.h>

#include <algorithm>

#include <sys/stat.h>

namespace staging {

namespace {

int busyTimeout = defaultBusyTimeoutMs;

// How long a write that finds the file held waits before it tries again; the window's events run meanwhile.
constexpr int busySliceMs = 20;
// How often the events run within that slice.
constexpr int eventsEveryMs = 5;

// Which file a path names now: its device and inode, or none when there is no file.
std::pair<quint64, quint64> fileIdentity(const QString &path)
{
    struct stat status
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return {0, 0};
    return {quint64(status.st_dev), quint64(status.st_ino)};
}

// Appends a text as the file stores it, in UTF-8; ASCII, by far the most common, without a detour.
void appendUtf8(std::string &utf8, const QString &text)
{
    const auto *characters = reinterpret_cast<const char16_t *>(text.constData());
    const std::size_t size = std::size_t(text.size());
    const std::size_t start = utf8.size();
    utf8.resize(start + size);
    for (std::size_t at = 0; at < size; ++at) {
        if (characters[at] >= 0x80) {
            utf8.resize(start);
            const QByteArray bytes = text.toUtf8();
            utf8.append(bytes.constData(), std::size_t(bytes.size()));
            return;
        }
        utf8[start + at] = char(characters[at]);
    }
}

// Raises the last error of a connection, naming the file.
[[noreturn]] void raiseLastError(sqlite3 *connection, const QString &path)
{
    raiseStagingError(path, sqlite3_extended_errcode(connection), QString::fromUtf8(sqlite3_errmsg(connection)));
}

// Waits a slice of time, keeping the window painted but taking no user input.
void waitASlice(int ms)
{
    const QDeadlineTimer slice(ms);
    do {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(ulong(std::clamp<qint64>(slice.remainingTime(), 0, eventsEveryMs)));
    } while (!slice.hasExpired());
}

} // namespace

void setBusyTimeoutMs(int ms)
{
    busyTimeout = ms;
}

void raiseStagingError(const QString &path, int code, const QString &words)
{
    QString text = QStringLiteral("The staging file \"") + QDir::toNativeSeparators(path) + QStringLiteral("\": ") +
                   words + QLatin1Char('.');
    switch (code & 0xff) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        text += QStringLiteral(" It holds nothing Pelko keeps between runs and may be deleted; the next run makes "
                               "it anew.");
        break;
    case SQLITE_BUSY:
        text += QStringLiteral(" Another program held it for longer than ") + QString::number(busyTimeout / 1000.0) +
                QStringLiteral(" seconds.");
        break;
    default:
        break;
    }
    errors::raise(errDatabase, text, QStringLiteral("Pelko staging database"));
}

Statement::Statement(sqlite3 *connection, const QString &path, const QString &sql)
    : m_connection(connection), m_path(path)
{
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v3(connection, text.constData(), int(text.size()), SQLITE_PREPARE_PERSISTENT, &m_statement,
                           nullptr) != SQLITE_OK)
        raiseLastError(connection, m_path);
    m_texts.resize(std::size_t(sqlite3_bind_parameter_count(m_statement)));
}

Statement::~Statement()
{
    sqlite3_finalize(m_statement);
}

void Statement::bind(int position, const QString &text)
{
    if (position < 0 || std::size_t(position) >= m_texts.size())
        errors::raise(errors::ErrNo::SubscriptOutOfRange,
                      QStringLiteral("A value was bound to a placeholder the statement does not have."));
    std::string &utf8 = m_texts[std::size_t(position)];
    utf8.clear();
    appendUtf8(utf8, text);
    // An empty string's data is still a valid pointer, so the value is empty text, never Null.
    if (sqlite3_bind_text(m_statement, position + 1, utf8.c_str(), int(utf8.size()), SQLITE_STATIC) != SQLITE_OK)
        raiseLastError(m_connection, m_path);
}

bool Statement::next()
{
    const int stepped = sqlite3_step(m_statement);
    if (stepped == SQLITE_ROW)
        return true;
    if (stepped == SQLITE_DONE)
        return false;
    const int code = sqlite3_extended_errcode(m_connection);
    const QString words = QString::fromUtf8(sqlite3_errmsg(m_connection));
    finish();
    raiseStagingError(m_path, code, words);
}

void Statement::run()
{
    while (next()) {
    }
    finish();
}

void Statement::finish()
{
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

int Statement::columnCount() const
{
    return sqlite3_column_count(m_statement);
}

QString Statement::text(int column) const
{
    if (sqlite3_column_type(m_statement, column) == SQLITE_NULL)
        return QString();
    const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
    if (!bytes)
        raiseLastError(m_connection, m_path);
    const int size = sqlite3_column_bytes(m_statement, column);
    return size == 0 ? QString(QLatin1String("")) : QString::fromUtf8(bytes, size);
}

StagingConnection::StagingConnection() : m_path(platform::programFile(QLatin1String(stagingFileName))) {}

StagingConnection::~StagingConnection()
{
    close();
}

void StagingConnection::open()
{
    if (m_connection)
        return;
    m_path = platform::programFile(QLatin1String(stagingFileName));
    // A file marked read-only is left unchanged even by a user who could write it.
    const QFileInfo file(m_path);
    const bool readOnly = file.exists() && !file.permissions().testFlag(QFileDevice::WriteOwner);
    const int flags =
        (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) | SQLITE_OPEN_NOMUTEX;
    const int opened = sqlite3_open_v2(QFile::encodeName(m_path).constData(), &m_connection, flags, nullptr);
    if (opened != SQLITE_OK) {
        const QString words =
            m_connection ? QString::fromUtf8(sqlite3_errmsg(m_connection)) : QString::fromUtf8(sqlite3_errstr(opened));
        sqlite3_close_v2(m_connection);
        m_connection = nullptr;
        raiseStagingError(m_path, opened, words);
    }
    sqlite3_extended_result_codes(m_connection, 1);
    try {
        // What a power cut can lose with a write-ahead log and no wait for the disk at each commit is the rows of
        // the vouchers staged last: rows that were only on their way to the server.
        runWaitingWhileBusy(QStringLiteral("PRAGMA journal_mode = WAL"));
        exec(QStringLiteral("PRAGMA synchronous = NORMAL"));
        // The log is copied back into the file every few thousand vouchers rather than every few hundred.
        exec(QStringLiteral("PRAGMA wal_autocheckpoint = 10000"));
        m_fileIdentity = fileIdentity(m_path); // a new file exists once the log is chosen
        ++m_openings;
    } catch (...) {
        close();
        throw;
    }
}

void StagingConnection::close()
{
    m_statements.clear();
    // Statements are finalized first; what an open transaction held is not taken into the file.
    sqlite3_close_v2(m_connection);
    m_connection = nullptr;
}

void StagingConnection::beginWriting()
{
    requireSameFile();
    runWaitingWhileBusy(QStringLiteral("BEGIN IMMEDIATE"));
}

void StagingConnection::commit()
{
    if (sqlite3_exec(m_connection, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK)
        return;
    const int code = sqlite3_extended_errcode(m_connection);
    const QString words = QString::fromUtf8(sqlite3_errmsg(m_connection));
    // The commit's failure is the one to report; a transaction it left open is let go of with the connection
    // when it cannot be rolled back.
    if (inTransaction() && sqlite3_exec(m_connection, "ROLLBACK", nullptr, nullptr, nullptr) != SQLITE_OK)
        close();
    raiseStagingError(m_path, code, words);
}

void StagingConnection::rollback()
{
    if (!inTransaction())
        return;
    if (sqlite3_exec(m_connection, "ROLLBACK", nullptr, nullptr, nullptr) == SQLITE_OK)
        return;
    const int code = sqlite3_extended_errcode(m_connection);
    const QString words = QString::fromUtf8(sqlite3_errmsg(m_connection));
    close(); // which takes nothing of the transaction into the file
    raiseStagingError(m_path, code, words);
}

bool StagingConnection::inTransaction() const
{
    return m_connection && sqlite3_get_autocommit(m_connection) == 0;
}

Statement &StagingConnection::statement(const QString &sql)
{
    open();
    std::shared_ptr<Statement> &found = m_statements[sql];
    if (!found)
        found = std::make_shared<Statement>(m_connection, m_path, sql);
    return *found;
}

void StagingConnection::exec(const QString &sql)
{
    statement(sql).run();
}

void StagingConnection::requireSameFile()
{
    open();
    if (fileIdentity(m_path) == m_fileIdentity)
        return;
    close();
    raiseStagingError(m_path, 0, QStringLiteral("it was deleted or moved while Pelko had it open"));
}

// SQLite's own busy handler must not run the event loop (the connection cannot be used from within it): a
// statement that finds the file held fails at once, and is tried again after a slice of waiting.
void StagingConnection::runWaitingWhileBusy(const QString &sql)
{
    const QByteArray text = sql.toUtf8();
    const QDeadlineTimer deadline(busyTimeout);
    for (;;) {
        const int result = sqlite3_exec(m_connection, text.constData(), nullptr, nullptr, nullptr);
        if (result == SQLITE_OK)
            return;
        if ((result & 0xff) != SQLITE_BUSY || deadline.hasExpired())
            raiseLastError(m_connection, m_path);
        waitASlice(int(std::min<qint64>(busySliceMs, deadline.remainingTime())));
    }
}

} // namespace staging
