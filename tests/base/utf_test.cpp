#include "base/utf.h"
#include "base/utf8.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>

namespace tonvo::base {
namespace {

// Each broken part of the UTF-8 input becomes one U+FFFD, from the decoder and from the UTF-16
// converter built on it alike.
TEST(Utf8, EachBrokenPartDecodesToOneReplacementCharacter) {
    const auto decode = [](std::string_view text) {
        std::u32string out;
        size_t pos = 0;
        while (pos < text.size())
            out += decode_utf8(text, pos);
        return out;
    };
    EXPECT_EQ(decode("A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF"),
              (std::u32string{U'A', 0xE9, 0x20AC, 0x1F600, 0x10FFFF}));

    constexpr char32_t R = kReplacementCharacter;
    // A sequence cut by the end of the view is not completed from the bytes behind it.
    const std::string euro = "\xE2\x82\xAC";
    struct Broken {
        std::string_view utf8;
        std::u32string decoded;
        const char* what;
    };
    const Broken rows[] = {
        {"\x80z", {R, U'z'}, "stray continuation"},
        {"a\xE2\x82", {U'a', R}, "truncated at the end"},
        {"\xE2\x82z", {R, U'z'}, "truncated mid-text"},
        {"\xF0\x9F\x8E", {R}, "4-byte form cut short"},
        {"\xC0\xAF", {R, R}, "overlong '/'"},
        {"\xE0\x80\xAF", {R, R, R}, "overlong, 3 bytes"},
        {"\xED\xA0\x80", {R, R, R}, "encoded surrogate"},
        {"\xF4\x90\x80\x80", {R, R, R, R}, "past U+10FFFF"},
        {"\xF5\xFE\xFF", {R, R, R}, "never-valid bytes"},
        {std::string_view("\xC3\0", 2), {R, U'\0'}, "a lead byte before a NUL"},
        {std::string_view(euro.data(), 2), {R}, "cut by the end of the view"},
    };
    for (const Broken& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(decode(row.utf8), row.decoded);
        EXPECT_EQ(utf8_to_utf16(row.utf8), std::u16string(row.decoded.begin(), row.decoded.end()));
    }
}

TEST(Utf, BoundaryCodePointsHaveTheirExactEncodings) {
    EXPECT_EQ(utf16_to_utf8(std::u16string(1, u'\0')), std::string(1, '\0'));
    EXPECT_EQ(utf16_to_utf8(u"\u007F\u0080"), "\x7F\xC2\x80");
    EXPECT_EQ(utf16_to_utf8(u"\u07FF\u0800"), "\xDF\xBF\xE0\xA0\x80");
    EXPECT_EQ(utf16_to_utf8(u"\uFFFF"), "\xEF\xBF\xBF");
    EXPECT_EQ(utf16_to_utf8(u"\U00010000\U0010FFFF"), "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF");
    EXPECT_EQ(utf8_to_utf16("\xF0\x9F\x8E\xB5"), u"\U0001F3B5");
}

// Every code point survives UTF-16 to UTF-8 and back, and the encoder and the decoder agree on
// it; what has no UTF-8 form is written as U+FFFD rather than as bytes the decoder would refuse.
TEST(Utf, EveryCodePointSurvivesBothDirections) {
    for (char32_t cp = 0; cp <= 0x10FFFF; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF) {
            continue;
        }
        std::u16string utf16;
        if (cp >= 0x10000) {
            utf16 = {static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)),
                     static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF))};
        } else {
            utf16 = {static_cast<char16_t>(cp)};
        }
        ASSERT_EQ(utf8_to_utf16(utf16_to_utf8(utf16)), utf16)
            << std::hex << static_cast<uint32_t>(cp);
        std::string bytes;
        append_utf8(bytes, cp);
        const Utf8Sequence sequence = decode_utf8_sequence(bytes, 0);
        ASSERT_TRUE(sequence.valid) << std::hex << static_cast<uint32_t>(cp);
        ASSERT_EQ(sequence.code_point, cp);
        ASSERT_EQ(sequence.length, bytes.size());
    }
    for (const char32_t none : {char32_t{0xD800}, char32_t{0xDFFF}, char32_t{0x110000}}) {
        std::string bytes = "a";
        append_utf8(bytes, none);
        EXPECT_EQ(bytes, "a\xEF\xBF\xBD") << std::hex << static_cast<uint32_t>(none);
    }
}

TEST(Utf, UnpairedSurrogatesBecomeReplacementCharacters) {
    EXPECT_EQ(utf16_to_utf8(u"a\xD83C"), "a\xEF\xBF\xBD");                 // high at the end
    EXPECT_EQ(utf16_to_utf8(u"\xD83Cz"), "\xEF\xBF\xBDz");                 // high, then no low
    EXPECT_EQ(utf16_to_utf8(u"\xDFB5"), "\xEF\xBF\xBD");                   // low alone
    EXPECT_EQ(utf16_to_utf8(u"\xDFB5\xD83C"), "\xEF\xBF\xBD\xEF\xBF\xBD"); // reversed pair
    EXPECT_EQ(utf16_to_utf8(u"\xD83C\xD83C\xDFB5"), "\xEF\xBF\xBD\xF0\x9F\x8E\xB5");
}

} // namespace
} // namespace tonvo::base
