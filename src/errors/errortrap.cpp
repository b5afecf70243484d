#include "errors/errortrap.h"

#include "errors/errorreport.h"
#include "platform/prompter.h"

#include <QSet>

#include <new>
#include <optional>

namespace errors {

namespace {

ErrorState current;
qint64 errorInCalls = 0;
QString lastDescription;
// The kinds of error reported so far in the run going on; none while no run goes on.
std::optional<QSet<QString>> runKinds;

QByteArray whatText(qint32 number, const QString &description)
{
    return QByteArray::number(number) + ": " + description.toUtf8();
}

} // namespace

RuntimeError::RuntimeError(qint32 number, QString description, QString source, qint32 line, qint32 systemError)
    : m_number(number != 0 ? number : ErrNo::InternalError), m_description(std::move(description)),
      m_source(std::move(source)), m_line(line), m_systemError(systemError), m_what(whatText(m_number, m_description))
{}

void raise(qint32 number, const QString &description, const QString &source)
{
    throw RuntimeError(number, description, source);
}

void raiseOfKind(const QString &kind, qint32 number, const QString &description)
{
    RuntimeError error(number, description);
    error.setKind(kind);
    throw error;
}

RunScope::RunScope() : m_outermost(!runKinds)
{
    if (m_outermost)
        runKinds.emplace();
}

RunScope::~RunScope()
{
    if (m_outermost)
        runKinds.reset();
}

ErrorState &currentError()
{
    return current;
}

void clearCurrentError()
{
    current = ErrorState{};
}

void captureCurrentException()
{
    ErrorState state;
    try {
        throw;
    } catch (const RuntimeError &error) {
        state.number = error.number();
        state.source = error.source();
        state.description = error.description();
        state.line = error.line();
        state.lastSystemError = error.systemError();
        state.kind = error.kind();
    } catch (const std::bad_alloc &) {
        state.number = ErrNo::OutOfMemory;
        state.source = QStringLiteral("Pelko");
        state.description = QStringLiteral("Out of memory");
    } catch (const std::exception &error) {
        state.number = ErrNo::InternalError;
        state.source = QStringLiteral("Pelko");
        state.description = QStringLiteral("Internal error: ") + QString::fromLocal8Bit(error.what());
    } catch (...) {
        state.number = ErrNo::InternalError;
        state.source = QStringLiteral("Pelko");
        state.description = QStringLiteral("Internal error");
    }
    current = state;
}

bool IsQuietErrNumber(qint32 number)
{
    return number >= QuietRangeFirst && number <= QuietRangeLast;
}

void ErrPreserve()
{
    SavedError &saved = savedError();
    if (current.number == 0 || saved.saved)
        return;
    saved.number = current.number;
    saved.description = current.description;
    saved.source = current.source;
    saved.helpFile = current.helpFile;
    saved.helpContext = QString::number(current.helpContext);
    saved.line = current.line;
    saved.lastSystemError = current.lastSystemError;
    saved.kind = current.kind;
    saved.saved = true;
}

void ErrRestore()
{
    const SavedError &saved = savedError();
    if (!saved.saved)
        return;
    clearCurrentError();
    current.number = saved.number;
    current.source = saved.source;
    current.description = saved.description;
    if (!saved.helpContext.isEmpty())
        current.helpContext = saved.helpContext.toInt();
    current.helpFile = saved.helpFile;
    current.kind = saved.kind;
}

qint64 errorInCount()
{
    return errorInCalls;
}

QString lastErrorDescription()
{
    return lastDescription;
}

QString ErrorIn(const QString &location, qint32 flags)
{
    ++errorInCalls;
    SavedError &saved = savedError();
    if (current.number == 0 && !saved.saved) {
        current.number = ERR_GENERAL;
        current.description = QStringLiteral("ErrorIn: Error information was lost. ") +
                              QStringLiteral("To fix: call ErrPreserve before doing anything in error handler.");
    }
    ErrPreserve();
    lastDescription = saved.description;

    QString result;
    if (IsQuietErrNumber(saved.number) || !(flags & EH_REPORT)) {
        saved.report.clear();
    } else {
        StartReport();
        AddApiErrorLine();
        AddLocationLine(location);
        saved.source = ReportHeader();
        saved.description = saved.report;
        result = saved.report;
    }

    ErrRestore();
    saved.saved = false;

    if (flags & EH_SHOW) {
        const QString kind =
            current.kind.isEmpty() ? QString::number(current.number) + QLatin1Char(' ') + location : current.kind;
        // Outside a run every error is the first of its kind. A quiet error goes to no log, so its box is all
        // there is of it: it is always shown.
        const bool repeated = runKinds && runKinds->contains(kind) && !IsQuietErrNumber(current.number);
        if (runKinds)
            runKinds->insert(kind);
        if (!repeated)
            platform::msgBox(current.source + QLatin1Char('\n') + current.description, platform::MsgBoxStyle::Critical,
                             ErrorBoxTitle(current.number));
        WriteErrorLog(QString::fromLatin1(errorLogName));
    }
    return result;
}

} // namespace errors
