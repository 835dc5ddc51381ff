#pragma once

// Addresses and names of the throwaway network that with-testnet.sh builds.
// with-testnet.sh and the test responder must agree with these values.

#include "ResponderLog.h"

#include <chrono>

namespace testnet {

inline constexpr const char *ClientAddr = "198.18.0.2";
inline constexpr const char *Router = "198.18.0.1";

// Answered by the kernel of a host behind the router.
inline constexpr const char *Fast = "198.18.1.2";
inline constexpr const char *FastName = "fast.test";

// Rejects echoes by rule: "port unreachable" from its own address.
inline constexpr const char *Rejecting = "198.18.1.3";

// Answered by quorvane-test-responder, one behaviour per address.
inline constexpr const char *Echo = "198.18.2.20";
inline constexpr const char *EchoName = "echo.test";

inline constexpr const char *Delayed = "198.18.2.10";
inline constexpr const char *DelayedName = "slow.test";
inline constexpr std::chrono::milliseconds DelayedBy{37};
// Two more hosts like it, so that a run can mix slow hosts with fast ones.
inline constexpr const char *DelayedToo[] = {"198.18.2.25", "198.18.2.26"};

inline constexpr const char *Delayed200 = "198.18.2.21";
inline constexpr const char *Delayed200Name = "slow200.test";
inline constexpr std::chrono::milliseconds Delayed200By{200};

inline constexpr const char *Silent = "198.18.2.11";
inline constexpr const char *SilentName = "silent.test";

// Requests to OtherAddr are answered from OtherReplyAddr.
inline constexpr const char *OtherAddr = "198.18.2.12";
inline constexpr const char *OtherName = "other.test";
inline constexpr const char *OtherReplyAddr = "198.18.2.13";

// Replies carry the bitwise complement of the request's identifier.
inline constexpr const char *WrongId = "198.18.2.14";
inline constexpr const char *WrongIdName = "wrongid.test";

// Replies carry the request's sequence number with its top bit flipped.
inline constexpr const char *WrongSeq = "198.18.2.15";
inline constexpr const char *WrongSeqName = "wrongseq.test";

// Replies lack the last payload byte but have a valid checksum; requests
// without payload get no reply at all.
inline constexpr const char *Truncated = "198.18.2.16";
inline constexpr const char *TruncatedName = "trunc.test";

inline constexpr const char *Duplicated = "198.18.2.17";
inline constexpr const char *DuplicatedName = "dup.test";

// Each request first draws a burst of look-alike packets (wrong identifier,
// wrong sequence, truncated, bad checksum, last payload byte changed, an echo
// request), then after MixedReplyAfter the correct reply and a duplicate.
inline constexpr const char *Mixed = "198.18.2.18";
inline constexpr const char *MixedName = "mixed.test";
inline constexpr std::chrono::milliseconds MixedReplyAfter{20};
// A source quench about the request, then after QuenchReplyAfter the reply.
inline constexpr const char *QuenchThenReply = "198.18.2.22";
inline constexpr std::chrono::milliseconds QuenchReplyAfter{20};
// The reply, and right behind it a "host unreachable" from the host itself
// about the same request.
inline constexpr const char *ReplyThenReport = "198.18.2.23";
// Answers a second after the monitor's 5 s time-out.
inline constexpr const char *PastTimeOut = "198.18.2.24";
inline constexpr std::chrono::milliseconds PastTimeOutBy{6000};

// The router has no route there and answers "network unreachable".
inline constexpr const char *Unrouted = "198.19.250.1";

// Bounces between the router and LoopPeer until the TTL runs out. Whichever
// of the two sees the TTL expire reports it: LoopPeer for an even initial
// TTL such as 64, the Router for an odd one.
inline constexpr const char *LoopTarget = "198.18.200.1";
inline constexpr const char *LoopPeer = "198.18.3.2";

// In no hosts file, and the client's name server refuses at once.
inline constexpr const char *UnknownName = "nosuch.test";

// The same hosts over IPv6, on the same namespaces and links. Their names
// have only an IPv6 address in the client's hosts file.
namespace v6 {

inline constexpr const char *Client = "2001:db8::2";
inline constexpr const char *Router = "2001:db8::1";

inline constexpr const char *Fast = "2001:db8:1::2";
inline constexpr const char *FastName = "fast6.test";

// Rejects echoes by rule: "port unreachable" from its own address.
inline constexpr const char *Rejecting = "2001:db8:1::3";

// Answered by quorvane-test-responder, with the delays of the IPv4 hosts.
inline constexpr const char *Echo = "2001:db8:2::20";
inline constexpr const char *EchoName = "echo6.test";

inline constexpr const char *Delayed = "2001:db8:2::10";
inline constexpr const char *DelayedName = "slow6.test";

inline constexpr const char *Delayed200 = "2001:db8:2::21";

inline constexpr const char *Silent = "2001:db8:2::11";
inline constexpr const char *SilentName = "silent6.test";

// Requests to OtherAddr are answered from OtherReplyAddr.
inline constexpr const char *OtherAddr = "2001:db8:2::12";
inline constexpr const char *OtherName = "other6.test";
inline constexpr const char *OtherReplyAddr = "2001:db8:2::13";

// The router answers "no route".
inline constexpr const char *Unrouted = "2001:db8:ff::1";

// Bounces between the router and LoopPeer until the hop limit runs out, then
// "hop limit exceeded" (time exceeded, code 0) comes from LoopPeer for an
// even initial hop limit such as 64, from LoopRouter (the router's address
// on the loop link) for an odd one.
inline constexpr const char *LoopTarget = "2001:db8:200::1";
inline constexpr const char *LoopPeer = "2001:db8:3::2";
inline constexpr const char *LoopRouter = "2001:db8:3::1";

} // namespace v6

// Round trips are measured by our own code, so in a sanitized build, which
// runs it several times slower, they include that slowness; with many
// workers sharing two cores, up to a few hundred milliseconds of it.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool Sanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool Sanitized = true;
#else
inline constexpr bool Sanitized = false;
#endif
#else
inline constexpr bool Sanitized = false;
#endif
inline constexpr int SanitizedRoundTripSlackMs = Sanitized ? 300 : 0;

} // namespace testnet
