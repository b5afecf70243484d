#include "support/simulatedserver.h"

#include "platform/settings.h"

#include <QThread>

namespace testsupport {

SimulatedServer::SimulatedServer(tallysim::Config config) : m_thread(new QThread)
{
    m_thread->setObjectName(QStringLiteral("tallysim"));
    m_simulator = new tallysim::Simulator(std::move(config));
    m_simulator->moveToThread(m_thread);
    m_thread->start();
    bool listening = false;
    QMetaObject::invokeMethod(
        m_simulator, [this, &listening] { listening = m_simulator->listen(0); }, Qt::BlockingQueuedConnection);
    if (!listening)
        qFatal("The simulated Tally server could not listen on 127.0.0.1");
    m_port = m_simulator->port();
}

SimulatedServer::~SimulatedServer()
{
    // The simulator's sockets belong to its thread, so it must be destroyed there.
    QMetaObject::invokeMethod(
        m_simulator, [this] { delete m_simulator; }, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
}

QString SimulatedServer::url() const
{
    return QStringLiteral("http://127.0.0.1:") + QString::number(m_port);
}

void SimulatedServer::configureSettings() const
{
    platform::writeConfig(QString::fromLatin1(platform::settingServerAddress), QStringLiteral("127.0.0.1"));
    platform::writeConfig(QString::fromLatin1(platform::settingPortNo), QString::number(m_port));
}

QList<tallysim::RecordedRequest> SimulatedServer::requests() const
{
    return m_simulator->requests();
}

void SimulatedServer::clearRequests()
{
    m_simulator->clearRequests();
}

void SimulatedServer::setMode(tallysim::Mode mode, int delayMs)
{
    m_simulator->setMode(mode, delayMs);
}

void SimulatedServer::stop()
{
    QMetaObject::invokeMethod(
        m_simulator, [this] { m_simulator->stop(); }, Qt::BlockingQueuedConnection);
}

} // namespace testsupport
