#pragma once

#include "tallysim/simulator.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace sources {
class ImportWindow;
}

namespace testsupport {

class HeadlessWindow;
class ScriptedPrompter;
class SimulatedServer;

// The requests a server received, each under a "=== request N ===" line, byte for byte.
QByteArray requestsText(const QList<tallysim::RecordedRequest> &requests);

// What a posting run leaves in the window: each row's status, image, colour and font, the status line calls,
// the current row and how often the run yielded.
QByteArray marksText(HeadlessWindow &window);

// Loads the text file vouchers/<file>.csv of the test data as the choice of the import type listText does, posts
// it with the procedure, and checks that no error was reported and that the requests the server received and the
// marks the run left are the expected files vouchers/<file>.requests.txt and vouchers/<file>.marks.txt.
void postFileAsExpected(HeadlessWindow &window, const ScriptedPrompter &prompter, const SimulatedServer &server,
                        const QString &file, const QString &listText, void (*procedure)(sources::ImportWindow &window));

} // namespace testsupport
