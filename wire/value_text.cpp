#include "wire/value_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace tarvos::wire {

using automation::Variant;
using automation::VarType;

namespace {

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

Result<std::string> Unquote(std::string_view text) {
    if (text.size() < 2 || text.front() != '"' || text.back() != '"') return Error{"not a quoted string"};
    std::string out;
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        if (text[i] == '"') {
            if (i + 2 >= text.size() || text[i + 1] != '"') return Error{"a lone quote inside a string"};
            ++i;
        }
        out += text[i];
    }
    return out;
}

Result<long long> WholeNumber(std::string_view text) {
    long long v = 0;
    const char* begin = text.data() + (!text.empty() && text[0] == '+' ? 1 : 0);
    const auto [ptr, ec] = std::from_chars(begin, text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || ptr != text.data() + text.size()) return Error{"not a whole number"};
    return v;
}

Result<double> RealNumber(std::string_view text) {
    double v = 0;
    const char* begin = text.data() + (!text.empty() && text[0] == '+' ? 1 : 0);
    const auto [ptr, ec] = std::from_chars(begin, text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || ptr != text.data() + text.size() || !std::isfinite(v))
        return Error{"not a number"};
    return v;
}

}  // namespace

std::string ErrorReply(int code, std::string_view text) {
    return std::string(kErrorReply) + std::to_string(code) + "," + QuoteString(text);
}

std::string QuoteString(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        // A line break inside a string would end the reply early.
        out += (c == '\n' || c == '\r') ? ' ' : c;
    }
    return out + '"';
}

Result<std::string> ValueText(const Variant& value) {
    switch (value.Type()) {
        case VarType::Int16: return std::to_string(value.AsInt16());
        case VarType::Int32: return std::to_string(value.AsInt32());
        case VarType::Bool: return std::string(value.AsBool() ? "1" : "0");
        case VarType::Double: {
            if (!std::isfinite(value.AsDouble())) return Error{"a number that is not finite"};
            char text[32];
            const auto [ptr, ec] = std::to_chars(text, text + sizeof text, value.AsDouble());
            return std::string(text, ptr);
        }
        case VarType::String: return QuoteString(automation::Utf16ToUtf8(value.AsString()));
        case VarType::Empty: return std::string();
        default: return Error{std::string("a value of type ") + automation::VarTypeName(value.Type()) +
                              " cannot be sent on the line"};
    }
}

std::vector<std::string> SplitOutsideQuotes(std::string_view text, char separator) {
    std::vector<std::string> pieces(1);
    bool quoted = false;
    for (char c : text) {
        if (c == '"') quoted = !quoted;
        if (c == separator && !quoted) pieces.emplace_back();
        else pieces.back() += c;
    }
    return pieces;
}

Result<Variant> ParseReply(std::string_view field, ReplyType type) {
    field = Trim(field);
    switch (type) {
        case ReplyType::None: return Variant();
        case ReplyType::String: {
            // An instrument of a lab may answer text unquoted (*IDN? does).
            if (field.empty() || field.front() != '"') return Variant::Utf8(field);
            Result<std::string> text = Unquote(field);
            if (!text) return text.error();
            return Variant::Utf8(text.value());
        }
        case ReplyType::Bool: {
            const Result<long long> v = WholeNumber(field);
            if (!v || (v.value() != 0 && v.value() != 1)) return Error{"not a Boolean reply: " + std::string(field)};
            return Variant::Bool(v.value() == 1);
        }
        case ReplyType::Int16:
        case ReplyType::Int32: {
            const Result<long long> v = WholeNumber(field);
            const bool narrow = type == ReplyType::Int16;
            const long long lo = narrow ? std::numeric_limits<std::int16_t>::min() : std::numeric_limits<std::int32_t>::min();
            const long long hi = narrow ? std::numeric_limits<std::int16_t>::max() : std::numeric_limits<std::int32_t>::max();
            if (!v || v.value() < lo || v.value() > hi) return Error{"not a whole number reply: " + std::string(field)};
            return narrow ? Variant::Int16(static_cast<std::int16_t>(v.value()))
                          : Variant::Int32(static_cast<std::int32_t>(v.value()));
        }
        case ReplyType::Real: {
            const Result<double> v = RealNumber(field);
            if (!v) return Error{"not a number reply: " + std::string(field)};
            return Variant::Double(v.value());
        }
    }
    return Error{"unknown reply type"};
}

Result<Variant> ParseArgument(std::string_view text) {
    text = Trim(text);
    if (!text.empty() && text.front() == '"') {
        Result<std::string> s = Unquote(text);
        if (!s) return s.error();
        return Variant::Utf8(s.value());
    }
    if (const Result<long long> whole = WholeNumber(text); whole) {
        if (whole.value() < std::numeric_limits<std::int32_t>::min() || whole.value() > std::numeric_limits<std::int32_t>::max())
            return Variant::Double(static_cast<double>(whole.value()));
        return Variant::Int32(static_cast<std::int32_t>(whole.value()));
    }
    const Result<double> real = RealNumber(text);
    if (!real) return Error{"not a value: " + std::string(text)};
    return Variant::Double(real.value());
}

bool IsCleanLine(std::string_view line) {
    for (char c : line) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b > 0x7E) return false;
    }
    return true;
}

}  // namespace tarvos::wire
