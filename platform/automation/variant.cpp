#include "platform/automation/variant.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <new>
#include <optional>
#include <system_error>
#include <utility>

#include "platform/automation/dispatch.h"

namespace tarvos::automation {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// --- UTF-8 / UTF-16 ------------------------------------------------------------------------

// Both encoders may throw std::bad_alloc; the public entry points decide how to report it.

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
    } else {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    }
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Invalid input is replaced per maximal ill-formed subsequence (the practice Unicode recommends
// and browsers follow), so that one damaged byte never swallows the valid text after it: the
// second byte's allowed range excludes overlong forms, UTF-16 surrogates and values past
// U+10FFFF up front, and a sequence cut short yields one U+FFFD and resumes at the byte that
// broke it.
std::u16string DecodeUtf8(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            out.push_back(lead);
            ++i;
            continue;
        }
        int trail = 0;
        unsigned char lo = 0x80;
        unsigned char hi = 0xBF;
        char32_t cp = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            trail = 1;
            cp = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            trail = 2;
            cp = lead & 0x0F;
            if (lead == 0xE0) lo = 0xA0;  // below: overlong
            if (lead == 0xED) hi = 0x9F;  // above: surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            trail = 3;
            cp = lead & 0x07;
            if (lead == 0xF0) lo = 0x90;  // below: overlong
            if (lead == 0xF4) hi = 0x8F;  // above: past U+10FFFF
        } else {
            // Stray continuation byte, C0/C1 (always overlong) or F5..FF (never valid).
            out.push_back(static_cast<char16_t>(kReplacement));
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        bool complete = true;
        for (int k = 0; k < trail; ++k, ++j) {
            if (j >= n) {
                complete = false;
                break;
            }
            const auto b = static_cast<unsigned char>(text[j]);
            if (b < lo || b > hi) {
                complete = false;
                break;
            }
            lo = 0x80;
            hi = 0xBF;
            cp = (cp << 6) | (b & 0x3F);
        }
        AppendUtf16(out, complete ? cp : kReplacement);
        i = j;
    }
    return out;
}

std::string EncodeUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        char32_t cp = c;
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
                cp = 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) +
                     (static_cast<char32_t>(text[i + 1]) - 0xDC00);
                ++i;
            } else {
                cp = kReplacement;
            }
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            cp = kReplacement;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

// --- Number text -----------------------------------------------------------------------------

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

std::u16string_view Trim(std::u16string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// A decimal number as written: value = (negative ? -1 : 1) * 0.digits * 10^exponent, with
// `digits` free of leading and trailing zeros (empty for zero). Keeping the digits lets the
// integer conversions round the written value exactly instead of an already rounded double:
// "32767.49999999999999999" must give 32767, not Overflow.
struct DecimalText {
    bool negative = false;
    std::string unsignedText;  // the text after the sign, for the double conversion
    std::string digits;
    std::int64_t exponent = 0;
};

// Parses sign, digits, optional fraction and optional exponent covering the whole trimmed text;
// none when the text is anything else. Throws std::bad_alloc only.
std::optional<DecimalText> ParseDecimal(std::u16string_view text) {
    std::u16string_view s = Trim(text);
    DecimalText d;
    std::size_t i = 0;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
        d.negative = s[i] == u'-';
        ++i;
    }
    const std::size_t bodyStart = i;
    std::string mantissa;
    std::size_t intCount = 0;
    while (i < s.size() && IsDigit(s[i])) {
        mantissa.push_back(static_cast<char>(s[i]));
        ++intCount;
        ++i;
    }
    if (i < s.size() && s[i] == u'.') {
        ++i;
        while (i < s.size() && IsDigit(s[i])) {
            mantissa.push_back(static_cast<char>(s[i]));
            ++i;
        }
    }
    if (mantissa.empty()) return std::nullopt;  // "", "+", ".", "-.e5"

    // The exponent saturates: any value past it is far out of every range anyway, and the
    // saturated sum below then cannot overflow.
    constexpr std::int64_t kExponentCap = 1'000'000'000;
    std::int64_t exp = 0;
    if (i < s.size() && (s[i] == u'e' || s[i] == u'E')) {
        ++i;
        bool expNegative = false;
        if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
            expNegative = s[i] == u'-';
            ++i;
        }
        if (i >= s.size() || !IsDigit(s[i])) return std::nullopt;
        while (i < s.size() && IsDigit(s[i])) {
            exp = std::min(exp * 10 + (s[i] - u'0'), kExponentCap);
            ++i;
        }
        if (expNegative) exp = -exp;
    }
    if (i != s.size()) return std::nullopt;

    d.unsignedText.reserve(s.size() - bodyStart);
    for (std::size_t k = bodyStart; k < s.size(); ++k) d.unsignedText.push_back(static_cast<char>(s[k]));

    const std::size_t first = mantissa.find_first_not_of('0');
    if (first != std::string::npos) {
        const std::size_t last = mantissa.find_last_not_of('0');
        d.digits = mantissa.substr(first, last - first + 1);
        d.exponent = static_cast<std::int64_t>(intCount) - static_cast<std::int64_t>(first) + exp;
    }
    return d;
}

