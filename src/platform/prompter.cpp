#include "platform/prompter.h"

#include "platform/version.h"

namespace platform {

namespace {

class DefaultAnswerPrompter final : public Prompter
{
public:
    int message(const MessageBoxRequest &request) override { return defaultAnswer(request.style); }
    QString openFile(const FileOpenRequest &request) override { return request.fileName; }
};

DefaultAnswerPrompter fallbackPrompter;
Prompter *installedPrompter = nullptr;

} // namespace

int defaultAnswer(int style)
{
    using namespace MsgBoxStyle;
    static constexpr int answers[][3] = {
        {MsgBoxResult::Ok, MsgBoxResult::Ok, MsgBoxResult::Ok},
        {MsgBoxResult::Ok, MsgBoxResult::Cancel, MsgBoxResult::Ok},
        {MsgBoxResult::Abort, MsgBoxResult::Retry, MsgBoxResult::Ignore},
        {MsgBoxResult::Yes, MsgBoxResult::No, MsgBoxResult::Cancel},
        {MsgBoxResult::Yes, MsgBoxResult::No, MsgBoxResult::Yes},
        {MsgBoxResult::Retry, MsgBoxResult::Cancel, MsgBoxResult::Retry},
    };
    const int buttons = style & ButtonMask;
    if (buttons >= int(std::size(answers)))
        return MsgBoxResult::Ok;
    const int which = (style & DefaultMask) == DefaultButton3 ? 2 : (style & DefaultMask) == DefaultButton2 ? 1 : 0;
    return answers[buttons][which];
}

QString boxTitle(const MessageBoxRequest &request)
{
    return request.title ? *request.title : QString::fromLatin1(programTitle);
}

Prompter &prompter()
{
    return installedPrompter ? *installedPrompter : fallbackPrompter;
}

void setPrompter(Prompter *prompter)
{
    installedPrompter = prompter;
}

int msgBox(const QString &prompt, int style, std::optional<QString> title)
{
    return prompter().message({prompt, style, std::move(title)});
}

} // namespace platform
