#include "support/scriptedprompter.h"

namespace testsupport {

ScriptedPrompter::ScriptedPrompter() : m_previous(&platform::prompter())
{
    platform::setPrompter(this);
}

ScriptedPrompter::~ScriptedPrompter()
{
    platform::setPrompter(nullptr);
}

int ScriptedPrompter::message(const platform::MessageBoxRequest &request)
{
    m_boxes.append({request.prompt, request.style, platform::boxTitle(request), request.title.has_value()});
    return m_answers.isEmpty() ? platform::defaultAnswer(request.style) : m_answers.dequeue();
}

QString ScriptedPrompter::openFile(const platform::FileOpenRequest &request)
{
    m_fileDialogs.append(request);
    if (m_files.isEmpty())
        return request.fileName;
    const QString chosen = m_files.dequeue();
    return chosen.isEmpty() ? request.fileName : chosen;
}

void ScriptedPrompter::clear()
{
    m_answers.clear();
    m_files.clear();
    m_boxes.clear();
    m_fileDialogs.clear();
}

} // namespace testsupport
