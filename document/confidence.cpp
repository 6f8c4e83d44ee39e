#include "document/confidence.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tarvos {
namespace {

constexpr int kMaxFractionTerms = 200000;
constexpr int kMaxBisections = 200;

// The continued fraction of the incomplete beta function (modified Lentz), converging fast for
// x below (a + 1) / (a + b + 2); the number of terms grows with the root of the larger count.
double BetaFraction(double a, double b, double x) {
    constexpr double kTiny = 1e-300;
    const double qab = a + b, qap = a + 1.0, qam = a - 1.0;
    double c = 1.0;
    double d = 1.0 - qab * x / qap;
    if (std::fabs(d) < kTiny) d = kTiny;
    d = 1.0 / d;
    double h = d;
    for (int m = 1; m <= kMaxFractionTerms; ++m) {
        const double m2 = 2.0 * m;
        double aa = m * (b - m) * x / ((qam + m2) * (a + m2));
        d = 1.0 + aa * d;
        if (std::fabs(d) < kTiny) d = kTiny;
        c = 1.0 + aa / c;
        if (std::fabs(c) < kTiny) c = kTiny;
        d = 1.0 / d;
        h *= d * c;
        aa = -(a + m) * (qab + m) * x / ((a + m2) * (qap + m2));
        d = 1.0 + aa * d;
        if (std::fabs(d) < kTiny) d = kTiny;
        c = 1.0 + aa / c;
        if (std::fabs(c) < kTiny) c = kTiny;
        d = 1.0 / d;
        const double del = d * c;
        h *= del;
        if (std::fabs(del - 1.0) < 1e-15) break;
    }
    return h;
}

// The p at which I_p(a, b) reaches `target`, by bisection on log p (BER intervals span many
// decades, so halving the exponent converges evenly at any count).
double BetaQuantile(double a, double b, double target) {
    double lo = std::log(1e-300), hi = 0.0;
    for (int i = 0; i < kMaxBisections && hi - lo > 1e-13; ++i) {
        const double mid = 0.5 * (lo + hi);
        if (RegularizedBeta(a, b, std::exp(mid)) < target) lo = mid;
        else hi = mid;
    }
    return std::exp(0.5 * (lo + hi));
}

// The S/N at which the line through (ps, pb) and (qs, qb), linear in log10 BER, passes `ber`.
// A bound of 0 lies infinitely far down the log axis: the crossing then moves to the other
// sample's S/N, its limit.
double Crossing(double ps, double pb, double qs, double qb, double ber) {
    if (qb <= 0.0) return ps;
    if (pb <= 0.0) return qs;
    if (pb == qb) return std::numeric_limits<double>::quiet_NaN();
    return qs - (qs - ps) * (std::log10(qb) - std::log10(ber)) / (std::log10(qb) - std::log10(pb));
}

}  // namespace

double RegularizedBeta(double a, double b, double x) {
    if (!(x > 0.0)) return 0.0;
    if (!(x < 1.0)) return 1.0;
    const double logFront =
        std::lgamma(a + b) - std::lgamma(a) - std::lgamma(b) + a * std::log(x) + b * std::log1p(-x);
    const double front = std::exp(logFront);
    if (x < (a + 1.0) / (a + b + 2.0)) return front * BetaFraction(a, b, x) / a;
    return 1.0 - front * BetaFraction(b, a, 1.0 - x) / b;
}

BerInterval ClopperPearson(double k, double n, double level) {
    BerInterval r;
    if (!std::isfinite(k) || !std::isfinite(n) || !(n > 0) || k < 0 || k > n || !(level > 0 && level < 1))
        return r;
    r.valid = true;
    const double alpha = 1.0 - level;
    if (k == 0) {
        r.oneSided = true;
        r.upper = -std::expm1(std::log(alpha) / n);
        return r;
    }
    r.lower = BetaQuantile(k, n - k + 1, alpha / 2);
    r.upper = k == n ? 1.0 : BetaQuantile(k + 1, n - k, 1.0 - alpha / 2);
    return r;
}

std::vector<BerInterval> SampleIntervals(const std::vector<PointRecord>& points, std::size_t sampleCount) {
    std::vector<BerInterval> out(sampleCount);
    if (points.size() != sampleCount) return out;
    for (std::size_t i = 0; i < sampleCount; ++i)
        if (points[i].HasCounts()) out[i] = ClopperPearson(points[i].errors, points[i].bits);
    return out;
}

EndInterval ComputeEndInterval(const SampleList& measured, const std::vector<PointRecord>& points,
                               double threshold, double theorySnr, bool endValid) {
    EndInterval r;
    const std::vector<MeasurementSample> s = measured.ToVector();
    if (!endValid || s.size() < 2 || points.size() != s.size()) return r;
    // The same pair the END is interpolated on: the first that brackets the threshold, else the last.
    std::size_t p = 0;
    while (p + 2 < s.size() && !(s[p].ber >= threshold && threshold >= s[p + 1].ber)) ++p;
    const std::size_t q = p + 1;
    const BerInterval pi = points[p].HasCounts() ? ClopperPearson(points[p].errors, points[p].bits) : BerInterval{};
    const BerInterval qi = points[q].HasCounts() ? ClopperPearson(points[q].errors, points[q].bits) : BerInterval{};
    if (!pi.valid || !qi.valid) return r;
    const double a = Crossing(s[p].snr, pi.lower, s[q].snr, qi.lower, threshold);
    const double b = Crossing(s[p].snr, pi.upper, s[q].snr, qi.upper, threshold);
    const double end = measured.MeasuredSnrAtBer(threshold);
    if (!std::isfinite(a) || !std::isfinite(b) || end == 0.0) return r;
    r.lowerDb = std::min({a, b, end}) - theorySnr;
    r.upperDb = std::max({a, b, end}) - theorySnr;
    r.valid = true;
    return r;
}

}  // namespace tarvos
