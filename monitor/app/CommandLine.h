#pragma once

#include <QString>
#include <QStringList>

// The monitor's command line: its own options, Qt's options (handed on to
// the application object) and the host-list argument.
class CommandLine {
public:
    enum class Action { Run, Help, Version, Error };

    struct Parsed {
        Action action = Action::Run;
        QStringList hostArguments;   // positional, for the window
        QStringList qtArguments;     // Qt's options with their values
        QString error;               // one line, for Action::Error
    };

    // Arguments without the program name.
    static Parsed parse(const QStringList& arguments);

    // Qt's options without those that choose plugins or where to load them
    // from, for a run that started privileged.
    static QStringList withoutPluginOptions(const QStringList& qtArguments);

    static QString version();
    static QString help(const QString& settingsFile, const QString& logFolder);

    // Help, version and usage errors need no display: prints the answer to
    // anything but Action::Run and returns the exit status.
    static int answer(const Parsed& parsed, int argc, char* argv[]);
};
