#pragma once

#include "ping/EchoReplyParser.h"
#include "ping/EchoService.h"

#include <cstdint>
#include <memory>
#include <span>

// One ICMP socket of the Linux echo service, and the exchange of one echo
// on it. Prefers the unprivileged datagram ("ping") socket and falls back to
// a raw socket where the kernel does not grant the former to our group.
class IcmpSocket {
public:
    enum class Kind { Datagram, Raw };

    static std::unique_ptr<IcmpSocket> open();
    ~IcmpSocket();
    IcmpSocket(const IcmpSocket&) = delete;
    IcmpSocket& operator=(const IcmpSocket&) = delete;

    Kind kind() const { return m_kind; }

    std::uint32_t echo(std::uint32_t destination, std::span<const std::uint8_t> payload,
                       const IpOptionInformation* options, void* replyBuffer,
                       std::uint32_t replySize, std::uint32_t timeoutMs, std::uint32_t& status);

private:
    IcmpSocket(int fd, Kind kind);

    std::uint32_t applyOptions(const IpOptionInformation* options);
    std::uint32_t send(std::uint32_t destination, std::span<const std::uint8_t> packet);
    std::optional<EchoAnswer> receiveOne(const EchoExpectation& expected, bool fromErrorQueue);
    std::optional<EchoAnswer> receiveRaw(const EchoExpectation& expected);
    std::optional<EchoAnswer> receiveDatagram(const EchoExpectation& expected);
    std::optional<EchoAnswer> receiveQueuedError(const EchoExpectation& expected);

    int m_fd;
    Kind m_kind;
    std::uint16_t m_identifier = 0;
};
