// Automation value conversions on arbitrary values: conversions agree with each other (an
// integer is its real rounded, a 16-bit result equals the 32-bit one), a value's text converts
// back to the same value, and UTF-8/UTF-16 conversions reach a fixed point after one round.
#include <cmath>
#include <cstdint>
#include <string>

#include "platform/automation/variant.h"
#include "tests/fuzz/fuzz_input.h"

using namespace tarvos::automation;

namespace {

Variant MakeValue(tarvos::fuzz::FuzzInput& in) {
    switch (in.Byte() % 9) {
        case 0: return Variant();
        case 1: return Variant::Int16(in.Raw<std::int16_t>());
        case 2: return Variant::Int32(in.Raw<std::int32_t>());
        case 3: return Variant::Double(in.Raw<double>());
        case 4: return Variant::Bool(in.Byte() & 1);
        case 5: return Variant::Utf8(in.Rest());
        case 6: {
            std::u16string text;
            while (in.Remaining() >= 2) text.push_back(in.Raw<char16_t>());
            return Variant::String(std::move(text));
        }
        case 7: return Variant::ErrorCode(static_cast<HResult>(in.Raw<std::int32_t>()));
        default: {
            const std::string bytes = in.Rest();
            return Variant::Bytes(ByteArray(bytes.begin(), bytes.end()));
        }
    }
}

void CheckConversionsAgree(const Variant& v) {
    const auto i16 = v.ToInt16();
    const auto i32 = v.ToInt32();
    const auto real = v.ToReal();
    const auto flag = v.ToBool();
    const auto text = v.ToString();
    if (i16.ok()) FUZZ_CHECK(i32.ok() && i32.value == i16.value);
    if (i32.ok()) FUZZ_CHECK(real.ok() && std::fabs(real.value - i32.value) <= 0.5);
    // Strings decide truth on their written digits ("1e-400" is true), every other number on its value.
    if (real.ok() && v.Type() != VarType::String && !std::isnan(real.value))
        FUZZ_CHECK(flag.ok() && flag.value == (real.value != 0));
    FUZZ_CHECK(v.ToUtf8().ok() == text.ok());
    if (v.Type() != VarType::Double || !std::isnan(v.AsDouble())) FUZZ_CHECK(v == v);
}

void CheckTextRoundTrip(const Variant& v) {
    const auto text = v.ToString();
    if (!text.ok() || v.Type() == VarType::String || v.Type() == VarType::Empty) return;
    const Variant back = Variant::String(text.value);
    if (v.Type() == VarType::Bool) {
        FUZZ_CHECK(back.ToBool().ok() && back.ToBool().value == v.AsBool());
        return;
    }
    const double real = v.ToReal().value;
    if (!std::isfinite(real)) return;
    FUZZ_CHECK(back.ToReal().ok() && back.ToReal().value == real);
}

void CheckUnicodeRoundTrip(const Variant& v) {
    if (v.Type() != VarType::String) return;
    const std::string utf8 = Utf16ToUtf8(v.AsString());
    const std::u16string decoded = Utf8ToUtf16(utf8);
    FUZZ_CHECK(Utf16ToUtf8(decoded) == utf8);
    FUZZ_CHECK(Utf8ToUtf16(Utf16ToUtf8(decoded)) == decoded);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tarvos::fuzz::FuzzInput in(data, size);
    const Variant v = MakeValue(in);
    CheckConversionsAgree(v);
    CheckTextRoundTrip(v);
    CheckUnicodeRoundTrip(v);
    return 0;
}
