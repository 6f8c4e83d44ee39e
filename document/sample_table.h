// One measurement as the exports and `tarvos info` present it: per sample the S/N, C/N,
// theoretical and measured BER with the counts, interval, time and ending behind it, and the
// run's records and END with its interval. Taken from the document in one consistent snapshot.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "document/confidence.h"
#include "document/end_result.h"
#include "document/parabola_fit.h"
#include "document/receiver_settings.h"
#include "document/run_records.h"

namespace tarvos {

class C_KVR_DiaDoc;

struct SampleRow {
    std::size_t number = 0;  // from 1, in list order
    double snr = 0.0;
    // The C/N the generator was set to where the point has a record, else S/N - SnrOffset.
    double cnr = 0.0;
    // TheoreticalBer, extrapolated where the formula falls below 1e-13; 0 = no theory here.
    double theoreticalBer = 0.0;
    double measuredBer = 0.0;
    std::optional<PointRecord> record;  // none when the point was stored without one
    BerInterval interval;                // valid only where the record has counts
};

struct SampleTable {
    ReceiverSettings receiver;
    double snrOffset = 0.0;
    double thresholdBer = 0.0;  // the one END is taken at
    std::optional<RunRecord> run;  // none when the document has no run record
    std::vector<SampleRow> rows;
    bool hasPointRecords = false;  // whether the rows carry the document's point records
    EndResult end;
    EndInterval endInterval;
};

// The theoretical BER column of the exports at `snr`: TheoreticalBer, or below 1e-13 the
// extrapolation of the fit at the knee (`fit` as FitTheoryAt(rs, KneeSnr(rs)), or invalid).
double ExportTheoreticalBer(const ReceiverSettings& rs, const ParabolaFit& fit, double snr);

SampleTable TabulateMeasurement(const C_KVR_DiaDoc& doc);

}  // namespace tarvos
