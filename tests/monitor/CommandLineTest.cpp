#include "monitor/app/CommandLine.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

using Action = CommandLine::Action;

struct CommandCase {
    const char* name;
    QStringList arguments;
    Action action;
    QStringList hostArguments;
    QStringList qtArguments;
    QString error;
};

void PrintTo(const CommandCase& c, std::ostream* out)
{
    *out << c.name;
}

class CommandLineArguments : public testing::TestWithParam<CommandCase> {};

TEST_P(CommandLineArguments, SortsOwnOptionsQtOptionsAndTheHostList)
{
    const CommandCase& c = GetParam();
    const CommandLine::Parsed parsed = CommandLine::parse(c.arguments);
    EXPECT_EQ(parsed.action, c.action);
    EXPECT_EQ(parsed.hostArguments, c.hostArguments);
    EXPECT_EQ(parsed.qtArguments, c.qtArguments);
    EXPECT_EQ(parsed.error, c.error);
}

const QString unknownDashX = "quorvane: unknown option '-x' (try 'quorvane --help')";

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLineArguments,
    testing::Values(
        CommandCase{"Nothing", {}, Action::Run, {}, {}, {}},
        CommandCase{"HostList", {"hosts.txt"}, Action::Run, {"hosts.txt"}, {}, {}},
        CommandCase{"HostListWithPath", {"/tmp/a b/h.txt"}, Action::Run, {"/tmp/a b/h.txt"}, {}, {}},
        CommandCase{"Help", {"--help"}, Action::Help, {}, {}, {}},
        CommandCase{"ShortHelp", {"hosts.txt", "-h"}, Action::Help, {"hosts.txt"}, {}, {}},
        CommandCase{"Version", {"--version"}, Action::Version, {}, {}, {}},
        CommandCase{"HelpBeatsVersion", {"-V", "--help"}, Action::Help, {}, {}, {}},
        CommandCase{"Unknown", {"-x", "hosts.txt"}, Action::Error, {}, {}, unknownDashX},
        CommandCase{"UnknownLong", {"--hosts=a"}, Action::Error, {}, {},
                    "quorvane: unknown option '--hosts=a' (try 'quorvane --help')"},
        CommandCase{"QtOptionWithValue", {"-platform", "offscreen", "h.txt"}, Action::Run, {"h.txt"},
                    {"-platform", "offscreen"}, {}},
        CommandCase{"QtOptionTwoDashesAndEquals", {"--style=fusion", "-reverse"}, Action::Run, {},
                    {"--style=fusion", "-reverse"}, {}},
        CommandCase{"QtOptionWithoutValue", {"-style"}, Action::Error, {}, {},
                    "quorvane: option '-style' needs a value (try 'quorvane --help')"},
        CommandCase{"DashedHostListAfterDoubleDash", {"--", "-x.txt", "--help"}, Action::Run, {"-x.txt", "--help"},
                    {}, {}},
        CommandCase{"LoneDashIsAHostList", {"-"}, Action::Run, {"-"}, {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

struct PluginOptionsCase {
    const char* name;
    QStringList qtArguments;
    QStringList kept;
};

class PrivilegedRunQtOptions : public testing::TestWithParam<PluginOptionsCase> {};

TEST_P(PrivilegedRunQtOptions, LeaveOutThoseThatChoosePlugins)
{
    EXPECT_EQ(CommandLine::withoutPluginOptions(GetParam().qtArguments), GetParam().kept);
}

INSTANTIATE_TEST_SUITE_P(
    Options, PrivilegedRunQtOptions,
    testing::Values(
        PluginOptionsCase{"PluginPathWithItsValue", {"-platformpluginpath", "/tmp/p", "-platform", "offscreen"},
                          {"-platform", "offscreen"}},
        PluginOptionsCase{"StyleWithEquals", {"--style=mine", "-reverse"}, {"-reverse"}},
        PluginOptionsCase{"PluginAndTheme", {"-plugin", "evdevmouse", "-platformtheme", "gtk3", "-stylesheet", "a.qss"},
                          {"-stylesheet", "a.qss"}}),
    [](const auto& info) { return std::string(info.param.name); });

}
