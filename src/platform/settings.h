#pragma once

#include <QString>

namespace platform {

// The per-user settings store: application "Pelko10", section "Config". Keys have no defaults:
// a key that was never written reads as "".
QString readConfig(const QString &key);
void writeConfig(const QString &key, const QString &value);

inline constexpr char settingServerAddress[] = "ServerAddress";
inline constexpr char settingPortNo[] = "PortNo";

// The Tally server's address and port as the settings store holds them now ("" when never written).
struct ServerSettings
{
    QString address;
    QString port;
};

// Reads both keys through one opening of the store: every request reads them afresh.
ServerSettings readServerSettings();

} // namespace platform
