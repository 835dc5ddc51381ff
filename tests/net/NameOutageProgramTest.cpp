#include "ProgramRun.h"
#include "TestNet.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QThread>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A name server that takes every question and never answers, as a dropped
// VPN or a firewall looks to the resolver: the client's resolv.conf names
// 127.0.0.1, where this socket listens and nobody reads.
class SilentNameServer {
public:
    SilentNameServer()
        : m_fd(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_port = htons(53);
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_bound = m_fd >= 0 && bind(m_fd, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0;
    }
    ~SilentNameServer() { close(m_fd); }
    bool bound() const { return m_bound; }

private:
    int m_fd;
    bool m_bound = false;
};

int statusField(qint64 pid, const char* field)
{
    QFile status(QString("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const auto match = QRegularExpression(QString("^%1:\\s+(\\d+)").arg(field), QRegularExpression::MultilineOption)
                           .match(QString::fromLatin1(status.readAll()));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

int openFiles(qint64 pid)
{
    return static_cast<int>(QDir(QString("/proc/%1/fd").arg(pid)).entryList(QDir::NoDotAndDotDot | QDir::System).size());
}

// Nine slots name hosts that the silent name server should know, one holds
// an address. However long the names take, and however often they fail,
// threads and descriptors stay bounded, no lookup holds up the event loop,
// the address keeps its record every second, and quitting is prompt.
TEST(NameOutageProgram, ThreadsAndFilesStayBoundedAndTheAddressKeepsPolling)
{
    SilentNameServer nameServer;
    ASSERT_TRUE(nameServer.bound());
    QStringList hosts;
    for (int i = 1; i <= 9; ++i)
        hosts << QString("host%1.outage.example;name %1").arg(i);
    hosts << QString(testnet::Fast) + ";address";
    ProgramRun program(hosts, {"interval=1", "writelog=yes"});
    // Each lookup then gives up after a second or two, and is asked again
    // and again while the test runs.
    program.setEnvironment("RES_OPTIONS", "timeout:1 attempts:1");
    program.start();

    int threads = 0;
    int files = 0;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 12500) {
        threads = std::max(threads, statusField(program.pid(), "Threads"));
        files = std::max(files, openFiles(program.pid()));
        QThread::msleep(250);
    }
    const QStringList answered = program.logRecords().filter(QRegularExpression("^" + QRegularExpression::escape(testnet::Fast) + ", 32 bytes"));
    QElapsedTimer quitting;
    quitting.start();
    EXPECT_EQ(program.stop(SIGTERM, 2000), 0);
    EXPECT_LT(quitting.elapsed(), 2000);
    EXPECT_GE(answered.size(), 10) << "the address waited behind the names";
    EXPECT_LE(threads, 10) << "a thread per waiting echo";
    EXPECT_LE(files, 64) << "descriptors per waiting echo";
    std::printf("[ figures  ] at most %d threads and %d descriptors; %lld records of the address in 12.5 s\n", threads,
                files, static_cast<long long>(answered.size()));
}

}
