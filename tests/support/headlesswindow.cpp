#include "support/headlesswindow.h"

#include "errors/errortrap.h"
#include "platform/prompter.h"
#include "platform/system.h"
#include "sources/importchoice.h"
#include "sources/statusline.h"

namespace testsupport {

HeadlessWindow::HeadlessWindow()
{
    for (const char *key : {"msg", "stat", "Date", "Time"})
        m_panels.insert(QString::fromLatin1(key), QString());
}

HeadlessWindow::~HeadlessWindow() = default;

void HeadlessWindow::stat(const QString &msg, const QString &panel)
{
    if (m_recordsStatCalls)
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
    platform::yieldToEventLoop();
}

void HeadlessWindow::setImportTypeText(const QString &text)
{
    m_importTypeText = text;
    m_selectedEntry = -1;
}

QStringList HeadlessWindow::importTypeEntries() const
{
    QStringList texts;
    for (const ListEntry &entry : m_entries)
        texts.append(entry.text);
    return texts;
}

void HeadlessWindow::clearImportTypes()
{
    m_entries.clear();
    m_selectedEntry = -1;
    m_importTypeText.clear();
}

void HeadlessWindow::addImportType(const QString &entry, const QString &sourceFile)
{
    m_entries.append({entry, sourceFile});
}

bool HeadlessWindow::selectImportType(const QString &text)
{
    for (int i = 0; i < m_entries.size(); ++i) {
        if (m_entries.at(i).text.compare(text, Qt::CaseInsensitive) == 0) {
            chooseImportTypeAt(i);
            return true;
        }
    }
    return false;
}

void HeadlessWindow::chooseImportTypeAt(int index)
{
    m_selectedEntry = index;
    m_importTypeText = m_entries.at(index).text;
    ++m_choiceCount;
    sources::cmbTableName_Click(*this);
}

QString HeadlessWindow::importTypeSourceFile() const
{
    return m_selectedEntry >= 0 ? m_entries.at(m_selectedEntry).sourceFile : QString();
}

} // namespace testsupport
