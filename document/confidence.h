// How far a measured BER can be trusted: the exact (Clopper-Pearson) interval of a count of
// bit errors in a count of bits, and the END interval that follows from the intervals of the
// two samples that bracket the threshold.
#pragma once

#include <vector>

#include "document/measurement_sample.h"
#include "document/run_records.h"
#include "document/sample_list.h"

namespace tarvos {

inline constexpr double kConfidenceLevel = 0.95;

struct BerInterval {
    double lower = 0.0;
    double upper = 0.0;
    bool valid = false;     // false when the counts are not known (no bits)
    bool oneSided = false;  // a count without errors: [0, upper] is the one-sided upper limit
    bool operator==(const BerInterval&) const = default;
};

// The exact two-sided 95 % interval of `errors` in `bits`; with no errors the one-sided 95 %
// upper limit (about 3/bits). Counts that are negative, not finite or errors above bits give
// no interval.
BerInterval ClopperPearson(double errors, double bits, double level = kConfidenceLevel);

// The interval of each sample from its record; no interval where there is no record.
std::vector<BerInterval> SampleIntervals(const std::vector<PointRecord>& points, std::size_t sampleCount);

struct EndInterval {
    double lowerDb = 0.0;
    double upperDb = 0.0;
    bool valid = false;
};

// END's interval: the threshold crossing taken on the lower and on the upper bounds of the two
// samples that bracket the threshold (the pair the END itself is interpolated on), less the
// theoretical S/N. None without both samples' counts or without a valid END.
EndInterval ComputeEndInterval(const SampleList& measured, const std::vector<PointRecord>& points,
                               double thresholdBer, double theorySnr, bool endValid);

// Quantile of the regularised incomplete beta function I_x(a, b), for tests and the interval.
double RegularizedBeta(double a, double b, double x);

}  // namespace tarvos
