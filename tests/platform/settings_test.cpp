#include "platform/settings_text.h"

#include <gtest/gtest.h>
#include <limits>
#include <optional>
#include <string>
#include <utility>

namespace tonvo::platform {
namespace {

TEST(SettingsText, OnlyCompleteSigned32BitDecimalTextIsANumber) {
    EXPECT_EQ(parse_decimal_int32("1"), 1);
    EXPECT_EQ(parse_decimal_int32("-2"), -2);
    EXPECT_EQ(parse_decimal_int32(" \t007\r\n"), 7);
    EXPECT_EQ(parse_decimal_int32("2147483647"), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(parse_decimal_int32("-2147483648"), std::numeric_limits<int32_t>::min());
    for (const char* garbage : {"", " ", "-", "+1", "2147483648", "-2147483649", "1x", "0x10",
                                "1 2", "1.0", "--1", "abc", "\xEF\xBC\x91" /* fullwidth 1 */}) {
        EXPECT_EQ(parse_decimal_int32(garbage), std::nullopt) << garbage;
    }
}

TEST(SettingsText, ValuesAreFoundInTheirSectionWithoutRegardToCase) {
    const IniText document("Style=9\n"
                           "; Style=8\n"
                           "[Other]\n"
                           "Style=7\n"
                           "  [ config ]  ; trailing words\n"
                           "  style = 1 \n"
                           "Style=2\n"
                           "=5\n"
                           "not an entry\n"
                           "[Config]\n"
                           "LowestOctave=-2");
    EXPECT_EQ(document.Find("Config", "Style"), " 1 ");
    EXPECT_EQ(document.Find("CONFIG", "lowestoctave"), "-2");
    EXPECT_EQ(document.Find("Other", "Style"), "7");
    EXPECT_EQ(document.Find("Config", "Missing"), std::nullopt);
    EXPECT_EQ(document.Find("Missing", "Style"), std::nullopt);
    EXPECT_EQ(document.Find("Config", ""), std::nullopt);
}

TEST(SettingsText, SettingKeepsEveryOtherLineAndTheNameAsWritten) {
    IniText document("; written by hand\n"
                     "[Config]\n"
                     "  STYLE = 3\n"
                     "Other=x\n"
                     "\n"
                     "# about the next section\n"
                     "[Window]\n"
                     "Left=10\n");
    EXPECT_TRUE(document.Set("config", "style", "1"));
    EXPECT_TRUE(document.Set("Config", "LowestOctave", "-2"));
    EXPECT_TRUE(document.Set("Colors", "Key", "5"));
    EXPECT_EQ(document.Text(), "; written by hand\n"
                               "[Config]\n"
                               "  STYLE =1\n"
                               "Other=x\n"
                               "LowestOctave=-2\n"
                               "\n"
                               "# about the next section\n"
                               "[Window]\n"
                               "Left=10\n"
                               "\n"
                               "[Colors]\n"
                               "Key=5\n");
}

TEST(SettingsText, EditsKeepLineEndsAndAByteOrderMark) {
    IniText windows("\xEF\xBB\xBF[Config]\r\nStyle=3\r\nLast=1");
    EXPECT_EQ(windows.Find("Config", "Style"), "3");
    EXPECT_TRUE(windows.Set("Config", "Style", "4"));
    EXPECT_TRUE(windows.Set("Config", "New", "5"));
    EXPECT_EQ(windows.Text(), "\xEF\xBB\xBF[Config]\r\nStyle=4\r\nLast=1\r\nNew=5\r\n");

    IniText empty("");
    EXPECT_TRUE(empty.Set("Config", "Style", "1"));
    EXPECT_EQ(empty.Text(), "[Config]\nStyle=1\n");
}

TEST(SettingsText, NamesThatWouldNotReadBackAreRefused) {
    IniText document("[Config]\nStyle=1\n");
    using Names = std::pair<const char*, const char*>;
    for (const auto& [section, name] : std::initializer_list<Names>{{"Config", "a=b"},
                                                                    {"Config", "a\nb"},
                                                                    {"Config", " Style"},
                                                                    {"Config", ";Style"},
                                                                    {"Config", ""},
                                                                    {"Con]fig", "Style"},
                                                                    {"", "Style"},
                                                                    {"Config\r", "Style"}}) {
        EXPECT_FALSE(document.Set(section, name, "2")) << section << "/" << name;
    }
    EXPECT_FALSE(document.Set("Config", "Style", "2\n[Injected]"));
    EXPECT_EQ(document.Text(), "[Config]\nStyle=1\n");
}

} // namespace
} // namespace tonvo::platform
