// Strict reading of the numbers given on the command line: the whole text must be one plain
// decimal number, read the same way whatever the user's locale says.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/result.h"

namespace tarvos::cli {

// A finite decimal or exponent number with an optional leading sign ('+' accepted); no
// surrounding white space, no trailing characters. `option` names the option in the message.
Result<double> ParseDoubleOption(std::string_view option, std::string_view text);

// A whole decimal number in the 32-bit range, same rules.
Result<std::int32_t> ParseIntOption(std::string_view option, std::string_view text);

// A bit error ratio: a number above 0 and at most 1.
Result<double> ParseBerOption(std::string_view option, std::string_view text);

// When the option was given, reads it into `value`; otherwise `value` keeps its default.
Status ReadOptionalNumber(std::string_view option, const std::optional<std::string>& text,
                          double& value);
Status ReadOptionalBer(std::string_view option, const std::optional<std::string>& text,
                       double& value);

}  // namespace tarvos::cli
