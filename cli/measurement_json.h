// A measurement's records, samples and END as JSON, shared by `tarvos info --json` and
// `tarvos export --format json`. Every key is always present; what is not known is null.
#pragma once

#include <string>

#include "cli/json_text.h"
#include "document/end_result.h"
#include "document/sample_table.h"

namespace tarvos::cli {

// The run record, or null when the document has none.
Json RunRecordJson(const SampleTable& table);
// One object per sample: number, snr, cnr, theoreticalBer, measuredBer, errors, bits, berLower,
// berUpper, oneSided, time, ending, exponent, counter, counterMax.
Json PointsJson(const SampleTable& table);
// END at the table's threshold with its interval (null without one).
Json EndJson(const SampleTable& table);
// The note of records that were not used, or null.
Json RecordsNoteJson(const std::string& note);
// The whole export: run, receiver, end, points, recordsNote.
Json MeasurementExportJson(const SampleTable& table, const std::string& recordsNote);

}  // namespace tarvos::cli
