// The owned sample list: order keeping, cursor walk, ownership, and the measured crossing.
#include "document/sample_list.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace tarvos {
namespace {

std::vector<double> Snrs(const SampleList& list) {
    std::vector<double> out;
    for (const auto& s : list) out.push_back(s.snr);
    return out;
}

SampleList Curve(std::initializer_list<MeasurementSample> samples) {
    SampleList list;
    for (const auto& s : samples) list.AppendSample(s.snr, s.ber);
    return list;
}

TEST(SampleList, InsertOrReplaceKeepsAscendingOrder) {
    SampleList list;
    list.InsertOrReplaceSample(22, 1e-3);  // empty list: append
    list.InsertOrReplaceSample(20, 1e-2);  // before the first
    list.InsertOrReplaceSample(26, 1e-5);  // after the last
    list.InsertOrReplaceSample(24, 1e-4);  // in between
    EXPECT_EQ(Snrs(list), (std::vector<double>{20, 22, 24, 26}));
    EXPECT_EQ(list.Count(), 4u);
    // The tail link follows an insertion at the end.
    list.AppendSample(30, 1e-7);
    EXPECT_EQ(Snrs(list), (std::vector<double>{20, 22, 24, 26, 30}));
    EXPECT_EQ(list.Last().snr, 30);
}

TEST(SampleList, InsertOrReplaceWithAnExistingSnrOnlyChangesItsBer) {
    SampleList list = Curve({{20, 1e-2}, {22, 1e-3}, {24, 1e-4}});
    list.InsertOrReplaceSample(22, 5e-3);
    EXPECT_EQ(list.Count(), 3u);
    EXPECT_EQ(list.ToVector()[1], (MeasurementSample{22, 5e-3}));
}

TEST(SampleList, InsertIntoAnUnsortedListGoesAfterTheLastLowerSample) {
    SampleList list = Curve({{30, 1}, {20, 2}, {40, 3}});
    list.InsertOrReplaceSample(25, 4);
    EXPECT_EQ(Snrs(list), (std::vector<double>{30, 20, 25, 40}));
}

TEST(SampleList, CursorWalksEveryNodeOnce) {
    SampleList list = Curve({{1, 0.1}, {2, 0.2}});
    EXPECT_TRUE(list.AtEnd());  // before Rewind the cursor is on no node
    list.Rewind();
    ASSERT_FALSE(list.AtEnd());
    EXPECT_EQ(list.Next().snr, 1);
    EXPECT_EQ(list.Next().snr, 2);
    EXPECT_TRUE(list.AtEnd());
    EXPECT_EQ(list.Next(), MeasurementSample{});
    list.Clear();
    EXPECT_TRUE(list.AtEnd());
    EXPECT_EQ(list.Count(), 0u);
}

TEST(SampleList, CopiesAreDeepAndMovesEmptyTheSource) {
    SampleList a = Curve({{1, 0.1}, {2, 0.2}});
    SampleList b = a;
    b.InsertOrReplaceSample(1, 0.5);
    EXPECT_EQ(a.First().ber, 0.1);
    SampleList c = std::move(a);
    EXPECT_EQ(c.Count(), 2u);
    EXPECT_EQ(a.Count(), 0u);  // NOLINT: a moved-from list is empty and usable
    a.AppendSample(3, 0.3);
    EXPECT_EQ(a.Count(), 1u);
    c = b;
    EXPECT_EQ(c.ToVector(), b.ToVector());
}

TEST(SampleList, LongListsAreFreedWithoutRecursion) {
    SampleList list;
    for (int i = 0; i < 1000000; ++i) list.AppendSample(i, 1e-3);
    EXPECT_EQ(list.Count(), 1000000u);
    list.Clear();
    for (int i = 0; i < 1000000; ++i) list.AppendSample(i, 1e-3);
}  // and the destructor frees them as well

TEST(MeasuredSnrAtBer, InterpolatesLinearlyInLogBer) {
    const SampleList list = Curve({{18, 1e-1}, {20, 1e-2}, {22, 1e-4}, {24, 1e-6}});
    EXPECT_NEAR(list.MeasuredSnrAtBer(1e-3), 21, 1e-12);
    EXPECT_NEAR(list.MeasuredSnrAtBer(1e-5), 23, 1e-12);
}

TEST(MeasuredSnrAtBer, ASampleExactlyAtTheThresholdGivesItsSnr) {
    const SampleList list = Curve({{20, 1e-2}, {22, 2e-4}, {24, 1e-6}});
    EXPECT_EQ(list.MeasuredSnrAtBer(2e-4), 22);
    const SampleList first = Curve({{20, 2e-4}, {22, 1e-6}});
    EXPECT_EQ(first.MeasuredSnrAtBer(2e-4), 20);
}

TEST(MeasuredSnrAtBer, NoValueWithoutAUsableBracket) {
    EXPECT_EQ(Curve({}).MeasuredSnrAtBer(2e-4), 0);
    EXPECT_EQ(Curve({{20, 1e-3}}).MeasuredSnrAtBer(1e-3), 0);
    // Never reaches the threshold: the last pair extrapolates outside its interval.
    EXPECT_EQ(Curve({{20, 1e-1}, {22, 1e-2}, {24, 1e-3}}).MeasuredSnrAtBer(2e-4), 0);
    // The crossing pair holds a BER of 0.
    EXPECT_EQ(Curve({{20, 1e-2}, {22, 0}}).MeasuredSnrAtBer(2e-4), 0);
    EXPECT_EQ(Curve({{20, 1e-3}, {22, 1e-3}}).MeasuredSnrAtBer(1e-3), 0);
    // Thresholds that have no logarithm.
    EXPECT_EQ(Curve({{20, 1e-2}, {22, 1e-4}}).MeasuredSnrAtBer(0), 0);
    EXPECT_EQ(Curve({{20, 1e-2}, {22, 1e-4}}).MeasuredSnrAtBer(-1), 0);
    EXPECT_EQ(Curve({{20, -1e-2}, {22, 1e-4}}).MeasuredSnrAtBer(1e-3), 0);
}

TEST(MeasuredSnrAtBer, TakesTheFirstCrossingOfANonMonotoneCurve) {
    const SampleList list = Curve({{20, 1e-2}, {22, 1e-4}, {24, 1e-2}, {26, 1e-4}});
    EXPECT_NEAR(list.MeasuredSnrAtBer(1e-3), 21, 1e-12);
}

}  // namespace
}  // namespace tarvos
