#include "support/plugin_harness.h"

#include <gtest/gtest.h>
#include <limits>

namespace tonvo {
namespace {

using test::Delivered, test::note_off, test::note_on;
using Events = std::vector<Delivered>;

class Transport : public testing::Test, protected test::PluginHarness {
protected:
    // One block at the given transport state; answers what it delivered.
    Events At(bool playing, double position) {
        host.SetTransport(playing, position);
        return RunBlock();
    }
    void HoldTwoNotes() { block.NoteOn(0, 60, 100, 3).NoteOn(1, 64, 80, 4); }
};

TEST_F(Transport, StoppingReleasesEverythingAfterTheBlocksOwnEvents) {
    At(true, 0.0);
    HoldTwoNotes();
    At(true, 64.0);
    block.NoteOn(2, 67, 90, 5);
    EXPECT_EQ(At(false, 128.0), (Events{note_on(2, 67, 90, 5), note_off(0, 60, 100),
                                        note_off(1, 64, 80), note_off(2, 67, 90)}));
    EXPECT_EQ(plugin.HeldNotes().Count(), 0);
    EXPECT_FALSE(plugin.TransportWasPlaying());
    EXPECT_EQ(plugin.LastSamplePosition(), 0.0) << "the stop block's position is not stored";
}

// Every block asks for the position and the playing state.
TEST_F(Transport, StartingAndAdvancingReleaseNothing) {
    At(false, 5000.0);
    EXPECT_EQ(host.TimeRequests(), 1u);
    EXPECT_EQ(host.LastTimeFilter(), 2);
    HoldTwoNotes();
    At(false, 5000.0); // unchanged while stopped
    EXPECT_TRUE(At(true, 6000.0).empty());
    EXPECT_TRUE(At(true, 6064.0).empty());
    EXPECT_TRUE(At(true, 6064.0).empty());
    EXPECT_EQ(plugin.HeldNotes().Count(), 2);
    EXPECT_TRUE(plugin.TransportWasPlaying());
    EXPECT_EQ(plugin.LastSamplePosition(), 6064.0);
}

// A jump back releases every held note, whether playing (a loop) or stopped (a rewind); a
// playback start resets the remembered position, so starting earlier is no jump.
TEST_F(Transport, AJumpBackReleasesEverythingButAStartIsNoJump) {
    const Events both = {note_off(0, 60, 100), note_off(1, 64, 80)};
    At(false, 9000.0);
    HoldTwoNotes();
    At(false, 9000.0);
    EXPECT_TRUE(At(true, 100.0).empty());
    EXPECT_EQ(plugin.HeldNotes().Count(), 2);
    At(true, 44100.0);
    EXPECT_EQ(At(true, 0.0), both) << "a loop";
    EXPECT_EQ(plugin.HeldNotes().Count(), 0);
    At(false, 3000.0);
    HoldTwoNotes();
    At(false, 3000.0);
    EXPECT_EQ(At(false, 0.0), both) << "a rewind";
}

// The block that reports the jump also carries the first notes at the new position (a loop's
// start): they sound on, and only what was held before the block goes.
TEST_F(Transport, ALoopsFirstNotesSoundOnWhileTheNotesHeldBeforeTheJumpGo) {
    At(true, 0.0);
    HoldTwoNotes();
    At(true, 44100.0);
    block.NoteOn(2, 67, 90, 5).NoteOn(0, 60, 110, 6); // a new key, and a held one pressed again
    EXPECT_EQ(At(true, 0.0), (Events{note_on(2, 67, 90, 5), note_off(0, 60, 100, 6),
                                     note_on(0, 60, 110, 6), note_off(1, 64, 80)}));
    EXPECT_EQ(plugin.HeldNotes().Count(), 2);
    At(true, 44100.0);
    EXPECT_EQ(At(true, 0.0).size(), 2u) << "the next loop releases them";
}

TEST_F(Transport, NoTimeInformationCountsAsStoppedAndAnUnreadablePositionIsNotRemembered) {
    At(true, 0.0);
    HoldTwoNotes();
    At(true, 1000.0);
    host.ClearTime();
    EXPECT_TRUE(RunBlock().empty());
    EXPECT_EQ(plugin.HeldNotes().Count(), 2);
    EXPECT_FALSE(plugin.TransportWasPlaying());
    EXPECT_EQ(plugin.LastSamplePosition(), 1000.0);
    EXPECT_TRUE(At(false, 1000.0).empty());
    EXPECT_EQ(At(false, 10.0).size(), 2u);

    // An unreadable position is not remembered either.
    At(true, 0.0);
    HoldTwoNotes();
    At(true, 500.0);
    EXPECT_TRUE(At(true, std::numeric_limits<double>::quiet_NaN()).empty());
    EXPECT_EQ(plugin.LastSamplePosition(), 500.0);
    EXPECT_EQ(At(true, 100.0).size(), 2u) << "a later jump back is still seen";
}

} // namespace
} // namespace tonvo
