// The numerical model: erfc approximation, theoretical BER, knee, extrapolation, inverse,
// theoretical curve, offset and limits.
#include "document/theory.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tarvos {
namespace {

ReceiverSettings Qam(int order, int mode = 4, int berPoint = 1) {
    ReceiverSettings rs;
    rs.mode = mode;
    rs.qamOrder = order;
    rs.berPoint = berPoint;
    return rs;
}

TEST(TrapezoidErfc, ZeroIsOneAndTinyArgumentsTakeOneStep) {
    EXPECT_EQ(TrapezoidErfc(0.0), 1.0);
    // 0 < x < 0.01: a single trapezoid from 0 to x.
    const double x = 0.004;
    const double expected = 1 - (x * (std::exp(-x * x) + 1) * 0.5) * (2 / std::sqrt(3.141592653589793));
    EXPECT_EQ(TrapezoidErfc(x), expected);
}

TEST(TrapezoidErfc, FollowsTheTrueFunctionWhereItIsPrecise) {
    for (double x : {0.05, 0.5, 1.0, 2.0, 3.0, 4.0}) {
        EXPECT_NEAR(TrapezoidErfc(x) / std::erfc(x), 1.0, 1e-3) << "x = " << x;
    }
}

TEST(TrapezoidErfc, HugeArgumentsEndQuicklyWithAFiniteValue) {
    for (double x : {50.0, 1e6, 1e12, 1e50, std::numeric_limits<double>::max()}) {
        const double v = TrapezoidErfc(x);
        EXPECT_TRUE(std::isfinite(v)) << x;
        EXPECT_LT(std::fabs(v), 1e-12) << x;
    }
    EXPECT_EQ(TrapezoidErfc(std::numeric_limits<double>::infinity()), 0.0);
    EXPECT_TRUE(std::isnan(TrapezoidErfc(std::nan(""))));
}

TEST(BitsPerSymbol, ByOrderAndAtscAlwaysThree) {
    const std::pair<int, int> table[] = {{4, 2}, {16, 4}, {32, 5}, {64, 6}, {128, 7}, {256, 8}, {0, 1}, {8, 1}};
    for (auto [order, bits] : table) EXPECT_EQ(BitsPerSymbol(Qam(order)), bits) << order;
    EXPECT_EQ(BitsPerSymbol(Qam(64, 14)), 3);
}

TEST(KneeSnr, TableByModeAndMeasuringPoint) {
    const std::pair<int, double> qam[] = {{4, 17}, {16, 24}, {32, 27}, {64, 30}, {128, 33}, {256, 36}, {0, 0}};
    for (int mode : {4, 5, 6, 8})
        for (auto [order, knee] : qam) EXPECT_EQ(KneeSnr(Qam(order, mode, 1)), knee) << mode << "/" << order;
    const std::pair<int, double> ofdm[] = {{4, 17}, {16, 24}, {32, 0}, {64, 30}, {128, 0}, {256, 0}};
    for (auto [order, knee] : ofdm) EXPECT_EQ(KneeSnr(Qam(order, 13, 0)), knee) << order;
    EXPECT_EQ(KneeSnr(Qam(64, 4, 0)), 0);
    EXPECT_EQ(KneeSnr(Qam(64, 4, 2)), 0);
    EXPECT_EQ(KneeSnr(Qam(64, 13, 1)), 0);
    EXPECT_EQ(KneeSnr(Qam(64, 7, 1)), 0);
    EXPECT_EQ(KneeSnr(Qam(64, 14, 1)), 0);
}

TEST(TheoreticalBer, NoTheoryGivesZero) {
    EXPECT_EQ(TheoreticalBer(Qam(64, 7, 1), 20), 0);
    EXPECT_EQ(TheoreticalBer(Qam(64, 14, 1), 20), 0);
    EXPECT_EQ(TheoreticalBer(Qam(64, 4, 2), 20), 0);
    EXPECT_EQ(TheoreticalBer(Qam(64, 13, 1), 20), 0);
    EXPECT_EQ(TheoreticalBer(Qam(64, 99, 1), 20), 0);
}

TEST(TheoreticalBer, AutoQamOrderHasNoValueInsteadOfNaN) {
    EXPECT_EQ(TheoreticalBer(Qam(0, 4, 1), 20), 0.0);
    EXPECT_EQ(TheoreticalBer(Qam(0, 5, 1), 25), 0.0);
    EXPECT_EQ(TheoreticalBer(Qam(-16, 4, 1), 25), 0.0);
    EXPECT_EQ(TheoreticalBer(Qam(64, 4, 1), std::nan("")), 0.0);
}

TEST(TheoreticalBer, SquareQamMatchesTheTextbookFormula) {
    // Gray-coded square M-QAM, symbol errors 2g(1 - g/2) with g = (1 - 1/sqrt M) erfc(...).
    for (int order : {4, 16, 64, 256}) {
        for (double snr : {10.0, 14.0, 18.0, 22.0, 26.0, 30.0}) {
            const double m = order;
            const double gamma = std::pow(10.0, snr / 10);
            const double g = (1 - 1 / std::sqrt(m)) * std::erfc(std::sqrt(1.5 * gamma / (m - 1)));
            const double expected = 2 * g * (1 - 0.5 * g) / std::log2(m);
            if (expected < 1e-11) continue;  // where the trapezoid sum has lost its precision
            EXPECT_NEAR(TheoreticalBer(Qam(order), snr) / expected, 1.0, 5e-3) << order << " @ " << snr;
        }
    }
}

TEST(TheoreticalBer, CrossQamOrdersUseTheirOwnConstants) {
    const double gamma = std::pow(10.0, 2.0);
    const double e32 = TrapezoidErfc(std::sqrt(0.05 * gamma));
    EXPECT_DOUBLE_EQ(TheoreticalBer(Qam(32), 20), e32 * (1 - 0.42857142857142855 * e32) * 1.5555555555555556 / 5);
    const double e128 = TrapezoidErfc(std::sqrt(0.012195121951219513 * gamma));
    EXPECT_DOUBLE_EQ(TheoreticalBer(Qam(128), 20), e128 * (1 - 0.45689655172413796 * e128) * 1.8125 / 7);
    // In DVB-T the general formula applies to every order.
    const double general = TheoreticalBer(Qam(32, 13, 0), 20);
    EXPECT_GT(general, 0);
    EXPECT_NE(general, TheoreticalBer(Qam(32), 20));
}

TEST(TheoreticalBer, FallsWithSnr) {
    const ReceiverSettings rs = Qam(64);
    double previous = 1;
    for (double snr = 5; snr <= 29; snr += 0.5) {
        const double ber = TheoreticalBer(rs, snr);
        EXPECT_LT(ber, previous) << snr;
        previous = ber;
    }
}

TEST(ExtrapolatedBer, ParabolaThroughTheFormulaAtTheKnee) {
    const ReceiverSettings rs = Qam(64);
    ParabolaFit fit;
    EXPECT_NEAR(ExtrapolatedBer(rs, 30, &fit) / TheoreticalBer(rs, 30), 1, 1e-9);
    EXPECT_EQ(fit.valid, 1);
    EXPECT_EQ(fit.s[0], 28);
    EXPECT_EQ(fit.s[2], 30);
    EXPECT_NEAR(ExtrapolatedBer(rs, 28) / TheoreticalBer(rs, 28), 1, 1e-9);
    // Beyond the knee it keeps falling, below the formula's floor.
    EXPECT_LT(ExtrapolatedBer(rs, 34), ExtrapolatedBer(rs, 32));
    EXPECT_EQ(ExtrapolatedBer(Qam(64, 7), 30), 0);
}

TEST(ParabolaFit, InvalidForRepeatedAbscissaOrInfiniteOrdinate) {
    EXPECT_EQ(FitParabola(1, 0, 1, 1, 2, 2).valid, 0);
    EXPECT_EQ(FitParabola(1, 0, 2, -std::numeric_limits<double>::infinity(), 3, 2).valid, 0);
    const ParabolaFit f = FitParabola(0, 1, 1, 2, 2, 5);  // y = s^2 + 1
    ASSERT_EQ(f.valid, 1);
    EXPECT_DOUBLE_EQ(f.a, 1);
    EXPECT_DOUBLE_EQ(f.b, 0);
    EXPECT_DOUBLE_EQ(f.c, 1);
}

TEST(TheoreticalSnrAtBer, InvertsTheFormula) {
    const ReceiverSettings rs = Qam(64);
    const double snr = TheoreticalSnrAtBer(rs, 2e-4, HighestReachableSnr(rs));
    EXPECT_GT(snr, 20);
    EXPECT_LT(snr, 30);
    EXPECT_NEAR(TheoreticalBer(rs, snr) / 2e-4, 1, 2e-3);
    const ReceiverSettings ofdm = Qam(16, 13, 0);
    const double s2 = TheoreticalSnrAtBer(ofdm, 1e-3, HighestReachableSnr(ofdm));
    EXPECT_NEAR(TheoreticalBer(ofdm, s2) / 1e-3, 1, 2e-3);
}

TEST(TheoreticalSnrAtBer, UnreachableOrMissingTheoryGivesZero) {
    const ReceiverSettings rs = Qam(64);
    const double highest = HighestReachableSnr(rs);
    EXPECT_EQ(TheoreticalSnrAtBer(rs, 0.0, highest), 0.0);
    EXPECT_EQ(TheoreticalSnrAtBer(rs, -1.0, highest), 0.0);
    EXPECT_EQ(TheoreticalSnrAtBer(rs, 2e-4, 20.0), 0.0);  // crossing above the reachable range
    EXPECT_EQ(TheoreticalSnrAtBer(Qam(64, 7), 2e-4, highest), 0.0);
    EXPECT_EQ(TheoreticalSnrAtBer(Qam(0), 2e-4, highest), 0.0);
    EXPECT_EQ(TheoreticalSnrAtBer(rs, 2e-4, std::nan("")) > 0, true);
}

TEST(HighestReachableSnr, GeneratorPlusOffsetOrTheMeasureRangeEnd) {
    ReceiverSettings rs = Qam(64);
    EXPECT_DOUBLE_EQ(HighestReachableSnr(rs), 62 + SnrOffset(rs));
    rs.snrEnd = 90;
    EXPECT_EQ(HighestReachableSnr(rs), 90);
    rs.snrEnd = 1e9;
    EXPECT_EQ(HighestReachableSnr(rs), 300);
}

TEST(BuildTheoreticalCurve, FormulaThenParabolaFor64QamFrom20To35) {
    const ReceiverSettings rs = Qam(64);
    SampleList curve;
    const auto fit = BuildTheoreticalCurve(rs, 20, 35, 100, curve);
    ASSERT_TRUE(fit.has_value());
    ASSERT_EQ(fit->valid, 1);
    const auto points = curve.ToVector();
    ASSERT_GT(points.size(), 50u);
    // The fit is taken at the last grid point the formula was trusted at.
    const double last = fit->s[2];
    EXPECT_DOUBLE_EQ(fit->s[0], last - 2);
    EXPECT_GT(TheoreticalBer(rs, last), 1e-13);
    EXPECT_LE(TheoreticalBer(rs, last + 0.15), 1e-13);
    for (std::size_t i = 0; i < points.size(); ++i) {
        EXPECT_LT(points[i].ber, 0.1);
        EXPECT_GT(points[i].ber, 1e-16);
        if (i > 0) {
            EXPECT_GE(points[i].snr, points[i - 1].snr);
        }
        if (points[i].snr < last) {
            EXPECT_EQ(points[i].ber, TheoreticalBer(rs, points[i].snr));
        }
    }
    // The parabola continues from the last formula point and ends at 1e-16 before 35 dB.
    EXPECT_LT(points.back().snr, 35);
    EXPECT_LT(points.back().ber, 1e-13);
}

TEST(BuildTheoreticalCurve, ParabolaReachesTheEndOfAShortRange) {
    const ReceiverSettings rs = Qam(64);  // the formula falls below 1e-13 near 30.4 dB
    SampleList curve;
    BuildTheoreticalCurve(rs, 25, 31, 100, curve);
    const auto points = curve.ToVector();
    ASSERT_FALSE(points.empty());
    EXPECT_EQ(points.back().snr, 31);
    EXPECT_LT(points.back().ber, 1e-13);
    EXPECT_GT(points.back().ber, 1e-16);
}

TEST(BuildTheoreticalCurve, FormulaOnlyRangeEndsWithThePointAtTheEnd) {
    const ReceiverSettings rs = Qam(64);
    SampleList curve;
    EXPECT_FALSE(BuildTheoreticalCurve(rs, 15, 25, 100, curve).has_value());
    const auto points = curve.ToVector();
    ASSERT_GE(points.size(), 100u);
    EXPECT_EQ(points.back().snr, 25);
    EXPECT_EQ(points.back().ber, TheoreticalBer(rs, 25));
}

TEST(BuildTheoreticalCurve, SkipsBersOfATenthAndAbove) {
    const ReceiverSettings rs = Qam(64);
    SampleList curve;
    BuildTheoreticalCurve(rs, 0, 20, 100, curve);
    for (const auto& p : curve) EXPECT_LT(p.ber, 0.1);
    EXPECT_GT(curve.First().snr, 0);
}

TEST(BuildTheoreticalCurve, EmptyOrSinglePointCases) {
    SampleList curve;
    curve.AppendSample(1, 1);
    BuildTheoreticalCurve(Qam(64, 7), 20, 35, 100, curve);
    EXPECT_EQ(curve.Count(), 0u);
    BuildTheoreticalCurve(Qam(0), 20, 35, 100, curve);
    EXPECT_EQ(curve.Count(), 0u);
    BuildTheoreticalCurve(Qam(64), 22, 22, 100, curve);  // from = to: only the end point
    ASSERT_EQ(curve.Count(), 1u);
    EXPECT_EQ(curve.First().snr, 22);
    BuildTheoreticalCurve(Qam(64), 25, 20, 100, curve);  // from > to
    ASSERT_EQ(curve.Count(), 1u);
    EXPECT_EQ(curve.First().snr, 20);
}

TEST(BuildTheoreticalCurve, DegenerateRangesEndAndStayBounded) {
    SampleList curve;
    BuildTheoreticalCurve(Qam(64), 1e20, 1e20 + 1e6, 100, curve);
    EXPECT_LE(curve.Count(), 202u);
    BuildTheoreticalCurve(Qam(64), -std::numeric_limits<double>::infinity(), 30, 100, curve);
    EXPECT_LE(curve.Count(), 202u);
    BuildTheoreticalCurve(Qam(64), std::nan(""), 30, 100, curve);
    EXPECT_LE(curve.Count(), 202u);
    BuildTheoreticalCurve(Qam(64), 20, 1e300, 100, curve);
    EXPECT_LE(curve.Count(), 202u);
}

TEST(SnrOffset, QamDependsOnFilterRollOffAndSymbolRate) {
    ReceiverSettings rs = Qam(64);  // SAW 8, roll-off 0.15, 6.9 MSymb/s
    EXPECT_DOUBLE_EQ(SnrOffset(rs), 10 * std::log10((4 - 0.15) * 0.25 * 8 / 6.9));
    rs.mode = 5;
    EXPECT_DOUBLE_EQ(SnrOffset(rs), 10 * std::log10((4 - 0.15) * 0.25 * 8 / 6.9));
    rs.sawBandwidth = 0;  // filter "OFF"
    EXPECT_EQ(SnrOffset(rs), 0);
    rs.sawBandwidth = 5;  // not a filter of the receiver
    EXPECT_EQ(SnrOffset(rs), 0);
    rs.sawBandwidth = 8;
    rs.rollOff = 16;
    EXPECT_EQ(SnrOffset(rs), 0);
    rs.rollOff = 15;
    rs.symbolRate = 0;
    EXPECT_EQ(SnrOffset(rs), 0);
    rs.symbolRate = -6.9;
    EXPECT_EQ(SnrOffset(rs), 0);
}

TEST(SnrOffset, OtherModes) {
    ReceiverSettings rs = Qam(64, 6);
    EXPECT_DOUBLE_EQ(SnrOffset(rs), 10 * std::log10(3.85 * 0.25));
    rs.mode = 7;
    rs.rollOff = 18;
    EXPECT_DOUBLE_EQ(SnrOffset(rs), 10 * std::log10(3.82 * 0.25));
    rs.rollOff = 0;
    EXPECT_EQ(SnrOffset(rs), 0);
    rs.mode = 13;
    EXPECT_DOUBLE_EQ(SnrOffset(rs), 10 * std::log10(0.9737969674063968));
    rs.mode = 14;
    rs.rollOff = 115;
    EXPECT_DOUBLE_EQ(SnrOffset(rs), 10 * std::log10(0.90392215648875));
    rs.mode = 9;
    EXPECT_EQ(SnrOffset(rs), 0);
}

TEST(Limits, GeneratorRangeAndBerLimitPerPoint) {
    EXPECT_EQ(MinGeneratorCnr(Qam(64, 4)), 12);
    EXPECT_EQ(MaxGeneratorCnr(Qam(64, 5)), 62);
    EXPECT_EQ(MinGeneratorCnr(Qam(64, 13)), 5);
    EXPECT_EQ(MaxGeneratorCnr(Qam(64, 14)), 56);
    const std::pair<int, double> limits[] = {{0, 0.01}, {1, 0.004}, {2, 0.001}, {3, 0.1}, {-1, 0.1}};
    for (auto [point, limit] : limits) EXPECT_EQ(BerLimitForPoint(Qam(64, 4, point)), limit);
}

TEST(BerMeasurementSeconds, FromSymbolRateOrTheMeasuredBitRate) {
    EXPECT_DOUBLE_EQ(BerMeasurementSecondsFor(Qam(64), 0), 9999264 / (6 * 6.9 * 1000000));
    const ReceiverSettings ofdm = Qam(64, 13, 0);
    EXPECT_DOUBLE_EQ(BerMeasurementSecondsFor(ofdm, 20), 9999264 / 20e6);
    EXPECT_DOUBLE_EQ(BerMeasurementSecondsFor(ofdm, 3.4), 9999264 / 15e6);
    EXPECT_DOUBLE_EQ(BerMeasurementSecondsFor(ofdm, std::nan("")), 9999264 / 15e6);
    ReceiverSettings noRate = Qam(64);
    noRate.symbolRate = 0;
    EXPECT_EQ(BerMeasurementSecondsFor(noRate, 0), 0);
}

}  // namespace
}  // namespace tarvos
