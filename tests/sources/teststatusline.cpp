#include "errors/errortrap.h"
#include "sources/statusline.h"
#include "support/headlesswindow.h"
#include "support/reportederrors.h"
#include "support/scriptedprompter.h"
#include "support/testenvironment.h"

#include <QTest>

using namespace sources;
using testsupport::HeadlessWindow;
using testsupport::ScriptedPrompter;
using testsupport::TestEnvironment;

class TestStatusLine final : public QObject
{
    Q_OBJECT

private slots:
    void statusLineText_data()
    {
        QTest::addColumn<QString>("msg");
        QTest::addColumn<QString>("shown");
        QTest::newRow("nine dots follow") << "Reading Records => 1/3"
                                          << "Reading Records => 1/3.........";
        QTest::newRow("after the text's own dots") << "Wait..."
                                                   << "Wait............";
        QTest::newRow("empty clears") << ""
                                      << "";
        QTest::newRow("a blank is text") << " "
                                         << " .........";
    }
    void statusLineText()
    {
        QFETCH(QString, msg);
        QFETCH(QString, shown);
        QCOMPARE(sources::statusLineText(msg), shown);
    }

    void headlessWindowRecordsTheStatusLine()
    {
        TestEnvironment env;
        ScriptedPrompter prompter;
        HeadlessWindow window;
        window.stat(QStringLiteral("Wait..."), QStringLiteral("stat"));
        window.stat(QStringLiteral("Processed Ledgers: 3"), QStringLiteral("msg"));
        window.stat(QString(), QStringLiteral("msg"));
        window.stat(QStringLiteral("Lost"), QStringLiteral("Clock"));

        QCOMPARE(window.statCalls().size(), 4);
        QCOMPARE(window.statCalls().at(1),
                 (HeadlessWindow::StatCall{QStringLiteral("Processed Ledgers: 3"), QStringLiteral("msg")}));
        QCOMPARE(window.panelText(QStringLiteral("stat")), QStringLiteral("Wait............"));
        QCOMPARE(window.panelText(QStringLiteral("msg")), QString());
        // A key naming no panel is the window's trapped error; nothing else changes.
        QCOMPARE(testsupport::reportedErrors(prompter),
                 QStringList{testsupport::reportedError("F01-0040", errors::ErrNo::SubscriptOutOfRange)});
        QCOMPARE(window.panelText(QStringLiteral("stat")), QStringLiteral("Wait............"));

        QCOMPARE(&window.prompter(), static_cast<platform::Prompter *>(&prompter));
        ScriptedPrompter other;
        window.setPrompter(&other);
        QCOMPARE(&window.prompter(), static_cast<platform::Prompter *>(&other));

        window.yieldToEvents();
        window.selectFirstDataTab();
        QCOMPARE(window.yieldCount(), 1);
        QCOMPARE(window.selectFirstDataTabCount(), 1);
    }
};

QTEST_GUILESS_MAIN(TestStatusLine)
#include "teststatusline.moc"
