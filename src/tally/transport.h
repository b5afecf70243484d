#pragma once

#include "platform/settings.h"

#include <QByteArray>
#include <QString>

#include <pugixml.hpp>

#include <optional>

namespace tally {

// The server a run posts to. A run reads the address and port once, when it starts, and keeps them for the life
// of this object: another copy of the program that stores other settings meanwhile does not turn the run's
// requests to its server. Scopes nest; an inner one keeps the outer one's server.
class RunServer final
{
public:
    // The stored settings, read now, unless a run is going already.
    RunServer();
    // The given server, unless a run is going already.
    explicit RunServer(const platform::ServerSettings &server);
    ~RunServer();
    Q_DISABLE_COPY_MOVE(RunServer)

private:
    std::optional<platform::ServerSettings> m_previous;
    bool m_outermost = false;
};

// The server of the run going on, or the settings as the store holds them now when no run is going.
platform::ServerSettings currentServer();

// "http://" + ServerAddress + ":" + PortNo of currentServer(); missing settings read "".
QString TallyServerUrl();
// The same text for settings already read.
QString TallyServerUrl(const platform::ServerSettings &server);

// How an import request ended.
enum class Delivery
{
    Answered, // the server answered as Tally does; the summary is the response summary of its reply
    Failed,   // an answer came, but an HTTP error status, no Tally reply, or one that imported nothing; reported, the
              // summary says so
    NoAnswer, // nothing came back (refused, timed out, closed, no server set); reported, the summary says so
    NotSent,  // the request was never sent: building it failed (reported) or a value could not be sent
};

// What one import request brought back: the text its row's status cell takes, and how the request ended.
struct TallyReply
{
    QString summary;
    Delivery delivery = Delivery::NotSent;
};

// Posts one import request to the run's server and returns the response summary of its reply. An answer with an
// HTTP error status or a body that is no Tally reply (well-formed XML whose root is RESPONSE or ENVELOPE) is a
// failed post, so is a Tally reply that imported nothing (no CREATED, ALTERED, COMBINED, ERRORS or EXCEPTIONS
// counter above 0: "Unknown Request, cannot be processed", or counters all 0), and a request that gets no answer
// at all fails as well: each is reported once through the trap, under a kind of its own for a run's repeats
// (errors::RunScope), and its summary holds "ERROR" and what happened; a time-out's says that the post may
// have been imported. The text is laid out by IndentXmlDocument before it goes; a text that is not well-formed
// XML is reported and not sent.
TallyReply SendTallyRequest(const QString &request);

// The same for a request built in memory, which is sent as its text would be, without writing it out and parsing
// it again.
TallyReply SendTallyDocument(pugi::xml_document &document);

// The same for a request laid out already, as ImportRequestWriter writes one.
TallyReply SendTallyBytes(QByteArray request);

} // namespace tally
