#pragma once

#include "platform/prompter.h"

class QWidget;

namespace app {

// Shows the program's message boxes and file dialogs as modal Qt dialogs.
class WidgetPrompter final : public platform::Prompter
{
public:
    int message(const platform::MessageBoxRequest &request) override;
    QString openFile(const platform::FileOpenRequest &request) override;
};

} // namespace app
