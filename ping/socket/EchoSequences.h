#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <random>
#include <unordered_map>

struct EchoWaiter;

// Sequence bookkeeping for the echoes of this process.
//
// All echoes share one ICMP socket, and on a raw socket one identifier, so
// the sequence number is what leads an answer to the echo that waits for
// it: no two live echoes may hold the same one. It is drawn at random, so
// that a stale reply to an earlier echo, another instance of the program
// that happens to use our identifier, or a forged answer that guesses the
// identifier still finds no echo to fool. The identifier of a raw socket
// mixes in the process id, which keeps other programs' pings on this
// machine apart before the kernel even queues them for us.
//
// A sequence given up lately rests before it is drawn again: the answer to
// an echo that was given up (at a reset, or at quit) may still be on its
// way, and would otherwise be taken for the answer to a new echo to the
// same host with the same payload.
//
// Not locked: its owner uses it from one thread.
class EchoSequences {
public:
    static std::uint16_t processIdentifier();

    // The most recently released sequences that are not drawn again.
    static constexpr std::size_t Resting = 4096;

    // Draws a sequence that no other live echo holds and that has not rested
    // long enough, and gives it to the waiter; nothing when all 65536 are
    // live.
    std::optional<std::uint16_t> hold(EchoWaiter* waiter);
    void release(std::uint16_t sequence);
    EchoWaiter* holder(std::uint16_t sequence) const;

private:
    static constexpr std::size_t SequenceCount = 65536;

    std::unordered_map<std::uint16_t, EchoWaiter*> m_live;
    std::bitset<SequenceCount> m_resting;
    std::array<std::uint16_t, Resting> m_released{};  // a ring, oldest at m_nextReleased
    std::size_t m_nextReleased = 0;
    std::size_t m_restingCount = 0;
    std::mt19937 m_random{std::random_device{}()};
};
