#include "support/postingbed.h"

#include "sources/workgrid.h"
#include "support/reportederrors.h"

#include <QTest>

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

void PostingBed::verifySentOrRefused(int lastRow, const QString &refusal) const
{
    QCOMPARE(reportedErrors(*prompter), QStringList());
    const QString last = window->workGrid().text(lastRow, sources::ProcessStatusKey);
    if (refusal.isEmpty()) {
        QVERIFY2(last.startsWith(QLatin1String("CREATED")), qPrintable(last));
        QCOMPARE(server->requests().size(), 1);
    } else {
        QCOMPARE(last, refusal);
        QCOMPARE(server->requests().size(), 0);
    }
}

} // namespace testsupport
