#include "kvrlib/pcx_encoding.h"

namespace tarvos::kvrlib {
namespace {

// Windows-1252 at 0x80..0x9F; the five unassigned bytes map to the C1 control of the same value.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t AnsiCharacter(std::uint8_t byte) {
    if (byte >= 0x80 && byte <= 0x9F) return kHighControls[byte - 0x80];
    return static_cast<char16_t>(byte);
}

}  // namespace

std::u16string EncodePcxBytes(const automation::ByteArray& data) {
    std::u16string text;
    text.reserve(data.size() + data.size() / 16);
    // Indexed over the whole array: real screen pictures are far larger than 32 767 bytes.
    for (std::size_t i = 0; i < data.size(); ++i) {
        const std::uint8_t byte = data[i];
        if (byte == 0x41) text += u"AA";
        else if (byte == 0x00) text += u"AB";
        else text += AnsiCharacter(byte);
    }
    return text;
}

}  // namespace tarvos::kvrlib
