// 128-bit class and interface identifiers, written as 32 hex digits in groups of 8-4-4-4-12 in braces.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvos::automation {

struct Guid {
    std::array<std::uint8_t, 16> bytes{};  // in the order the text shows them

    bool operator==(const Guid&) const = default;
    auto operator<=>(const Guid&) const = default;

    // Parses the text form, with or without braces, any letter case; none when malformed.
    static std::optional<Guid> Parse(std::string_view text);
    // Upper-case text form with braces.
    std::string ToString() const;
};

// Compile-time identifiers from their text form (braces omitted).
consteval Guid MakeGuid(const char (&text)[37]) {
    Guid g;
    int byte = 0;
    for (int i = 0; i < 36 && byte < 16; ++i) {
        const char c = text[i];
        if (c == '-') continue;
        auto nibble = [](char h) {
            return h >= '0' && h <= '9' ? h - '0' : (h >= 'a' && h <= 'f' ? h - 'a' + 10 : h - 'A' + 10);
        };
        g.bytes[byte] = static_cast<std::uint8_t>(nibble(c) * 16 + nibble(text[i + 1]));
        ++i;
        ++byte;
    }
    return g;
}

}  // namespace tarvos::automation
