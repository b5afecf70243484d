#pragma once

#include "support/headlesswindow.h"
#include "support/scriptedprompter.h"
#include "support/simulatedserver.h"
#include "support/testenvironment.h"

#include <QString>

#include <memory>

namespace testsupport {

// What a posting test runs against: a program folder of its own, a scripted prompter, a simulated server that the
// settings point at, and a headless window whose company list names the server's open company. A test starts it
// in init() and stops it in cleanup(), which drops the window first and the program folder last.
struct PostingBed
{
    void start(const tallysim::Config &config);
    void stop();
    // After a run of one voucher whose last row is lastRow, with no error reported: the voucher was sent and
    // created, or, given a refusal, kept from the server with its last row saying exactly that.
    void verifySentOrRefused(int lastRow, const QString &refusal) const;

    std::unique_ptr<TestEnvironment> env;
    std::unique_ptr<ScriptedPrompter> prompter;
    std::unique_ptr<SimulatedServer> server;
    std::unique_ptr<HeadlessWindow> window;
};

} // namespace testsupport
