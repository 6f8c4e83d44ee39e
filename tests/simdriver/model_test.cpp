#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>

#include "simdriver/ber_counter.h"
#include "simdriver/signal_model.h"

namespace tarvos::sim {
namespace {

using std::chrono::nanoseconds;
using std::chrono::seconds;

ReceiverState WithMode(std::int32_t mode, std::int32_t qamOrder = 64) {
    ReceiverState s;
    s.mode = mode;
    s.qamOrder = qamOrder;
    return s;
}

// The logarithm taken at run time, as the program takes it: a constant folded by the compiler
// may differ from the library's result in the last bit.
double RuntimeDb(double ratio) {
    volatile double r = ratio;
    return 10 * std::log10(r);
}

TEST(SignalModel, SnrOffsetMatchesTheProgramsRelation) {
    const ReceiverState first;
    const double megaSymbols = 6.9;  // the program's unit
    EXPECT_EQ(SnrOffsetDb(first), RuntimeDb((4 - 0.15) * 0.25 * 8 / megaSymbols));
    EXPECT_EQ(SnrOffsetDb(WithMode(13)), RuntimeDb(0.9737969674063968));
    EXPECT_EQ(SnrOffsetDb(WithMode(14)), RuntimeDb(0.90392215648875));
    ReceiverState annexB = WithMode(7);
    annexB.rollOff = 18;
    annexB.sawBandwidth = 0;  // no SAW and no symbol rate in the relation of modes 6..8
    EXPECT_EQ(SnrOffsetDb(annexB), RuntimeDb((4 - 0.18) * 0.25));
    ReceiverState noSaw;
    noSaw.sawBandwidth = 0;
    ReceiverState oddRollOff;
    oddRollOff.rollOff = 17;
    ReceiverState badRate;
    badRate.symbolRate = -6.9e6;
    for (const ReceiverState& s : {noSaw, oddRollOff, badRate, WithMode(9)}) EXPECT_EQ(SnrOffsetDb(s), 0.0);
}

TEST(SignalModel, DemodulatorSnrFollowsTheGenerator) {
    ReceiverState s;
    EXPECT_EQ(DemodulatorSnr(s, 33.5), 33.5);
    s.noiseGenerator = 1;
    s.cnr = 20;
    EXPECT_EQ(DemodulatorSnr(s, 33.5), 20 + SnrOffsetDb(s));
}

TEST(SignalModel, UncodedBerIsTheTextbookCurve) {
    // Gray-coded 64-QAM at 20 dB from the symbol error rate of its two 8-level components.
    const double g = (1 - 1 / 8.0) * std::erfc(std::sqrt(1.5 * 100 / 63));
    const double expected = 2 * g * (1 - g / 2) / 6;
    EXPECT_NEAR(UncodedBer(WithMode(4), 20), expected, 1e-12 * expected);
    EXPECT_GT(expected, 3e-3);
    EXPECT_LT(expected, 3e-2);
    // "Auto" and orders J.83/B does not have demodulate as 64-QAM.
    EXPECT_EQ(UncodedBer(WithMode(4, 0), 20), expected);
    EXPECT_EQ(UncodedBer(WithMode(7, 16), 20), expected);
    EXPECT_GT(UncodedBer(WithMode(7, 256), 20), expected);
    // Denser constellations, cross ones included, need more S/N for the same BER.
    double previous = 0;
    for (int order : {4, 16, 32, 64, 128, 256}) {
        const double ber = UncodedBer(WithMode(4, order), 22);
        EXPECT_GT(ber, previous) << order;
        previous = ber;
    }
    // 8-VSB is one 8-level component at the full symbol energy: at high S/N it matches 64-QAM.
    EXPECT_NEAR(UncodedBer(WithMode(14), 26) / UncodedBer(WithMode(4), 26), 1.0, 1e-3);
}

TEST(SignalModel, UncodedBerFallsWithSnrAndStaysInRange) {
    for (const ReceiverState& s : {WithMode(4, 4), WithMode(4, 32), WithMode(6, 128), WithMode(8, 256),
                                   WithMode(13, 16), WithMode(14)}) {
        double previous = 0.5;
        for (double snr = -20; snr <= 45; snr += 0.5) {
            const double ber = UncodedBer(s, snr);
            EXPECT_LE(ber, previous) << s.mode << "/" << s.qamOrder << " at " << snr;
            EXPECT_GE(ber, 0.0);
            if (ber > 1e-200) {
                EXPECT_LT(ber, previous) << s.mode << "/" << s.qamOrder << " at " << snr;
            }
            previous = ber;
        }
    }
    EXPECT_EQ(UncodedBer(WithMode(4), NAN), 0.5);
    EXPECT_EQ(UncodedBer(WithMode(4), INFINITY), 0.0);
    EXPECT_LE(UncodedBer(WithMode(4), -INFINITY), 0.5);
}

TEST(SignalModel, ReedSolomonCorrectsUpToEightBytes) {
    EXPECT_EQ(ReedSolomonOutputBer(0), 0.0);
    EXPECT_LT(ReedSolomonOutputBer(1e-4), 1e-10);
    EXPECT_NEAR(ReedSolomonOutputBer(0.05), 0.05, 0.005);
    // At 1e-4 nine wrong bytes in a code word dominate: the first uncorrectable term alone,
    // computed on its own, is within 2 % of the whole.
    const double ps = 1 - std::pow(1 - 1e-4, 8);
    const double logTerm = std::lgamma(205.0) - std::lgamma(10.0) - std::lgamma(196.0) + 9 * std::log(ps) +
                           195 * std::log1p(-ps);
    const double firstTerm = 9 * std::exp(logTerm) / 204 * 1e-4 / ps;
    EXPECT_GE(ReedSolomonOutputBer(1e-4), firstTerm);
    EXPECT_LT(ReedSolomonOutputBer(1e-4), 1.02 * firstTerm);
    double previous = 0;
    for (double p = 1e-6; p < 0.5; p *= 1.5) {
        EXPECT_GT(ReedSolomonOutputBer(p), previous) << p;
        previous = ReedSolomonOutputBer(p);
    }
    EXPECT_LE(ReedSolomonOutputBer(1.0), 0.5);
    EXPECT_EQ(ReedSolomonOutputBer(NAN), 0.5);
}

TEST(SignalModel, BerAtTheMeasuringPoints) {
    const ReceiverState qam = WithMode(4);
    EXPECT_EQ(BerAt(qam, 21, 1, BerPoint::BeforeRs), UncodedBer(qam, 20));
    EXPECT_EQ(BerAt(qam, 21, 1, BerPoint::BeforeViterbi), UncodedBer(qam, 20));
    EXPECT_EQ(BerAt(qam, 21, 1, BerPoint::AfterRs), ReedSolomonOutputBer(UncodedBer(qam, 20)));
    // Trellis and convolutional codes improve the RS input over the channel.
    for (const ReceiverState& s : {WithMode(7), WithMode(13), WithMode(14)}) {
        const double channel = BerAt(s, 16, 1, BerPoint::BeforeViterbi);
        const double beforeRs = BerAt(s, 16, 1, BerPoint::BeforeRs);
        EXPECT_EQ(channel, UncodedBer(s, 15)) << s.mode;
        EXPECT_LT(beforeRs, channel) << s.mode;
        EXPECT_EQ(BerAt(s, 16, 1, BerPoint::AfterRs), ReedSolomonOutputBer(beforeRs)) << s.mode;
    }
    const ReceiverState other = WithMode(2);
    EXPECT_EQ(BerAt(other, 16, 1, BerPoint::AfterRs), UncodedBer(other, 15));
}

TEST(SignalModel, SyncNeedsAUsableDecoderInput) {
    const ReceiverState qam = WithMode(4);
    EXPECT_FALSE(SyncHolds(qam, 12, 1));
    EXPECT_TRUE(SyncHolds(qam, 30, 1));
    // The Viterbi decoder of DVB-T keeps sync where the uncoded channel is already too bad.
    const ReceiverState dvbt = WithMode(13);
    EXPECT_GT(BerAt(dvbt, 15, 1, BerPoint::BeforeViterbi), 0.02);
    EXPECT_TRUE(SyncHolds(dvbt, 15, 1));
    EXPECT_FALSE(SyncHolds(qam, NAN, 1));
}

TEST(SignalModel, TransportBitRate) {
    EXPECT_EQ(TransportBitRate(ReceiverState{}), 6 * 6.9e6);
    ReceiverState noRate;
    noRate.symbolRate = 0;
    EXPECT_EQ(TransportBitRate(noRate), 1e6);
    EXPECT_EQ(TransportBitRate(WithMode(14)), 19.39e6);
    ReceiverState dvbt = WithMode(13);
    EXPECT_DOUBLE_EQ(TransportBitRate(dvbt), 19.91e6);
    dvbt.channelBandwidth = 7;
    dvbt.qamOrder = 16;
    EXPECT_DOUBLE_EQ(TransportBitRate(dvbt), 19.91e6 * 7 / 8 * 4 / 6);
    dvbt.channelBandwidth = 99;
    EXPECT_DOUBLE_EQ(TransportBitRate(dvbt), 19.91e6 * 4 / 6);
}

// One interval lasts exactly a second at this rate.
constexpr double kOneSecondRate = kBitsPerInterval;

TEST(BerCounterTest, MeasuredBerAgreesWithTheModel) {
    BerCounter counter(20240611);
    constexpr double p = 2e-5;
    counter.Restart(nanoseconds(0), kOneSecondRate, 2000);
    double sum = 0;
    double sumOfSquares = 0;
    for (int i = 1; i <= 2000; ++i) {
        const double before = counter.Errors();
        counter.Advance(seconds(i), p);
        const double errors = counter.Errors() - before;
        sum += errors;
        sumOfSquares += errors * errors;
    }
    ASSERT_EQ(counter.Bits(), 2000 * kBitsPerInterval);
    EXPECT_NEAR(counter.Ber(), p, 4 * std::sqrt(p * (1 - p) / counter.Bits()));
    // Errors per interval scatter as a binomial count does (variance about the mean of ~200),
    // not as a fixed share of the bits.
    const double mean = sum / 2000;
    const double variance = sumOfSquares / 2000 - mean * mean;
    EXPECT_NEAR(variance / (kBitsPerInterval * p * (1 - p)), 1.0, 0.25);
}

TEST(BerCounterTest, RisesWithTimeHoldsAndRestarts) {
    BerCounter counter(7);
    const nanoseconds t0 = seconds(5);
    counter.Restart(t0, kOneSecondRate, 10);
    EXPECT_EQ(counter.Postfix(), u"(0/10)");
    counter.Advance(t0 + seconds(1) - nanoseconds(1), 1e-3);
    EXPECT_EQ(counter.Counter(), 0);
    EXPECT_EQ(counter.Ber(), 0.0);
    counter.Advance(t0 + seconds(1), 1e-3);
    EXPECT_EQ(counter.Counter(), 1);
    counter.Advance(t0 + seconds(3), 1e-3);
    EXPECT_EQ(counter.Counter(), 3);
    EXPECT_EQ(counter.Bits(), 3 * kBitsPerInterval);
    counter.Advance(t0 + seconds(2), 1e-3);  // a clock read out of order never takes counts back
    EXPECT_EQ(counter.Counter(), 3);
    counter.Advance(t0 + seconds(500), 1e-3);
    EXPECT_EQ(counter.Counter(), 10);
    EXPECT_EQ(counter.Postfix(), u"(10/10)");
    const double errors = counter.Errors();
    EXPECT_GT(errors, 0);
    counter.Advance(t0 + seconds(900), 0.4);  // the final count holds
    EXPECT_EQ(counter.Counter(), 10);
    EXPECT_EQ(counter.Errors(), errors);
    EXPECT_EQ(counter.Bits(), 10 * kBitsPerInterval);

    counter.Restart(t0 + seconds(900), 0.0, 4);  // no usable rate counts at 1 Mbit/s
    EXPECT_EQ(counter.Counter(), 0);
    EXPECT_EQ(counter.Errors(), 0.0);
    EXPECT_EQ(counter.Ber(), 0.0);
    counter.Advance(t0 + seconds(900) + nanoseconds(9'999'263'000), 1e-3);
    EXPECT_EQ(counter.Counter(), 0);
    counter.Advance(t0 + seconds(900) + nanoseconds(9'999'264'000), NAN);
    EXPECT_EQ(counter.Counter(), 1);
    EXPECT_EQ(counter.Errors(), 0.0);
    counter.Restart(nanoseconds(0), kOneSecondRate, -3);
    EXPECT_EQ(counter.CounterMax(), 1);
}

TEST(BerCounterTest, ResponseTextAndExponentAgree) {
    BerCounter counter(99);
    counter.Restart(nanoseconds(0), kOneSecondRate, 100000);
    counter.Advance(seconds(40000), 2.3e-5);
    EXPECT_EQ(counter.ResponseString(), u"2.3E-05 (40000/100000)");
    EXPECT_EQ(counter.Exponent(), 5);

    // 9.96e-5 shows as 1.0E-04, and the exponent follows the text, not the unrounded value.
    counter.Restart(nanoseconds(0), kOneSecondRate, 100000);
    counter.Advance(seconds(100000), 9.975e-5);
    ASSERT_GE(counter.Ber(), 9.95e-5);
    ASSERT_LT(counter.Ber(), 1e-4);
    EXPECT_EQ(counter.ResponseString(), u"1.0E-04 (100000/100000)");
    EXPECT_EQ(counter.Exponent(), 4);

    // Without errors the count tells how far down it has looked.
    counter.Restart(nanoseconds(0), kOneSecondRate, 10);
    EXPECT_EQ(counter.ResponseString(), u"0.0E-00 (0/10)");
    counter.Advance(seconds(1), 0);
    EXPECT_EQ(counter.ResponseString(), u"0.0E-07 (1/10)");
    counter.Advance(seconds(10), 0);
    EXPECT_EQ(counter.ResponseString(), u"0.0E-08 (10/10)");
    EXPECT_EQ(counter.Exponent(), 8);
}

}  // namespace
}  // namespace tarvos::sim
