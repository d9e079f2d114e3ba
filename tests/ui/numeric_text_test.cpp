// The numeric edit's rules key by key, its clipboard and value handling, and IntToText.
#include "ui/int_to_text.h"
#include "ui/numeric_text.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace tonvo::ui {
namespace {

constexpr char32_t kDelete = 0x7F; // stands for the Delete key in the key strings below
constexpr char32_t kCtrlA = 0x01;

void press(NumericText& edit, const std::u32string& keys) {
    for (const char32_t key : keys) {
        if (key == kDelete)
            edit.delete_key();
        else
            edit.type_char(key);
    }
}

// A field starting from `start` with the caret at `caret`, typed `keys` into.
struct Keys {
    int decimals;
    double start;
    size_t caret;
    std::u32string keys;
    std::string text;
    size_t caret_after;
};

void PrintTo(const Keys& k, std::ostream* os) {
    *os << k.start << " (" << k.decimals << " decimals) at " << k.caret << ", " << k.keys.size()
        << " keys";
}

class Typing : public testing::TestWithParam<Keys> {};

TEST_P(Typing, GivesTextAndCaret) {
    const Keys& k = GetParam();
    NumericText edit;
    edit.set_min_value(-1000);
    edit.set_max_value(1000);
    edit.set_decimals(k.decimals);
    edit.set_value(k.start);
    edit.set_caret(k.caret);
    press(edit, k.keys);
    EXPECT_EQ(edit.text(), k.text);
    EXPECT_EQ(edit.caret(), k.caret_after);
    EXPECT_FALSE(edit.has_selection());
}

INSTANTIATE_TEST_SUITE_P(
    TwoDecimals, Typing,
    testing::Values(Keys{2, 0, 0, U"12", "12.00", 2},     // the lone zero replaced, then insert
                    Keys{2, 0, 1, U"12", "12.00", 2},     // also with the caret after it
                    Keys{2, 12, 1, U"5", "152.00", 2},    // inserted in the whole part
                    Keys{2, 12, 3, U"78", "12.78", 5},    // decimals overwritten
                    Keys{2, 12.78, 5, U"9", "12.78", 5},  // nothing after the last decimal
                    Keys{2, 12, 0, U".5", "12.50", 4},    // the separator jumps to the decimals
                    Keys{2, 12.34, 4, U"\b", "12.40", 3}, // later decimals shift left
                    Keys{2, 12.34, 3, {kDelete}, "12.40", 3}, Keys{2, 12.34, 3, U"\b", "12.34", 2},
                    Keys{2, 12.34, 2, {kDelete}, "12.34", 3}, // the separator is stepped over
                    Keys{2, 7.5, 1, U"\b", "0.50", 0},        // the last whole digit leaves 0
                    Keys{2, 7.5, 0, {kDelete}, "0.50", 0}, Keys{2, 7.5, 0, U"\b", "7.50", 0},
                    Keys{2, 7.5, 4, {kDelete}, "7.50", 4},
                    Keys{2, 12, 1, U"-", "-12.00", 2},    // the caret stays on its digit
                    Keys{2, 12, 1, U"--", "12.00", 1},    // and back
                    Keys{2, 12.34, 5, U"-", "-12.34", 6}, // also after the last decimal
                    Keys{2, 0, 0, U"-7", "-7.00", 2}, Keys{2, -5, 0, U"\b", "5.00", 0},
                    Keys{2, -5, 0, U"0", "-5.00", 1}, // caret moved past the sign; no leading 0
                    Keys{2, 12, 1, U"a ,+e", "12.00", 1}));

INSTANTIATE_TEST_SUITE_P(NoDecimals, Typing,
                         testing::Values(Keys{0, 0, 0, U"7", "7", 1}, Keys{0, 0, 1, U"7", "7", 1},
                                         Keys{0, 7, 1, U"\b", "0", 0}, Keys{0, 0, 0, U"0", "0", 0},
                                         Keys{0, 12, 2, U"3", "123", 3},
                                         Keys{0, 12, 1, U".", "12", 1}, // no separator to reach
                                         Keys{0, -7, 2, U"\b", "-0", 1},
                                         Keys{0, -7, 2, U"\b3", "-3", 2},
                                         Keys{0, 105, 1, U"\b", "05", 0})); // only the 1 goes

TEST(NumericText, MinusNeedsANegativeMinimumAndMaxLengthBoundsTyping) {
    NumericText edit;
    edit.set_decimals(0);
    edit.set_value(12);
    edit.set_caret(2);
    press(edit, U"-");
    EXPECT_EQ(edit.text(), "12");

    edit.set_min_value(-1);
    edit.set_max_length(3);
    press(edit, U"345");
    EXPECT_EQ(edit.text(), "123");
    press(edit, U"-"); // the sign would make four characters
    EXPECT_EQ(edit.text(), "123");
}

TEST(NumericText, SelectionIsRemovedByTheRemovalRules) {
    NumericText edit;
    edit.set_min_value(-1000);
    edit.set_max_value(1000);
    edit.set_value(-12.34);
    press(edit, {kCtrlA});
    EXPECT_EQ(edit.selection_end() - edit.selection_start(), 6u);
    press(edit, {kDelete});
    EXPECT_EQ(edit.text(), "0.00");

    edit.set_value(12.34);
    press(edit, {kCtrlA, U'5'});
    EXPECT_EQ(edit.text(), "5.00");
    EXPECT_EQ(edit.caret(), 1u);

    edit.set_value(12.34);
    edit.select(3, 1); // "2."
    EXPECT_TRUE(edit.backspace());
    EXPECT_EQ(edit.text(), "1.34");
    EXPECT_EQ(edit.caret(), 1u);

    // A refused character leaves the selection; the separator only drops it.
    edit.select(0, 4);
    press(edit, U"a");
    EXPECT_EQ(edit.text(), "1.34");
    EXPECT_TRUE(edit.has_selection());
    press(edit, U".");
    EXPECT_EQ(edit.text(), "1.34");
    EXPECT_EQ(edit.caret(), 2u);
    EXPECT_FALSE(edit.has_selection());
}

TEST(NumericText, ClipboardPastesAsTypedAndCutsByTheRemovalRules) {
    MemoryClipboard clipboard;
    NumericText edit(",", &clipboard);
    clipboard.set_text("12a3");
    EXPECT_TRUE(edit.type_char(0x16).changed);
    EXPECT_EQ(edit.text(), "123,00");

    // Past the last decimal the rest is dropped; control characters never act as keys.
    edit.set_value(0);
    clipboard.set_text("3,14159\r\x16");
    const KeyResult pasted = edit.type_char(0x16);
    EXPECT_EQ(edit.text(), "3,14");
    EXPECT_EQ(pasted.dialog_key, DialogKey::none);

    edit.select(0, 4);
    EXPECT_TRUE(edit.type_char(0x18).changed);
    EXPECT_EQ(clipboard.text(), "3,14");
    EXPECT_EQ(edit.text(), "0,00");

    // An empty clipboard keeps the selection's text.
    clipboard.set_text("");
    edit.select_all();
    EXPECT_FALSE(edit.paste());
    EXPECT_EQ(edit.text(), "0,00");
}

TEST(NumericText, ReadOnlyStillCopiesAndPassesDialogKeys) {
    MemoryClipboard clipboard;
    NumericText edit(".", &clipboard);
    edit.set_value(4.5);
    edit.set_read_only(true);
    edit.set_caret(1);
    for (const char32_t key : {U'7', U'\b', U'.', char32_t{0x16}})
        EXPECT_FALSE(edit.type_char(key).changed);
    EXPECT_FALSE(edit.delete_key());
    edit.select_all();
    EXPECT_FALSE(edit.cut());
    EXPECT_EQ(edit.text(), "4.50");
    edit.type_char(0x03);
    EXPECT_EQ(clipboard.text(), "4.50");
    EXPECT_EQ(edit.type_char(U'\r').dialog_key, DialogKey::enter);
    EXPECT_EQ(edit.type_char(0x1B).dialog_key, DialogKey::escape);
}

// A separator of two UTF-8 bytes counts one position.
TEST(NumericText, LongSeparatorIsOnePosition) {
    MemoryClipboard clipboard;
    NumericText edit("\u066B", &clipboard);
    edit.set_value(12.5);
    EXPECT_EQ(edit.text(), "12\u066B50");
    EXPECT_EQ(edit.length(), 5u);
    EXPECT_EQ(edit.byte_offset(3), 4u);
    press(edit, U"\u066B9");
    EXPECT_EQ(edit.text(), "12\u066B90");
    edit.select(2, 4);
    edit.copy();
    EXPECT_EQ(clipboard.text(), "\u066B9");
    EXPECT_DOUBLE_EQ(edit.value(), 12.9);
}

struct Formatted {
    double value;
    int decimals;
    std::string text;
};

class Format : public testing::TestWithParam<Formatted> {};

TEST_P(Format, RoundsHalvesAwayFromZero) {
    EXPECT_EQ(NumericText::format(GetParam().value, GetParam().decimals), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    NumericText, Format,
    testing::Values(Formatted{0.125, 2, "0.13"}, Formatted{1.005, 2, "1.01"},
                    Formatted{2.5, 0, "3"}, Formatted{-2.5, 0, "-3"}, Formatted{0.5, 0, "1"},
                    Formatted{0.05, 0, "0"}, Formatted{99.5, 0, "100"},
                    Formatted{9.995, 2, "10.00"}, Formatted{-0.001, 2, "0.00"},
                    Formatted{-0.0, 0, "0"}, Formatted{1e-5, 9, "0.000010000"},
                    Formatted{1e20, 1, "100000000000000000000.0"},
                    Formatted{std::nan(""), 2, "0.00"},
                    Formatted{-std::numeric_limits<double>::infinity(), 0, "0"}));

TEST(NumericText, DecimalsReformatClampedAndFocusLeaveClamps) {
    NumericText edit;
    edit.set_value(12.345);
    EXPECT_EQ(edit.text(), "12.35");
    edit.set_decimals(-3);
    EXPECT_EQ(edit.decimals(), 0);
    EXPECT_EQ(edit.text(), "12");
    edit.set_max_value(10);
    edit.set_decimals(12);
    EXPECT_EQ(edit.text(), "10.000000000");

    edit.set_decimals(0);
    edit.set_max_value(127);
    edit.set_value(200);
    EXPECT_FALSE(edit.value_valid());
    EXPECT_TRUE(edit.focus_leave());
    EXPECT_EQ(edit.text(), "127");
    EXPECT_FALSE(edit.focus_leave());

    // Bounds given the wrong way round still clamp; a number past the double range clamps to
    // the top, not to 0.
    edit.set_min_value(127);
    edit.set_max_value(0);
    edit.set_caret(3);
    press(edit, std::u32string(400, U'9'));
    EXPECT_EQ(edit.value(), std::numeric_limits<double>::max());
    EXPECT_TRUE(edit.focus_leave());
    EXPECT_EQ(edit.text(), "127");

    // Without a range every value is valid and leaving keeps the text, even a "-0".
    edit.set_min_value(-5);
    edit.set_max_value(-5);
    edit.set_value(0);
    press(edit, U"-");
    EXPECT_EQ(edit.text(), "-0");
    EXPECT_TRUE(edit.value_valid());
    EXPECT_FALSE(edit.focus_leave());
    EXPECT_TRUE(edit.set_value(0));
    EXPECT_EQ(edit.text(), "0");
}

TEST(IntToText, SignsAndExtremes) {
    EXPECT_EQ(IntToText(0), "0");
    EXPECT_EQ(IntToText(0, true), "0");
    EXPECT_EQ(IntToText(5), "5");
    EXPECT_EQ(IntToText(5, true), "+5");
    EXPECT_EQ(IntToText(-3), "-3");
    EXPECT_EQ(IntToText(-3, true), "-3");
    EXPECT_EQ(IntToText(INT32_MIN, true), "-2147483648");
    EXPECT_EQ(IntToText(INT32_MAX, true), "+2147483647");
}

} // namespace
} // namespace tonvo::ui
