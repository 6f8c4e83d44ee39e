#include "document/theory.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace tarvos {
namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kFormulaFloor = 1e-13;  // below this the formula is not trusted
constexpr double kParabolaFloor = 1e-16; // the extrapolated curve ends here
constexpr double kAbsoluteSnrCeiling = 300.0;

bool HasQamTheory(const ReceiverSettings& rs) {
    const int m = rs.mode;
    return (m == 4 || m == 5 || m == 6 || m == 8) && rs.berPoint == 1;
}

bool HasOfdmTheory(const ReceiverSettings& rs) { return rs.mode == kModeDvbt && rs.berPoint == 0; }

// Square QAM symbol error approximation turned into a bit error count per symbol.
double GeneralQamErrors(double order, double gamma) {
    const double e = TrapezoidErfc(std::sqrt((1.5 / (order - 1)) * gamma));
    const double root = std::sqrt(order);
    const double g = ((root - 1) / root) * e;
    return 2 * g * (1 - 0.5 * g);
}

}  // namespace

double TrapezoidErfc(double x) {
    if (x == 0) return 1.0;
    if (std::isnan(x)) return x;
    double n = std::trunc(x * 100);
    // Beyond the double range the step would vanish; erfc is 0 (or 2) there.
    if (std::isinf(n)) return x > 0 ? 0.0 : 2.0;
    if (n == 0) n = 1;
    const double h = x / n;
    double sum = 0, prev = 1, t = h;
    for (std::int64_t i = 0; i < n; ++i) {
        const double f = std::exp(-t * t);
        // Once e^(-t^2) has underflowed to 0 every further term adds exactly 0, so stopping
        // here gives the same sum and bounds the work for any argument.
        if (f == 0 && prev == 0) break;
        sum = sum + h * (f + prev) * 0.5;
        prev = f;
        t = t + h;
    }
    return 1 - sum * (2 / std::sqrt(kPi));
}

int BitsPerSymbol(const ReceiverSettings& rs) {
    if (rs.mode == kModeAtsc) return 3;
    switch (rs.qamOrder) {
        case 4: return 2;
        case 16: return 4;
        case 32: return 5;
        case 64: return 6;
        case 128: return 7;
        case 256: return 8;
        default: return 1;
    }
}

double TheoreticalBer(const ReceiverSettings& rs, double snr) {
    const bool qam = HasQamTheory(rs);
    if ((!qam && !HasOfdmTheory(rs)) || !std::isfinite(snr)) return 0.0;
    const double gamma = std::pow(10.0, 0.1 * snr);
    const int k = BitsPerSymbol(rs);
    const int order = rs.qamOrder;
    double p = 0;
    if (qam && order == 32) {
        const double e = TrapezoidErfc(std::sqrt(0.05 * gamma));
        p = e * (1 - 0.42857142857142855 * e) * 1.5555555555555556;
    } else if (qam && order == 128) {
        const double e = TrapezoidErfc(std::sqrt(0.012195121951219513 * gamma));
        p = e * (1 - 0.45689655172413796 * e) * 1.8125;
    } else {
        // Order 0 (auto) or 1 would take the root of a negative number or divide by zero.
        if (order <= 1) return 0.0;
        p = GeneralQamErrors(order, gamma);
    }
    const double ber = p / k;
    return std::isfinite(ber) ? ber : 0.0;
}

double KneeSnr(const ReceiverSettings& rs) {
    const bool qam = HasQamTheory(rs);
    if (!qam && !HasOfdmTheory(rs)) return 0.0;
    switch (rs.qamOrder) {
        case 4: return 17;
        case 16: return 24;
        case 32: return qam ? 27 : 0;
        case 64: return 30;
        case 128: return qam ? 33 : 0;
        case 256: return qam ? 36 : 0;
        default: return 0;
    }
}

ParabolaFit FitTheoryAt(const ReceiverSettings& rs, double t) {
    return FitParabola(t - 2, std::log10(TheoreticalBer(rs, t - 2)), t - 1,
                       std::log10(TheoreticalBer(rs, t - 1)), t, std::log10(TheoreticalBer(rs, t)));
}

double ExtrapolatedBer(const ReceiverSettings& rs, double snr, ParabolaFit* fit) {
    const double knee = KneeSnr(rs);
    if (knee == 0) return 0.0;
    const ParabolaFit f = FitTheoryAt(rs, knee);
    if (fit != nullptr) *fit = f;
    if (!f.valid) return 0.0;
    return std::pow(10.0, f.Log10At(snr));
}

double HighestReachableSnr(const ReceiverSettings& rs) {
    double highest = MaxGeneratorCnr(rs) + SnrOffset(rs);
    if (rs.snrEnd > highest) highest = rs.snrEnd;
    return std::min(highest, kAbsoluteSnrCeiling);
}

