#include "app/frmexcel.h"
#include "app/headlessprompter.h"
#include "app/modcommandl.h"
#include "app/pelkoapplication.h"
#include "app/startup.h"
#include "app/widgetprompter.h"
#include "platform/prompter.h"

#include <QStringList>

#include <cstdio>

int main(int argc, char *argv[])
{
    // The arguments are taken before the application object removes the options it knows.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    app::blankPasswordArgument(argc, argv);

    // Without a display an unattended run still works: the offscreen platform, and a prompter that writes the
    // boxes to standard error and answers them with their default buttons.
    const bool headless = app::chooseOffscreenWithoutDisplay();

    app::PelkoApplication application(argc, argv);
    app::WidgetPrompter widgetPrompter;
    app::HeadlessPrompter headlessPrompter;
    app::HeadlessDialogGuard dialogGuard;
    if (headless) {
        platform::setPrompter(&headlessPrompter);
        application.installEventFilter(&dialogGuard);
    } else {
        platform::setPrompter(&widgetPrompter);
    }
    app::setRawCommandLine(app::rawArgumentText(arguments));

    int status = app::ExitStatus::Success;
    {
        app::frmExcel window;
        const app::StartupResult startup = window.Form_Load(app::CommandLine::read());
        // A caller that asked for an unattended run learns in one line why nothing was posted.
        if (!startup.notPostedBecause.isEmpty())
            std::fputs(QByteArray("Pelko: " + startup.notPostedBecause.toLocal8Bit() + '\n').constData(), stderr);
        if (startup.autoRunStarted) {
            status = app::exitStatus(startup);
        } else if (headless) {
            if (!startup.autoRunAsked)
                std::fputs("Pelko: no display, and no unattended run was asked for; the window is not opened.\n",
                           stderr);
            status = app::ExitStatus::NotRun;
        } else {
            window.show();
            const int sessionStatus = application.exec();
            status = startup.autoRunAsked ? app::exitStatus(startup) : sessionStatus;
        }
    }
    application.removeEventFilter(&dialogGuard);
    platform::setPrompter(nullptr);
    return status;
}
