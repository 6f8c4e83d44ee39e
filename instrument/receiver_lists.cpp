#include "instrument/receiver_lists.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <system_error>

#include "platform/number_text.h"

namespace tarvos {
namespace {

// The edit fields take this many characters; anything beyond was never typed.
constexpr std::size_t kFieldLength = 14;
// No receiver tunes or demodulates beyond this, whatever the mode (MHz, MSymb/s).
constexpr double kFieldCeiling = 4000.0;

bool IsQamMode(std::int32_t mode) { return mode == 4 || mode == 5; }
bool IsJ83Mode(std::int32_t mode) { return mode == 6 || mode == 7 || mode == 8; }

// Entries whose text is their value, as the QAM orders are listed.
std::vector<ListEntry> Numbers(std::initializer_list<std::int32_t> values) {
    std::vector<ListEntry> entries;
    for (const std::int32_t v : values) entries.push_back({std::to_string(v), v});
    return entries;
}

// The leading number of a field's text, limited to 0 .. kFieldCeiling (nothing readable is 0).
double FieldNumber(std::string_view text) {
    const double v = ParseLeadingNumber(text.substr(0, kFieldLength));
    if (!(v > 0)) return 0;
    return std::min(v, kFieldCeiling);
}

// `v` written with `decimals` decimals and read back: the value the field keeps, free of the
// binary fractions a computed value carries.
double Rounded(double v, int decimals) {
    std::array<char, 64> buffer{};
    const auto result =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), v, std::chars_format::fixed, decimals);
    if (result.ec != std::errc()) return 0;
    return ParseLeadingNumber(std::string_view(buffer.data(), static_cast<std::size_t>(result.ptr - buffer.data())));
}

double Limited(double v, const std::optional<ValueRange>& range) {
    return range ? std::clamp(v, range->min, range->max) : v;
}

}  // namespace

ReceiverList ModeList() {
    return {{{"QAM / DVB-C Analyzer/Demodulator (KVRT1/T3)", 4},
             {"QAM Analyzer (KVRT1/T3)", 5},
             {"OFDM / DVB-T Analyzer/Demodulator (KVRW1/W3)", 13},
             {"8VSB / ATSC Analyzer/Demodulator (KVRX1/X3)", 14},
             {"QAM / DVB-C / J.83/A Analyzer/Demodulator (KVRY1/Y3)", 6},
             {"QAM / DVB-C / J.83/C Analyzer/Demodulator (KVRY1/Y3)", 8},
             {"QAM / J.83/B Analyzer/Demodulator (KVRZ1/Z3)", 7}}};
}

ReceiverList InputList() {
    return {{{"Receiver", 2}, {"Receiver 50 ohm", 50}, {"Receiver 75 ohm", 75}, {"Demodulator", 4}, {"IF", kInputIf}}};
}

ReceiverList QamOrderList(std::int32_t mode) {
    if (IsQamMode(mode)) {
        ReceiverList list{{{"Auto", 0}}};
        for (ListEntry& e : Numbers({4, 16, 32, 64, 128, 256})) list.entries.push_back(std::move(e));
        return list;
    }
    if (mode == 6 || mode == 8) return {Numbers({4, 16, 32, 64, 128, 256})};
    if (mode == 7) return {Numbers({64, 256})};
    if (mode == kModeDvbt) return {Numbers({4, 16, 64})};
    // ATSC has no QAM order to choose: the list is shown empty and disabled.
    if (mode == kModeAtsc) return {{}, false};
    return {};
}

ReceiverList SawFilterList(std::int32_t mode) {
    if (IsQamMode(mode)) return {{{"2.0 MHz", 2}, {"6.0 MHz", 6}, {"8.0 MHz", 8}, {"OFF", 0}}};
    if (IsJ83Mode(mode) || mode == kModeAtsc)
        return {{{"2.0 MHz", 2}, {"6.0 MHz", 6}, {"7.0 MHz", 7}, {"8.0 MHz", 8}, {"OFF", 0}}};
    if (mode == kModeDvbt) return {{{"6.0 MHz", 6}, {"7.0 MHz", 7}, {"8.0 MHz", 8}, {"OFF", 0}}};
    return {};
}

