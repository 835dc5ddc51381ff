#include "monitor/Quorvane.h"

#include "monitor/About.h"
#include "monitor/FontSubstitutes.h"
#include "monitor/QuitSignals.h"
#include "monitor/QuorvaneApplication.h"
#include "monitor/Unit1.h"

#include "ping/WorkerRegistry.h"
#include "widgets/ABOUT1.h"

#include <QApplication>

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

}

int Quorvane::run(int argc, char* argv[])
{
    chooseOffscreenWithoutDisplay();
    QuorvaneApplication app(argc, argv);
    QuorvaneApplication::nameApplication();
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
    options.arguments = QApplication::arguments().mid(1);
    TForm1 form(options);
    TAboutBox changeHost(&form);
    TAboutBox1 about(&form);
    changeHost.setAcceptHandler([&form](const QString& slot, const QString& host, const QString& description) {
        form.applyHostChange(slot, host, description);
    });
    form.setDialogs(&changeHost, &about);
    // Ends every worker before the window that their callbacks reach goes.
    const WorkerShutdown shutdown;

    QObject::disconnect(duringStartup);
    QObject::connect(&quitSignals, &QuitSignals::quitRequested, &form, [&form] { form.Button1Click(); });
    if (quitDuringStartup)
        return 0;

    form.show();
    return QApplication::exec();
}
