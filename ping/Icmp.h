#pragma once

#include "ping/EchoService.h"
#include "ping/names/Resolver.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

// Raised only by TICMP's construction, with one of four fixed messages.
class TICMPException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One ICMP echo exchange with one host: resolves the host text, sends
// one request with the configured payload size, time-out, TTL and flags, and
// keeps the first reply record and the service's status.
class TICMP {
public:
    TICMP();
    ~TICMP();
    TICMP(const TICMP&) = delete;
    TICMP& operator=(const TICMP&) = delete;

    void SetHostAddress(const QString& text);
    void ResolveHost();
    // Resolves an address text without asking anyone: true when the host
    // text is settled, false when it is a name to be looked up, whose
    // answer UseLookup then takes.
    bool ResolveLiteral();
    void UseLookup(const std::optional<Resolver::NameEntry>& entry, std::uint32_t error);
    Resolver::Families LookupFamilies() const;

    // Starts one echo to the host as ResolveLiteral or UseLookup settled it
    // and returns at once; finished gets the reply count from the event
    // loop, never from inside this call. The client must outlive the echo;
    // destroying it gives the echo up.
    void StartEcho(std::function<void(std::int32_t count)> finished);
    // Resolves the host if needed, then the same, waiting for the outcome
    // in a local event loop. The programs never wait: this is the client's
    // published call, kept whole though only StartEcho is used.
    std::int32_t SendEcho();
    QString StatusText() const;
    static QString StatusText(std::uint32_t status);

    IcmpEchoReply LastReply{};
    Icmpv6EchoReply LastReply6{};   // instead of LastReply when the target is IPv6
    QString HostAddress;
    QString HostName;
    QString HostIP;
    std::uint32_t TargetAddr = 0;
    // An IPv6 literal, or a name without an IPv4 address, is an IPv6 target.
    bool TargetIsIpv6 = false;
    Ipv6Address TargetAddr6{};
    std::uint32_t TargetScope6 = 0;  // the interface of a scoped literal ("fe80::1%eth0")
    // 0 lets the host text decide; 4 or 6 takes only that family's addresses.
    std::int32_t AddressFamily = 0;
    std::int32_t PayloadSize = 56;
    std::int32_t TimeOut = 4000;
    std::int32_t Ttl = 64;
    std::int32_t IpFlags = 0;
    std::function<void(TICMP* sender, const QString& text)> OnNotice;
    std::function<void(TICMP* sender)> OnBeforeSend;
    std::function<void(TICMP* sender, std::int32_t count)> OnAfterSend;
    std::uint32_t LastError = 0;
    bool Resolved = false;

    // The fixed text every request carries, cut or padded to the payload size.
    static constexpr char RequestText[] = "Echo request sent by the host monitor; filler";

private:
    void releaseService();
    void notice(const QString& text);
    void settleTarget();

    EchoService& m_service;
    bool m_libraryLoaded = false;
    EchoHandle m_handle = InvalidEchoHandle;
    std::vector<std::uint8_t> m_request;
    std::vector<std::uint8_t> m_reply;
    std::unique_ptr<EchoInFlight> m_echo;
};
