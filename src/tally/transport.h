#pragma once

#include "platform/settings.h"

#include <QString>

namespace tally {

// "http://" + ServerAddress + ":" + PortNo, read from the settings store each time; missing settings read "".
QString TallyServerUrl();
// The same text for settings already read.
QString TallyServerUrl(const platform::ServerSettings &server);

// How an import request ended.
enum class Delivery
{
    Answered, // the server answered; the summary is the response summary of its reply
    NoAnswer, // the request could not be sent or answered; the error has been reported
    NotSent,  // the request was never sent: building it failed, and the error has been reported
};

// What one import request brought back: the text its row's status cell takes, and how the request ended.
struct TallyReply
{
    QString summary;
    Delivery delivery = Delivery::NotSent;
};

// Posts one import request to the server the settings name and returns the reply's ResponseSummary; "" when
// the request could not be sent or answered (the error has then been reported). The text is laid out by
// IndentXmlDocument before it goes; a text that is not well-formed XML is reported and not sent.
TallyReply SendTallyRequest(const QString &request);

} // namespace tally
