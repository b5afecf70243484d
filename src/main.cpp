#include "app/widgetprompter.h"
#include "errors/errortrap.h"
#include "platform/prompter.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    app::WidgetPrompter prompter;
    platform::setPrompter(&prompter);
    int status = 0;
    errors::trap(QStringLiteral("F01-0000"), [&] { status = 0; });
    platform::setPrompter(nullptr);
    return status;
}
