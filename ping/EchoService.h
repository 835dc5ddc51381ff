#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

// The ICMP echo service that TICMP talks to. Its shape follows what the
// client needs: a counted start-up and clean-up, binding the service, one
// handle per client, one echo per call. A process-wide seam lets tests put
// a fake in its place to reach every construction failure.

using EchoHandle = std::intptr_t;
inline constexpr EchoHandle InvalidEchoHandle = -1;

#pragma pack(push, 1)
struct IpOptionInformation {
    std::uint8_t Ttl = 0;
    std::uint8_t Tos = 0;
    std::uint8_t Flags = 0;
    std::uint8_t OptionsSize = 0;
    std::uint32_t OptionsData = 0;
};

struct IcmpEchoReply {
    std::uint32_t Address = 0;      // network byte order
    std::uint32_t Status = 0;
    std::uint32_t RoundTripTime = 0;
    std::uint16_t DataSize = 0;
    std::uint16_t Reserved = 0;
    std::uint32_t DataOffset = 0;   // from the start of the reply buffer
    IpOptionInformation Options;
};
#pragma pack(pop)
static_assert(sizeof(IpOptionInformation) == 8);
static_assert(sizeof(IcmpEchoReply) == 28);

using Ipv6Address = std::array<std::uint8_t, 16>;  // network byte order

// The reply record of an ICMPv6 echo; the echoed data follows it in the
// reply buffer.
struct Icmpv6EchoReply {
    Ipv6Address Address{};
    std::uint32_t Status = 0;
    std::uint32_t RoundTripTime = 0;
    std::uint16_t DataSize = 0;
    std::uint8_t HopLimit = 0;
    std::uint8_t TrafficClass = 0;
};

// Where an echo goes: an IPv4 or an IPv6 address.
struct IcmpDestination {
    bool v6 = false;
    std::uint32_t v4 = 0;           // network byte order
    Ipv6Address v6address{};
    std::uint32_t scope = 0;        // IPv6 interface index, 0 for none
};

// One echo that the service runs while its caller's event loop goes on.
// Destroying it gives the echo up: its completion is never called after.
class EchoInFlight {
public:
    virtual ~EchoInFlight() = default;
};

// The end of one echo: the number of reply records written (0 or 1) and
// the IP status code, 0 after a reply.
using EchoFinished = std::function<void(std::uint32_t count, std::uint32_t status)>;

// IP status codes of the echo service.
namespace IpStatus {
inline constexpr std::uint32_t Success = 0;
inline constexpr std::uint32_t BufTooSmall = 11001;
inline constexpr std::uint32_t DestNetUnreachable = 11002;
inline constexpr std::uint32_t DestHostUnreachable = 11003;
inline constexpr std::uint32_t DestProtUnreachable = 11004;
inline constexpr std::uint32_t DestPortUnreachable = 11005;
inline constexpr std::uint32_t NoResources = 11006;
inline constexpr std::uint32_t BadOption = 11007;
inline constexpr std::uint32_t PacketTooBig = 11009;
inline constexpr std::uint32_t RequestTimedOut = 11010;
inline constexpr std::uint32_t BadRequest = 11011;
inline constexpr std::uint32_t BadRoute = 11012;
inline constexpr std::uint32_t TtlExpiredTransit = 11013;
inline constexpr std::uint32_t TtlExpiredReassembly = 11014;
inline constexpr std::uint32_t ParameterProblem = 11015;
inline constexpr std::uint32_t SourceQuench = 11016;
inline constexpr std::uint32_t BadDestination = 11018;
inline constexpr std::uint32_t GeneralFailure = 11050;
}

class EchoService {
public:
    virtual ~EchoService() = default;

    // Counted: every successful or failed Startup is paired with one Cleanup.
    virtual int Startup(std::uint16_t version) = 0;
    virtual void Cleanup() = 0;

    virtual bool Load() = 0;
    virtual void Unload() = 0;
    virtual bool HasEntryPoints() = 0;

    virtual EchoHandle CreateFile() = 0;
    virtual void CloseHandle(EchoHandle handle) = 0;

    // Starts one echo and returns at once. finished runs later, once, from
    // the calling thread's event loop (never from inside StartEcho), unless
    // the returned echo is destroyed first. The request and reply buffers
    // must live as long as the returned echo; the reply record is an
    // IcmpEchoReply, or an Icmpv6EchoReply for an IPv6 destination, whose
    // TTL of the options is the hop limit.
    virtual std::unique_ptr<EchoInFlight> StartEcho(EchoHandle handle, const IcmpDestination& destination,
                                                    const void* request, std::uint16_t requestSize,
                                                    const IpOptionInformation* options, void* replyBuffer,
                                                    std::uint32_t replySize, std::uint32_t timeoutMs,
                                                    EchoFinished finished) = 0;

    // The service every new client binds to: the Linux one unless a test
    // has installed another.
    static EchoService& active();
    static EchoService* install(EchoService* service);
};