// Rounds the written value half to even and checks it against [lo, hi].
Converted<std::int64_t> RoundDecimal(const DecimalText& d, std::int64_t lo, std::int64_t hi) {
    Converted<std::int64_t> r;
    if (d.digits.empty() || d.exponent < 0) return r;  // zero, or below 0.1: rounds to 0
    // From 10^10 on nothing fits any integer type here; also keeps the sum below in range.
    if (d.exponent > 10) {
        r.hr = HResult::Overflow;
        return r;
    }
    const auto intDigits = static_cast<std::size_t>(d.exponent);
    std::int64_t magnitude = 0;
    for (std::size_t k = 0; k < intDigits; ++k) {
        magnitude = magnitude * 10 + (k < d.digits.size() ? d.digits[k] - '0' : 0);
    }
    if (intDigits < d.digits.size()) {
        const char next = d.digits[intDigits];
        // Trailing zeros are stripped, so any digit after a 5 makes it more than half.
        const bool moreThanHalf = next > '5' || (next == '5' && intDigits + 1 < d.digits.size());
        const bool half = next == '5' && intDigits + 1 == d.digits.size();
        if (moreThanHalf || (half && magnitude % 2 != 0)) ++magnitude;
    }
    const std::int64_t value = d.negative ? -magnitude : magnitude;
    if (value < lo || value > hi) {
        r.hr = HResult::Overflow;
        return r;
    }
    r.value = value;
    return r;
}

Converted<double> DecimalToReal(const DecimalText& d) {
    Converted<double> r;
    double v = 0;
    const char* begin = d.unsignedText.data();
    const char* end = begin + d.unsignedText.size();
    const auto [ptr, ec] = std::from_chars(begin, end, v);
    if (ec == std::errc::result_out_of_range) {
        // Too small for a double reads as zero (the nearest value); too large has no value.
        if (d.exponent > 0) {
            r.hr = HResult::Overflow;
            return r;
        }
        v = 0;
    } else if (ec != std::errc{} || ptr != end) {
        r.hr = HResult::TypeMismatch;  // cannot happen after ParseDecimal; never report garbage
        return r;
    }
    r.value = d.negative ? -v : v;
    return r;
}

// Rounds half to even without relying on the floating-point environment's rounding mode, which
// a loaded module may have changed. x - floor(x) is exact for every finite double.
Converted<std::int64_t> RoundDouble(double x, std::int64_t lo, std::int64_t hi) {
    Converted<std::int64_t> r;
    if (!std::isfinite(x)) {
        r.hr = HResult::Overflow;
        return r;
    }
    double rounded = std::floor(x);
    const double fraction = x - rounded;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(rounded, 2.0) != 0)) rounded += 1;
    if (rounded < static_cast<double>(lo) || rounded > static_cast<double>(hi)) {
        r.hr = HResult::Overflow;
        return r;
    }
    r.value = static_cast<std::int64_t>(rounded);
    return r;
}

bool EqualsIgnoringAsciiCase(std::u16string_view a, std::u16string_view lowerB) {
    if (a.size() != lowerB.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char16_t c = a[i];
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
        if (c != lowerB[i]) return false;
    }
    return true;
}

template <class Int>
std::u16string IntegerText(Int v) {
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
    return std::u16string(buffer, result.ptr);
}

std::u16string DoubleText(double v) {
    char buffer[32];  // the shortest round-trip form of any double fits in 24 characters
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
    return std::u16string(buffer, result.ptr);
}

