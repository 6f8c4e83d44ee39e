#include "diagram/interval_cache.h"

namespace tarvos {

const std::vector<BerInterval>& IntervalCache::Update(const std::vector<PointRecord>& points,
                                                      std::size_t sampleCount) {
    if (points.size() != sampleCount) {
        // Records that do not line up with the samples say nothing about any of them.
        points_.clear();
        intervals_.assign(sampleCount, BerInterval{});
        return intervals_;
    }
    intervals_.resize(sampleCount);
    bool changed = points_.size() != sampleCount;
    for (std::size_t i = 0; i < sampleCount; ++i) {
        if (i < points_.size() && points_[i] == points[i]) continue;
        changed = true;
        const PointRecord& record = points[i];
        if (record.HasCounts()) {
            intervals_[i] = ClopperPearson(record.errors, record.bits);
            ++computed_;
        } else {
            intervals_[i] = BerInterval{};
        }
    }
    if (changed) points_ = points;
    return intervals_;
}

}  // namespace tarvos
