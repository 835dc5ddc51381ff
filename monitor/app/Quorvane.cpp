#include "monitor/app/Quorvane.h"

#include "monitor/alerts/QtSessionBus.h"
#include "monitor/app/CommandLine.h"
#include "monitor/app/QtArguments.h"
#include "monitor/app/QuitSignals.h"
#include "monitor/app/QuorvaneApplication.h"
#include "monitor/controls/About.h"
#include "monitor/controls/FontSubstitutes.h"
#include "monitor/files/InstallLayout.h"
#include "monitor/window/Unit1.h"

#include "common/ProductIdentity.h"
#include "ping/WorkerRegistry.h"
#include "ping/start/OpenFileLimit.h"
#include "ping/start/Privileges.h"
#include "widgets/ABOUT1.h"

#include <QApplication>
#include <QDir>

#include <cstdio>
#include <cstdlib>

namespace {

// Without a display the monitor still polls and writes its log file.
void chooseOffscreenWithoutDisplay()
{
    if (std::getenv("QT_QPA_PLATFORM") || std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY"))
        return;
    std::fprintf(stderr, "quorvane: no display found; running without a window (offscreen)\n");
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

// A privileged start loads no plugin the user names, whatever the way.
QStringList qtOptionsToHonour(const QStringList& qtArguments)
{
    if (!Privileges::droppedAtStart())
        return qtArguments;
    const QStringList kept = CommandLine::withoutPluginOptions(qtArguments);
    if (kept != qtArguments)
        std::fprintf(stderr, "quorvane: started with raised privileges; Qt's plugin options are ignored\n");
    return kept;
}

}

int Quorvane::run(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine::Parsed command = CommandLine::parse(arguments);
    if (command.action != CommandLine::Action::Run)
        return CommandLine::answer(command, argc, argv);

    chooseOffscreenWithoutDisplay();
    raiseOpenFileLimit();
    QtArguments qtArguments(argv[0], qtOptionsToHonour(command.qtArguments));
    QtSessionBus::decide();
    QuorvaneApplication app(qtArguments.count, qtArguments.values());
    QtSessionBus::settle();
    QuorvaneApplication::nameApplication();
    QApplication::setDesktopFileName(ProductIdentity::ApplicationId);
    FontSubstitutes::install();

    // Installed before the start-up, which may wait in a message box: a
    // request to quit then ends the program as at any other time.
    QuitSignals quitSignals;
    bool quitDuringStartup = false;
    const auto duringStartup = QObject::connect(&quitSignals, &QuitSignals::quitRequested, &app, [&quitDuringStartup] {
        quitDuringStartup = true;
        QApplication::exit(0);
    });

    TForm1::Options options;
    options.arguments = command.hostArguments;
    options.programFolder = InstallLayout::logFolder(QApplication::applicationDirPath());
    QDir().mkpath(options.programFolder);
    TForm1 form(options);
    form.describeLogFolder();
    // Made at their first showing, kept by the window for the run.
    TAboutBox* changeHost = nullptr;
    TAboutBox1* about = nullptr;
    form.setDialogs(
        [&form, &changeHost] {
            if (!changeHost) {
                changeHost = new TAboutBox(&form);
                changeHost->setAcceptHandler([&form](const QString& slot, const QString& host,
                                                     const QString& description) {
                    form.applyHostChange(slot, host, description);
                });
            }
            return changeHost;
        },
        [&form, &about] {
            if (!about)
                about = new TAboutBox1(&form);
            return about;
        });
    // Ends every worker before the window that their callbacks reach goes.
    const WorkerShutdown shutdown;

    QObject::disconnect(duringStartup);
    QObject::connect(&quitSignals, &QuitSignals::quitRequested, &form, [&form] { form.Button1Click(); });
    if (quitDuringStartup)
        return 0;

    form.show();
    return QApplication::exec();
}
