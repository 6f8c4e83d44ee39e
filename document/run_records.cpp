#include "document/run_records.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace tarvos {

PointRecord CountsFromReading(double ber, std::int32_t exponent, std::int32_t counter, std::int32_t counterMax) {
    PointRecord r;
    r.exponent = exponent;
    r.counter = counter;
    r.counterMax = counterMax;
    // A counter that has not moved, or a failed read (negative), stands for no bits at all.
    if (counter > 0 && std::isfinite(ber) && ber >= 0) {
        r.bits = kBitsPerCounterStep * counter;
        r.errors = std::min(std::round(ber * r.bits), r.bits);
    }
    return r;
}

bool InstrumentIdentity::Empty() const {
    return identity.empty() && manufacturer.empty() && modelNumber.empty() && serialNumber.empty() &&
           firmwareVersion.empty();
}

bool RunRecord::Empty() const {
    return startUtcMs == 0 && endUtcMs == 0 && instrument.Empty() && programVersion.empty() && thresholdBer == 0.0 &&
           comment.empty();
}

std::string FormatUtc(std::int64_t utcMs) {
    if (utcMs == 0) return {};
    // Outside years 1 to 9999 the calendar arithmetic would overflow; such a time comes only
    // from a damaged file and is shown as its raw number.
    if (utcMs < -62135596800000LL || utcMs > 253402300799999LL) return "@" + std::to_string(utcMs);
    using namespace std::chrono;
    const sys_time<milliseconds> t{milliseconds{utcMs}};
    const sys_days day = floor<days>(t);
    const year_month_day ymd{day};
    const hh_mm_ss<milliseconds> hms{t - day};
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                  static_cast<int>(hms.hours().count()), static_cast<int>(hms.minutes().count()),
                  static_cast<int>(hms.seconds().count()), static_cast<int>(hms.subseconds().count()));
    return text;
}

const char* PointEndingName(PointEnding ending) {
    switch (ending) {
        case PointEnding::Complete: return "complete";
        case PointEnding::Accepted: return "accepted";
        case PointEnding::ZeroRule: return "zero rule";
        case PointEnding::Refinement: return "refinement";
    }
    return "unknown";
}

}  // namespace tarvos
