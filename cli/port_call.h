// The calls of "tarvos port": Name (get, or a method without arguments), Name=VALUE (put),
// Name(ARG,...) (method, or a get with arguments), with numbers, true/false and double-quoted
// strings as values; and the text a call's value prints as.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/automation/variant.h"
#include "platform/result.h"

namespace tarvos::cli {

struct PortCall {
    enum class Form { Plain, Put, Arguments };
    std::string name;
    Form form = Form::Plain;
    std::vector<automation::Variant> values;  // the put's value, or the arguments
};

// A call as written on the command line; a message names what is wrong with it.
Result<PortCall> ParsePortCall(std::string_view text);
// One value: an integer (Long), another number (double), true, false, or a JSON string literal.
Result<automation::Variant> ParsePortValue(std::string_view text);

// Doubles with round-trip precision, Booleans as true/false, strings as JSON string literals.
std::string PortValueText(const automation::Variant& value);

}  // namespace tarvos::cli
