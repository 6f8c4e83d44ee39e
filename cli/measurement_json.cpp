#include "cli/measurement_json.h"

#include <cstdint>

namespace tarvos::cli {
namespace {

Json TimeJson(std::int64_t utcMs) { return utcMs != 0 ? Json(FormatUtc(utcMs)) : Json(nullptr); }

// Absence is 0 throughout the document's numbers; 0 is no value here either.
Json NonZeroJson(double value) { return value != 0.0 ? JsonNumber(value) : Json(nullptr); }

// Counts are whole numbers: a reader should get 235996, not 235996.0. A count that is not
// whole or too large to be exact in a double (only a damaged record holds one) stays as read.
Json CountJson(double count) {
    if (count >= 0.0 && count <= 9007199254740992.0 && count == static_cast<double>(static_cast<std::uint64_t>(count)))
        return Json(static_cast<std::uint64_t>(count));
    return JsonNumber(count);
}

}  // namespace

Json RunRecordJson(const SampleTable& table) {
    if (!table.run) return nullptr;
    const RunRecord& run = *table.run;
    Json out = Json::object();
    out["start"] = TimeJson(run.startUtcMs);
    out["end"] = TimeJson(run.endUtcMs);
    out["identity"] = run.instrument.identity;
    out["manufacturer"] = run.instrument.manufacturer;
    out["modelNumber"] = run.instrument.modelNumber;
    out["serialNumber"] = run.instrument.serialNumber;
    out["firmwareVersion"] = run.instrument.firmwareVersion;
    out["programVersion"] = run.programVersion;
    out["thresholdBer"] = NonZeroJson(run.thresholdBer);
    out["comment"] = run.comment;
    return out;
}

Json PointsJson(const SampleTable& table) {
    Json points = Json::array();
    for (const SampleRow& row : table.rows) {
        const std::optional<PointRecord>& r = row.record;
        const bool counts = r && r->HasCounts();
        Json p = Json::object();
        p["number"] = row.number;
        p["snr"] = JsonNumber(row.snr);
        p["cnr"] = JsonNumber(row.cnr);
        p["theoreticalBer"] = NonZeroJson(row.theoreticalBer);
        p["measuredBer"] = JsonNumber(row.measuredBer);
        p["errors"] = counts ? CountJson(r->errors) : Json(nullptr);
        p["bits"] = counts ? CountJson(r->bits) : Json(nullptr);
        p["berLower"] = row.interval.valid ? JsonNumber(row.interval.lower) : Json(nullptr);
        p["berUpper"] = row.interval.valid ? JsonNumber(row.interval.upper) : Json(nullptr);
        p["oneSided"] = row.interval.valid ? Json(row.interval.oneSided) : Json(nullptr);
        p["time"] = r ? TimeJson(r->timeUtcMs) : Json(nullptr);
        p["ending"] = r ? Json(PointEndingName(r->ending)) : Json(nullptr);
        p["exponent"] = r ? Json(r->exponent) : Json(nullptr);
        p["counter"] = r ? Json(r->counter) : Json(nullptr);
        p["counterMax"] = r ? Json(r->counterMax) : Json(nullptr);
        points.push_back(std::move(p));
    }
    return points;
}

Json EndJson(const SampleTable& table) {
    const EndResult& end = table.end;
    Json out = Json::object();
    out["theorySnr"] = JsonNumber(end.theorySnr);
    out["theoryBer"] = JsonNumber(end.theoryBer);
    out["measuredSnr"] = JsonNumber(end.measuredSnr);
    out["measuredBer"] = JsonNumber(end.measuredBer);
    out["valid"] = end.valid ? 1 : 0;
    out["endDb"] = end.valid ? JsonNumber(end.EndDb()) : Json(nullptr);
    out["thresholdBer"] = JsonNumber(table.thresholdBer);
    Json interval = nullptr;
    if (table.endInterval.valid)
        interval = Json{{"lowerDb", JsonNumber(table.endInterval.lowerDb)},
                        {"upperDb", JsonNumber(table.endInterval.upperDb)}};
    out["interval"] = std::move(interval);
    return out;
}

Json RecordsNoteJson(const std::string& note) { return note.empty() ? Json(nullptr) : Json(note); }

Json MeasurementExportJson(const SampleTable& table, const std::string& recordsNote) {
    Json out = Json::object();
    out["run"] = RunRecordJson(table);
    out["receiver"] = ReceiverJson(table.receiver);
    out["end"] = EndJson(table);
    out["points"] = PointsJson(table);
    out["recordsNote"] = RecordsNoteJson(recordsNote);
    return out;
}

}  // namespace tarvos::cli
