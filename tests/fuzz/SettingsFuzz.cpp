#include "monitor/app/QuorvaneApplication.h"
#include "monitor/controls/FontSubstitutes.h"
#include "monitor/window/Unit1.h"
#include "tests/monitor/FakeDialogs.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

constexpr std::array<const char*, 18> Names{"interval", "payload",  "graphnumber", "showlast", "showdesc",
                                            "showaverage", "showlabel", "writelog", "thresh1",  "thresh2",
                                            "thresh3", "thresh4", "thresh5", "thresh6", "thresh7",
                                            "thresh8", "thresh9", "thresh10"};

// A value line that starts with this byte leaves its name out of the file.
constexpr char Missing = '\x01';

std::unique_ptr<QTemporaryDir> world;

}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QuorvaneApplication app(*argc, *argv);
    FontSubstitutes::install();
    // Every start writes its settings: run.sh points TMPDIR into memory.
    world = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/fuzz-settings-XXXXXX");
    QDir::setCurrent(world->path());
    return 0;
}

// Writes the input's lines as the values of the window's settings into a
// hand-made settings file, in the order of Names, and starts the window on
// it. Whatever the values, the start-up may refuse them, with a message,
// but never crash.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static int round = 0;
    // A folder of its own each time: QSettings keeps what it read of a file.
    const QString folder = QDir(world->path()).filePath(QString::number(round++));
    QDir().mkpath(folder + "/Halvetor");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);

    const QList<QByteArray> values =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)).split('\n');
    QByteArray contents = "[General]\n";
    for (std::size_t i = 0; i < Names.size() && i < static_cast<std::size_t>(values.size()); ++i) {
        const QByteArray& value = values[static_cast<qsizetype>(i)];
        if (!value.startsWith(Missing))
            contents += QByteArray(Names[i]) + '=' + value + '\n';
    }
    QFile file(folder + "/Halvetor/Quorvane.conf");
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
        std::abort();
    file.close();

    {
        FakeDialogs dialogs;
        TForm1::Options options;
        options.logicalDpi = 96;
        options.programFolder = folder;
        const TForm1 form(options);
        // A refusal is always told, and in words.
        if (!form.startupCompleted() && dialogs.errors.isEmpty())
            std::abort();
        for (const QString& message : dialogs.errors) {
            if (message.trimmed().isEmpty())
                std::abort();
        }
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QDir(folder).removeRecursively();
    return 0;
}
