#include "support/postingbed.h"

namespace testsupport {

void PostingBed::start(const tallysim::Config &config)
{
    env = std::make_unique<TestEnvironment>();
    prompter = std::make_unique<ScriptedPrompter>();
    server = std::make_unique<SimulatedServer>(config);
    server->configureSettings();
    window = std::make_unique<HeadlessWindow>();
    window->setCompanyListText(config.currentCompany);
}

void PostingBed::stop()
{
    window.reset();
    server.reset();
    prompter.reset();
    env.reset();
}

} // namespace testsupport
