#include "base/utf.h"
#include "base/utf8.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>

namespace tonvo::base {
namespace {

struct Malformed {
    std::string Utf8;
    std::u16string Utf16;
};

class MalformedUtf8 : public testing::TestWithParam<Malformed> {};

TEST_P(MalformedUtf8, EachBadPartBecomesOneReplacementCharacter) {
    EXPECT_EQ(utf8_to_utf16(GetParam().Utf8), GetParam().Utf16);
}

INSTANTIATE_TEST_SUITE_P(
    Utf, MalformedUtf8,
    testing::Values(Malformed{"\x80", u"\uFFFD"},                     // stray continuation
                    Malformed{"a\xE2\x82", u"a\uFFFD"},               // truncated at the end
                    Malformed{"\xE2\x82z", u"\uFFFDz"},               // truncated mid-text
                    Malformed{"\xF0\x9F\x8E", u"\uFFFD"},             // 4-byte form cut short
                    Malformed{"\xC0\xAF", u"\uFFFD\uFFFD"},           // overlong '/'
                    Malformed{"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"}, // overlong, 3 bytes
                    Malformed{"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"}, // encoded surrogate
                    Malformed{"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, // > U+10FFFF
                    Malformed{"\xF5\xFE\xFF", u"\uFFFD\uFFFD\uFFFD"},           // never-valid bytes
                    Malformed{std::string("\xC3\0", 2), std::u16string(u"\uFFFD\0", 2)}));

TEST(Utf, BoundaryCodePointsHaveTheirExactEncodings) {
    EXPECT_EQ(utf16_to_utf8(std::u16string(1, u'\0')), std::string(1, '\0'));
    EXPECT_EQ(utf16_to_utf8(u"\u007F\u0080"), "\x7F\xC2\x80");
    EXPECT_EQ(utf16_to_utf8(u"\u07FF\u0800"), "\xDF\xBF\xE0\xA0\x80");
    EXPECT_EQ(utf16_to_utf8(u"\uFFFF"), "\xEF\xBF\xBF");
    EXPECT_EQ(utf16_to_utf8(u"\U00010000\U0010FFFF"), "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF");
    EXPECT_EQ(utf8_to_utf16("\xF0\x9F\x8E\xB5"), u"\U0001F3B5");
}

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
    }
}

TEST(Utf, UnpairedSurrogatesBecomeReplacementCharacters) {
    EXPECT_EQ(utf16_to_utf8(u"a\xD83C"), "a\xEF\xBF\xBD");                 // high at the end
    EXPECT_EQ(utf16_to_utf8(u"\xD83Cz"), "\xEF\xBF\xBDz");                 // high, then no low
    EXPECT_EQ(utf16_to_utf8(u"\xDFB5"), "\xEF\xBF\xBD");                   // low alone
    EXPECT_EQ(utf16_to_utf8(u"\xDFB5\xD83C"), "\xEF\xBF\xBD\xEF\xBF\xBD"); // reversed pair
    EXPECT_EQ(utf16_to_utf8(u"\xD83C\xD83C\xDFB5"), "\xEF\xBF\xBD\xF0\x9F\x8E\xB5");
}

TEST(Utf8, DecodesWithOneReplacementPerBrokenSequence) {
    const auto decode = [](std::string_view text) {
        std::u32string out;
        size_t pos = 0;
        while (pos < text.size())
            out += decode_utf8(text, pos);
        return out;
    };
    constexpr char32_t R = kReplacementCharacter;
    EXPECT_EQ(decode("A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF"),
              (std::u32string{U'A', 0xE9, 0x20AC, 0x1F600, 0x10FFFF}));
    EXPECT_EQ(decode("\x80z"), (std::u32string{R, U'z'}));               // stray continuation
    EXPECT_EQ(decode("\xC0\xAF"), (std::u32string{R, R}));               // overlong '/'
    EXPECT_EQ(decode("\xE0\x80\xAF"), (std::u32string{R, R, R}));        // overlong, 3 bytes
    EXPECT_EQ(decode("\xED\xA0\x80"), (std::u32string{R, R, R}));        // surrogate
    EXPECT_EQ(decode("\xF4\x90\x80\x80"), (std::u32string{R, R, R, R})); // past U+10FFFF
    EXPECT_EQ(decode("\xE2\x82z"), (std::u32string{R, U'z'}));           // truncated, then ASCII
    EXPECT_EQ(decode("\xF5\xFF"), (std::u32string{R, R}));

    // A sequence cut by the end of the view is not completed from the bytes behind it.
    const std::string euro = "\xE2\x82\xAC";
    const std::string_view cut(euro.data(), 2);
    EXPECT_EQ(decode(cut), std::u32string{R});
}

// The encoder and the decoder agree on every code point, and what has no UTF-8 form is written
// as U+FFFD rather than as bytes the decoder would refuse.
TEST(Utf8, EveryCodePointEncodesToWhatDecodesBack) {
    for (char32_t cp = 0; cp <= 0x10FFFF; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF) {
            continue;
        }
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

} // namespace
} // namespace tonvo::base
