#include "app/frmexcel.h"
#include "app/modcommandl.h"
#include "app/pelkoapplication.h"
#include "app/widgetprompter.h"
#include "errors/errortrap.h"
#include "platform/prompter.h"

#include <QStringList>

int main(int argc, char *argv[])
{
    // The arguments are taken before the application object removes the options it knows.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    app::PelkoApplication application(argc, argv);
    app::WidgetPrompter prompter;
    platform::setPrompter(&prompter);
    app::setRawCommandLine(app::rawArgumentText(arguments));

    int status = 0;
    {
        app::frmExcel window;
        // Start-up: the window as the command line asks; reading the source, the server settings, the refresh
        // and the unattended run come after this step.
        errors::trap(QLatin1String(app::lastCatchLocation), [&] { window.prepareWindow(app::CommandLine::read()); });
        window.show();
        status = application.exec();
    }
    platform::setPrompter(nullptr);
    return status;
}
