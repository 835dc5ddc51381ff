#include "widgets/DesktopShell.h"

#include <gtest/gtest.h>

#include <ostream>
#include <stdexcept>

namespace {

TEST(DesktopShellOwn, ReportsARefusalAsFailureCodeZero)
{
    EXPECT_EQ(DesktopShell::Current().Open(QString(), [](int) {}), 0);
}

struct FailureCase {
    const char* name;
    const char* shownName;
    int result;
    const char* message;

    friend void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.name; }
};

class DesktopShellFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(DesktopShellFailure, NamesWhatFailedAndTheResult)
{
    EXPECT_EQ(DesktopShell::FailureMessage(QString::fromUtf8(GetParam().shownName), GetParam().result).toStdString(),
              GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, DesktopShellFailure,
    testing::Values(FailureCase{"HomePage", "http://www.example.org", 0,
                                "ShellExecute \"http://www.example.org\" Failed with Error: 0"},
                    FailureCase{"Empty", "", 2, "ShellExecute \"\" Failed with Error: 2"},
                    FailureCase{"PlaceholderInName", "50%2off %1", 31,
                                "ShellExecute \"50%2off %1\" Failed with Error: 31"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DesktopShellOpenOrRaise, RaisesTheMessageWhenTheShellRefuses)
{
    try {
        DesktopShell::OpenOrRaise(QString(), QStringLiteral("nowhere"));
        FAIL() << "no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "ShellExecute \"nowhere\" Failed with Error: 0");
    }
}

}
