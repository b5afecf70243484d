#pragma once

#include <QString>

#include <optional>

namespace platform {

// Message-box styles and answers keep the classic numbering (16 = critical icon with OK only, 6 = Yes ...),
// so a box is described by the same style number wherever it is raised.
namespace MsgBoxStyle {
inline constexpr int OkOnly = 0;
inline constexpr int OkCancel = 1;
inline constexpr int AbortRetryIgnore = 2;
inline constexpr int YesNoCancel = 3;
inline constexpr int YesNo = 4;
inline constexpr int RetryCancel = 5;
inline constexpr int Critical = 16;
inline constexpr int Question = 32;
inline constexpr int Exclamation = 48;
inline constexpr int Information = 64;
inline constexpr int DefaultButton2 = 256;
inline constexpr int DefaultButton3 = 512;
inline constexpr int ButtonMask = 7;
inline constexpr int IconMask = 112;
inline constexpr int DefaultMask = 768;
} // namespace MsgBoxStyle

namespace MsgBoxResult {
inline constexpr int Ok = 1;
inline constexpr int Cancel = 2;
inline constexpr int Abort = 3;
inline constexpr int Retry = 4;
inline constexpr int Ignore = 5;
inline constexpr int Yes = 6;
inline constexpr int No = 7;
} // namespace MsgBoxResult

// A modal message box. An absent title means the box shows the program's title.
struct MessageBoxRequest
{
    QString prompt;
    int style = MsgBoxStyle::OkOnly;
    std::optional<QString> title;
};

// A modal file-open dialog. The filter uses "Description|pattern|Description|pattern" pairs.
struct FileOpenRequest
{
    QString defaultExt;
    QString fileName;
    QString filter;
    int flags = 0;
};

// Every message box, question and file dialog of the program goes through one prompter, so that the
// widget version can show real modal dialogs and tests can answer from a script.
class Prompter
{
public:
    virtual ~Prompter() = default;

    // Shows the box and returns the answer as an MsgBoxResult value.
    virtual int message(const MessageBoxRequest &request) = 0;

    // Shows the dialog; returns the chosen file's path, or the request's own fileName when cancelled.
    virtual QString openFile(const FileOpenRequest &request) = 0;
};

// The answer a box gives when nobody can press anything: its default button.
int defaultAnswer(int style);

// The title a box shows: its own, or the program's title when it has none.
QString boxTitle(const MessageBoxRequest &request);

// The program's prompter. Until one is installed, boxes are answered with their default button.
Prompter &prompter();
void setPrompter(Prompter *prompter);

// Shorthand for prompter().message(...).
int msgBox(const QString &prompt, int style = MsgBoxStyle::OkOnly, std::optional<QString> title = std::nullopt);

} // namespace platform
