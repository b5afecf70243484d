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

    void setComputerName(const QString &name) { m_computerName = name; }
    void setNow(const QDateTime &now) { m_now = now; }

    QString programFile(const QString &name) const;
    QString readProgramFile(const QString &name) const;
    QString settingsFolder() const { return m_settingsFolder.path(); }

private:
    QTemporaryDir m_programFolder;
    QTemporaryDir m_settingsFolder;
    QString m_computerName = QStringLiteral("TESTPC");
    std::optional<QDateTime> m_now;
    QByteArray m_previousConfigHome;
};

} // namespace testsupport
