#include "platform/system.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>

#include <csignal>
#include <cstring>

#include <unistd.h>

namespace platform {

namespace {

SystemServices realServices;
SystemServices *installedServices = nullptr;

volatile std::sig_atomic_t stopSignalled = 0;

extern "C" void noteStopSignal(int)
{
    stopSignalled = 1;
}

} // namespace

QString SystemServices::computerName() const
{
    char buffer[256] = {};
    if (gethostname(buffer, sizeof buffer - 1) != 0)
        return {};
    return QString::fromLocal8Bit(buffer);
}

QDateTime SystemServices::now() const
{
    return QDateTime::currentDateTime();
}

QString SystemServices::systemErrorText(int code) const
{
    if (code <= 0)
        return {};
    char buffer[512] = {};
    // The GNU strerror_r returns the text, which may or may not live in the buffer.
    const char *text = strerror_r(code, buffer, sizeof buffer);
    QString result = QString::fromLocal8Bit(text);
    if (result.startsWith(QLatin1String("Unknown error")))
        return {};
    return result;
}

void SystemServices::sleepMs(int milliseconds) const
{
    QThread::msleep(static_cast<unsigned long>(milliseconds));
}

qint64 SystemServices::elapsedMs() const
{
    return QDeadlineTimer::current().deadline();
}

QString SystemServices::programFolder() const
{
    const QString home = qEnvironmentVariable("PELKO_HOME");
    if (!home.isEmpty())
        return QDir::cleanPath(home);
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QDir::currentPath();
}

SystemServices &system()
{
    return installedServices ? *installedServices : realServices;
}

void setSystem(SystemServices *services)
{
    installedServices = services;
}

QString programFile(const QString &name)
{
    return QDir(programFolder()).filePath(name);
}

void yieldToEventLoop()
{
    constexpr qint64 yieldEveryMs = 10;
    thread_local QElapsedTimer sinceLastYield;
    if (sinceLastYield.isValid() && sinceLastYield.elapsed() < yieldEveryMs)
        return;
    QCoreApplication::processEvents();
    sinceLastYield.start();
}

void stopOnTerminationSignals()
{
    struct sigaction action = {};
    action.sa_handler = noteStopSignal;
    sigemptyset(&action.sa_mask);
    // A request in flight goes on where the signal found it.
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
}

bool stopRequested()
{
    return stopSignalled != 0;
}

void setStopRequested(bool requested)
{
    stopSignalled = requested ? 1 : 0;
}

} // namespace platform
