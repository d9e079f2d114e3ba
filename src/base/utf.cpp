// The UTF-8 <-> UTF-16 converters; portable, shared by every platform.
#include "base/utf.h"

#include "base/utf8.h"

#include <cstdint>

namespace tonvo::base {
namespace {

void append_utf16(std::u16string& out, char32_t cp) {
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
        out.push_back(static_cast<char16_t>(cp));
    }
}

} // namespace

std::u16string utf8_to_utf16(std::string_view utf8) {
    std::u16string out;
    // Never more code units than input bytes.
    out.reserve(utf8.size());
    const size_t size = utf8.size();
    size_t i = 0;
    while (i < size) {
        append_utf16(out, decode_utf8(utf8, i));
    }
    return out;
}

std::string utf16_to_utf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    const size_t size = utf16.size();
    for (size_t i = 0; i < size; ++i) {
        const char16_t unit = utf16[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < size && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            const char32_t high = unit - 0xD800u;
            const char32_t low = utf16[i + 1] - 0xDC00u;
            append_utf8(out, 0x10000 + ((high << 10) | low));
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            append_utf8(out, kReplacementCharacter);
        } else {
            append_utf8(out, unit);
        }
    }
    return out;
}

std::string path_to_utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::filesystem::path path_from_utf8(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

} // namespace tonvo::base
