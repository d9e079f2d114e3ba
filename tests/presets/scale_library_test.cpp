#include "platform/temp_folder.h"
#include "presets/scale_file.h"
#include "presets/scale_library.h"
#include "support/map_entries.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tonvo {
namespace {

namespace fs = std::filesystem;
using test::Entries;
using test::entries_of;
using Lines = std::vector<std::string>;

const Lines kBuiltIn(BuiltInScales.begin(), BuiltInScales.end());
constexpr Entries kAllBlocked = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};

TEST(ExtractField, SplitsAtUnquotedDelimitersAndStripsOneQuoteEachSide) {
    EXPECT_EQ(ExtractField("a;b;c", 3, ';'), "c");
    EXPECT_EQ(ExtractField("a;b;", 2, ';'), "b");
    EXPECT_EQ(ExtractField("\"x;y\";z", 1, ';'), "x;y");
    EXPECT_EQ(ExtractField("\"x;y\";z", 2, ';'), "z");
    EXPECT_EQ(ExtractField("a\"b\";c", 1, ';'), "a\"b");
    // Missing fields, including everything after an unclosed quote, are empty.
    EXPECT_EQ(ExtractField("a;b;", 3, ';'), "");
    EXPECT_EQ(ExtractField("a;b", 0, ';'), "");
    EXPECT_EQ(ExtractField("\"", 1, ';'), "");
    EXPECT_EQ(ExtractField("a;\"open;rest", 2, ';'), "");
    EXPECT_EQ(ExtractField("a;\"open;rest", 1, ';'), "a");
}

TEST(ScaleIntervals, KeepsDistinctPlainIntegersFromZeroToElevenInOrder) {
    EXPECT_EQ(scale_intervals("X;7,0,4,0"), (std::vector<int32_t>{0, 4, 7}));
    EXPECT_EQ(scale_intervals("X; 5 ,+3,-0,\t9"), (std::vector<int32_t>{0, 3, 5, 9}));
    EXPECT_EQ(scale_intervals("X;12,-1,x,3x,,+,99999999999,1.5,2"), (std::vector<int32_t>{2}));
    EXPECT_TRUE(scale_intervals("No intervals").empty());
    // A long line of bad fields takes one pass, not one pass per field.
    std::string longLine = "X;";
    for (int i = 0; i < 200000; ++i) {
        longLine += "x,";
    }
    EXPECT_EQ(scale_intervals(longLine + "5"), (std::vector<int32_t>{5}));
    EXPECT_EQ(scale_intervals("X;11,10,9,8,7,6,5,4,3,2,1,0,0,1").size(), 12u);
}

struct ApplyCase {
    std::string_view Line;
    int32_t Tonic;
    bool Easy;
    Entries Expected;
};

class ApplyScaleResults : public testing::TestWithParam<ApplyCase> {};

