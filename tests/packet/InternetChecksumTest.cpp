#include "packet/InternetChecksum.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(Checksum, OddLengthAndKnownValue)
{
    // The header of an echo request with id 1, seq 1, no data.
    EXPECT_EQ(internetChecksum(Bytes{8, 0, 0, 0, 0, 1, 0, 1}), 0xF7FD);
    // An echo reply (id 1, seq 2) with three bytes of data, carrying its own
    // checksum: a receiver's sum over it is zero.
    Bytes m{0, 0, 0, 0, 0, 1, 0, 2, 1, 2, 3};
    const auto sum = internetChecksum(m);
    m[2] = std::uint8_t(sum >> 8);
    m[3] = std::uint8_t(sum);
    EXPECT_EQ(internetChecksum(m), 0);
}

}
