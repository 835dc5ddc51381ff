#include "FakeNotificationService.h"
#include "FakeStatusNotifierWatcher.h"
#include "ProgramRun.h"
#include "ShowInTrayKeys.h"
#include "TestNet.h"
#include "XvfbDisplay.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <functional>
#include <optional>
#include <ostream>
#include <poll.h>
#include <set>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// A session bus that accepts every connection and reads what it is sent,
// but never says a word, or none after letting the client in, or that
// answers its first client (the program's own question) and hangs on the
// next (the D-Bus library's); one whose queue of connections is full, so
// that connecting waits; or a real bus, stopped once the program runs.
enum class Hang { Silent, AfterLettingIn, AfterTheFirstClient, AtConnect, StoppedLater };

class HungBus {
public:
    explicit HungBus(Hang hang)
        : m_hang(hang)
    {
        const QByteArray path = QFile::encodeName(m_folder.filePath("bus"));
        m_address = "unix:path=" + QString::fromUtf8(path);
        if (hang == Hang::StoppedLater) {
            m_daemon.start("dbus-daemon", {"--session", "--address=" + m_address, "--nofork", "--nopidfile"});
            EXPECT_TRUE(within(5000, [&] { return QFile::exists(m_folder.filePath("bus")); })) << "dbus-daemon";
            return;
        }
        m_listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un where{};
        where.sun_family = AF_UNIX;
        std::copy(path.begin(), path.end(), where.sun_path);
        EXPECT_EQ(bind(m_listener, reinterpret_cast<const sockaddr*>(&where), sizeof where), 0);
        EXPECT_EQ(listen(m_listener, hang == Hang::AtConnect ? 0 : 16), 0);
        if (hang == Hang::AtConnect) {
            for (;;) {
                const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
                m_fds.push_back({fd, 0, 0});
                if (connect(fd, reinterpret_cast<const sockaddr*>(&where), sizeof where) != 0)
                    break;
            }
            return;
        }
        m_thread = std::thread([this] { serve(); });
    }
    ~HungBus()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        for (const pollfd& p : m_fds) {
            if (p.fd >= 0)
                close(p.fd);
        }
        if (m_listener >= 0)
            close(m_listener);
        if (m_daemon.state() != QProcess::NotRunning) {
            ::kill(static_cast<pid_t>(m_daemon.processId()), SIGCONT);
            m_daemon.kill();
            m_daemon.waitForFinished(2000);
        }
    }
    QString address() const { return m_address; }
    QString folder() const { return m_folder.path(); }
    // A real bus stops answering anyone.
    void hang() { ::kill(static_cast<pid_t>(m_daemon.processId()), SIGSTOP); }

private:
    void serve()
    {
        m_fds.push_back({m_listener, POLLIN, 0});
        std::set<int> letIn;
        int clients = 0;
        int answered = -1;
        while (!m_stop) {
            if (poll(m_fds.data(), m_fds.size(), 50) <= 0)
                continue;
            for (std::size_t i = 0; i < m_fds.size(); ++i) {
                const int fd = m_fds[i].fd;
                if (!(m_fds[i].revents & POLLIN))
                    continue;
                if (fd == m_listener) {
                    m_fds.push_back({accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC), POLLIN, 0});
                    if (++clients == 1 && m_hang == Hang::AfterTheFirstClient)
                        answered = m_fds.back().fd;
                    continue;
                }
                char bytes[512];
                const ssize_t n = read(fd, bytes, sizeof bytes);
                if (n <= 0) {
                    close(fd);
                    letIn.erase(fd);
                    answered = fd == answered ? -1 : answered;
                    m_fds[i].fd = -1;
                } else if (m_hang != Hang::Silent && (letIn.insert(fd).second || fd == answered)) {
                    const char ok[] = "OK 0123456789abcdef0123456789abcdef\r\n";
                    EXPECT_EQ(write(fd, ok, sizeof ok - 1), static_cast<ssize_t>(sizeof ok - 1));
                }
            }
        }
    }

    QTemporaryDir m_folder;
    QProcess m_daemon;
    Hang m_hang;
    int m_listener = -1;
    QString m_address;
    std::vector<pollfd> m_fds;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

int recordsOf(const ProgramRun& program, const char* host)
{
    const QRegularExpression ofHost("^" + QRegularExpression::escape(host) + ",");
    return static_cast<int>(program.logRecords().filter(ofHost).size());
}

// How the program's environment names the bus: as it was bound, through a
// link to its folder, or by no address and a runtime folder spelt with a
// trailing slash. The kernel names a peer as it was bound, not as reached.
enum class Spelling { AsBound, ThroughLinkedFolder, RuntimeFolderWithSlash };

