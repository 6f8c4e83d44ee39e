// The automation value: empty, 16- and 32-bit integers, double, Boolean, UTF-16 string, object
// reference or error code, with the automation conversion rules. A conversion that cannot be
// made reports TypeMismatch or Overflow; it never yields a silent 0.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/automation/hresult.h"
#include "platform/automation/unknown.h"

namespace tarvos::automation {

class IDispatch;

enum class VarType { Empty, Int16, Int32, Double, Bool, String, Object, Error, Bytes };

const char* VarTypeName(VarType t);  // "Empty", "Integer", "Long", "Double", "Boolean", ...

using ByteArray = std::vector<std::uint8_t>;

// A converted value, or the code that says why there is none.
template <class T>
struct Converted {
    HResult hr = HResult::Ok;
    T value{};
    bool ok() const { return hr == HResult::Ok; }
};

class Variant {
public:
    Variant() = default;
    static Variant Int16(std::int16_t v);
    static Variant Int32(std::int32_t v);
    static Variant Double(double v);
    static Variant Bool(bool v);
    static Variant String(std::u16string v);
    static Variant Utf8(std::string_view v);
    static Variant Object(ComPtr<IUnknown> v);
    static Variant ErrorCode(HResult v);
    // A byte array: passed between the library and the drivers only (screen pictures); it
    // converts to nothing else.
    static Variant Bytes(ByteArray v);

    VarType Type() const { return static_cast<VarType>(value_.index()); }
    bool IsEmpty() const { return Type() == VarType::Empty; }

    // Conversions by the automation rules: to integers rounding half to even and failing with
    // Overflow outside the range; to Boolean any non-zero number is true (true reads as -1);
    // strings parse as numbers ("True"/"False" for Boolean); numbers write as text.
    Converted<std::int16_t> ToInt16() const;
    Converted<std::int32_t> ToInt32() const;
    Converted<double> ToReal() const;
    Converted<bool> ToBool() const;
    Converted<std::u16string> ToString() const;
    Converted<std::string> ToUtf8() const;
    // The object's dispatch interface; TypeMismatch for anything but an object.
    Converted<ComPtr<IDispatch>> ToDispatch() const;

    // The value as stored (for a caller that checked Type()).
    std::int16_t AsInt16() const { return std::get<std::int16_t>(value_); }
    std::int32_t AsInt32() const { return std::get<std::int32_t>(value_); }
    double AsDouble() const { return std::get<double>(value_); }
    bool AsBool() const { return std::get<BoolValue>(value_).v != 0; }
    const std::u16string& AsString() const { return std::get<std::u16string>(value_); }
    const ComPtr<IUnknown>& AsObject() const { return std::get<ComPtr<IUnknown>>(value_); }
    HResult AsError() const { return std::get<HResult>(value_); }
    const ByteArray& AsBytes() const { return std::get<ByteArray>(value_); }

    bool operator==(const Variant& o) const;

private:
    // The automation Boolean is stored as its 16-bit value: -1 true, 0 false.
    struct BoolValue {
        std::int16_t v = 0;
        bool operator==(const BoolValue&) const = default;
    };
    std::variant<std::monostate, std::int16_t, std::int32_t, double, BoolValue, std::u16string,
                 ComPtr<IUnknown>, HResult, ByteArray>
        value_;
};

std::u16string Utf8ToUtf16(std::string_view text);  // invalid sequences become U+FFFD
std::string Utf16ToUtf8(std::u16string_view text);  // unpaired surrogates become U+FFFD

}  // namespace tarvos::automation
