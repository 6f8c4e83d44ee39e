// The BER figures the drivers deliver only as text: the exponent in the response string
// ("2.0E-04 (3/15000)") and the error and bit counts in the postfix ("(3/15000)", with counts
// such as 1K23, 12K3 or 4M70 scaled by K, M or G).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tarvos::kvrlib {

// The digits between the sign after the first "E" and the first "(": the magnitude of the
// exponent. None when the text does not have that shape.
std::optional<std::int32_t> BerExponentOf(std::u16string_view response);

// A count with an optional scale letter: "250" is 250, "1K23" 1230, "12K3" 12300, "123K"
// 123000, "4M70" 4700000; none when unreadable or beyond the 32-bit range.
std::optional<std::int32_t> ParseScaledCount(std::u16string_view text);

// The counter (first figure) or its maximum (second figure) of a postfix such as "(3/15000)".
std::optional<std::int32_t> BerCountOf(std::u16string_view postfix, bool maximum);

}  // namespace tarvos::kvrlib
