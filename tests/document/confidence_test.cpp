// The exact binomial interval checked against the binomial tails it is defined by, the zero-error
// limit, and the END interval around END.
#include "document/confidence.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tarvos {
namespace {

// P(X >= k) and P(X <= k) for X ~ Binomial(n, p), summed directly (small n only).
double UpperTail(int k, int n, double p) {
    double sum = 0;
    for (int i = k; i <= n; ++i)
        sum += std::exp(std::lgamma(n + 1.0) - std::lgamma(i + 1.0) - std::lgamma(n - i + 1.0) + i * std::log(p) +
                        (n - i) * std::log1p(-p));
    return sum;
}
double LowerTail(int k, int n, double p) { return 1.0 - UpperTail(k + 1, n, p); }

TEST(ClopperPearson, BoundsLeaveTwoAndAHalfPercentInEachTail) {
    const struct { int k, n; } cases[] = {{1, 10}, {5, 20}, {17, 40}, {39, 40}, {3, 1000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.k) + " of " + std::to_string(c.n));
        const BerInterval i = ClopperPearson(c.k, c.n);
        ASSERT_TRUE(i.valid);
        EXPECT_FALSE(i.oneSided);
        EXPECT_NEAR(UpperTail(c.k, c.n, i.lower), 0.025, 1e-9);
        EXPECT_NEAR(LowerTail(c.k, c.n, i.upper), 0.025, 1e-9);
        EXPECT_LT(i.lower, static_cast<double>(c.k) / c.n);
        EXPECT_GT(i.upper, static_cast<double>(c.k) / c.n);
    }
}

TEST(ClopperPearson, LargeCountsZeroErrorsAndNoCounts) {
    // One error in the bits of ten counter steps: the interval spans about two decades.
    const BerInterval one = ClopperPearson(1, 99992640);
    EXPECT_NEAR(one.lower * 99992640, 0.0253, 1e-3);
    EXPECT_NEAR(one.upper * 99992640, 5.572, 1e-3);
    const BerInterval zero = ClopperPearson(0, 1e8);
    EXPECT_TRUE(zero.oneSided);
    EXPECT_EQ(zero.lower, 0.0);
    EXPECT_NEAR(zero.upper * 1e8, 2.9957, 1e-3);  // the rule of three
    EXPECT_FALSE(ClopperPearson(0, 0).valid);
    EXPECT_FALSE(ClopperPearson(5, 4).valid);
    EXPECT_FALSE(ClopperPearson(std::nan(""), 10).valid);
    EXPECT_DOUBLE_EQ(ClopperPearson(4, 4).upper, 1.0);
}

TEST(EndInterval, ContainsEndAndNarrowsWithMoreBits) {
    SampleList curve;
    curve.AppendSample(20.0, 1e-3);
    curve.AppendSample(21.0, 1e-5);
    const double threshold = 1e-4, theory = 19.0;
    const double end = curve.MeasuredSnrAtBer(threshold) - theory;
    auto interval = [&](double bits) {
        std::vector<PointRecord> points(2);
        points[0].bits = points[1].bits = bits;
        points[0].errors = std::round(1e-3 * bits);
        points[1].errors = std::round(1e-5 * bits);
        return ComputeEndInterval(curve, points, threshold, theory, true);
    };
    const EndInterval few = interval(1e6), many = interval(1e9);
    ASSERT_TRUE(few.valid && many.valid);
    EXPECT_LT(few.lowerDb, end);
    EXPECT_GT(few.upperDb, end);
    EXPECT_LT(many.upperDb - many.lowerDb, few.upperDb - few.lowerDb);
    EXPECT_LE(many.lowerDb, end);
    EXPECT_GE(many.upperDb, end);
    EXPECT_FALSE(ComputeEndInterval(curve, {}, threshold, theory, true).valid);
    EXPECT_FALSE(ComputeEndInterval(curve, std::vector<PointRecord>(2), threshold, theory, true).valid);
}

}  // namespace
}  // namespace tarvos