TEST_P(ApplyScaleResults, FillsTheWholeMap) {
    TScaleMap map;
    ApplyScale(map, GetParam().Line, GetParam().Tonic, GetParam().Easy);
    EXPECT_EQ(entries_of(map), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Wizard, ApplyScaleResults,
    testing::Values(
        ApplyCase{BuiltInScales[1], 2, true, {2, -1, 4, -1, 5, 7, -1, 9, -1, 10, -1, 0}},
        ApplyCase{BuiltInScales[1], 2, false, {0, -1, 2, -1, 4, 5, -1, 7, -1, 9, 10, -1}},
        ApplyCase{BuiltInScales[4], 0, true, {0, -1, 2, -1, 4, 7, -1, 9, -1, -1, -1, -1}},
        ApplyCase{BuiltInScales[16], 9, true, {9, 11, 1, -1, 2, 4, -1, 5, -1, 6, -1, 8}},
        ApplyCase{"Odd;7,0,4,0", 0, true, {0, -1, 4, -1, 7, -1, -1, -1, -1, -1, -1, -1}},
        ApplyCase{"Odd;7,0,4,0", 0, false, {0, -1, -1, -1, 4, -1, -1, 7, -1, -1, -1, -1}},
        // A tonic from a foreign state folds into 0..11: 14 plays as D, -1 as B.
        ApplyCase{BuiltInScales[1], 14, true, {2, -1, 4, -1, 5, 7, -1, 9, -1, 10, -1, 0}},
        ApplyCase{"Two;0,1", -1, false, {0, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 11}}));

TEST(ApplyScale, TwelveIntervalsInEasyModeMapEveryKeyUpByTheTonic) {
    for (int32_t tonic = 0; tonic < 12; ++tonic) {
        TScaleMap map;
        ApplyScale(map, "Chromatic;0,1,2,3,4,5,6,7,8,9,10,11", tonic, true);
        for (int32_t key = 0; key < 12; ++key) {
            EXPECT_EQ(map.GetScaleMap(key), PitchClassOf(key + tonic)) << tonic << " " << key;
        }
    }
}

TEST(ApplyScale, RecordsTheChoiceAndBlocksEverythingWithoutIntervals) {
    TScaleMap map;
    ApplyScale(map, "No semicolon", 7, false);
    EXPECT_EQ(entries_of(map), kAllBlocked);
    EXPECT_EQ(map.Choice(), (ScaleChoice{"No semicolon", 7, false}));

    ApplyScale(map, "Bad;x,12", 20, true);
    EXPECT_EQ(entries_of(map), kAllBlocked);
    EXPECT_EQ(map.Choice().Tonic, 8); // stored folded
}

TEST(ScaleList, MenuFindAndCaptionOnOddLines) {
    const Lines lines = {"  Major;0,2",  "",    "-",         "\tBlues;0,3\r",
                         "No semicolon", " - ", "\"A;B\";0", "\x01"};
    const std::vector<ScaleMenuEntry> expected = {
        {ScaleMenuKind::Item, "Major", 0}, {ScaleMenuKind::Separator, "", 2},
        {ScaleMenuKind::Item, "Blues", 3}, {ScaleMenuKind::Item, "No semicolon", 4},
        {ScaleMenuKind::Separator, "", 5}, {ScaleMenuKind::Item, "A;B", 6}};
    EXPECT_EQ(scale_menu(lines), expected);

    // Look-ups use the line as it stands, blanks included.
    EXPECT_EQ(FindScale(lines, "major"), -1);
    EXPECT_EQ(FindScale(lines, "  MAJOR"), 0);
    EXPECT_EQ(FindScale(lines, "no SEMICOLON"), 4);
    EXPECT_EQ(FindScale(lines, "a;b"), 6);
    EXPECT_EQ(FindScale(lines, ""), 1);
    EXPECT_EQ(scale_caption(lines, 0), "  Major");
    EXPECT_EQ(scale_caption(lines, 6), "A;B");
    EXPECT_EQ(scale_caption(lines, -1), "");
    EXPECT_EQ(scale_caption(lines, 8), "");

    EXPECT_EQ(FindScale(kBuiltIn, "major"), 0);
    EXPECT_EQ(FindScale(kBuiltIn, "WHOLE TONE"), 23);
    EXPECT_EQ(FindScale(kBuiltIn, "Whole"), -1);
}

TEST(SyncWizardChoice, FallsBackFromStoredScaleToMajorToFirstLine) {
    TScaleMap map;
    map.SetChoice({"dorian", 5, false});
    EXPECT_EQ(sync_wizard_choice(kBuiltIn, map), (WizardChoice{8, 5, false}));

    map.SetChoice({"Gone", 5, false});
    EXPECT_EQ(sync_wizard_choice(kBuiltIn, map), (WizardChoice{0, 5, false}));
    map.SetChoice({"Gone", 15, false}); // only a foreign state holds this tonic
    EXPECT_EQ(sync_wizard_choice(kBuiltIn, map).Tonic, 3);

    map.SetChoice({"", 15, true});
    EXPECT_EQ(sync_wizard_choice(kBuiltIn, map), (WizardChoice{0, 0, true}));

    const Lines noMajor = {"-", "Blues;0,3"};
    EXPECT_EQ(sync_wizard_choice(noMajor, map), (WizardChoice{0, 0, true}));
    map.SetChoice({"Blues", 4, true});
    EXPECT_EQ(sync_wizard_choice(noMajor, map), (WizardChoice{1, 4, true}));
    EXPECT_EQ(sync_wizard_choice({}, map), (WizardChoice{-1, 4, true}));
}

TEST(SyncWizardChoice, FindsAStoredNameInAnyCaseBeyondAscii) {
    const Lines lines = {"Major;0,2,4,5,7,9,11", "Éolien;0,2,3,5,7,8,10", "Дорийский;0,2,3,5,7,9"};
    TScaleMap map;
    map.SetChoice({"ÉOLIEN", 0, true});
    EXPECT_EQ(sync_wizard_choice(lines, map).ScaleIndex, 1);
    EXPECT_EQ(FindScale(lines, "дОРИЙСКИЙ"), 2);
    EXPECT_EQ(FindScale(lines, "EOLIEN"), -1);
}

TEST(ScaleConfirmationText, NamesScaleTonicAndEasyMode) {
    EXPECT_EQ(scale_confirmation_text("Minor", 2, true),
              "Scale: \"Minor\"\r\n\r\nTonic: \"D\"\r\n\r\n\"Easy Mode\"");
    EXPECT_EQ(scale_confirmation_text("Blues", 11, false), "Scale: \"Blues\"\r\n\r\nTonic: \"B\"");
    EXPECT_EQ(scale_confirmation_text("", -1, false), "Scale: \"\"\r\n\r\nTonic: \"B\"");
}

TEST(ScaleText, DecodesByByteOrderMarkAndSplitsAtEveryLineEnd) {
    auto decode = [](std::vector<uint8_t> bytes) { return decode_scale_text(bytes); };
    EXPECT_EQ(decode({0xEF, 0xBB, 0xBF, 'D', 0xC3, 0xBC, 'r'}), "D\xC3\xBCr");
    EXPECT_EQ(decode({0xEF, 0xBB, 0xBF, 'a', 0xFF}), "a\xEF\xBF\xBD");
    EXPECT_EQ(decode({0xFF, 0xFE, 'D', 0, 0xFC, 0, 0x3C, 0xD8, 0xB5, 0xDF}),
              "D\xC3\xBC\xF0\x9F\x8E\xB5");
    EXPECT_EQ(decode({0xFE, 0xFF, 0, 'D', 0, 0xFC, 0}), "D\xC3\xBC\xEF\xBF\xBD");
    EXPECT_EQ(decode({'D', 0xFC, 'r'}), "D\xC3\xBCr"); // the 8-bit code page
    EXPECT_EQ(decode({}), "");

    EXPECT_EQ(split_file_lines("a\rb\nc\r\nd"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(split_file_lines("a\r\n"), (Lines{"a"}));
    EXPECT_EQ(split_file_lines("a\n\r"), (Lines{"a", ""}));
    EXPECT_EQ(split_file_lines("\r\n\r\nb"), (Lines{"", "", "b"}));
    EXPECT_TRUE(split_file_lines("").empty());
}

class ScaleFile : public testing::Test {
protected:
    test::TempFolder temp_;
    const fs::path folder_ = temp_.Path();
};

TEST_F(ScaleFile, MissingFileIsCreatedWithTheBuiltInListAndRead) {
    const fs::path data = folder_ / "a" / "b";
    const LoadedScales list = LoadScaleList(data);
    EXPECT_EQ(list.Error, "");
    EXPECT_EQ(list.Lines, kBuiltIn);

    std::string expected;
    for (const std::string_view line : BuiltInScales) {
        expected += std::string(line) + "\r\n";
    }
    EXPECT_EQ(test::read_text(data / "Scales.txt"), expected);
}

TEST_F(ScaleFile, ExistingFileIsReadAndKept) {
    const std::string content = "\xEF\xBB\xBF  Mine;0,7\r\n\r\n-\nOther;1";
    test::write_text(folder_ / "Scales.txt", content);
    const LoadedScales list = LoadScaleList(folder_);
    EXPECT_EQ(list.Error, "");
    EXPECT_EQ(list.Lines, (Lines{"  Mine;0,7", "", "-", "Other;1"}));
    EXPECT_EQ(test::read_text(folder_ / "Scales.txt"), content);

    test::write_text(folder_ / "Scales.txt", "");
    EXPECT_TRUE(LoadScaleList(folder_).Lines.empty());
}

TEST_F(ScaleFile, FailuresGiveAnEmptyListAndAReason) {
    test::write_text(folder_ / "Scales.txt", std::string(kMaxScaleFileBytes + 1, 'x'));
    LoadedScales list = LoadScaleList(folder_);
    EXPECT_TRUE(list.Lines.empty());
    EXPECT_NE(list.Error, "");

    test::write_text(folder_ / "blocker", "a file where the data folder should be");
    list = LoadScaleList(folder_ / "blocker" / "data");
    EXPECT_TRUE(list.Lines.empty());
    EXPECT_NE(list.Error, "");
}

} // namespace
} // namespace tonvo
