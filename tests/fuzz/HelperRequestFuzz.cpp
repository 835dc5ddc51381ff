#include "icmp/EchoRate.h"
#include "icmp/HelperProtocol.h"
#include "icmp/HelperRequest.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>

// Feeds arbitrary bytes to the helper's request reader, as any caller of
// the helper may. The identifier it checks against comes from the input's
// first bytes, so that the fuzzer can reach requests that are accepted.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 6)
        return 0;
    const std::span<const std::uint8_t> input(data, size);
    const RequestRules rules{HelperProtocol::read16(input, 0)};
    static EchoRate rate;
    static auto now = std::chrono::steady_clock::now();
    now += std::chrono::milliseconds(data[size - 1]);
    const auto request = admitHelperRequest(input.subspan(6), rules, rate, now);
    const auto header = request.header();
    volatile std::uint8_t sink = header[7];
    if (request.refusal == 0 && !request.payload.empty())
        sink = request.payload.back();
    (void)sink;
    return 0;
}
