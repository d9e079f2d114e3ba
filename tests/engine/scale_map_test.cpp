#include "engine/scale_map.h"
#include "support/map_entries.h"

#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <thread>

namespace tonvo {
namespace {

using test::Entries;
using test::entries_of;
using test::fill;

constexpr Entries kDefault = {0, -1, 2, -1, 4, 5, -1, 7, -1, 9, -1, 11};
constexpr Entries kUpTwo = {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0, 1};

// The rule as stated: the class's target in the note's octave, carried one octave up when it
// lies below the target of the lowest unblocked class beneath it.
int32_t stated_rule(const Entries& map, int32_t note) {
    const int32_t pc = note % 12;
    const int32_t target = map[static_cast<size_t>(pc)];
    if (target == -1) {
        return -1;
    }
    for (int32_t i = 0; i < pc; ++i) {
        if (map[static_cast<size_t>(i)] >= 0) {
            return target + 12 * (note / 12) + (target < map[static_cast<size_t>(i)] ? 12 : 0);
        }
    }
    return target + 12 * (note / 12);
}

// Every note of `map` follows the stated rule for `entries`.
void expect_rule(const TScaleMap& map, const Entries& entries) {
    for (int32_t note = 0; note < 128; ++note) {
        ASSERT_EQ(map.MapNote(note), stated_rule(entries, note)) << note;
    }
}

struct Worked {
    Entries Map;
    int32_t Input;
    int32_t Result;
};

class WorkedResults : public testing::TestWithParam<Worked> {};

TEST_P(WorkedResults, MapNoteGivesThePublishedResult) {
    TScaleMap map;
    fill(map, GetParam().Map);
    EXPECT_EQ(map.MapNote(GetParam().Input), GetParam().Result);
}

INSTANTIATE_TEST_SUITE_P(
    NoteMap, WorkedResults,
    testing::Values(Worked{kDefault, 60, 60}, Worked{kDefault, 61, -1}, Worked{kDefault, 64, 64},
                    Worked{kUpTwo, 60, 62}, Worked{kUpTwo, 70, 72}, Worked{kUpTwo, 127, 129},
                    Worked{{2, -1, 0, -1, -1, -1, -1, -1, -1, -1, -1, -1}, 62, 72},
                    Worked{{-1, -1, 7, -1, -1, 0, -1, -1, -1, -1, -1, -1}, 65, 72}));

// Every note of a new or reset map follows the default entries: the black keys blocked in
// every octave. Clearing blocks every note and keeps the wizard's choices.
TEST(ScaleMap, StartsAsTheDefaultMapResetRestoresEverythingAndClearBlocksEveryNote) {
    TScaleMap map;
    EXPECT_EQ(entries_of(map), kDefault);
    ASSERT_NO_FATAL_FAILURE(expect_rule(map, kDefault));
    EXPECT_EQ(map.Choice(), ScaleChoice{});

    fill(map, kUpTwo);
    map.SetChoice({"Dorian", 7, false});
    map.ResetMap();
    EXPECT_EQ(entries_of(map), kDefault);
    ASSERT_NO_FATAL_FAILURE(expect_rule(map, kDefault));
    EXPECT_EQ(map.Choice(), ScaleChoice{});

    map.SetChoice({"Blues", 3, false});
    map.ClearMap();
    EXPECT_EQ(entries_of(map), (Entries{-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1}));
    ASSERT_NO_FATAL_FAILURE(expect_rule(map, entries_of(map)));
    EXPECT_EQ(map.Choice(), (ScaleChoice{"Blues", 3, false}));
}

TEST(ScaleMap, IdentityMapAndUniformTranspositionMoveEveryNoteAlike) {
    TScaleMap map;
    fill(map, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
    for (int32_t note = 0; note < 128; ++note) {
        EXPECT_EQ(map.MapNote(note), note);
    }
    fill(map, kUpTwo);
    for (int32_t note = 0; note < 128; ++note) {
        EXPECT_EQ(map.MapNote(note), note + 2) << note; // up to 129, unclamped
    }
}

TEST(ScaleMap, CarryComparesOnlyWithTheLowestUnblockedClassBelow) {
    TScaleMap map;
    // C -> 5; D -> 5 (equal: no carry); E -> 4 (below C's target: carry); C is never carried.
    fill(map, {5, -1, 5, -1, 4, -1, -1, -1, -1, -1, -1, 3});
    EXPECT_EQ(map.MapNote(60), 65);
    EXPECT_EQ(map.MapNote(62), 65);
    EXPECT_EQ(map.MapNote(64), 76);
    EXPECT_EQ(map.MapNote(71), 75);
    // With C blocked the scan skips it and compares with D, the lowest unblocked class.
    map.SetScaleMap(0, -1);
    map.SetScaleMap(2, 3);
    EXPECT_EQ(map.MapNote(64), 64);
    EXPECT_EQ(map.MapNote(71), 63);
    // The lowest class with the smallest target gives no carry to any class.
    fill(map, {0, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1});
    for (int32_t pc = 0; pc < 12; ++pc) {
        EXPECT_LT(map.MapNote(60 + pc), 72) << pc;
    }
}

TEST(ScaleMap, OutOfRangeStoredEntriesAndInputsNeverIndexOutside) {
    TScaleMap map;
    const int32_t big = std::numeric_limits<int32_t>::max();
    fill(map, {big, -7, 1000, -1, big, 5, -1, 7, -1, 9, -1, -1000});
    for (int32_t note = 0; note < 128; ++note) {
        (void)map.MapNote(note);
    }
    EXPECT_EQ(map.MapNote(60), big);  // saturated, not wrapped
    EXPECT_EQ(map.MapNote(62), 1072); // 1000 is below C's target: carried
    EXPECT_EQ(map.MapNote(-1), -1);
    EXPECT_EQ(map.MapNote(std::numeric_limits<int32_t>::min()), -1);
    EXPECT_EQ(map.MapNote(big), big);
}

// Every entry written, one at a time, shows at once in every note, whether the map is one of
// the usual ones (entries -1..11) or holds an unusual entry; and back.
TEST(ScaleMap, EveryWriteShowsAtOnceForUsualAndUnusualMaps) {
    TScaleMap map;
    Entries entries = kDefault;
    std::mt19937 random(7);
    std::uniform_int_distribution<int32_t> value(-1, 11);
    for (int32_t round = 0; round < 400; ++round) {
        const auto index = static_cast<size_t>(random() % 12);
        entries[index] = value(random);
        map.SetScaleMap(static_cast<int32_t>(index), entries[index]);
        ASSERT_NO_FATAL_FAILURE(expect_rule(map, entries)) << round;
    }
    map.SetScaleMap(3, 40); // unusual: carried by the entries' own rule
    entries[3] = 40;
    ASSERT_NO_FATAL_FAILURE(expect_rule(map, entries));
    map.SetScaleMap(3, 2);
    entries[3] = 2;
    ASSERT_NO_FATAL_FAILURE(expect_rule(map, entries));
}

// Two writers at once (the editor and a host loading state on its own thread): when both are
// done, the notes follow every entry either wrote, none lost to the other's late publication.
TEST(ScaleMap, ConcurrentWritersLeaveTheMapTheNotesFollow) {
    for (int32_t round = 0; round < 20; ++round) {
        TScaleMap map;
        const auto write = [&map](int32_t first, int32_t shift) {
            for (int32_t pass = 0; pass < 200; ++pass) {
                for (int32_t i = first; i < 12; i += 2) {
                    map.SetScaleMap(i, (i + shift + pass) % 12);
                }
            }
        };
        std::thread even(write, 0, 0);
        std::thread odd(write, 1, 5);
        even.join();
        odd.join();
        ASSERT_NO_FATAL_FAILURE(expect_rule(map, entries_of(map))) << round;
    }
}

TEST(ScaleMap, PitchClassAndNames) {
    EXPECT_EQ(PitchClassOf(61), 1);
    EXPECT_EQ(PitchClassOf(127), 7);
    EXPECT_EQ(PitchClassOf(-1), -1); // truncating, as no caller passes negatives
    EXPECT_EQ(NoteNames[static_cast<size_t>(PitchClassOf(70))], "A#");
}

} // namespace
} // namespace tonvo
