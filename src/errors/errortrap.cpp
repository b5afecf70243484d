#include "errors/errortrap.h"

#include "errors/errorreport.h"
#include "platform/prompter.h"

#include <new>

namespace errors {

namespace {

ErrorState current;
qint64 errorInCalls = 0;
QString lastDescription;

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
        platform::msgBox(current.source + QLatin1Char('\n') + current.description, platform::MsgBoxStyle::Critical,
                         ErrorBoxTitle(current.number));
        WriteErrorLog(QString::fromLatin1(errorLogName));
    }
    return result;
}

} // namespace errors
