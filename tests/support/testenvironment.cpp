#include "support/testenvironment.h"

#include <QDir>
#include <QFile>
#include <QSettings>

namespace testsupport {

TestEnvironment::TestEnvironment() : m_previousConfigHome(qgetenv("XDG_CONFIG_HOME"))
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_settingsFolder.path()));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsFolder.path());
    platform::setSystem(this);
}

TestEnvironment::~TestEnvironment()
{
    platform::setSystem(nullptr);
    if (m_previousConfigHome.isEmpty())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", m_previousConfigHome);
}

void TestEnvironment::sleepMs(int milliseconds) const
{
    if (!m_steppedClock) {
        platform::SystemServices::sleepMs(milliseconds);
        return;
    }
    m_steppedMs += milliseconds;
}

qint64 TestEnvironment::elapsedMs() const
{
    return m_steppedClock ? m_steppedMs : platform::SystemServices::elapsedMs();
}

QString TestEnvironment::programFile(const QString &name) const
{
    return QDir(m_programFolder.path()).filePath(name);
}

QString TestEnvironment::readProgramFile(const QString &name) const
{
    QFile file(programFile(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

} // namespace testsupport
