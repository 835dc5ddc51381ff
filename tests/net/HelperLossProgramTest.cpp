#include "EchoRun.h"
#include "HostLogs.h"
#include "ProgramRun.h"
#include "TestNet.h"

#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <csignal>
#include <functional>
#include <ostream>

namespace {

using testnet::requestsTo;

// The real program, without a display, where the ping sockets are closed:
// whatever befalls its helper or its settings, it goes on polling, and
// every record it writes says what happened.
struct TroubleCase {
    const char* name;
    QStringList settings;
    std::function<void(ProgramRun&)> beforeStart;
    // After the first reply; echoes must be answered again within 5 s.
    std::function<void(ProgramRun&)> afterFirstReply;
    bool polls;
    QString toldOnStandardError;
    QString neverTold;
    QString everyRecordHolds;
};

void PrintTo(const TroubleCase& c, std::ostream* out)
{
    *out << c.name;
}

QStringList replies(const ProgramRun& program)
{
    return program.logRecords().filter(" bytes, ");
}

class ProgramTrouble : public testing::TestWithParam<TroubleCase> {
protected:
    void SetUp() override { setPingSocketsAllowed(false); }
    void TearDown() override { setPingSocketsAllowed(true); }
};

TEST_P(ProgramTrouble, PollsOnAndTellsWhy)
{
    const TroubleCase& c = GetParam();
    ProgramRun program({QString(testnet::Echo) + ";fast;50"}, QStringList{"interval=1", "writelog=yes"} + c.settings);
    program.keepErrors();
    if (c.beforeStart)
        c.beforeStart(program);
    program.start();
    if (c.afterFirstReply) {
        ASSERT_TRUE(within(10000, [&] { return !replies(program).isEmpty(); })) << program.errors().toStdString();
        c.afterFirstReply(program);
    }
    const auto requests = requestsTo(testnet::Echo).size();
    const auto answered = replies(program).size();
    if (c.polls) {
        // A settings file that cannot be read leaves "Write log" off: the
        // responder counts what was sent.
        EXPECT_TRUE(within(5000, [&] {
            return requestsTo(testnet::Echo).size() >= requests + 2
                && (answered == 0 || replies(program).size() >= answered + 2);
        }));
    } else {
        EXPECT_TRUE(within(5000, [&] { return program.logRecords().size() >= 2; }));
        EXPECT_EQ(requestsTo(testnet::Echo).size(), requests);
    }
    EXPECT_EQ(program.stop(SIGTERM, 3000), 0);

    const QString errors = program.errors();
    EXPECT_TRUE(errors.contains(c.toldOnStandardError)) << errors.toStdString();
    if (!c.neverTold.isEmpty()) {
        EXPECT_FALSE(errors.contains(c.neverTold)) << errors.toStdString();
    }
    for (const QString& record : program.logRecords()) {
        EXPECT_FALSE(record.contains(", , , ")) << "a record without a reason: " << record.toStdString();
        EXPECT_TRUE(record.contains(c.everyRecordHolds)) << record.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ProgramTrouble,
    testing::Values(
        TroubleCase{"HelperMissing", {}, [](ProgramRun& p) { ASSERT_TRUE(QFile::remove(p.path("quorvane-icmp"))); }, {},
                    false,
                    "The ICMP helper is missing: there is none at", "setcap", "Unable to get ping handle"},
        TroubleCase{"HelperKilled", {}, {},
                    [](ProgramRun& p) { ASSERT_EQ(::kill(static_cast<pid_t>(helperOf(p.pid())), SIGKILL), 0); },
                    true, "", "setcap", ""},
        TroubleCase{"BadStoredValueWithoutDisplay", {"notifyafter=0"}, {}, {}, true,
                    "The setting \"notifyafter\"", "", ""},
        TroubleCase{"SettingsFileIsAFifo", {},
                    [](ProgramRun& p) {
                        const QString file = p.path("config/Halvetor/Quorvane.conf");
                        ASSERT_TRUE(QFile::remove(file));
                        ASSERT_EQ(mkfifo(QFile::encodeName(file).constData(), 0600), 0);
                    },
                    {}, true, "it is not a regular file", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

}
