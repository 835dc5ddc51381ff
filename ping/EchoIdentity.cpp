#include "ping/EchoIdentity.h"

#include <bitset>
#include <mutex>
#include <random>
#include <unistd.h>

namespace {

std::mutex identifierMutex;
std::bitset<65536> identifiersInUse;
std::uint32_t identifierCounter = 0;

std::mt19937& threadRandom()
{
    thread_local std::mt19937 generator{std::random_device{}()};
    return generator;
}

}

std::uint16_t EchoIdentity::acquireIdentifier()
{
    const std::lock_guard lock(identifierMutex);
    const auto base = static_cast<std::uint32_t>(getpid());
    // An odd stride visits all 65536 values before repeating, so the loop
    // finds a free one unless every identifier is live at once.
    for (int attempt = 0; attempt < 65536; ++attempt) {
        const auto candidate = static_cast<std::uint16_t>(base + identifierCounter++ * 40503u);
        if (!identifiersInUse[candidate]) {
            identifiersInUse[candidate] = true;
            return candidate;
        }
    }
    return static_cast<std::uint16_t>(base);
}

void EchoIdentity::releaseIdentifier(std::uint16_t identifier)
{
    const std::lock_guard lock(identifierMutex);
    identifiersInUse[identifier] = false;
}

std::uint16_t EchoIdentity::randomSequence()
{
    return static_cast<std::uint16_t>(threadRandom()());
}
