// The receiver settings' drop-down tables per mode and the rules of the frequency and symbol
// rate fields: what the settings dialog offers, and what reading the instrument may store.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/receiver_settings.h"

namespace tarvos {

struct ListEntry {
    std::string text;
    std::int32_t value = 0;

    bool operator==(const ListEntry&) const = default;
};

// A drop-down list: its entries in display order and whether the user may change it.
struct ReceiverList {
    std::vector<ListEntry> entries;
    bool enabled = true;
};

// The modes and inputs are the same in every mode. A mode outside the mode list has empty
// per-mode lists, so nothing is looked up for it.
ReceiverList ModeList();
ReceiverList InputList();
ReceiverList QamOrderList(std::int32_t mode);
ReceiverList SawFilterList(std::int32_t mode);
ReceiverList ChannelBandwidthList();
ReceiverList RollOffList(std::int32_t mode);
ReceiverList BerPointList(std::int32_t mode);

// The index of the entry holding `value`.
std::optional<std::size_t> FindEntry(const ReceiverList& list, std::int32_t value);
// What the list selects for `value`: the value itself when listed, else entry 0's value; an
// empty list keeps `value`.
std::int32_t ListedOrFirst(const ReceiverList& list, std::int32_t value);

// Inclusive limits of a field, in the field's unit (MHz, MSymb/s).
struct ValueRange {
    double min = 0;
    double max = 0;
};
std::optional<ValueRange> FrequencyLimits(std::int32_t mode);
std::optional<ValueRange> SymbolRateLimits(std::int32_t mode);

// The frequency (MHz) the frequency field stores for `text` in `mode`.
double FrequencyFromText(std::string_view text, std::int32_t mode);
// The symbol rate (MSymb/s) the symbol rate field stores for `text` in `mode`; `current` where
// the mode has no symbol rate (DVB-T).
double SymbolRateFromText(std::string_view text, std::int32_t mode, double current);

// What an edit field shows.
struct FieldView {
    std::string text;
    bool enabled = true;

    bool operator==(const FieldView&) const = default;
};
FieldView FrequencyField(const ReceiverSettings& rs);
FieldView SymbolRateField(const ReceiverSettings& rs);

// What showing the lists does after a change of mode: every value its list does not hold
// becomes the list's first value; a list that is empty in the mode leaves its value alone.
void ApplyModeToLists(ReceiverSettings& rs);

}  // namespace tarvos
