#include "cli/json_text.h"

#include <cmath>
#include <type_traits>

#include "cli/receiver_fields.h"

namespace tarvos::cli {

Json JsonNumber(double value) {
    if (!std::isfinite(value)) return nullptr;
    return value;
}

Json SamplesJson(const std::vector<MeasurementSample>& samples) {
    Json pairs = Json::array();
    for (const MeasurementSample& s : samples) pairs.push_back({JsonNumber(s.snr), JsonNumber(s.ber)});
    return pairs;
}

Json ReceiverJson(const ReceiverSettings& rs) {
    Json object = Json::object();
    ForEachReceiverField(rs, [&](const char* name, auto value) {
        if constexpr (std::is_same_v<decltype(value), double>) object[name] = JsonNumber(value);
        else object[name] = value;
    });
    return object;
}

std::string JsonText(const Json& document) {
    return document.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace tarvos::cli
