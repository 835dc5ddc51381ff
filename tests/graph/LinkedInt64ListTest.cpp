#include "graph/LinkedInt64List.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

namespace {

using Values = std::vector<std::int64_t>;

Values contents(TLinkedList& list)
{
    Values values;
    const std::int32_t count = list.Count();
    for (std::int32_t i = 0; i < count; ++i)
        values.push_back(list.Items(i));
    return values;
}

void fill(TLinkedList& list, const Values& values)
{
    for (std::int64_t value : values)
        list.Add(value);
}

TEST(LinkedInt64ListTest, EmptyListReadsMinusOneAndCountsZero)
{
    TLinkedList list;
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Items(0), -1);
    EXPECT_EQ(list.RemoveFirst(), -1);
    EXPECT_EQ(list.Count(), 0);
    list.Delete(0);
    EXPECT_EQ(list.Count(), 0);
}

TEST(LinkedInt64ListTest, AddAppendsInArrivalOrderAndRemoveFirstTakesTheOldest)
{
    TLinkedList list;
    fill(list, {1, 2, 3});
    EXPECT_EQ(contents(list), (Values{1, 2, 3}));
    EXPECT_EQ(list.RemoveFirst(), 1);
    EXPECT_EQ(contents(list), (Values{2, 3}));
    list.Add(4);
    EXPECT_EQ(contents(list), (Values{2, 3, 4}));
}

TEST(LinkedInt64ListTest, ReadsPastTheEndYieldMinusOneLikeAStoredMinusOne)
{
    TLinkedList list;
    fill(list, {-1, 7});
    EXPECT_EQ(list.Items(0), -1);
    EXPECT_EQ(list.Items(1), 7);
    EXPECT_EQ(list.Items(2), -1);
    EXPECT_EQ(list.Items(100), -1);
}

TEST(LinkedInt64ListTest, KeepsTheFullSigned64BitRange)
{
    constexpr std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
    constexpr std::int64_t highest = std::numeric_limits<std::int64_t>::max();
    TLinkedList list;
    fill(list, {lowest, highest, 0});
    EXPECT_EQ(contents(list), (Values{lowest, highest, 0}));
}

TEST(LinkedInt64ListTest, ClearEmptiesTheListAndLeavesItUsable)
{
    TLinkedList list;
    fill(list, {5, 6, 7});
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Items(0), -1);
    list.Add(8);
    EXPECT_EQ(contents(list), (Values{8}));
}

struct PositionCase {
    std::string name;
    std::int32_t position;
    Values expected;
};

// Failures name the case instead of dumping its bytes.
void PrintTo(const PositionCase& c, std::ostream* out)
{
    *out << c.name;
}

std::string caseName(const testing::TestParamInfo<PositionCase>& info)
{
    return info.param.name;
}

class LinkedInt64ListInsertTest : public testing::TestWithParam<PositionCase> {};

