#include "platform/settings.h"

#include <QSettings>

namespace platform {

namespace {

QString configKey(const QString &key)
{
    return QStringLiteral("Config/") + key;
}

QSettings store()
{
    // On Linux this is $XDG_CONFIG_HOME/Pelko10/Pelko10.conf, section [Config].
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Pelko10"),
                     QStringLiteral("Pelko10"));
}

} // namespace

QString readConfig(const QString &key)
{
    return store().value(configKey(key)).toString();
}

ServerSettings readServerSettings()
{
    const QSettings settings = store();
    return {settings.value(configKey(QLatin1String(settingServerAddress))).toString(),
            settings.value(configKey(QLatin1String(settingPortNo))).toString()};
}

void writeConfig(const QString &key, const QString &value)
{
    QSettings settings = store();
    settings.setValue(configKey(key), value);
    settings.sync();
}

} // namespace platform
