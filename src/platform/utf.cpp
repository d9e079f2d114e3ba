// The UTF-8 <-> UTF-16 converters; portable, shared by every platform.
#include "platform/text.h"

#include <cstdint>

namespace tonvo::platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
        out.push_back(static_cast<char16_t>(cp));
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

} // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    // Never more code units than input bytes.
    out.reserve(utf8.size());
    const size_t size = utf8.size();
    size_t i = 0;
    while (i < size) {
        const auto lead = static_cast<uint8_t>(utf8[i]);
        ++i;
        if (lead < 0x80) {
            out.push_back(lead);
            continue;
        }
        // The lead byte fixes the number of continuation bytes and the allowed range of the
        // first one; narrowing that range rules out overlong forms, encoded surrogates and
        // values past U+10FFFF without decoding them first.
        size_t needed = 0;
        uint8_t lower = 0x80;
        uint8_t upper = 0xBF;
        char32_t cp = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            needed = 1;
            cp = lead & 0x1Fu;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            needed = 2;
            cp = lead & 0x0Fu;
            if (lead == 0xE0) {
                lower = 0xA0;
            } else if (lead == 0xED) {
                upper = 0x9F;
            }
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            needed = 3;
            cp = lead & 0x07u;
            if (lead == 0xF0) {
                lower = 0x90;
            } else if (lead == 0xF4) {
                upper = 0x8F;
            }
        } else {
            out.push_back(static_cast<char16_t>(kReplacement));
            continue;
        }
        bool complete = true;
        for (size_t k = 0; k < needed; ++k) {
            if (i >= size) {
                complete = false;
                break;
            }
            const auto next = static_cast<uint8_t>(utf8[i]);
            if (next < lower || next > upper) {
                // The offending byte is not consumed: it may start the next character.
                complete = false;
                break;
            }
            cp = (cp << 6) | (next & 0x3Fu);
            ++i;
            lower = 0x80;
            upper = 0xBF;
        }
        AppendUtf16(out, complete ? cp : kReplacement);
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    const size_t size = utf16.size();
    for (size_t i = 0; i < size; ++i) {
        const char16_t unit = utf16[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < size && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            const char32_t high = unit - 0xD800u;
            const char32_t low = utf16[i + 1] - 0xDC00u;
            AppendUtf8(out, 0x10000 + ((high << 10) | low));
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            AppendUtf8(out, kReplacement);
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

} // namespace tonvo::platform
