#include "cli/port_call.h"

#include <cctype>
#include <charconv>
#include <limits>

#include <nlohmann/json.hpp>

namespace tarvos::cli {

using automation::Variant;
using automation::VarType;

namespace {

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

bool IsName(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) return false;
    return true;
}

// Splits "a, "b,c", 3" at the commas outside string literals.
Result<std::vector<std::string_view>> SplitArguments(std::string_view list) {
    std::vector<std::string_view> parts;
    if (Trim(list).empty()) return parts;
    bool quoted = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const char c = list[i];
        if (quoted && c == '\\') ++i;
        else if (c == '"') quoted = !quoted;
        else if (c == ',' && !quoted) {
            parts.push_back(Trim(list.substr(start, i - start)));
            start = i + 1;
        }
    }
    if (quoted) return Error{"unterminated string in the arguments: " + std::string(list)};
    parts.push_back(Trim(list.substr(start)));
    return parts;
}

}  // namespace

Result<Variant> ParsePortValue(std::string_view text) {
    text = Trim(text);
    if (text == "true") return Variant::Bool(true);
    if (text == "false") return Variant::Bool(false);
    if (!text.empty() && text.front() == '"') {
        const auto parsed = nlohmann::json::parse(text, nullptr, false);
        if (!parsed.is_string()) return Error{"not a valid string literal: " + std::string(text)};
        return Variant::Utf8(parsed.get<std::string>());
    }
    const std::string_view digits = (!text.empty() && text.front() == '+') ? text.substr(1) : text;
    std::int32_t whole = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), whole);
    if (ec == std::errc() && end == digits.data() + digits.size() && !digits.empty()) return Variant::Int32(whole);
    double number = 0;
    auto [dend, dec] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (dec == std::errc() && dend == digits.data() + digits.size() && !digits.empty()) return Variant::Double(number);
    return Error{"not a number, true, false or a string in double quotes: " + std::string(text)};
}

Result<PortCall> ParsePortCall(std::string_view text) {
    PortCall call;
    const std::size_t equals = text.find('=');
    const std::size_t paren = text.find('(');
    if (equals != std::string_view::npos && (paren == std::string_view::npos || equals < paren)) {
        call.form = PortCall::Form::Put;
        call.name = std::string(Trim(text.substr(0, equals)));
        Result<Variant> value = ParsePortValue(text.substr(equals + 1));
        if (!value) return value.error();
        call.values.push_back(std::move(value.value()));
    } else if (paren != std::string_view::npos) {
        const std::string_view rest = Trim(text.substr(paren + 1));
        if (rest.empty() || rest.back() != ')') return Error{"missing ')' in: " + std::string(text)};
        call.form = PortCall::Form::Arguments;
        call.name = std::string(Trim(text.substr(0, paren)));
        auto parts = SplitArguments(rest.substr(0, rest.size() - 1));
        if (!parts) return parts.error();
        for (std::string_view part : parts.value()) {
            Result<Variant> value = ParsePortValue(part);
            if (!value) return value.error();
            call.values.push_back(std::move(value.value()));
        }
    } else {
        call.name = std::string(Trim(text));
    }
    if (!IsName(call.name)) return Error{"not a member name: \"" + call.name + "\""};
    return call;
}

std::string PortValueText(const Variant& value) {
    switch (value.Type()) {
        case VarType::Bool: return value.AsBool() ? "true" : "false";
        case VarType::Int16: return std::to_string(value.AsInt16());
        case VarType::Int32: return std::to_string(value.AsInt32());
        case VarType::Double: {
            char buffer[32];
            auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value.AsDouble());
            return ec == std::errc() ? std::string(buffer, end) : std::string("nan");
        }
        case VarType::String:
            return nlohmann::json(automation::Utf16ToUtf8(value.AsString()))
                .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        case VarType::Empty: return "empty";
        case VarType::Object: return "object";
        case VarType::Bytes: return std::to_string(value.AsBytes().size()) + " bytes";
        case VarType::Error: return std::string("error: ") + automation::HResultMessage(value.AsError());
    }
    return "?";
}

}  // namespace tarvos::cli
