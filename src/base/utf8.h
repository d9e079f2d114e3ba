// Decoding one UTF-8 sequence, shared by the text converters and the case-insensitive compare.
// Only well-formed UTF-8 decodes: the lead byte fixes the number of continuation bytes and the
// allowed range of the first one, which rules out overlong forms, encoded surrogates and values
// past U+10FFFF without decoding them first.
//
// Thread contract: pure, callable from any thread; no allocation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tonvo::base {

struct TUtf8Sequence {
    char32_t CodePoint = 0; // meaningful only when Valid
    // Valid: the sequence's length. Otherwise the length of its ill-formed part (at least 1):
    // the lead byte and the continuation bytes that still fitted, so the offending byte may
    // start the next sequence.
    size_t Length = 1;
    bool Valid = false;
};

// The sequence starting at text[i]; i must be inside text.
inline TUtf8Sequence DecodeUtf8(std::string_view text, size_t i) noexcept {
    const auto lead = static_cast<uint8_t>(text[i]);
    if (lead < 0x80) {
        return {lead, 1, true};
    }
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
        lower = lead == 0xE0 ? 0xA0 : 0x80;
        upper = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        needed = 3;
        cp = lead & 0x07u;
        lower = lead == 0xF0 ? 0x90 : 0x80;
        upper = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return {};
    }
    size_t length = 1;
    for (size_t k = 0; k < needed; ++k, ++length) {
        if (i + length >= text.size()) {
            return {0, length, false};
        }
        const auto next = static_cast<uint8_t>(text[i + length]);
        if (next < lower || next > upper) {
            return {0, length, false};
        }
        cp = (cp << 6) | (next & 0x3Fu);
        lower = 0x80;
        upper = 0xBF;
    }
    return {cp, length, true};
}

} // namespace tonvo::base
