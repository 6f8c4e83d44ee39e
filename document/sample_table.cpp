#include "document/sample_table.h"

#include <cmath>

#include "document/dia_doc.h"
#include "document/theory.h"

namespace tarvos {
namespace {

constexpr double kFormulaFloor = 1e-13;

}  // namespace

double ExportTheoreticalBer(const ReceiverSettings& rs, const ParabolaFit& fit, double snr) {
    const double theory = TheoreticalBer(rs, snr);
    if (theory >= kFormulaFloor) return theory;
    return fit.valid ? std::pow(10.0, fit.Log10At(snr)) : 0.0;
}

SampleTable TabulateMeasurement(const C_KVR_DiaDoc& doc) {
    SampleTable t;
    t.receiver = doc.Receiver();
    t.snrOffset = SnrOffset(t.receiver);
    t.thresholdBer = doc.ThresholdBer();
    // The extrapolation's fit at the knee is the same for every sample: make it once.
    const double knee = KneeSnr(t.receiver);
    const ParabolaFit fit = knee != 0 ? FitTheoryAt(t.receiver, knee) : ParabolaFit{};
    doc.WithCurves([&](const DocumentCurves& c) {
        const std::vector<PointRecord>& points = c.records.points;
        t.hasPointRecords = !points.empty() && points.size() == c.measured.Count();
        if (!c.records.run.Empty()) t.run = c.records.run;
        t.end = c.end;
        t.rows.reserve(c.measured.Count());
        for (const MeasurementSample& s : c.measured) {
            SampleRow row;
            row.number = t.rows.size() + 1;
            row.snr = s.snr;
            row.cnr = s.snr - t.snrOffset;
            row.theoreticalBer = ExportTheoreticalBer(t.receiver, fit, s.snr);
            row.measuredBer = s.ber;
            // An all-empty record only keeps the alignment for a point stored without one.
            if (t.hasPointRecords && points[t.rows.size()] != PointRecord{}) {
                row.record = points[t.rows.size()];
                row.cnr = row.record->cnr;
                if (row.record->HasCounts()) row.interval = ClopperPearson(row.record->errors, row.record->bits);
            }
            t.rows.push_back(row);
        }
        if (t.hasPointRecords)
            t.endInterval = ComputeEndInterval(c.measured, points, t.thresholdBer, c.end.theorySnr, c.end.valid != 0);
    });
    return t;
}

}  // namespace tarvos
