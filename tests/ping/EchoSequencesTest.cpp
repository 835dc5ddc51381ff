#include "ping/socket/EchoSequences.h"

#include <gtest/gtest.h>

#include <set>

namespace {

// An echo given up at a reset or at quit may still be answered; that late
// answer must find no new echo holding its sequence. So the sequences of
// echoes that just ended are not drawn again until many others have been.
TEST(EchoSequences, ReleasedSequencesRestBeforeTheyAreDrawnAgain)
{
    EchoSequences sequences;
    std::set<std::uint16_t> drawn;
    for (std::size_t i = 0; i < EchoSequences::Resting; ++i) {
        const auto sequence = sequences.hold(nullptr);
        ASSERT_TRUE(sequence);
        EXPECT_TRUE(drawn.insert(*sequence).second) << "drawn again after " << i << " others";
        sequences.release(*sequence);
    }
}

// Resting is a preference, not a loss: every sequence can still be live at
// once, and only then is there none to give.
TEST(EchoSequences, RestingSequencesServeWhenNothingElseIsLeft)
{
    EchoSequences sequences;
    for (std::size_t i = 0; i < EchoSequences::Resting; ++i)
        sequences.release(*sequences.hold(nullptr));
    std::set<std::uint16_t> live;
    for (int i = 0; i < 65536; ++i) {
        const auto sequence = sequences.hold(nullptr);
        ASSERT_TRUE(sequence) << "none left after " << i;
        live.insert(*sequence);
    }
    EXPECT_EQ(live.size(), 65536u);
    EXPECT_FALSE(sequences.hold(nullptr));
}

}