void nameBus(ProgramRun& program, const HungBus& bus, Spelling spelling, const QTemporaryDir& links)
{
    switch (spelling) {
    case Spelling::AsBound:
        program.setEnvironment("DBUS_SESSION_BUS_ADDRESS", bus.address());
        return;
    case Spelling::ThroughLinkedFolder:
        EXPECT_TRUE(QFile::link(bus.folder(), links.filePath("link")));
        program.setEnvironment("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + links.filePath("link") + "/bus");
        return;
    case Spelling::RuntimeFolderWithSlash:
        program.setEnvironment("DBUS_SESSION_BUS_ADDRESS", {});
        program.setEnvironment("XDG_RUNTIME_DIR", bus.folder() + "/");
        return;
    }
}

struct HungCase {
    const char* name;
    int signal;
    // How long the program runs before the signal: the bus is still being
    // asked at 3 s, and given up at 8 s.
    int runMs;
    Hang hang = Hang::Silent;
    // On an X display Qt's platform theme, tray and accessibility bridge
    // reach the bus too.
    bool onDisplay = false;
    Spelling spelling = Spelling::AsBound;
    // A panel's watcher on the bus, and Show in tray ticked off and on once
    // the bus hung.
    bool trayTicked = false;

    friend void PrintTo(const HungCase& c, std::ostream* out) { *out << c.name; }
};

class HungSessionBus : public testing::TestWithParam<HungCase> {};

// A host goes down at once and the bus never answers: the answering host
// is polled every second all the while, the bus is given up after 5 s with
// one line, and a quit signal ends the program within a second.
TEST_P(HungSessionBus, NeverHoldsThePollingNorTheQuit)
{
    const HungCase& c = GetParam();
    // Ends after the bus: it leaves no name on a bus that hangs.
    std::optional<FakeStatusNotifierWatcher> panel;
    HungBus bus(c.hang);
    if (c.trayTicked)
        panel.emplace(bus.address());
    ProgramRun program({testnet::Unrouted, testnet::FastName},
                       {"interval=1", "notify=yes", "notifyafter=1", "writelog=yes"});
    const QTemporaryDir links;
    nameBus(program, bus, c.spelling, links);
    std::optional<XvfbDisplay> screen;
    if (c.onDisplay) {
        screen.emplace();
        ASSERT_TRUE(screen->failure().isEmpty()) << screen->failure().toStdString();
        program.setEnvironment("QT_QPA_PLATFORM", {});
        program.setEnvironment("DISPLAY", screen->display());
    }
    program.keepErrors();
    program.start();
    QElapsedTimer running;
    running.start();
    constexpr int AnsweredForMs = 1500;
    if (c.hang == Hang::StoppedLater) {
        QThread::msleep(AnsweredForMs);
        bus.hang();
    }
    for (int tick = 0; c.trayTicked && tick < 2; ++tick)
        tickShowInTray(program.pid(), screen->display());
    QThread::msleep(static_cast<unsigned long>(std::max<qint64>(0, c.runMs - running.elapsed())));
    const int records = recordsOf(program, testnet::FastName);
    EXPECT_GE(records, c.runMs / 1000 - 2);
    QElapsedTimer quitting;
    quitting.start();
    EXPECT_EQ(program.stop(c.signal, 1000), 0);
    std::printf("[ figures  ] %s: %d records of the answering host in %d ms, ended in %lld ms\n", c.name, records,
                c.runMs, static_cast<long long>(quitting.elapsed()));
    if (c.runMs >= 8000 && c.hang != Hang::StoppedLater) {
        const QString told = program.errors().split('\n').filter("desktop notifications").join('\n');
        EXPECT_EQ(told.toStdString(), "quorvane: desktop notifications are unavailable: the session bus did not "
                                      "answer within 5 s");
    }
}

INSTANTIATE_TEST_SUITE_P(DesktopNotifications, HungSessionBus,
                         testing::Values(HungCase{"SigtermWhileTheBusIsAsked", SIGTERM, 3000},
                                         HungCase{"SigintWhileTheBusIsAsked", SIGINT, 3000},
                                         HungCase{"SigtermAfterFifteenSeconds", SIGTERM, 16000},
                                         HungCase{"SigtermWhenOnlyLetIn", SIGTERM, 8000, Hang::AfterLettingIn},
                                         HungCase{"SigtermWhenHungAfterAnswering", SIGTERM, 3000,
                                                  Hang::AfterTheFirstClient},
                                         HungCase{"OnDisplayHungAtConnect", SIGTERM, 8000, Hang::AtConnect, true},
                                         HungCase{"OnDisplayHungAtHello", SIGTERM, 5000, Hang::AfterLettingIn, true},
                                         HungCase{"OnDisplayHungAfterAnswering", SIGTERM, 5000,
                                                  Hang::AfterTheFirstClient, true},
                                         HungCase{"OnDisplayStoppedWhileInUse", SIGTERM, 8000, Hang::StoppedLater,
                                                  true},
                                         HungCase{"OnDisplayStoppedThenTrayTicked", SIGTERM, 10000,
                                                  Hang::StoppedLater, true, Spelling::AsBound, true},
                                         HungCase{"OnDisplayHungAfterAnsweringThroughALinkedFolder", SIGTERM, 5000,
                                                  Hang::AfterTheFirstClient, true, Spelling::ThroughLinkedFolder},
                                         HungCase{"OnDisplayHungAfterAnsweringInARuntimeFolderWithSlash", SIGTERM,
                                                  5000, Hang::AfterTheFirstClient, true,
                                                  Spelling::RuntimeFolderWithSlash}),
                         [](const auto& info) { return std::string(info.param.name); });

struct MarkupCase {
    const char* name;
    QStringList capabilities;
    bool escaped;

    friend void PrintTo(const MarkupCase& c, std::ostream* out) { *out << c.name; }
};

class MarkupInHostText : public testing::TestWithParam<MarkupCase> {};

// Markup typed in a host text and a description: the summary carries
// neither, the body carries both as typed (escaped for a service that
// reads markup), and at quit the "down" notice is withdrawn.
TEST_P(MarkupInHostText, IsShownAsTypedAndWithdrawnAtQuit)
{
    const MarkupCase& c = GetParam();
    FakeNotificationService service(c.capabilities);
    ASSERT_TRUE(service.failure().isEmpty()) << service.failure().toStdString();
    const QString host = "<b>x</b>";
    const QString description = "<i>d</i> & <img src=\"file:///etc/passwd\"/>";
    ProgramRun program({host + ";" + description}, {"interval=1", "notify=yes", "notifyafter=1"});
    program.start();
    ASSERT_TRUE(within(15000, [&] { return !service.notices().empty(); }));
    EXPECT_EQ(program.stop(SIGTERM), 0);

    const auto notices = service.notices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].summary.toStdString(), "1 host is down");
    const QString name = host + " (" + description + ")";
    EXPECT_TRUE(notices[0].body.startsWith((c.escaped ? name.toHtmlEscaped() : name) + " is down: 1 echo lost"))
        << notices[0].body.toStdString();
    EXPECT_EQ(service.closed(), std::vector<uint>{notices[0].id}) << "the down notice is withdrawn at quit";
}

