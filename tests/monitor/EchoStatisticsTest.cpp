#include "monitor/statistics/EchoStatistics.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

// An outcome series: a round-trip time, a loss, or a reset.
constexpr int L = -1;
constexpr int Reset = -2;

std::vector<int> operator+(std::vector<int> a, const std::vector<int>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<int> repeat(int outcome, int times)
{
    return std::vector<int>(static_cast<std::size_t>(times), outcome);
}

std::vector<int> ramp(int from, int to)
{
    std::vector<int> series;
    for (int v = from; v != to; v += from < to ? 1 : -1)
        series.push_back(v);
    series.push_back(to);
    return series;
}

std::vector<int> alternate(int a, int b, int times)
{
    std::vector<int> series;
    for (int i = 0; i < times; ++i)
        series.push_back(i % 2 ? b : a);
    return series;
}

struct StatisticsCase {
    const char* name;
    std::vector<int> outcomes;
    int echoes;
    int replies;
    std::optional<double> loss;
    std::optional<int> minimum;
    std::optional<double> average;
    std::optional<int> maximum;
    std::optional<double> jitter;
    int lastReply;  // index into the outcomes, -1: none
    int lastLoss;
};

class EchoStatisticsSeries : public testing::TestWithParam<StatisticsCase> {};

TEST_P(EchoStatisticsSeries, CoverTheLastHundredOutcomes)
{
    const StatisticsCase& c = GetParam();
    const QDateTime start(QDate(2026, 1, 2), QTime(3, 4, 5));
    EchoStatistics statistics;
    for (std::size_t i = 0; i < c.outcomes.size(); ++i) {
        const QDateTime when = start.addSecs(static_cast<int>(i));
        if (c.outcomes[i] == Reset)
            statistics.clear();
        else if (c.outcomes[i] == L)
            statistics.addLoss(when);
        else
            statistics.addReply(c.outcomes[i], when);
    }
    const auto at = [&](int index) { return index < 0 ? QDateTime() : start.addSecs(index); };

    EXPECT_EQ(statistics.echoes(), c.echoes);
    EXPECT_EQ(statistics.replies(), c.replies);
    EXPECT_EQ(statistics.losses(), c.echoes - c.replies);
    EXPECT_EQ(statistics.lossPercent(), c.loss);
    EXPECT_EQ(statistics.minimum(), c.minimum);
    EXPECT_EQ(statistics.average(), c.average);
    EXPECT_EQ(statistics.maximum(), c.maximum);
    EXPECT_EQ(statistics.jitter(), c.jitter);
    EXPECT_EQ(statistics.lastReply(), at(c.lastReply));
    EXPECT_EQ(statistics.lastLoss(), at(c.lastLoss));
}

const auto none = std::nullopt;

INSTANTIATE_TEST_SUITE_P(
    Series, EchoStatisticsSeries,
    testing::Values(
        StatisticsCase{"Nothing", {}, 0, 0, none, none, none, none, none, -1, -1},
        StatisticsCase{"OneReply", {7}, 1, 1, 0.0, 7, 7.0, 7, none, 0, -1},
        StatisticsCase{"OnlyLosses", {L, L}, 2, 0, 100.0, none, none, none, none, -1, 1},
        StatisticsCase{"MixedOutcomes", {10, L, 20, L, L, 40, 0, L}, 8, 4, 50.0, 0, 17.5, 40, 70.0 / 3, 6, 7},
        StatisticsCase{"KnownJitter", {5, 9, 3, 3, 8}, 5, 5, 0.0, 3, 5.6, 9, 3.75, 4, -1},
        StatisticsCase{"ResetStartsAfresh", {100, L, 200, Reset, 4, L}, 2, 1, 50.0, 4, 4.0, 4, none, 4, 5},
        StatisticsCase{"ResetForgetsLastTimes", {100, L, Reset}, 0, 0, none, none, none, none, none, -1, -1},
        StatisticsCase{"OutlierRollsOut", std::vector<int>{1000} + alternate(1, 3, 100), 100, 100, 0.0, 1, 2.0, 3, 2.0, 100, -1},
        StatisticsCase{"LossesRollOutLastLossStays", repeat(L, 100) + repeat(5, 100), 100, 100, 0.0, 5, 5.0, 5, 0.0,
                       199, 99},
        StatisticsCase{"FallingTimesOverRollover", ramp(300, 1), 100, 100, 0.0, 1, 50.5, 100, 1.0, 299, -1},
        StatisticsCase{"RisingTimesOverRollover", ramp(1, 300), 100, 100, 0.0, 201, 250.5, 300, 1.0, 299, -1},
        StatisticsCase{"StepAcrossLossesRollsOut", std::vector<int>{50, L, 10} + repeat(L, 98) + repeat(12, 1), 100, 2, 98.0, 10,
                       11.0, 12, 2.0, 101, 100}),
    [](const auto& info) { return std::string(info.param.name); });

}
