#pragma once

#include <QDateTime>
#include <QString>

namespace platform {

// The operating-system services the program asks for by name: the computer name, the clock, the text of
// a system error number, a pause, the clock waits are measured on and the program folder. Tests install their
// own to fix what they return.
class SystemServices
{
public:
    virtual ~SystemServices() = default;

    virtual QString computerName() const;
    virtual QDateTime now() const;
    virtual QString systemErrorText(int code) const;
    virtual void sleepMs(int milliseconds) const;
    // Milliseconds on a clock that only goes forward, from a start of its own: the difference of two readings is
    // how long a wait took.
    virtual qint64 elapsedMs() const;
    // The folder of the executable, or the one PELKO_HOME names.
    virtual QString programFolder() const;
};

SystemServices &system();
// Installs services (nullptr restores the real ones); the caller keeps ownership.
void setSystem(SystemServices *services);

inline QString programFolder()
{
    return system().programFolder();
}

// Path of a file in the program folder.
QString programFile(const QString &name);

// Lets the application's pending events run, as a long run does between its rows so that its window repaints
// and answers. A look at the event loop costs a system call or two, more than a row of a fast run: it is taken
// at most every few milliseconds, which a window's painting and its user cannot tell from every row.
void yieldToEventLoop();

// An unattended run told to stop (SIGTERM, SIGINT, SIGHUP) finishes the request in flight, marks what it did not
// try and writes its report, instead of dying at once. After stopOnTerminationSignals, such a signal only sets
// the flag stopRequested reads; the posting loops look at it before each post.
void stopOnTerminationSignals();
bool stopRequested();
// Sets the flag as a signal would, and clears it again.
void setStopRequested(bool requested);

} // namespace platform
