#pragma once

#include <QAnyStringView>
#include <QString>

#include <exception>
#include <utility>

namespace errors {

// Flags given to ErrorIn.
inline constexpr qint32 EH_SHOW = 1;
inline constexpr qint32 EH_REPORT = 2;
inline constexpr qint32 EH_STANDARD = 35;

// Reported when ErrorIn finds no current error.
inline constexpr qint32 ERR_GENERAL = qint32(0x8004144EU);
// Numbers just below ERR_GENERAL are shown but neither reported nor logged.
inline constexpr qint32 QuietRangeFirst = qint32(0x80041065U);
inline constexpr qint32 QuietRangeLast = qint32(0x8004144DU);

// Error numbers our own code raises. They follow the numbering the program's users know from its error
// boxes, and none of them is 0.
namespace ErrNo {
inline constexpr qint32 InvalidProcedureCall = 5;
inline constexpr qint32 OutOfMemory = 7;
inline constexpr qint32 SubscriptOutOfRange = 9;
inline constexpr qint32 TypeMismatch = 13;
inline constexpr qint32 InternalError = 51;
inline constexpr qint32 FileNotFound = 53;
inline constexpr qint32 PathFileAccess = 75;
inline constexpr qint32 ObjectNotSet = 91;
inline constexpr qint32 ItemNotFound = 3265;
// Transport failures, numbered as the HTTP component of the Tally link numbers them.
inline constexpr qint32 HttpTimeout = qint32(0x80072EE2U);
inline constexpr qint32 HttpInvalidUrl = qint32(0x80072EE5U);
inline constexpr qint32 HttpUnrecognizedScheme = qint32(0x80072EE6U);
inline constexpr qint32 HttpCannotConnect = qint32(0x80072EFDU);
inline constexpr qint32 HttpConnectionReset = qint32(0x80072EFFU);
inline constexpr qint32 HttpNameNotResolved = qint32(0x80072EE7U);
} // namespace ErrNo

// The one current run-time error of the program's thread; number 0 means none.
struct ErrorState
{
    qint32 number = 0;
    QString source;
    QString description;
    qint32 line = 0;
    qint32 lastSystemError = 0;
    QString helpFile;
    qint32 helpContext = 0;
    // What a run tells repeats of this failure by; "" for the error number together with the location code.
    QString kind;
};

// A run-time error raised by the program's own code or by a component it drives.
class RuntimeError : public std::exception
{
public:
    RuntimeError(qint32 number, QString description, QString source = QStringLiteral("Pelko"), qint32 line = 0,
                 qint32 systemError = 0);

    const char *what() const noexcept override { return m_what.constData(); }

    qint32 number() const { return m_number; }
    const QString &description() const { return m_description; }
    const QString &source() const { return m_source; }
    qint32 line() const { return m_line; }
    qint32 systemError() const { return m_systemError; }
    // The kind the raiser named (see raiseOfKind); "" when it named none.
    const QString &kind() const { return m_kind; }
    void setKind(QString kind) { m_kind = std::move(kind); }

private:
    qint32 m_number;
    QString m_description;
    QString m_source;
    qint32 m_line;
    qint32 m_systemError;
    QString m_kind;
    QByteArray m_what;
};

[[noreturn]] void raise(qint32 number, const QString &description, const QString &source = QStringLiteral("Pelko"));
// The same for a failure whose kind the raiser names: failures of one kind are one failure to a run (RunScope),
// whatever their numbers and texts, and failures of two kinds two, though they share a number and a location.
[[noreturn]] void raiseOfKind(const QString &kind, qint32 number, const QString &description);

ErrorState &currentError();
void clearCurrentError();

// Fills CurrentError from whatever exception is being handled.
void captureCurrentException();

bool IsQuietErrNumber(qint32 number);
void ErrPreserve();
void ErrRestore();

// Reports the current error (box, error log) and returns the report when EH_REPORT is set. Inside a RunScope
// only the first error of each kind gets its box; a later one of that kind goes to the error log alone.
QString ErrorIn(const QString &location, qint32 flags);

// One run of posts, from its first request to its last. A failure that repeats, a post after post that the
// server answers with an HTTP error, would otherwise raise one box per row and hide the rest of the run behind
// them: inside the scope the first error of each kind is shown as ever (its box, or its line on standard error
// without a display, and the log), and later errors of that kind are logged only. Every one still counts in
// errorInCount(), so an unattended run ends with the same status. An error's kind is the one its raiser named
// (raiseOfKind), else its number together with the location code it is reported under. Scopes nest: an inner
// one belongs to the run of the outer one.
class RunScope final
{
public:
    RunScope();
    ~RunScope();
    RunScope(const RunScope &) = delete;
    RunScope &operator=(const RunScope &) = delete;

private:
    bool m_outermost;
};

// How many times ErrorIn has run since the program started; an unattended run compares it before and after
// to tell whether anything went wrong.
qint64 errorInCount();
// The description of the error ErrorIn reported last, as raised; "" before the first.
QString lastErrorDescription();

// Runs a trapped procedure's body. An error escaping it is reported through ErrorIn with the procedure's
// location code and EH_STANDARD; the procedure then ends normally with whatever its result holds.
template <typename Body> void trap(QAnyStringView location, Body &&body) noexcept
{
    try {
        std::forward<Body>(body)();
    } catch (...) {
        captureCurrentException();
        ErrorIn(location.toString(), EH_STANDARD);
        clearCurrentError();
    }
}

// The same for a procedure with a result: returns what the body left in result when it failed.
template <typename Result, typename Body>
Result trapResult(QAnyStringView location, Result initial, Body &&body) noexcept
{
    Result result = std::move(initial);
    trap(location, [&] { std::forward<Body>(body)(result); });
    return result;
}

} // namespace errors
