#pragma once

#include "platform/settings.h"

#include <QString>

namespace tally {

// "http://" + ServerAddress + ":" + PortNo, read from the settings store each time; missing settings read "".
QString TallyServerUrl();
// The same text for settings already read.
QString TallyServerUrl(const platform::ServerSettings &server);

// Posts one import request to the server the settings name and returns the reply's ResponseSummary; "" when
// the request could not be sent or answered (the error has then been reported). The text is laid out by
// IndentXmlDocument before it goes; a text that is not well-formed XML is reported and not sent.
QString SendTallyRequest(const QString &request);

} // namespace tally
