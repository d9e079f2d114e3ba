// The 8-bit code page outside Windows is Windows-1252: state blocks and scale files written by
// the Windows build on a Western system read back the same here.
#include "base/utf.h"
#include "platform/text.h"

#include <array>
#include <cstdint>

namespace tonvo::platform {
namespace {

// Bytes 0x80..0x9F. The five bytes Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90,
// 0x9D) stand for the C1 control with the same number, so every byte decodes to something and
// encodes back to itself.
constexpr std::array<char16_t, 32> kSpecials = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char encode_unit(char16_t unit) {
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) {
        return static_cast<char>(unit);
    }
    for (size_t i = 0; i < kSpecials.size(); ++i) {
        if (kSpecials[i] == unit) {
            return static_cast<char>(0x80 + i);
        }
    }
    return '?';
}

} // namespace

std::string code_page8_to_utf8(std::string_view bytes) {
    std::u16string utf16;
    utf16.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<uint8_t>(c);
        utf16.push_back(byte >= 0x80 && byte <= 0x9F ? kSpecials[byte - 0x80u] : byte);
    }
    return base::utf16_to_utf8(utf16);
}

std::string utf8_to_code_page8(std::string_view utf8) {
    const std::u16string utf16 = base::utf8_to_utf16(utf8);
    std::string out;
    out.reserve(utf16.size());
    for (size_t i = 0; i < utf16.size(); ++i) {
        const char16_t unit = utf16[i];
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            // utf8_to_utf16 only produces whole pairs; the character is beyond the code page.
            out.push_back('?');
            ++i;
        } else {
            out.push_back(encode_unit(unit));
        }
    }
    return out;
}

} // namespace tonvo::platform