double TheoreticalSnrAtBer(const ReceiverSettings& rs, double b, double highestSnr) {
    if (TheoreticalBer(rs, 10) == 0) return 0.0;
    // No S/N has a BER of 0 or less; without this the search would stop where the formula's
    // rounding noise first dips to 0.
    if (!(b > 0)) return 0.0;
    if (!(highestSnr <= kAbsoluteSnrCeiling)) highestSnr = kAbsoluteSnrCeiling;
    double lo = 1, hi = 2;
    while (TheoreticalBer(rs, hi) > b) {
        // The formula never reaches `b` within what can be measured or shown.
        if (hi > highestSnr) return 0.0;
        lo = hi;
        hi = hi + 1;
    }
    do {
        const double mid = (hi + lo) * 0.5;
        if (TheoreticalBer(rs, mid) > b) lo = mid;
        else hi = mid;
    } while (hi - lo > 0.001);
    const double berHi = TheoreticalBer(rs, hi);
    const double berLo = TheoreticalBer(rs, lo);
    const double snr = hi - (hi - lo) * (berHi - b) / (berHi - berLo);
    return std::isfinite(snr) ? snr : 0.0;
}

std::optional<ParabolaFit> BuildTheoreticalCurve(const ReceiverSettings& rs, double from,
                                                 double to, int steps, SampleList& curve) {
    curve.Clear();
    const double knee = KneeSnr(rs);
    if (knee == 0) return std::nullopt;
    if (steps < 1) steps = 1;
    // The grid has steps + 1 points; the cap only guards against a step that vanishes
    // against huge S/N values and would otherwise never advance.
    const int maxPoints = 2 * steps + 2;
    const double step = (to - from) / steps;
    double s = from, last = from;
    bool low = false;
    if (from < to) {
        for (int i = 0; s < to && !low && i < maxPoints; ++i) {
            const double ber = TheoreticalBer(rs, s);
            if (ber <= kFormulaFloor) {
                low = true;
            } else {
                if (ber < 0.1) curve.AppendSample(s, ber);
                last = s;
                s = s + step;
            }
        }
    }
    if (!low) {
        const double ber = TheoreticalBer(rs, to);
        if (kFormulaFloor < ber && ber < 0.1) curve.AppendSample(to, ber);
        return std::nullopt;
    }
    const double t = last > from ? last : knee;
    const ParabolaFit f = FitTheoryAt(rs, t);
    if (!f.valid) return f;
    s = last;
    for (int i = 0; s < to && i < maxPoints; ++i) {
        const double ber = std::pow(10.0, f.Log10At(s));
        if (ber <= kParabolaFloor) return f;
        curve.AppendSample(s, ber);
        s = s + step;
    }
    curve.AppendSample(to, std::pow(10.0, f.Log10At(to)));
    return f;
}

double SnrOffset(const ReceiverSettings& rs) {
    double alpha = 0;
    switch (rs.rollOff) {
        case 12: case 13: case 15: case 18: case 20: case 25: case 30:
            alpha = rs.rollOff / 100.0;
            break;
        case 115: alpha = 0.115; break;
        default: break;
    }
    const int w = rs.sawBandwidth;
    const double saw = (w == 2 || w == 6 || w == 7 || w == 8) ? w : 0;
    double r = 0;
    switch (rs.mode) {
        case 4: case 5:
            if (saw == 0 || alpha == 0 || rs.symbolRate == 0) return 0.0;
            r = (4 - alpha) * 0.25 * saw / rs.symbolRate;
            break;
        case 6: case 7: case 8:
            if (alpha == 0) return 0.0;
            r = (4 - alpha) * 0.25;
            break;
        case kModeDvbt: r = 0.9737969674063968; break;
        case kModeAtsc: r = 0.90392215648875; break;
        default: return 0.0;
    }
    // A negative or non-finite symbol rate from a damaged file has no offset rather than NaN.
    if (!(r > 0) || !std::isfinite(r)) return 0.0;
    return 10 * std::log10(r);
}

double MinGeneratorCnr(const ReceiverSettings& rs) { return (rs.mode == 4 || rs.mode == 5) ? 12 : 5; }

double MaxGeneratorCnr(const ReceiverSettings& rs) { return (rs.mode == 4 || rs.mode == 5) ? 62 : 56; }

double BerLimitForPoint(const ReceiverSettings& rs) {
    switch (rs.berPoint) {
        case 0: return 0.01;
        case 1: return 0.004;
        case 2: return 0.001;
        default: return 0.1;
    }
}

double BerMeasurementSecondsFor(const ReceiverSettings& rs, double bitrateMbps) {
    double rate = 0;
    if (rs.mode == kModeDvbt) {
        rate = bitrateMbps * 1000000;
        if (!(rate >= 3500000)) rate = 15000000;  // a failed (NaN) reading counts as too low
    } else {
        rate = BitsPerSymbol(rs) * rs.symbolRate * 1000000;
    }
    // Without a positive rate there is no known reading time; the sweep's minimum wait applies.
    if (!(rate > 0) || !std::isfinite(rate)) return 0.0;
    return 9999264 / rate;
}

}  // namespace tarvos
