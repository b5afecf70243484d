#pragma once

#include "sources/workgrid.h"
#include "support/headlesswindow.h"
#include "support/simulatedserver.h"

#include <QElapsedTimer>

#include <cstdio>
#include <ctime>

// What the benchmarks of a whole posting procedure share; for those that link the test helpers.

// CPU seconds this thread has used: on a busy machine the wall clock also counts the waits for a processor.
inline double threadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// Runs a posting procedure over the window's loaded work grid, with the server's record of requests cleared first,
// and returns the seconds it took. Warns when fewer rows than expected read CREATED.
template <typename Procedure>
double timePosting(testsupport::SimulatedServer &server, testsupport::HeadlessWindow &window, Procedure post,
                   int expected, const char *what)
{
    server.clearRequests();
    QElapsedTimer timer;
    timer.start();
    const double cpu = threadSeconds();
    post(window);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    std::fprintf(stderr, "CPU of the posting thread: %.3f s\n", threadSeconds() - cpu);
    const sources::WorkGrid &grid = window.workGrid();
    int created = 0;
    for (int row = 1; row <= grid.rows(); ++row) {
        if (grid.text(row, sources::ProcessStatusKey) == QLatin1String("CREATED"))
            ++created;
    }
    if (created != expected)
        std::fprintf(stderr, "warning: %d of %d %s created\n", created, expected, what);
    return seconds;
}

// The bodies of the requests the server received, in order, for the bare replay.
inline QList<QByteArray> receivedBodies(const testsupport::SimulatedServer &server)
{
    QList<QByteArray> bodies;
    for (const tallysim::RecordedRequest &request : server.requests())
        bodies.append(request.body);
    return bodies;
}
