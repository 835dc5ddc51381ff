#include "graph/RoundHalfEven.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <ostream>
#include <string>

namespace {

struct RoundingCase {
    std::string name;
    double value;
    double expected;
};

// Failures name the case instead of dumping its bytes.
void PrintTo(const RoundingCase& c, std::ostream* out)
{
    *out << c.name;
}

class RoundHalfEvenTest : public testing::TestWithParam<RoundingCase> {};

TEST_P(RoundHalfEvenTest, RoundsToNearestWithTiesToEven)
{
    EXPECT_EQ(RoundHalfEven(GetParam().value), GetParam().expected);
}

TEST_P(RoundHalfEvenTest, IgnoresTheFloatingPointRoundingMode)
{
    const int saved = std::fegetround();
    std::fesetround(FE_UPWARD);
    const double upward = RoundHalfEven(GetParam().value);
    std::fesetround(FE_DOWNWARD);
    const double downward = RoundHalfEven(GetParam().value);
    std::fesetround(saved);
    EXPECT_EQ(upward, GetParam().expected);
    EXPECT_EQ(downward, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, RoundHalfEvenTest,
    testing::Values(
        RoundingCase{"HalfToZero", 0.5, 0.0},
        RoundingCase{"OneAndAHalfToTwo", 1.5, 2.0},
        RoundingCase{"TwoAndAHalfToTwo", 2.5, 2.0},
        RoundingCase{"ThreeAndAHalfToFour", 3.5, 4.0},
        RoundingCase{"NegativeHalfToZero", -0.5, 0.0},
        RoundingCase{"NegativeOneAndAHalfToMinusTwo", -1.5, -2.0},
        RoundingCase{"NegativeTwoAndAHalfToMinusTwo", -2.5, -2.0},
        RoundingCase{"JustBelowAHalfDown", 2.4999999999999996, 2.0},
        RoundingCase{"JustAboveAHalfUp", 2.5000000000000004, 3.0},
        RoundingCase{"NegativeJustAboveAHalfAway", -0.5000000000000001, -1.0},
        RoundingCase{"WholeStaysWhole", 7.0, 7.0},
        RoundingCase{"LargestHalfBelowTwoToThe52", 4503599627370495.5, 4503599627370496.0},
        RoundingCase{"BeyondTwoToThe52Unchanged", 9007199254740993.0, 9007199254740993.0},
        RoundingCase{"InfinityUnchanged", std::numeric_limits<double>::infinity(),
            std::numeric_limits<double>::infinity()}),
    [](const auto& info) { return info.param.name; });

TEST(RoundToPixelTest, PinsFarPositionsTo32BitsAndNaNToZero)
{
    EXPECT_EQ(RoundToPixel(1e300), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(RoundToPixel(-1e300), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(RoundToPixel(std::nan("")), 0);
    EXPECT_EQ(RoundToPixel(-2147483648.4), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(RoundToPixel(2147483646.5), 2147483646);
}

} // namespace
