// What File > Properties shows of a measurement: its run record and counts as label/value rows,
// and the rule for the comment the user edits there.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "document/confidence.h"
#include "document/end_result.h"
#include "document/run_records.h"

namespace tarvos {

inline constexpr std::size_t kMaxCommentBytes = 16384;

using PropertyRow = std::pair<std::string, std::string>;

// Rows for the records of a measurement of `sampleCount` samples with `end` and its interval.
std::vector<PropertyRow> PropertyRows(const MeasurementRecords& records, std::size_t sampleCount,
                                      const EndResult& end, const EndInterval& endInterval);

// The comment as stored: line breaks as "\n", cut at kMaxCommentBytes without splitting a
// UTF-8 sequence.
std::string NormalizedComment(std::string text);

}  // namespace tarvos
