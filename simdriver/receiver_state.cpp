#include "simdriver/receiver_state.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <optional>
#include <string_view>
#include <system_error>
#include <type_traits>
#include <vector>

#include "platform/ini_file.h"

namespace tarvos::sim {
namespace {

constexpr std::string_view kReceiver = "Receiver";
constexpr std::string_view kOther = "Other";

constexpr std::string_view kSpace = " \t\r\n\v\f";

std::string_view Trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

bool SameName(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

// Whole-text parses: a value that is not exactly a number (a hand edit gone wrong) is unreadable
// and leaves the first state's value in place.
template <class T>
std::optional<T> ParseWhole(std::string_view text) {
    text = Trim(text);
    // from_chars takes no plus sign; a hand-written one is still a number ("+-5" is not).
    if (text.size() > 1 && text.front() == '+' && text[1] != '-') text.remove_prefix(1);
    T value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if constexpr (std::is_floating_point_v<T>) {
        if (!std::isfinite(value)) return std::nullopt;
    }
    return value;
}

// Shortest text that reads back as the same double, independent of the locale.
std::string DoubleText(double value) {
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

// The reader trims values and removes one pair of enclosing quotes, so a value that would lose
// characters that way is written inside quotes of its own.
std::string QuotedIfNeeded(const std::string& value) {
    const bool padded = !value.empty() && Trim(value).size() != value.size();
    const bool looksQuoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                             value.back() == value.front();
    return (padded || looksQuoted) ? "\"" + value + "\"" : value;
}

// The key names of the first section named `section`, each once (first spelling), in file order:
// the INI reader answers single keys only, and "Other" holds whatever members were written.
std::vector<std::string> KeysOf(std::string_view text, std::string_view section) {
    std::vector<std::string> keys;
    bool inside = false;
    bool seen = false;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = Trim(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
        if (!line.empty() && line.front() == '[') {
            const std::size_t close = line.find(']');
            if (close == std::string_view::npos) continue;
            if (inside) break;
            inside = !seen && SameName(Trim(line.substr(1, close - 1)), section);
            seen = seen || inside;
            continue;
        }
        if (!inside || line.empty() || line.front() == ';') continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        const std::string_view key = Trim(line.substr(0, equals));
        if (key.empty()) continue;
        const bool duplicate =
            std::any_of(keys.begin(), keys.end(), [&](const std::string& k) { return SameName(k, key); });
        if (!duplicate) keys.emplace_back(key);
    }
    return keys;
}

// One visitor over the named fields keeps the reader and the writer in step.
template <class State, class Visit>
void VisitFields(State& s, Visit&& visit) {
    visit("Mode", s.mode);
    visit("Input", s.input);
    visit("QAM Order", s.qamOrder);
    visit("SAW Bandwidth", s.sawBandwidth);
    visit("Channel Bandwidth", s.channelBandwidth);
    visit("Roll-Off", s.rollOff);
    visit("Frequency Hz", s.frequencyHz);
    visit("Symbol Rate", s.symbolRate);
    visit("Noise Generator", s.noiseGenerator);
    visit("CNR", s.cnr);
    visit("Measure Mode", s.measureMode);
    visit("Attenuation", s.attenuation);
    visit("Attenuation Auto", s.attenuationAuto);
    visit("Equalizer", s.equalizer);
    visit("FFT Mode", s.fftMode);
    visit("Code Rate", s.codeRate);
}

}  // namespace

ReceiverState LoadReceiverState(const std::filesystem::path& file) {
    const IniFile ini = IniFile::Load(file);
    ReceiverState state;
    VisitFields(state, [&](std::string_view key, auto& field) {
        using Field = std::remove_reference_t<decltype(field)>;
        if (const auto text = ini.Get(kReceiver, key)) {
            if (const auto value = ParseWhole<Field>(*text)) field = *value;
        }
    });
    for (const std::string& key : KeysOf(ini.Text(), kOther)) {
        if (auto value = ini.Get(kOther, key)) state.other[key] = std::move(*value);
    }
    return state;
}

Status SaveReceiverState(const std::filesystem::path& file, const ReceiverState& state) {
    IniFile ini;
    VisitFields(state, [&](std::string_view key, const auto& field) {
        using Field = std::remove_cvref_t<decltype(field)>;
        if constexpr (std::is_floating_point_v<Field>) {
            ini.Set(kReceiver, key, DoubleText(field));
        } else {
            ini.Set(kReceiver, key, std::to_string(field));
        }
    });
    for (const auto& [key, value] : state.other) ini.Set(kOther, key, QuotedIfNeeded(value));
    if (file.has_parent_path()) {
        std::error_code error;
        std::filesystem::create_directories(file.parent_path(), error);
        if (error) return Error{file.parent_path().string() + ": " + error.message(), error.value()};
    }
    return ini.Save(file);
}

}  // namespace tarvos::sim
