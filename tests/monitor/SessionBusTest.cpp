#include "monitor/alerts/SessionBus.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

namespace {

// A bus of the test's own, at a path or at an abstract name.
class OwnBus {
public:
    explicit OwnBus(const QString& listen)
    {
        m_daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1", "--address=" + listen});
        if (m_daemon.waitForStarted(5000) && m_daemon.waitForReadyRead(5000))
            m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    ~OwnBus()
    {
        m_daemon.kill();
        m_daemon.waitForFinished(2000);
    }
    QString address() const { return m_address; }

private:
    QProcess m_daemon;
    QString m_address;
};

struct Case {
    const char* name;
    // {bus} stands for the running bus's address.
    const char* named;
    bool answered;
    const char* failure;

    friend void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }
};

class SessionBusAddress : public testing::TestWithParam<Case> {};

TEST_P(SessionBusAddress, IsReachedOnlyWhereABusAnswers)
{
    const Case& c = GetParam();
    QTemporaryDir folder;
    const bool abstract = QString(c.name).contains("Abstract");
    const OwnBus bus(abstract ? "unix:abstract=" + folder.filePath("bus") : "unix:path=" + folder.filePath("bus"));
    ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon did not start (package dbus-daemon)";
    const QByteArray savedAddress = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("DBUS_SESSION_BUS_ADDRESS", QString(c.named).replace("{bus}", bus.address()).toUtf8());
    qputenv("XDG_RUNTIME_DIR", folder.filePath("runtime").toUtf8());

    const SessionBus::Reached reached = SessionBus::reach(1000, [] { return false; });
    qputenv("DBUS_SESSION_BUS_ADDRESS", savedAddress);
    qputenv("XDG_RUNTIME_DIR", savedRuntime);
    EXPECT_EQ(reached.address.toStdString(), c.answered ? bus.address().toStdString() : "");
    EXPECT_EQ(reached.failure.toStdString(), c.failure);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, SessionBusAddress,
    testing::Values(Case{"Path", "{bus}", true, ""}, Case{"Abstract", "{bus}", true, ""},
                    Case{"DeadPathBeforeALiveOne", "unix:path=/nonexistent/bus;{bus}", true, ""},
                    Case{"Unset", "", false, "no session bus (DBUS_SESSION_BUS_ADDRESS is not set)"},
                    Case{"NoUnixSocket", "autolaunch:", false,
                         "the session bus address names no Unix socket: autolaunch:"},
                    Case{"Dead", "unix:path=/nonexistent/bus", false,
                         "the session bus cannot be reached at unix:path=/nonexistent/bus"}),
    [](const auto& info) { return std::string(info.param.name); });

}
