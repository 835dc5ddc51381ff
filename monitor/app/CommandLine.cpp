#include "monitor/app/CommandLine.h"

#include "monitor/files/InstallLayout.h"
#include "monitor/files/SettingsStore.h"

#include "common/ProductIdentity.h"

#include <QCoreApplication>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string_view>

namespace {

struct QtOption {
    std::string_view name;
    bool takesValue;
};

// What QApplication and QGuiApplication take from the command line.
constexpr std::array<QtOption, 18> QtOptions{{
    {"platform", true},     {"platformpluginpath", true}, {"platformtheme", true}, {"plugin", true},
    {"qwindowgeometry", true}, {"qwindowicon", true},     {"qwindowtitle", true},  {"session", true},
    {"display", true},      {"geometry", true},           {"style", true},         {"stylesheet", true},
    {"reverse", false},     {"widgetcount", false},       {"nograb", false},       {"dograb", false},
    {"sync", false},        {"qmljsdebugger", true},
}};

// Qt accepts its options with one dash or two, and a value either as the
// next argument or after "=".
const QtOption* qtOption(const QString& argument)
{
    QString name = argument.mid(argument.startsWith("--") ? 2 : 1);
    name = name.left(name.indexOf('='));
    const std::string key = name.toStdString();
    const auto* found = std::find_if(QtOptions.begin(), QtOptions.end(),
                                     [&key](const QtOption& o) { return o.name == key; });
    return found == QtOptions.end() ? nullptr : found;
}

CommandLine::Parsed failure(const QString& message)
{
    CommandLine::Parsed parsed;
    parsed.action = CommandLine::Action::Error;
    parsed.error = "quorvane: " + message + " (try 'quorvane --help')";
    return parsed;
}

}

CommandLine::Parsed CommandLine::parse(const QStringList& arguments)
{
    Parsed parsed;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (optionsEnded || argument == "-" || !argument.startsWith('-')) {
            parsed.hostArguments << argument;
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "-h" || argument == "--help") {
            parsed.action = Action::Help;
        } else if (argument == "-V" || argument == "--version") {
            if (parsed.action != Action::Help)
                parsed.action = Action::Version;
        } else if (const QtOption* option = qtOption(argument)) {
            parsed.qtArguments << argument;
            if (option->takesValue && !argument.contains('=')) {
                if (++i == arguments.size())
                    return failure("option '" + argument + "' needs a value");
                parsed.qtArguments << arguments[i];
            }
        } else {
            return failure("unknown option '" + argument + "'");
        }
    }
    return parsed;
}

QStringList CommandLine::withoutPluginOptions(const QStringList& qtArguments)
{
    static const std::array<std::string_view, 4> Plugins{"platformpluginpath", "plugin", "style", "platformtheme"};
    QStringList kept;
    for (qsizetype i = 0; i < qtArguments.size(); ++i) {
        const QtOption* option = qtOption(qtArguments[i]);
        const bool separateValue = option && option->takesValue && !qtArguments[i].contains('=');
        if (option && std::ranges::find(Plugins, option->name) != Plugins.end()) {
            i += separateValue ? 1 : 0;
            continue;
        }
        kept << qtArguments[i];
        if (separateValue && ++i < qtArguments.size())
            kept << qtArguments[i];
    }
    return kept;
}

QString CommandLine::version()
{
    return QString("quorvane (%1) %2\nLicense: %3\n").arg(ProductIdentity::DisplayName, ProductIdentity::Version, ProductIdentity::License);
}

QString CommandLine::help(const QString& settingsFile, const QString& logFolder)
{
    return QString("Usage: quorvane [OPTION]... [HOST-LIST]\n"
                   "Graph the round-trip times of up to ten hosts.\n"
                   "\n"
                   "With HOST-LIST, the monitor loads that host list and starts polling at\n"
                   "once; without it, it reads hosts.txt from the current folder and waits\n"
                   "for Start. A host list has one line per host, at most ten:\n"
                   "  host[;description[;threshold in ms]]\n"
                   "\n"
                   "  -h, --help     show this help and exit\n"
                   "  -V, --version  show the version and exit\n"
                   "Qt's own options (-platform, -style, ...) are passed on to Qt.\n"
                   "\n"
                   "Settings are kept in %1\n"
                   "Log files (Options > Write log) are written to %2\n")
        .arg(settingsFile, logFolder);
}

int CommandLine::answer(const Parsed& parsed, int argc, char* argv[])
{
    if (parsed.action == Action::Error) {
        std::fprintf(stderr, "%s\n", qPrintable(parsed.error));
        return 2;
    }
    const QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(ProductIdentity::Application);
    QCoreApplication::setOrganizationName(ProductIdentity::Organisation);
    const QString text = parsed.action == Action::Version
        ? version()
        : help(SettingsStore::location(), InstallLayout::logFolder(QCoreApplication::applicationDirPath()));
    std::fputs(qPrintable(text), stdout);
    return 0;
}
