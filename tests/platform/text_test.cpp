#include "platform/locale.h"
#include "platform/text.h"

#include <gtest/gtest.h>
#include <string>

namespace tonvo::platform {
namespace {

// Outside Windows the 8-bit code page is Windows-1252.
TEST(CodePage8, DecodesWindows1252) {
    EXPECT_EQ(code_page8_to_utf8("\x80"), "\xE2\x82\xAC"); // euro sign
    EXPECT_EQ(code_page8_to_utf8("Caf\xE9"), "Caf\xC3\xA9");
    EXPECT_EQ(code_page8_to_utf8("\x9F\xA0\xFF"), "\xC5\xB8\xC2\xA0\xC3\xBF");
    EXPECT_EQ(code_page8_to_utf8("\x81\x8D\x8F\x90\x9D"),
              "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
    EXPECT_EQ(code_page8_to_utf8(std::string(1, '\0')), std::string(1, '\0'));
}

TEST(CodePage8, EveryByteDecodesAndEncodesBackToItself) {
    std::string all;
    for (int byte = 0; byte < 256; ++byte) {
        all.push_back(static_cast<char>(byte));
    }
    EXPECT_EQ(utf8_to_code_page8(code_page8_to_utf8(all)), all);
}

TEST(CodePage8, CharactersOutsideTheCodePageBecomeOneQuestionMarkEach) {
    EXPECT_EQ(utf8_to_code_page8("\xE2\x82\xAC 5"), "\x80 5");
    EXPECT_EQ(utf8_to_code_page8("\xE6\x97\xA5x"), "?x");       // CJK
    EXPECT_EQ(utf8_to_code_page8("\xF0\x9F\x8E\xB5"), "?");     // one character, two units
    EXPECT_EQ(utf8_to_code_page8("\xC2\x80\xC2\x81"), "?\x81"); // C1 control without a byte
    EXPECT_EQ(utf8_to_code_page8("a\xFF"), "a?");               // malformed input
    EXPECT_EQ(utf8_to_code_page8(""), "");
}

// The system's answer arrives without its terminating null and never looks like a digit or sign.
TEST(Locale, DecimalSeparatorIsUsableText) {
    const std::string separator = decimal_separator();
    ASSERT_FALSE(separator.empty());
    EXPECT_EQ(separator.find('\0'), std::string::npos);
    EXPECT_EQ(separator.find_first_of("0123456789-+"), std::string::npos);
}

} // namespace
} // namespace tonvo::platform
