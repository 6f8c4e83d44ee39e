#include "simdriver/signal_model.h"

#include <algorithm>
#include <cmath>

namespace tarvos::sim {
namespace {

constexpr std::int32_t kModeJ83B = 7;
constexpr std::int32_t kModeDvbt = 13;
constexpr std::int32_t kModeAtsc = 14;

// Coding gains of the inner (trellis or convolutional) decoder: the Viterbi output behaves like
// an uncoded channel this much better. Plausible figures, enough for curves of the right shape.
constexpr double kDvbtViterbiGainDb = 5.0;
constexpr double kTrellisGainDb = 4.0;

// Above this the decoder input is too bad for frame and transport stream sync.
constexpr double kSyncLimitBer = 0.02;

// RS(204,188) over bytes: t = 8 byte errors per code word are corrected.
constexpr int kRsLength = 204;
constexpr int kRsCorrectable = 8;
constexpr int kBitsPerRsSymbol = 8;

// DVB-T useful bit rate at 8 MHz, 64-QAM, code rate 2/3, guard interval 1/4.
constexpr double kDvbtReferenceRate = 19.91e6;
constexpr double kAtscRate = 19.39e6;
// The BER counter needs a positive rate to count at all.
constexpr double kFallbackRate = 1e6;

double ClampBer(double ber) {
    // NaN from a garbage S/N reads as no signal at all.
    if (std::isnan(ber)) return 0.5;
    return std::clamp(ber, 0.0, 0.5);
}

// The constellation the demodulator works with: J.83/B has only 64 and 256, and "auto" (0)
// as well as orders the receiver does not know count as the default 64.
int EffectiveQamOrder(const ReceiverState& s) {
    if (s.mode == kModeJ83B) return s.qamOrder == 256 ? 256 : 64;
    switch (s.qamOrder) {
        case 4: case 16: case 32: case 64: case 128: case 256: return s.qamOrder;
        default: return 64;
    }
}

double SquareQamBer(int m, double gamma) {
    const double order = m;
    const double g = (1 - 1 / std::sqrt(order)) * std::erfc(std::sqrt(1.5 * gamma / (order - 1)));
    const double ps = 2 * g * (1 - g / 2);
    return ps / std::log2(order);
}

double CrossQam32Ber(double gamma) {
    const double e = std::erfc(std::sqrt(0.05 * gamma));
    return e * (1 - 0.42857142857142855 * e) * 1.5555555555555556 / 5;
}

double CrossQam128Ber(double gamma) {
    const double e = std::erfc(std::sqrt(0.012195121951219513 * gamma));
    return e * (1 - 0.45689655172413796 * e) * 1.8125 / 7;
}

double VsbBer(double gamma) {
    constexpr double kLevels = 8;
    const double q = 0.5 * std::erfc(std::sqrt(3 * gamma / (kLevels * kLevels - 1)) / std::sqrt(2.0));
    return 2 * (1 - 1 / kLevels) * q / 3;
}

}  // namespace

double SnrOffsetDb(const ReceiverState& s) {
    double alpha = 0;
    switch (s.rollOff) {
        case 12: case 13: case 15: case 18: case 20: case 25: case 30:
            alpha = s.rollOff / 100.0;
            break;
        case 115: alpha = 0.115; break;
        default: break;
    }
    const int w = s.sawBandwidth;
    const double saw = (w == 2 || w == 6 || w == 7 || w == 8) ? w : 0;
    // The program keeps the symbol rate in MSymb/s; dividing first gives the very same double
    // it holds, so both offsets agree to the last bit.
    const double megaSymbols = s.symbolRate / 1e6;
    double r = 0;
    switch (s.mode) {
        case 4: case 5:
            if (saw == 0 || alpha == 0 || megaSymbols == 0) return 0.0;
            r = (4 - alpha) * 0.25 * saw / megaSymbols;
            break;
        case 6: case 7: case 8:
            if (alpha == 0) return 0.0;
            r = (4 - alpha) * 0.25;
            break;
        case kModeDvbt: r = 0.9737969674063968; break;
        case kModeAtsc: r = 0.90392215648875; break;
        default: return 0.0;
    }
    if (!(r > 0) || !std::isfinite(r)) return 0.0;
    return 10 * std::log10(r);
}

double DemodulatorSnr(const ReceiverState& s, double signalSnr) {
    return s.noiseGenerator != 0 ? s.cnr + SnrOffsetDb(s) : signalSnr;
}

double UncodedBer(const ReceiverState& s, double snrDb) {
    const double gamma = std::pow(10.0, snrDb / 10);
    if (std::isnan(gamma)) return 0.5;
    if (s.mode == kModeAtsc) return ClampBer(VsbBer(gamma));
    switch (const int m = EffectiveQamOrder(s)) {
        case 32: return ClampBer(CrossQam32Ber(gamma));
        case 128: return ClampBer(CrossQam128Ber(gamma));
        default: return ClampBer(SquareQamBer(m, gamma));
    }
}

double BerAt(const ReceiverState& s, double snrDb, double lossDb, BerPoint point) {
    const double channelSnr = snrDb - lossDb;
    const double channel = UncodedBer(s, channelSnr);
    if (point == BerPoint::BeforeViterbi) return channel;
    switch (s.mode) {
        case 4: case 5: case 6: case 8:
            // No inner code: the RS decoder sees the channel as it is.
            return point == BerPoint::BeforeRs ? channel : ReedSolomonOutputBer(channel);
        case kModeDvbt: case kModeJ83B: case kModeAtsc: {
            const double gain = s.mode == kModeDvbt ? kDvbtViterbiGainDb : kTrellisGainDb;
            const double viterbi = UncodedBer(s, channelSnr + gain);
            return point == BerPoint::BeforeRs ? viterbi : ReedSolomonOutputBer(viterbi);
        }
        default: return channel;
    }
}

double ReedSolomonOutputBer(double inputBer) {
    if (std::isnan(inputBer)) return 0.5;
    const double p = std::clamp(inputBer, 0.0, 0.5);
    if (p == 0) return 0.0;
    // A byte is wrong when any of its bits is; the log form keeps tiny BERs exact.
    const double ps = -std::expm1(kBitsPerRsSymbol * std::log1p(-p));
    const double logPs = std::log(ps);
    const double logQs = std::log1p(-ps);
    // Each term i * C(n,i) Ps^i (1-Ps)^(n-i) in logarithms: the binomial coefficient alone
    // reaches 1e60 and the powers 1e-700, neither of which a double holds.
    double logBinomial = 0;  // log C(n, i), built up from i = 0
    double symbolErrors = 0;
    for (int i = 1; i <= kRsLength; ++i) {
        logBinomial += std::log(static_cast<double>(kRsLength - i + 1)) - std::log(static_cast<double>(i));
        if (i <= kRsCorrectable) continue;
        const double logTerm = std::log(static_cast<double>(i)) + logBinomial + i * logPs + (kRsLength - i) * logQs;
        symbolErrors += std::exp(logTerm);
    }
    const double symbolErrorRate = symbolErrors / kRsLength;
    // Bit errors per wrong byte: p / Ps (1 for a single bit, up to 8 when the bytes are hit hard).
    return ClampBer(symbolErrorRate * p / ps);
}

double TransportBitRate(const ReceiverState& s) {
    if (s.mode == kModeAtsc) return kAtscRate;
    const double bitsPerSymbol = std::log2(static_cast<double>(EffectiveQamOrder(s)));
    if (s.mode == kModeDvbt) {
        const int b = s.channelBandwidth;
        const double bandwidth = (b >= 5 && b <= 8) ? b : 8;
        return std::max(kFallbackRate, kDvbtReferenceRate * (bandwidth / 8) * (bitsPerSymbol / 6));
    }
    const double rate = bitsPerSymbol * s.symbolRate;
    return (rate > 0 && std::isfinite(rate)) ? rate : kFallbackRate;
}

bool SyncHolds(const ReceiverState& s, double snrDb, double lossDb) {
    return BerAt(s, snrDb, lossDb, BerPoint::BeforeRs) < kSyncLimitBer;
}

}  // namespace tarvos::sim
