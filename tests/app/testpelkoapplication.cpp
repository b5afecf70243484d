#include "app/pelkoapplication.h"
#include "errors/errortrap.h"
#include "support/scriptedprompter.h"
#include "support/testbed.h"
#include "support/testenvironment.h"

#include <QTest>

#include <memory>
#include <stdexcept>

using testsupport::ScriptedPrompter;
using testsupport::TestEnvironment;

namespace {

// Throws from its event handler the way a faulty handler of the program would.
class FaultyObject final : public QObject
{
public:
    int handled = 0;
    bool throwRuntimeError = true;

    bool event(QEvent *event) override
    {
        if (event->type() != QEvent::User)
            return QObject::event(event);
        ++handled;
        if (throwRuntimeError)
            errors::raise(errors::ErrNo::TypeMismatch, QStringLiteral("Type mismatch"));
        throw std::logic_error("unexpected");
    }
};

} // namespace

class TestPelkoApplication final : public testsupport::TestBed<>
{
    Q_OBJECT

private slots:
    void init() { startBed(); }

    void cleanup() { stopBed(); }

    void errorInAHandlerIsReportedAndTheLoopGoesOn()
    {
        FaultyObject faulty;
        QEvent direct(QEvent::User);
        QVERIFY(!QCoreApplication::sendEvent(&faulty, &direct));

        faulty.throwRuntimeError = false;
        QCoreApplication::postEvent(&faulty, new QEvent(QEvent::User));
        QCoreApplication::processEvents();
        QCOMPARE(faulty.handled, 2);

        QCOMPARE(m_prompter->boxes().size(), 2);
        QVERIFY(m_prompter->boxes().at(0).prompt.contains(QLatin1String("Type mismatch")));
        QVERIFY(m_prompter->boxes().at(0).prompt.contains(QLatin1String(app::lastCatchLocation)));
        QVERIFY(m_prompter->boxes().at(1).prompt.contains(QLatin1String("unexpected")));
        QVERIFY(m_env->readProgramFile(QStringLiteral("Pelko10Errors.txt")).contains(QLatin1String("Type mismatch")));
        QCOMPARE(errors::currentError().number, 0);

        // Later events reach their receivers as usual.
        QObject plain;
        QEvent later(QEvent::User);
        QCoreApplication::sendEvent(&plain, &later);
        QCOMPARE(m_prompter->boxes().size(), 2);
    }
};

int main(int argc, char *argv[])
{
    app::PelkoApplication application(argc, argv);
    TestPelkoApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "testpelkoapplication.moc"
