#pragma once

#include <QHash>
#include <QString>

#include <memory>
#include <string>
#include <utility>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace staging {

// How long a write waits for another program that holds the staging file before it fails; tests shorten it, so
// that a file held past it does not hold them up.
void setBusyTimeoutMs(int ms);

// A statement prepared once on a connection and run again and again, its values bound as text. Every failure
// raises a run-time error that names the staging file beside the engine's own words.
class Statement final
{
public:
    Statement(sqlite3 *connection, const QString &path, const QString &sql);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    // A text for the placeholder at that position, counted from 0. A null text (a record field never set) is
    // stored as empty text, as an empty one is, never as Null.
    void bind(int position, const QString &text);
    // Runs the statement to its next row: false when it has no more.
    bool next();
    // Runs the statement to its end, and makes it ready for the next run.
    void run();
    // Makes the statement ready for its next run and lets go of the texts bound to it.
    void finish();

    int columnCount() const;
    // A column of the row in hand as text; Null as a null text.
    QString text(int column) const;

private:
    sqlite3 *m_connection;
    QString m_path;
    sqlite3_stmt *m_statement = nullptr;
    std::vector<std::string> m_texts; // one per placeholder, kept from run to run
};

// The staging file, opened through SQLite's own interface on one connection this object owns. A write-ahead log
// keeps the file whole through a crash without waiting for the disk at every commit.
class StagingConnection final
{
public:
    StagingConnection();
    // Closing lets go of a transaction still open, which takes nothing into the file.
    ~StagingConnection();
    StagingConnection(const StagingConnection &) = delete;
    StagingConnection &operator=(const StagingConnection &) = delete;

    const QString &path() const { return m_path; }
    // How many times the file was opened: a count that tells one opening from the next.
    int openings() const { return m_openings; }
    // Opens the file, or makes it when it is missing.
    void open();
    void close();

    // Begins a write transaction. While another program holds the file, it waits in short slices outside
    // SQLite, the window's events running between them (user input excepted), until the busy time-out; then it
    // fails.
    void beginWriting();
    void commit();
    // Undoes the open transaction, if any.
    void rollback();
    bool inTransaction() const;

    // A statement on the connection, prepared at its first use.
    Statement &statement(const QString &sql);
    void exec(const QString &sql);

    // A file deleted or replaced under the open connection would take writes and lose them with it: such a
    // connection is closed and the call raises; the next call opens the file anew.
    void requireSameFile();

private:
    void runWaitingWhileBusy(const QString &sql);

    QString m_path;
    sqlite3 *m_connection = nullptr;
    int m_openings = 0;
    std::pair<quint64, quint64> m_fileIdentity; // the file the connection opened
    QHash<QString, std::shared_ptr<Statement>> m_statements;
};

// Raises a failure of the staging file: its path, the engine's words, and for a file that is damaged or no
// database at all, that it may be deleted.
[[noreturn]] void raiseStagingError(const QString &path, int code, const QString &words);

} // namespace staging
