#include "platform/locale.h"
#include "platform/text.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>

namespace tonvo::platform {
namespace {

struct Malformed {
    std::string Utf8;
    std::u16string Utf16;
};

class MalformedUtf8 : public testing::TestWithParam<Malformed> {};

TEST_P(MalformedUtf8, EachBadPartBecomesOneReplacementCharacter) {
    EXPECT_EQ(Utf8ToUtf16(GetParam().Utf8), GetParam().Utf16);
}

INSTANTIATE_TEST_SUITE_P(
    Text, MalformedUtf8,
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

TEST(Text, BoundaryCodePointsHaveTheirExactEncodings) {
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\0')), std::string(1, '\0'));
    EXPECT_EQ(Utf16ToUtf8(u"\u007F\u0080"), "\x7F\xC2\x80");
    EXPECT_EQ(Utf16ToUtf8(u"\u07FF\u0800"), "\xDF\xBF\xE0\xA0\x80");
    EXPECT_EQ(Utf16ToUtf8(u"\uFFFF"), "\xEF\xBF\xBF");
    EXPECT_EQ(Utf16ToUtf8(u"\U00010000\U0010FFFF"), "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF");
    EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x8E\xB5"), u"\U0001F3B5");
}

TEST(Text, EveryCodePointSurvivesBothDirections) {
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
        ASSERT_EQ(Utf8ToUtf16(Utf16ToUtf8(utf16)), utf16) << std::hex << static_cast<uint32_t>(cp);
    }
}

TEST(Text, UnpairedSurrogatesBecomeReplacementCharacters) {
    EXPECT_EQ(Utf16ToUtf8(u"a\xD83C"), "a\xEF\xBF\xBD");                 // high at the end
    EXPECT_EQ(Utf16ToUtf8(u"\xD83Cz"), "\xEF\xBF\xBDz");                 // high, then no low
    EXPECT_EQ(Utf16ToUtf8(u"\xDFB5"), "\xEF\xBF\xBD");                   // low alone
    EXPECT_EQ(Utf16ToUtf8(u"\xDFB5\xD83C"), "\xEF\xBF\xBD\xEF\xBF\xBD"); // reversed pair
    EXPECT_EQ(Utf16ToUtf8(u"\xD83C\xD83C\xDFB5"), "\xEF\xBF\xBD\xF0\x9F\x8E\xB5");
}

// Outside Windows the 8-bit code page is Windows-1252.
TEST(CodePage8, DecodesWindows1252) {
    EXPECT_EQ(CodePage8ToUtf8("\x80"), "\xE2\x82\xAC"); // euro sign
    EXPECT_EQ(CodePage8ToUtf8("Caf\xE9"), "Caf\xC3\xA9");
    EXPECT_EQ(CodePage8ToUtf8("\x9F\xA0\xFF"), "\xC5\xB8\xC2\xA0\xC3\xBF");
    EXPECT_EQ(CodePage8ToUtf8("\x81\x8D\x8F\x90\x9D"), "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
    EXPECT_EQ(CodePage8ToUtf8(std::string(1, '\0')), std::string(1, '\0'));
}

TEST(CodePage8, EveryByteDecodesAndEncodesBackToItself) {
    std::string all;
    for (int byte = 0; byte < 256; ++byte) {
        all.push_back(static_cast<char>(byte));
    }
    EXPECT_EQ(Utf8ToCodePage8(CodePage8ToUtf8(all)), all);
}

TEST(CodePage8, CharactersOutsideTheCodePageBecomeOneQuestionMarkEach) {
    EXPECT_EQ(Utf8ToCodePage8("\xE2\x82\xAC 5"), "\x80 5");
    EXPECT_EQ(Utf8ToCodePage8("\xE6\x97\xA5x"), "?x");       // CJK
    EXPECT_EQ(Utf8ToCodePage8("\xF0\x9F\x8E\xB5"), "?");     // one character, two units
    EXPECT_EQ(Utf8ToCodePage8("\xC2\x80\xC2\x81"), "?\x81"); // C1 control without a byte
    EXPECT_EQ(Utf8ToCodePage8("a\xFF"), "a?");               // malformed input
    EXPECT_EQ(Utf8ToCodePage8(""), "");
}

// The system's answer arrives without its terminating null and never looks like a digit or sign.
TEST(Text, DecimalSeparatorIsUsableText) {
    const std::string separator = DecimalSeparator();
    ASSERT_FALSE(separator.empty());
    EXPECT_EQ(separator.find('\0'), std::string::npos);
    EXPECT_EQ(separator.find_first_of("0123456789-+"), std::string::npos);
}

} // namespace
} // namespace tonvo::platform
