// Decoding and encoding UTF-8, the one decoder every layer uses: the text converters, the
// case-insensitive compare and the editor's text layout and fields. Only well-formed UTF-8
// decodes: the lead byte fixes the number of continuation bytes and the allowed range of the
// first one, which rules out overlong forms, encoded surrogates and values past U+10FFFF without
// decoding them first.
//
// Thread contract: pure, callable from any thread. Decoding never allocates; append_utf8 grows
// its string.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tonvo::base {

constexpr char32_t kReplacementCharacter = U'\uFFFD';

struct Utf8Sequence {
    char32_t code_point = 0; // meaningful only when valid
    // Valid: the sequence's length. Otherwise the length of its ill-formed part (at least 1):
    // the lead byte and the continuation bytes that still fitted, so the offending byte may
    // start the next sequence.
    size_t length = 1;
    bool valid = false;
};

// The sequence starting at text[i]; i must be inside text. Never reads at or past text.size().
inline Utf8Sequence decode_utf8_sequence(std::string_view text, size_t i) noexcept {
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

// Decodes the code point starting at `pos` (< text.size()) and moves `pos` past it. An
// ill-formed sequence gives kReplacementCharacter and consumes its ill-formed part, so each
// broken sequence stands for one replacement.
inline char32_t decode_utf8(std::string_view text, size_t& pos) noexcept {
    const Utf8Sequence sequence = decode_utf8_sequence(text, pos);
    pos += sequence.length;
    return sequence.valid ? sequence.code_point : kReplacementCharacter;
}

// Appends the UTF-8 form of a code point; a surrogate or a value past U+10FFFF, which has
// none, appends kReplacementCharacter.
inline void append_utf8(std::string& out, char32_t cp) {
    if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
        cp = kReplacementCharacter;
    }
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

} // namespace tonvo::base
