#pragma once

#include <QLatin1String>
#include <QString>

namespace sources {

// Keys of the status-line panels the program writes.
inline constexpr QLatin1String MsgPanel{"msg"};
inline constexpr QLatin1String StatPanel{"stat"};

// The text a status-line panel shows for a message: a non-empty message followed by nine dots, nothing for an
// empty one.
QString statusLineText(const QString &msg);

} // namespace sources
