// The confidence intervals behind a curve's error bars, kept from one repaint to the next: an
// exact interval costs dozens of incomplete-beta evaluations, and the window repaints after
// every stored sample, so only records that changed since the last repaint are computed again.
#pragma once

#include <cstddef>
#include <vector>

#include "document/confidence.h"
#include "document/run_records.h"

namespace tarvos {

class IntervalCache {
public:
    // The interval of each of `sampleCount` samples from its point record, as SampleIntervals
    // gives it: none for a record without counts, none at all when the records are not one per
    // sample. A record equal to the one at the same place last time keeps its interval.
    const std::vector<BerInterval>& Update(const std::vector<PointRecord>& points,
                                           std::size_t sampleCount);

    // How many intervals were computed over the cache's life.
    std::size_t Computed() const { return computed_; }

private:
    std::vector<PointRecord> points_;  // the records intervals_ were computed from
    std::vector<BerInterval> intervals_;
    std::size_t computed_ = 0;
};

}  // namespace tarvos