template <class T>
Converted<T> Failure(HResult hr) {
    Converted<T> r;
    r.hr = hr;
    return r;
}

}  // namespace

const char* VarTypeName(VarType t) {
    switch (t) {
        case VarType::Empty: return "Empty";
        case VarType::Int16: return "Integer";
        case VarType::Int32: return "Long";
        case VarType::Double: return "Double";
        case VarType::Bool: return "Boolean";
        case VarType::String: return "String";
        case VarType::Object: return "Object";
        case VarType::Error: return "Error";
        case VarType::Bytes: return "Byte()";
    }
    return "Unknown";
}

// --- Factories -------------------------------------------------------------------------------

Variant Variant::Int16(std::int16_t v) {
    Variant r;
    r.value_.emplace<std::int16_t>(v);
    return r;
}

Variant Variant::Int32(std::int32_t v) {
    Variant r;
    r.value_.emplace<std::int32_t>(v);
    return r;
}

Variant Variant::Double(double v) {
    Variant r;
    r.value_.emplace<double>(v);
    return r;
}

Variant Variant::Bool(bool v) {
    Variant r;
    r.value_.emplace<BoolValue>(BoolValue{static_cast<std::int16_t>(v ? -1 : 0)});
    return r;
}

Variant Variant::String(std::u16string v) {
    Variant r;
    r.value_.emplace<std::u16string>(std::move(v));
    return r;
}

Variant Variant::Utf8(std::string_view v) {
    // Without memory for the text the value carries the failure instead of a silently
    // truncated or empty string.
    try {
        return String(DecodeUtf8(v));
    } catch (const std::bad_alloc&) {
        return ErrorCode(HResult::OutOfMemory);
    }
}

Variant Variant::Object(ComPtr<IUnknown> v) {
    Variant r;
    r.value_.emplace<ComPtr<IUnknown>>(std::move(v));
    return r;
}

Variant Variant::ErrorCode(HResult v) {
    Variant r;
    r.value_.emplace<HResult>(v);
    return r;
}

Variant Variant::Bytes(ByteArray v) {
    Variant r;
    r.value_.emplace<ByteArray>(std::move(v));
    return r;
}

// --- Conversions -----------------------------------------------------------------------------

namespace {

// The shared integer conversion; Int16 and Int32 differ only in the range.
template <class Int>
Converted<Int> ToInteger(VarType type, const Variant& v) {
    constexpr std::int64_t lo = std::numeric_limits<Int>::min();
    constexpr std::int64_t hi = std::numeric_limits<Int>::max();
    Converted<std::int64_t> wide;
    try {
        switch (type) {
            case VarType::Empty: break;
            case VarType::Int16: wide.value = v.AsInt16(); break;
            case VarType::Int32: wide.value = v.AsInt32(); break;
            case VarType::Bool: wide.value = v.AsBool() ? -1 : 0; break;
            case VarType::Double: wide = RoundDouble(v.AsDouble(), lo, hi); break;
            case VarType::String: {
                const auto d = ParseDecimal(v.AsString());
                if (!d) return Failure<Int>(HResult::TypeMismatch);
                wide = RoundDecimal(*d, lo, hi);
                break;
            }
            case VarType::Bytes:
            case VarType::Object:
            case VarType::Error: return Failure<Int>(HResult::TypeMismatch);
        }
    } catch (const std::bad_alloc&) {
        return Failure<Int>(HResult::OutOfMemory);
    }
    if (!wide.ok()) return Failure<Int>(wide.hr);
    if (wide.value < lo || wide.value > hi) return Failure<Int>(HResult::Overflow);
    Converted<Int> r;
    r.value = static_cast<Int>(wide.value);
    return r;
}

}  // namespace

Converted<std::int16_t> Variant::ToInt16() const { return ToInteger<std::int16_t>(Type(), *this); }

Converted<std::int32_t> Variant::ToInt32() const { return ToInteger<std::int32_t>(Type(), *this); }

