#pragma once

#include "tallysim/simulator.h"

#include <QByteArray>
#include <QList>

namespace testsupport {

class HeadlessWindow;

// The requests a server received, each under a "=== request N ===" line, byte for byte.
QByteArray requestsText(const QList<tallysim::RecordedRequest> &requests);

// What a posting run leaves in the window: each row's status, image, colour and font, the status line calls,
// the current row and how often the run yielded.
QByteArray marksText(HeadlessWindow &window);

} // namespace testsupport
