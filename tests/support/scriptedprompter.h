#pragma once

#include "platform/prompter.h"

#include <QList>
#include <QQueue>
#include <QString>

namespace testsupport {

// Answers message boxes and file dialogs from a script and records what was asked. With the script used up,
// a box gets its default button and a file dialog is cancelled.
class ScriptedPrompter final : public platform::Prompter
{
public:
    struct Box
    {
        QString prompt;
        int style = 0;
        QString title; // as shown: the program's title when the box has none of its own
        bool hasOwnTitle = false;
    };

    ScriptedPrompter();
    ~ScriptedPrompter() override;
    Q_DISABLE_COPY_MOVE(ScriptedPrompter)

    void answerNext(int answer) { m_answers.enqueue(answer); }
    void chooseFile(const QString &path) { m_files.enqueue(path); }
    void cancelFileDialog() { m_files.enqueue(QString()); }

    int message(const platform::MessageBoxRequest &request) override;
    QString openFile(const platform::FileOpenRequest &request) override;

    const QList<Box> &boxes() const { return m_boxes; }
    const QList<platform::FileOpenRequest> &fileDialogs() const { return m_fileDialogs; }
    void clear();

private:
    QQueue<int> m_answers;
    QQueue<QString> m_files;
    QList<Box> m_boxes;
    QList<platform::FileOpenRequest> m_fileDialogs;
    platform::Prompter *m_previous = nullptr;
};

} // namespace testsupport