Converted<double> Variant::ToReal() const {
    Converted<double> r;
    try {
        switch (Type()) {
            case VarType::Empty: break;
            case VarType::Int16: r.value = AsInt16(); break;
            case VarType::Int32: r.value = AsInt32(); break;
            case VarType::Double: r.value = AsDouble(); break;
            case VarType::Bool: r.value = AsBool() ? -1.0 : 0.0; break;
            case VarType::String: {
                const auto d = ParseDecimal(AsString());
                if (!d) return Failure<double>(HResult::TypeMismatch);
                return DecimalToReal(*d);
            }
            case VarType::Bytes:
            case VarType::Object:
            case VarType::Error: return Failure<double>(HResult::TypeMismatch);
        }
    } catch (const std::bad_alloc&) {
        return Failure<double>(HResult::OutOfMemory);
    }
    return r;
}

Converted<bool> Variant::ToBool() const {
    Converted<bool> r;
    try {
        switch (Type()) {
            case VarType::Empty: break;
            case VarType::Int16: r.value = AsInt16() != 0; break;
            case VarType::Int32: r.value = AsInt32() != 0; break;
            case VarType::Double: r.value = !(AsDouble() == 0); break;  // NaN is not zero
            case VarType::Bool: r.value = AsBool(); break;
            case VarType::String: {
                const std::u16string_view text = Trim(AsString());
                if (EqualsIgnoringAsciiCase(text, u"true")) {
                    r.value = true;
                } else if (EqualsIgnoringAsciiCase(text, u"false")) {
                    r.value = false;
                } else {
                    const auto d = ParseDecimal(text);
                    if (!d) return Failure<bool>(HResult::TypeMismatch);
                    // Decided on the written digits, so "1e-400" is true although no double
                    // holds it.
                    r.value = !d->digits.empty();
                }
                break;
            }
            case VarType::Bytes:
            case VarType::Object:
            case VarType::Error: return Failure<bool>(HResult::TypeMismatch);
        }
    } catch (const std::bad_alloc&) {
        return Failure<bool>(HResult::OutOfMemory);
    }
    return r;
}

Converted<std::u16string> Variant::ToString() const {
    Converted<std::u16string> r;
    try {
        switch (Type()) {
            case VarType::Empty: break;
            case VarType::Int16: r.value = IntegerText(AsInt16()); break;
            case VarType::Int32: r.value = IntegerText(AsInt32()); break;
            case VarType::Double: r.value = DoubleText(AsDouble()); break;
            case VarType::Bool: r.value = AsBool() ? u"True" : u"False"; break;
            case VarType::String: r.value = AsString(); break;
            case VarType::Bytes:
            case VarType::Object:
            case VarType::Error: return Failure<std::u16string>(HResult::TypeMismatch);
        }
    } catch (const std::bad_alloc&) {
        return Failure<std::u16string>(HResult::OutOfMemory);
    }
    return r;
}

Converted<std::string> Variant::ToUtf8() const {
    Converted<std::string> r;
    try {
        if (Type() == VarType::String) {
            // Straight from the stored text: no intermediate copy of a possibly large string.
            r.value = EncodeUtf8(AsString());
            return r;
        }
        const Converted<std::u16string> text = ToString();
        if (!text.ok()) return Failure<std::string>(text.hr);
        r.value = EncodeUtf8(text.value);
    } catch (const std::bad_alloc&) {
        return Failure<std::string>(HResult::OutOfMemory);
    }
    return r;
}

Converted<ComPtr<IDispatch>> Variant::ToDispatch() const {
    if (Type() != VarType::Object || !AsObject()) return Failure<ComPtr<IDispatch>>(HResult::TypeMismatch);
    void* raw = nullptr;
    const HResult hr = AsObject()->QueryInterface(IDispatch::kIid, &raw);
    // An object that claims success without handing out a pointer has no usable interface.
    if (Failed(hr) || raw == nullptr) return Failure<ComPtr<IDispatch>>(HResult::TypeMismatch);
    Converted<ComPtr<IDispatch>> r;
    r.value = ComPtr<IDispatch>::Adopt(static_cast<IDispatch*>(raw));
    return r;
}

bool Variant::operator==(const Variant& o) const {
    // Same alternative and equal value: objects by pointer, doubles by == (NaN never equal).
    return value_ == o.value_;
}

// --- Public text conversions ------------------------------------------------------------------

// These signatures have no way to report a failure; without memory they return an empty
// string, which is the only thing they can construct without allocating.
std::u16string Utf8ToUtf16(std::string_view text) {
    try {
        return DecodeUtf8(text);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

std::string Utf16ToUtf8(std::u16string_view text) {
    try {
        return EncodeUtf8(text);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

}  // namespace tarvos::automation
