#include "kvrlib/ber_text.h"

#include <cmath>
#include <limits>
#include <string>

#include "platform/automation/variant.h"

namespace tarvos::kvrlib {
namespace {

using automation::Variant;

std::u16string_view Trim(std::u16string_view s) {
    const auto first = s.find_first_not_of(u' ');
    if (first == std::u16string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(u' ') - first + 1);
}

// The integer value of a text by the automation rules (surrounding spaces allowed, a
// fraction rounded half to even); none when it is not a number.
std::optional<std::int32_t> IntegerOf(std::u16string_view text) {
    const auto converted = Variant::String(std::u16string(text)).ToInt32();
    if (!converted.ok()) return std::nullopt;
    return converted.value;
}

}  // namespace

std::optional<std::int32_t> BerExponentOf(std::u16string_view r) {
    const std::size_t e = r.find(u'E');
    const std::size_t paren = r.find(u'(');
    // 1-based: s = position of "E" + 2, p = position of "("; the p - s characters from s.
    const long long s = (e == std::u16string_view::npos ? 0 : static_cast<long long>(e) + 1) + 2;
    const long long p = paren == std::u16string_view::npos ? 0 : static_cast<long long>(paren) + 1;
    if (p - s < 0 || s - 1 > static_cast<long long>(r.size())) return std::nullopt;
    return IntegerOf(r.substr(static_cast<std::size_t>(s - 1), static_cast<std::size_t>(p - s)));
}

std::optional<std::int32_t> ParseScaledCount(std::u16string_view text) {
    std::size_t at = text.find(u'K');
    double multiplier = 1e3;
    if (at == std::u16string_view::npos) {
        at = text.find(u'M');
        multiplier = 1e6;
    }
    if (at == std::u16string_view::npos) {
        at = text.find(u'G');
        multiplier = 1e9;
    }
    if (at == std::u16string_view::npos) return IntegerOf(text);
    const std::size_t k = at + 1;  // 1-based position of the letter
    const auto whole = IntegerOf(text.substr(0, k - 1));
    if (!whole) return std::nullopt;
    std::int32_t fraction = 0;
    if (k != 4) {
        const auto digits = IntegerOf(text.substr(k));
        if (!digits) return std::nullopt;
        fraction = *digits;
    }
    const double divisor = k == 2 ? 100 : 10;
    // The whole part times the multiplier is a 32-bit product: beyond the range it fails.
    const double product = static_cast<double>(*whole) * multiplier;
    if (product > std::numeric_limits<std::int32_t>::max() || product < std::numeric_limits<std::int32_t>::min())
        return std::nullopt;
    const auto result = Variant::Double(multiplier / divisor * fraction + product).ToInt32();
    if (!result.ok()) return std::nullopt;
    return result.value;
}

std::optional<std::int32_t> BerCountOf(std::u16string_view postfix, bool maximum) {
    std::u16string_view t = Trim(postfix);
    if (t.empty()) return std::nullopt;
    t = maximum ? t.substr(0, t.size() - 1) : t.substr(1);
    const std::size_t slash = t.find(u'/');
    if (!maximum) return ParseScaledCount(Trim(t.substr(0, slash)));
    if (slash == std::u16string_view::npos) return std::nullopt;
    const std::u16string_view second = t.substr(slash + 1);
    return ParseScaledCount(Trim(second.substr(0, second.find(u'/'))));
}

}  // namespace tarvos::kvrlib
