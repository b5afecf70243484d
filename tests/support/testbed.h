#pragma once

#include "support/scriptedprompter.h"
#include "support/simulatedserver.h"
#include "support/testenvironment.h"

#include <QObject>

#include <memory>

namespace testsupport {

// The window type of a test class that needs none.
struct NoWindow
{
};

// The bed a test class runs each test in: a program folder and settings store of its own, a scripted prompter,
// and, where the class needs them, a simulated server and a window (the class's init() makes those, as each
// needs them made). A test class derives from it, calls startBed() first in its init() and stopBed() in its
// cleanup(), which drops the window first and the program folder last: the window and the server still use the
// settings and the prompter as they close.
template <typename Window = NoWindow> class TestBed : public QObject
{
protected:
    void startBed()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_prompter = std::make_unique<ScriptedPrompter>();
    }

    void stopBed()
    {
        m_window.reset();
        m_server.reset();
        m_prompter.reset();
        m_env.reset();
    }

    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<ScriptedPrompter> m_prompter;
    std::unique_ptr<SimulatedServer> m_server;
    std::unique_ptr<Window> m_window;
};

} // namespace testsupport
