// The receiver settings field by field, under the names of ReceiverSettings, so that the text
// and the JSON views list the same fields in the same order.
#pragma once

#include "document/receiver_settings.h"

namespace tarvos::cli {

// Calls visit(name, value) for each field; value is an std::int32_t code or a double.
template <class Visit>
void ForEachReceiverField(const ReceiverSettings& rs, Visit&& visit) {
    visit("mode", rs.mode);
    visit("input", rs.input);
    visit("qamOrder", rs.qamOrder);
    visit("sawBandwidth", rs.sawBandwidth);
    visit("channelBandwidth", rs.channelBandwidth);
    visit("rollOff", rs.rollOff);
    visit("berPoint", rs.berPoint);
    visit("frequency", rs.frequency);
    visit("symbolRate", rs.symbolRate);
    visit("snrBegin", rs.snrBegin);
    visit("snrEnd", rs.snrEnd);
}

}  // namespace tarvos::cli
