#pragma once

#include "platform/system.h"

#include <QDateTime>
#include <QString>
#include <QTemporaryDir>

#include <optional>

namespace testsupport {

// A temporary program folder and settings store, with a fixed computer name and clock, installed for the
// life of the object.
class TestEnvironment final : public platform::SystemServices
{
public:
    TestEnvironment();
    ~TestEnvironment() override;
    Q_DISABLE_COPY_MOVE(TestEnvironment)

    QString computerName() const override { return m_computerName; }
    QDateTime now() const override { return m_now ? *m_now : platform::SystemServices::now(); }
    QString programFolder() const override { return m_programFolder.path(); }
    void sleepMs(int milliseconds) const override;
    qint64 elapsedMs() const override;

    void setComputerName(const QString &name) { m_computerName = name; }
    void setNow(const QDateTime &now) { m_now = now; }
    // From now on a pause returns at once and moves the clock that waits are measured on by its length, and
    // nothing else moves that clock: a test of a wait against its limit neither waits nor depends on how busy
    // the machine is.
    void stepClock() { m_steppedClock = true; }
    // The stepped clock's reading: the pauses taken since stepClock().
    qint64 steppedMs() const { return m_steppedMs; }

    QString programFile(const QString &name) const;
    QString readProgramFile(const QString &name) const;
    QString settingsFolder() const { return m_settingsFolder.path(); }

private:
    QTemporaryDir m_programFolder;
    QTemporaryDir m_settingsFolder;
    QString m_computerName = QStringLiteral("TESTPC");
    std::optional<QDateTime> m_now;
    bool m_steppedClock = false;
    mutable qint64 m_steppedMs = 0;
    QByteArray m_previousConfigHome;
};

} // namespace testsupport
