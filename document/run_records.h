// What each measured point and the whole run rest on: the C/N set, the errors and bits behind
// the BER, the instrument's last counter readings, when and how the point ended; the run's
// times, instrument identity, program version, threshold and the user's comment.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarvos {

// How a stored point came to its BER.
enum class PointEnding : std::int32_t {
    Complete = 0,    // two complete counts
    Accepted = 1,    // Accept or Skip ended the count early
    ZeroRule = 2,    // the resolution was reached without a BER above the tolerance
    Refinement = 3,  // a bracketing point of the END refinement
};

// The instrument's BER counter completes one step per this many bits (the same count that
// gives the BER measurement time at the bit rate).
inline constexpr double kBitsPerCounterStep = 9999264.0;

struct PointRecord {
    double cnr = 0.0;     // C/N set at the generator, dB
    double errors = 0.0;  // bit errors counted (a whole number; 0 with `bits` 0 = not known)
    double bits = 0.0;    // bits counted
    std::int32_t exponent = 0;
    std::int32_t counter = 0;
    std::int32_t counterMax = 0;
    std::int64_t timeUtcMs = 0;  // when the point ended, ms since 1970-01-01 UTC
    PointEnding ending = PointEnding::Complete;

    bool HasCounts() const { return bits > 0; }
    bool operator==(const PointRecord&) const = default;
};

// The errors and bits behind a BER read with the counter at `counter`: the counter's steps
// give the bits, the BER times the bits the errors (rounded to the whole count it stands for).
PointRecord CountsFromReading(double ber, std::int32_t exponent, std::int32_t counter, std::int32_t counterMax);

struct InstrumentIdentity {
    std::string identity;
    std::string manufacturer;
    std::string modelNumber;
    std::string serialNumber;
    std::string firmwareVersion;

    bool Empty() const;
    bool operator==(const InstrumentIdentity&) const = default;
};

struct RunRecord {
    std::int64_t startUtcMs = 0;  // 0 = not known
    std::int64_t endUtcMs = 0;    // 0 = not ended (yet)
    InstrumentIdentity instrument;
    std::string programVersion;
    double thresholdBer = 0.0;
    std::string comment;

    bool Empty() const;
    bool operator==(const RunRecord&) const = default;
};

// The records of one measurement. `points` is either empty (no point records) or holds one
// record per measured sample, in the order of the measured list.
struct MeasurementRecords {
    RunRecord run;
    std::vector<PointRecord> points;

    bool Empty() const { return run.Empty() && points.empty(); }
    bool operator==(const MeasurementRecords&) const = default;
};

// "2026-12-08T15:20:22.125Z"; empty for 0.
std::string FormatUtc(std::int64_t utcMs);
// "complete", "accepted", "zero rule", "refinement".
const char* PointEndingName(PointEnding ending);

}  // namespace tarvos