TEST_P(LinkedInt64ListInsertTest, InsertsNineIntoOneTwoThree)
{
    TLinkedList list;
    fill(list, {1, 2, 3});
    list.Insert(GetParam().position, 9);
    EXPECT_EQ(contents(list), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Positions, LinkedInt64ListInsertTest,
    testing::Values(
        PositionCase{"AtHeadBecomesFirst", 0, {9, 1, 2, 3}},
        PositionCase{"InTheMiddle", 1, {1, 9, 2, 3}},
        PositionCase{"BeforeTheTail", 2, {1, 2, 9, 3}},
        PositionCase{"AtCountAppends", 3, {1, 2, 3, 9}},
        PositionCase{"PastCountIsDropped", 4, {1, 2, 3}},
        PositionCase{"FarPastCountIsDropped", 1000, {1, 2, 3}},
        PositionCase{"NegativeIsDropped", -1, {1, 2, 3}}),
    caseName);

class LinkedInt64ListDeleteTest : public testing::TestWithParam<PositionCase> {};

TEST_P(LinkedInt64ListDeleteTest, DeletesFromOneTwoThree)
{
    TLinkedList list;
    fill(list, {1, 2, 3});
    list.Delete(GetParam().position);
    EXPECT_EQ(contents(list), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Positions, LinkedInt64ListDeleteTest,
    testing::Values(
        PositionCase{"TheHead", 0, {2, 3}},
        PositionCase{"TheMiddle", 1, {1, 3}},
        PositionCase{"TheTail", 2, {1, 2}},
        PositionCase{"AtCountChangesNothing", 3, {1, 2, 3}},
        PositionCase{"PastCountChangesNothing", 50, {1, 2, 3}},
        PositionCase{"NegativeChangesNothing", -1, {1, 2, 3}}),
    caseName);

// The list keeps its tail: after any edit, an append must land behind the
// last node that is really there and the newest value must read back. A
// script is a run of operations: aN adds N, iP inserts 9 at P, dP deletes
// P, r removes the first, c clears.
struct TailCase {
    std::string name;
    std::string script;
    Values expected;
};

void PrintTo(const TailCase& c, std::ostream* out)
{
    *out << c.name << " [" << c.script << "]";
}

void run(TLinkedList& list, const std::string& script)
{
    std::size_t at = 0;
    while (at < script.size()) {
        const char op = script[at++];
        std::size_t used = 0;
        const int number = (op == 'r' || op == 'c') ? 0 : std::stoi(script.substr(at), &used);
        at += used;
        while (at < script.size() && script[at] == ' ')
            ++at;
        switch (op) {
        case 'a': list.Add(number); break;
        case 'i': list.Insert(number, 9); break;
        case 'd': list.Delete(number); break;
        case 'r': list.RemoveFirst(); break;
        case 'c': list.Clear(); break;
        default: FAIL() << "unknown operation " << op;
        }
    }
}

class LinkedInt64ListTailTest : public testing::TestWithParam<TailCase> {};

TEST_P(LinkedInt64ListTailTest, AppendsBehindTheRealTailAfterEveryEdit)
{
    TLinkedList list;
    run(list, GetParam().script);
    list.Add(100);
    EXPECT_EQ(contents(list), GetParam().expected);
    EXPECT_EQ(list.Items(list.Count() - 1), 100);
}

INSTANTIATE_TEST_SUITE_P(Edits, LinkedInt64ListTailTest,
    testing::Values(
        TailCase{"EmptyList", "", {100}},
        TailCase{"DeleteOfTheTail", "a1 a2 a3 d2", {1, 2, 100}},
        TailCase{"DeleteOfTheOnlyNode", "a1 d0", {100}},
        TailCase{"RemoveFirstOfTheOnlyNode", "a1 r", {100}},
        TailCase{"RemoveFirstOfMany", "a1 a2 r", {2, 100}},
        TailCase{"DeleteInTheMiddle", "a1 a2 a3 d1", {1, 3, 100}},
        TailCase{"DeleteTailTwice", "a1 a2 a3 d2 d1", {1, 100}},
        TailCase{"DeleteAtCountIgnored", "a1 a2 d2", {1, 2, 100}},
        TailCase{"InsertAtHeadOfEmpty", "i0", {9, 100}},
        TailCase{"InsertAtHeadOfMany", "a1 a2 i0", {9, 1, 2, 100}},
        TailCase{"InsertAtCount", "a1 a2 i2", {1, 2, 9, 100}},
        TailCase{"InsertBeforeTheTail", "a1 a2 i1", {1, 9, 2, 100}},
        TailCase{"InsertPastCountIgnored", "a1 i5", {1, 100}},
        TailCase{"Clear", "a1 a2 c", {100}},
        TailCase{"SlidingWindow", "a1 a2 a3 r a4 r r a5", {4, 5, 100}}),
    [](const testing::TestParamInfo<TailCase>& info) { return info.param.name; });

TEST(LinkedInt64ListTest, InsertAtHeadOfEmptyListAndDeleteOfLastNodeRoundTrip)
{
    TLinkedList list;
    list.Insert(0, 42);
    EXPECT_EQ(contents(list), (Values{42}));
    list.Delete(0);
    EXPECT_EQ(list.Count(), 0);
    list.Add(43);
    EXPECT_EQ(contents(list), (Values{43}));
}

// The series uses the list as a sliding window: append at the tail, drop
// from the head. Many rounds must keep count and order intact.
TEST(LinkedInt64ListTest, SlidingWindowKeepsTheNewestValuesInOrder)
{
    TLinkedList list;
    for (std::int64_t value = 1; value <= 250; ++value) {
        list.Add(value);
        if (list.Count() > 100) {
            EXPECT_EQ(list.RemoveFirst(), value - 100);
        }
    }
    ASSERT_EQ(list.Count(), 100);
    EXPECT_EQ(list.Items(0), 151);
    EXPECT_EQ(list.Items(99), 250);
    EXPECT_EQ(list.Items(100), -1);
}

} // namespace
