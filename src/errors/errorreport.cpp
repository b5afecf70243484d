#include "errors/errorreport.h"

#include "errors/errortrap.h"
#include "platform/system.h"

#include <QDir>
#include <QFile>
#include <QLocale>

#include <cerrno>
#include <cstdio>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace errors {

namespace {

SavedError saved;

const QString crlf = QStringLiteral("\r\n");
constexpr QChar placeholderMarker(8);
constexpr int logRetryIntervalMs = 200;
constexpr qint64 logRetryLimitMs = 1000;

QString reportTemplate()
{
    return QStringLiteral("%Descr% %nl%=> Computer='%Comp%' Time='%Time%' ADO-version='%ADOVersion%' %nl%");
}

// The first character between the first two fields of a format: the locale's separator. The C locale has no
// separators of its own and keeps the classic ones.
QChar separatorOf(const QString &format, QChar classic)
{
    bool inField = false;
    for (const QChar c : format) {
        if (c.isLetter()) {
            inField = true;
        } else if (inField) {
            return c == QLatin1Char(' ') || c == QLatin1Char('\'') ? classic : c;
        }
    }
    return classic;
}

void writeToStandardError(const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

QString sqliteVersion()
{
    return QString::fromLatin1(sqlite3_libversion());
}

} // namespace

SavedError &savedError()
{
    return saved;
}

QString ReportTime(const QDateTime &time, const QLocale &locale)
{
    const bool classic = locale.language() == QLocale::C;
    const QChar date = classic ? QLatin1Char('/') : separatorOf(locale.dateFormat(QLocale::ShortFormat), u'/');
    const QChar clock = classic ? QLatin1Char(':') : separatorOf(locale.timeFormat(QLocale::LongFormat), u':');
    return time.toString(QStringLiteral("MM") + date + QStringLiteral("dd") + date + QStringLiteral("yy HH") + clock +
                         QStringLiteral("mm") + clock + QStringLiteral("ss"));
}

QString ReportHeader()
{
    return QStringLiteral("An Error has occured in Pelko 1.0. Please check the following details or call the Help "
                          "Desk for support.") +
           crlf;
}

QString ErrorBoxTitle(qint32 number)
{
    return QStringLiteral("Pelko 1.0 Error = ") + QString::number(number);
}

void StartReport()
{
    saved.report = reportTemplate();
    saved.report.replace(QLatin1Char('%'), placeholderMarker);
    FillPlaceholder(QStringLiteral("nl"), crlf);
    FillPlaceholder(QStringLiteral("Comp"), GetComputerNameText());
    FillPlaceholder(QStringLiteral("Time"), ReportTime(platform::system().now(), QLocale::system()));
    FillPlaceholder(QStringLiteral("ADOVersion"), GetAdoVersion());
    FillPlaceholder(QStringLiteral("Descr"), saved.description);
    saved.report.replace(placeholderMarker, QLatin1Char('%'));
}

void FillPlaceholder(const QString &name, const QString &value)
{
    saved.report.replace(placeholderMarker + name + placeholderMarker, value, Qt::CaseSensitive);
}

void AddReportLine(const QString &text)
{
    if (IsQuietErrNumber(saved.number))
        return;
    saved.report += text + crlf;
}

void AddApiErrorLine()
{
    const qint32 code = saved.lastSystemError;
    if (code == 0 || code == 203)
        return;
    AddReportLine(QStringLiteral("  API Error: (") + QString::number(code) + QStringLiteral(") ") +
                  GetSystemErrorText(code));
}

void AddLocationLine(const QString &location)
{
    QString line = QStringLiteral("=> LOCATION CODE: ") + location + QStringLiteral("()");
    if (saved.line != 0)
        line += QStringLiteral("  LINE# ") + QString::number(saved.line);
    AddReportLine(line + QLatin1Char(' '));
}

QString GetErrorReport()
{
    return saved.report;
}

QString GetComputerNameText()
{
    return platform::system().computerName();
}

QString GetAdoVersion()
{
    // The staging database engine stands where the data-access component stood; its version does not change
    // while the program runs.
    static const QString version = sqliteVersion();
    return version.isEmpty() ? QStringLiteral("?") : version;
}

QString GetSystemErrorText(qint32 code)
{
    QString text = platform::system().systemErrorText(code);
    text.remove(crlf);
    text.remove(QChar(0));
    return text;
}

bool WriteErrorLog(const QString &fileName)
{
    const QString report = GetErrorReport();
    if (report.isEmpty())
        return true;
    const QString path = fileName.contains(QLatin1Char('/')) ? fileName : platform::programFile(fileName);
    const QByteArray entry = (report + crlf + crlf + crlf).toLocal8Bit();
    // An entry that cannot go into the log goes to standard error, so that whoever started the program still
    // sees it.
    int handle = -1;
    if (!OpenLogWithRetry(path, handle)) {
        writeToStandardError(entry);
        return false;
    }
    qsizetype written = 0;
    while (written < entry.size()) {
        const ssize_t n = ::write(handle, entry.constData() + written, size_t(entry.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        written += n;
    }
    ::flock(handle, LOCK_UN);
    const bool closed = ::close(handle) == 0;
    if (written != entry.size() || !closed) {
        writeToStandardError(entry);
        return false;
    }
    return true;
}

bool OpenLogWithRetry(const QString &path, int &fileHandle)
{
    const qint64 started = platform::system().elapsedMs();
    for (;;) {
        if (TryOpenForAppend(path, fileHandle))
            return true;
        platform::system().sleepMs(logRetryIntervalMs);
        if (platform::system().elapsedMs() - started > logRetryLimitMs)
            return false;
    }
}

bool TryOpenForAppend(const QString &path, int &fileHandle)
{
    // Other running copies of the program share the log; an exclusive lock keeps their entries apart, and a
    // lock that another copy holds is what the retries wait out.
    // Not blocking: a pipe at the log's place would wait for a reader forever. Only a regular file is a log.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0)
        return false;
    struct stat status = {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    fileHandle = fd;
    return true;
}

} // namespace errors
