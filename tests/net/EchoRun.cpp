#include "EchoRun.h"

#include "ping/PingThrd.h"
#include "ping/WorkerRegistry.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

std::vector<EchoCopy> runEchoes(const std::vector<EchoInput>& inputs, int waitMs)
{
    std::vector<EchoCopy> outcomes(inputs.size());
    std::size_t pending = inputs.size();
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        auto* worker = new TPingThread;
        RegisterWorker(worker);
        worker->OnTerminate = [&, i](QObject* sender) {
            const auto* w = qobject_cast<TPingThread*>(sender);
            EchoCopy& o = outcomes[i];
            o.done = true;
            o.elapsedMs = clock.elapsed();
            o.hostText = w->HostText;
            o.hostIP = w->HostIP;
            o.replyAddress = w->ReplyAddress;
            o.replyHostName = w->ReplyHostName;
            o.errorText = w->ErrorText;
            o.constructionError = w->ConstructionError;
            o.replyStatus = w->ReplyStatus;
            o.roundTripTime = w->RoundTripTime;
            o.errorNumber = w->ErrorNumber;
            o.replyDataSize = w->ReplyDataSize;
            o.replyCount = w->ReplyCount;
            if (--pending == 0)
                loop.quit();
        };
        worker->HostText = inputs[i].host;
        worker->PayloadSize = inputs[i].payloadSize;
        worker->TimeOut = inputs[i].timeOut;
        worker->Ttl = inputs[i].ttl;
        worker->ReverseLookup = inputs[i].reverseLookup;
        worker->Resume();
    }
    QTimer::singleShot(waitMs, &loop, &QEventLoop::quit);
    if (pending > 0)
        loop.exec();
    // Whatever did not finish in time must not call back into this frame.
    ReleaseAllWorkers();
    return outcomes;
}

EchoCopy runEcho(const EchoInput& input)
{
    return runEchoes({input}).front();
}

long icmpEchoesSent()
{
    std::ifstream snmp("/proc/net/snmp");
    std::string names;
    std::string values;
    while (std::getline(snmp, names) && std::getline(snmp, values)) {
        if (names.rfind("Icmp:", 0) != 0)
            continue;
        std::istringstream n(names);
        std::istringstream v(values);
        std::string name;
        std::string value;
        while (n >> name && v >> value) {
            if (name == "OutEchos")
                return std::stol(value);
        }
    }
    throw std::runtime_error("no Icmp OutEchos counter in /proc/net/snmp");
}

void setPingSocketsAllowed(bool allowed)
{
    std::ofstream range("/proc/sys/net/ipv4/ping_group_range");
    range << (allowed ? "0 2147483647" : "1 0");
    range.close();
    if (!range)
        throw std::runtime_error("cannot write net.ipv4.ping_group_range");
}

namespace {

// The flood's raw socket of each family (IPv4 first), opened early or on
// first use and kept.
int floodSocket(bool v6)
{
    static int sockets[2]{-1, -1};
    int& fd = sockets[v6];
    if (fd < 0)
        fd = socket(v6 ? AF_INET6 : AF_INET, SOCK_RAW | SOCK_CLOEXEC, v6 ? int(IPPROTO_ICMPV6) : int(IPPROTO_ICMP));
    return fd;
}

}

void PingFlood::openEarly()
{
    floodSocket(false);
    floodSocket(true);
}

PingFlood::PingFlood(const char* host)
{
    sockaddr_storage to{};
    socklen_t size = sizeof(sockaddr_in);
    auto& to4 = reinterpret_cast<sockaddr_in&>(to);
    auto& to6 = reinterpret_cast<sockaddr_in6&>(to);
    const bool v6 = inet_pton(AF_INET6, host, &to6.sin6_addr) == 1;
    if (v6) {
        to6.sin6_family = AF_INET6;
        size = sizeof to6;
    } else if (inet_pton(AF_INET, host, &to4.sin_addr) == 1) {
        to4.sin_family = AF_INET;
    } else {
        throw std::runtime_error(std::string("no address to flood: ") + host);
    }
    m_fd = floodSocket(v6);
    if (m_fd < 0)
        throw std::runtime_error("cannot open a raw ICMP socket for the flood");
    m_sender = std::thread([this, to, size, v6] {
        // An echo request with identifier 0x7E57 and no payload; the
        // sequence stays 0, so the checksum does too. The kernel sums ICMPv6.
        const std::uint8_t request[8]{std::uint8_t(v6 ? 128 : 8), 0, 0x81, 0xA8, 0x7E, 0x57, 0, 0};
        while (!m_stop) {
            for (int i = 0; i < 20; ++i)
                if (sendto(m_fd, request, sizeof request, 0, reinterpret_cast<const sockaddr*>(&to), size) > 0)
                    ++m_sent;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
}

PingFlood::~PingFlood()
{
    m_stop = true;
    m_sender.join();
}
