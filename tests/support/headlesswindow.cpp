#include "support/headlesswindow.h"

#include "errors/errortrap.h"
#include "platform/prompter.h"
#include "sources/statusline.h"

#include <QCoreApplication>

namespace testsupport {

HeadlessWindow::HeadlessWindow()
{
    for (const char *key : {"msg", "stat", "Date", "Time"})
        m_panels.insert(QString::fromLatin1(key), QString());
}

HeadlessWindow::~HeadlessWindow() = default;

void HeadlessWindow::stat(const QString &msg, const QString &panel)
{
    m_statCalls.append({msg, panel});
    errors::trap(QStringLiteral("F01-0040"), [&] {
        const auto found = m_panels.find(panel);
        if (found == m_panels.end())
            errors::raise(errors::ErrNo::SubscriptOutOfRange, QStringLiteral("Element not found"));
        *found = sources::statusLineText(msg);
    });
}

platform::Prompter &HeadlessWindow::prompter()
{
    return m_prompter ? *m_prompter : platform::prompter();
}

void HeadlessWindow::yieldToEvents()
{
    ++m_yieldCount;
    QCoreApplication::processEvents();
}

} // namespace testsupport
