#include "cli/number_option.h"

#include <charconv>
#include <cmath>
#include <string>
#include <system_error>

namespace tarvos::cli {
namespace {

// from_chars takes no '+', but users write "+3" for S/N values; "+-3" stays an error.
std::string_view WithoutPlus(std::string_view text) {
    if (text.size() > 1 && text[0] == '+' && text[1] != '+' && text[1] != '-') return text.substr(1);
    return text;
}

Error Complaint(std::string_view option, std::string_view text, std::string_view what) {
    return Error{std::string(option) + ": '" + std::string(text) + "' " + std::string(what)};
}

template <class T>
Result<T> ParseWhole(std::string_view option, std::string_view text, std::string_view kind) {
    const std::string_view digits = WithoutPlus(text);
    T value{};
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error == std::errc::result_out_of_range) return Complaint(option, text, "is out of range");
    if (error != std::errc{} || end != digits.data() + digits.size())
        return Complaint(option, text, kind);
    return value;
}

}  // namespace

Result<double> ParseDoubleOption(std::string_view option, std::string_view text) {
    Result<double> value = ParseWhole<double>(option, text, "is not a number");
    if (value.ok() && !std::isfinite(value.value()))
        return Complaint(option, text, "is not a finite number");
    return value;
}

Result<std::int32_t> ParseIntOption(std::string_view option, std::string_view text) {
    return ParseWhole<std::int32_t>(option, text, "is not a whole number");
}

Result<double> ParseBerOption(std::string_view option, std::string_view text) {
    Result<double> value = ParseDoubleOption(option, text);
    if (value.ok() && !(value.value() > 0 && value.value() <= 1))
        return Complaint(option, text, "is not a bit error ratio (above 0, at most 1)");
    return value;
}

Status ReadOptionalNumber(std::string_view option, const std::optional<std::string>& text,
                          double& value) {
    if (!text) return {};
    Result<double> read = ParseDoubleOption(option, *text);
    if (!read.ok()) return read.error();
    value = read.value();
    return {};
}

Status ReadOptionalBer(std::string_view option, const std::optional<std::string>& text,
                       double& value) {
    if (!text) return {};
    Result<double> read = ParseBerOption(option, *text);
    if (!read.ok()) return read.error();
    value = read.value();
    return {};
}

}  // namespace tarvos::cli