ReceiverList ChannelBandwidthList() { return {{{"6.0 MHz", 6}, {"7.0 MHz", 7}, {"8.0 MHz", 8}}}; }

ReceiverList RollOffList(std::int32_t mode) {
    if (IsQamMode(mode))
        return {{{"0.12", 12}, {"0.13", 13}, {"0.15", 15}, {"0.18", 18}, {"0.20", 20}, {"0.25", 25}, {"0.30", 30}}};
    if (IsJ83Mode(mode)) return {{{"0.12", 12}, {"0.13", 13}, {"0.15", 15}, {"0.18", 18}}};
    // 8VSB has the one fixed roll-off; OFDM has none.
    if (mode == kModeAtsc) return {{{"0.115", 115}}, false};
    if (mode == kModeDvbt) return {{}, false};
    return {};
}

ReceiverList BerPointList(std::int32_t mode) {
    if (IsQamMode(mode)) return {{{"Before Reed-Solomon", 1}}};
    if (IsJ83Mode(mode) || mode == kModeAtsc) return {{{"Before Reed-Solomon", 1}, {"After Reed-Solomon", 2}}};
    if (mode == kModeDvbt) return {{{"Before Viterbi", 0}, {"Before Reed-Solomon", 1}, {"After Reed-Solomon", 2}}};
    return {};
}

std::optional<std::size_t> FindEntry(const ReceiverList& list, std::int32_t value) {
    const auto it = std::find_if(list.entries.begin(), list.entries.end(),
                                 [value](const ListEntry& e) { return e.value == value; });
    if (it == list.entries.end()) return std::nullopt;
    return static_cast<std::size_t>(it - list.entries.begin());
}

std::int32_t ListedOrFirst(const ReceiverList& list, std::int32_t value) {
    if (list.entries.empty() || FindEntry(list, value)) return value;
    return list.entries.front().value;
}

std::optional<ValueRange> FrequencyLimits(std::int32_t mode) {
    if (IsQamMode(mode) || mode == kModeDvbt) return ValueRange{48, 862};
    if (IsJ83Mode(mode) || mode == kModeAtsc) return ValueRange{3, 1000};
    return std::nullopt;
}

std::optional<ValueRange> SymbolRateLimits(std::int32_t mode) {
    if (IsQamMode(mode)) return ValueRange{0.1, 7.0};
    if (IsJ83Mode(mode)) return ValueRange{0.1, 6.999};
    if (mode == kModeAtsc) return ValueRange{2, 11};
    return std::nullopt;
}

double FrequencyFromText(std::string_view text, std::int32_t mode) {
    return Limited(Rounded(FieldNumber(text), 7), FrequencyLimits(mode));
}

double SymbolRateFromText(std::string_view text, std::int32_t mode, double current) {
    if (mode == kModeDvbt) return current;
    // The QAM demodulator is set in steps of a kilosymbol per second.
    const int decimals = IsQamMode(mode) ? 3 : 7;
    return Limited(Rounded(FieldNumber(text), decimals), SymbolRateLimits(mode));
}

FieldView FrequencyField(const ReceiverSettings& rs) {
    // The IF input works at its fixed intermediate frequency.
    if (rs.input == kInputIf) return {"36.0", false};
    return {FormatNumber(rs.frequency, 10), true};
}

FieldView SymbolRateField(const ReceiverSettings& rs) {
    if (rs.mode == kModeDvbt) return {"", false};
    return {FormatNumber(rs.symbolRate, 9), true};
}

void ApplyModeToLists(ReceiverSettings& rs) {
    rs.mode = ListedOrFirst(ModeList(), rs.mode);
    rs.input = ListedOrFirst(InputList(), rs.input);
    rs.qamOrder = ListedOrFirst(QamOrderList(rs.mode), rs.qamOrder);
    rs.sawBandwidth = ListedOrFirst(SawFilterList(rs.mode), rs.sawBandwidth);
    rs.channelBandwidth = ListedOrFirst(ChannelBandwidthList(), rs.channelBandwidth);
    rs.rollOff = ListedOrFirst(RollOffList(rs.mode), rs.rollOff);
    rs.berPoint = ListedOrFirst(BerPointList(rs.mode), rs.berPoint);
}

}  // namespace tarvos
