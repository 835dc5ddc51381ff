#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/ip_icmp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

// The yardstick for the monitor's work per echo: the least a Qt program does
// that pings the same hosts each second on a ping socket, is woken by a
// socket notifier, and appends one line per reply to a log file.
//
// Usage: quorvane-echo-floor LOG ADDRESS...   (IPv4 addresses)
namespace {

constexpr int Payload = 56;

struct Host {
    sockaddr_in address{};
    char text[INET_ADDRSTRLEN]{};
    timespec sent{};
};

timespec monotonicNow()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now;
}

}

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s LOG ADDRESS...\n", argv[0]);
        return 2;
    }
    const int log = ::open(argv[1], O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    const int icmp = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (log < 0 || icmp < 0) {
        std::perror("quorvane-echo-floor");
        return 1;
    }
    std::vector<Host> hosts(static_cast<std::size_t>(argc - 2));
    for (std::size_t i = 0; i < hosts.size(); ++i) {
        hosts[i].address.sin_family = AF_INET;
        if (inet_pton(AF_INET, argv[i + 2], &hosts[i].address.sin_addr) != 1) {
            std::fprintf(stderr, "quorvane-echo-floor: not an IPv4 address: %s\n", argv[i + 2]);
            return 2;
        }
        std::snprintf(hosts[i].text, sizeof hosts[i].text, "%s", argv[i + 2]);
    }

    std::uint16_t sequence = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        for (std::size_t i = 0; i < hosts.size(); ++i) {
            unsigned char packet[sizeof(icmphdr) + Payload]{};
            auto* header = reinterpret_cast<icmphdr*>(packet);
            header->type = ICMP_ECHO;
            // The sequence number's low byte names the host.
            header->un.echo.sequence = htons(static_cast<std::uint16_t>((++sequence << 8) | i));
            hosts[i].sent = monotonicNow();
            ::sendto(icmp, packet, sizeof packet, 0, reinterpret_cast<const sockaddr*>(&hosts[i].address),
                     sizeof hosts[i].address);
        }
    });
    QSocketNotifier readable(icmp, QSocketNotifier::Read);
    QObject::connect(&readable, &QSocketNotifier::activated, [&] {
        unsigned char packet[1500];
        ssize_t size;
        while ((size = ::recv(icmp, packet, sizeof packet, 0)) >= static_cast<ssize_t>(sizeof(icmphdr))) {
            const auto* header = reinterpret_cast<const icmphdr*>(packet);
            const std::size_t i = ntohs(header->un.echo.sequence) & 0xff;
            if (header->type != ICMP_ECHOREPLY || i >= hosts.size())
                continue;
            const timespec now = monotonicNow();
            const long ms = (now.tv_sec - hosts[i].sent.tv_sec) * 1000 + (now.tv_nsec - hosts[i].sent.tv_nsec) / 1000000;
            const std::time_t wall = std::time(nullptr);
            std::tm parts{};
            localtime_r(&wall, &parts);
            char line[128];
            const int length = std::snprintf(line, sizeof line, "%s, %zd bytes, %ldms, %04d.%02d.%02d %02d:%02d:%02d\r\n",
                                             hosts[i].text, size - static_cast<ssize_t>(sizeof(icmphdr)), ms,
                                             parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
                                             parts.tm_min, parts.tm_sec);
            if (::write(log, line, static_cast<std::size_t>(length)) != length)
                std::perror("quorvane-echo-floor");
        }
    });
    tick.start(1000);
    return application.exec();
}
