// JSON output of the commands: numbers that read back to the same bits, null for what is not
// a finite number, and one line of text per document.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "document/measurement_sample.h"
#include "document/receiver_settings.h"

namespace tarvos::cli {

// Ordered, so that keys come out in the order the commands add them.
using Json = nlohmann::ordered_json;

Json JsonNumber(double value);
// [[snr, ber], ...]
Json SamplesJson(const std::vector<MeasurementSample>& samples);
// An object keyed by the field names of ReceiverSettings.
Json ReceiverJson(const ReceiverSettings& rs);
// The document on one line with a final line break; text that is not UTF-8 (a file name, a
// value from the settings file) gets replacement characters instead of failing.
std::string JsonText(const Json& document);

}  // namespace tarvos::cli
