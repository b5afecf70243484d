#pragma once

#include "tallysim/simulator.h"

#include <QString>

class QThread;

namespace testsupport {

// A simulated Tally server on a thread of its own, listening on 127.0.0.1 at any free port for the life
// of the object, so that a test can talk to it synchronously from the test thread.
class SimulatedServer final
{
public:
    explicit SimulatedServer(tallysim::Config config = {});
    ~SimulatedServer();
    Q_DISABLE_COPY_MOVE(SimulatedServer)

    quint16 port() const { return m_port; }
    QString url() const; // "http://127.0.0.1:<port>"
    // Points the program's settings ("ServerAddress", "PortNo") at this server.
    void configureSettings() const;

    QList<tallysim::RecordedRequest> requests() const;
    void clearRequests();
    void setMode(tallysim::Mode mode, int delayMs = 0);
    // Stops listening and drops every connection: the server is down from now on.
    void stop();

private:
    QThread *m_thread = nullptr;
    tallysim::Simulator *m_simulator = nullptr;
    quint16 m_port = 0;
};

} // namespace testsupport