INSTANTIATE_TEST_SUITE_P(DesktopNotifications, MarkupInHostText,
                         testing::Values(MarkupCase{"ServerReadsMarkup", {"body", "body-markup", "actions"}, true},
                                         MarkupCase{"ServerShowsPlainText", {"body", "actions"}, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// The wall clock is stepped back an hour just after a host's first lost
// echo, within the second that gathers changes: the "down" notice still
// comes at once.
TEST(DesktopNotifications, WallClockStepDelaysNoNotice)
{
    FakeNotificationService service({"body"});
    ASSERT_TRUE(service.failure().isEmpty()) << service.failure().toStdString();
    QTemporaryDir folder;
    const QString offsetFile = folder.filePath("offset");
    ProgramRun program({testnet::SilentName}, {"interval=1", "notify=yes", "notifyafter=1", "writelog=yes"});
    program.setEnvironment("LD_PRELOAD", QUORVANE_CLOCK_SHIM);
    program.setEnvironment("QV_CLOCK_OFFSET_FILE", offsetFile);
    // The sanitizer's runtime would otherwise insist on coming first.
    const QString sanitizer = qEnvironmentVariable("ASAN_OPTIONS");
    program.setEnvironment("ASAN_OPTIONS", sanitizer + (sanitizer.isEmpty() ? "" : ":") + "verify_asan_link_order=0");
    program.start();
    ASSERT_TRUE(within(15000, [&] { return recordsOf(program, testnet::SilentName) > 0; }));
    QFile offset(offsetFile);
    ASSERT_TRUE(offset.open(QIODevice::WriteOnly));
    offset.write("-3600\n");
    offset.close();
    ASSERT_TRUE(service.notices().empty()) << "the step came too late to test anything";
    EXPECT_TRUE(within(2000, [&] { return !service.notices().empty(); }));
    EXPECT_EQ(program.stop(SIGTERM), 0);
}

}
