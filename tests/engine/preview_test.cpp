// Preview notes from the editor keyboard: what reaches the host is always a valid MIDI message,
// and a note-off is never lost when the hand-off to the audio thread is full.
#include "support/plugin_harness.h"

#include <gtest/gtest.h>

namespace tonvo {
namespace {

using test::Delivered, test::note_off, test::note_on;
using Events = std::vector<Delivered>;

class Previews : public testing::Test, protected test::PluginHarness {
protected:
    Events Run() { return RunBlock(false); }
    // Fills the hand-off with note-ons of note 70; answers how many it took.
    int Fill() {
        int taken = 0;
        while (plugin.PreviewNoteOn(70, 1) && taken < 10000) {
            ++taken;
        }
        return taken;
    }
};

TEST_F(Previews, NumbersAreMaskedIntoTheDataByteRange) {
    EXPECT_TRUE(plugin.PreviewNoteOn(60 + 128, 100 + 256));
    EXPECT_TRUE(plugin.PreviewNoteOff(-1, -128));
    EXPECT_EQ(Run(), (Events{note_on(0, 60, 100), note_off(0, 127, 0)}));
}

// No editor idle call in between: the editor may have closed since the note-off was parked.
TEST_F(Previews, ParkedNoteOffsGoOutFromTheProcessingCallThatEmptiesTheHandOff) {
    const int taken = Fill();
    ASSERT_LT(taken, 10000);
    EXPECT_TRUE(plugin.PreviewNoteOff(60, 64)) << "a note-off is always taken";
    EXPECT_TRUE(plugin.PreviewNoteOff(60, 64));
    EXPECT_TRUE(plugin.PreviewNoteOff(61, 64));
    EXPECT_EQ(plugin.WaitingPreviewNoteOffs(), 2);
    EXPECT_FALSE(plugin.PreviewNoteOn(60, 100)) << "its note-off must go first";

    const Events drained = Run();
    ASSERT_EQ(drained.size(), static_cast<size_t>(taken) + 2);
    EXPECT_EQ(drained[static_cast<size_t>(taken) - 1], note_on(0, 70, 1));
    EXPECT_EQ(drained[static_cast<size_t>(taken)], note_off(0, 60, 64));
    EXPECT_EQ(drained.back(), note_off(0, 61, 64));
    EXPECT_EQ(plugin.WaitingPreviewNoteOffs(), 0);
    EXPECT_TRUE(plugin.PreviewNoteOn(60, 100));
    EXPECT_EQ(Run(), (Events{note_on(0, 60, 100)}));
}

// While the output has no room to empty the hand-off, a parked note-off stays behind the
// note-on it ends.
TEST_F(Previews, AParkedNoteOffNeverOvertakesTheNoteOnItEnds) {
    const int taken = Fill();
    EXPECT_TRUE(plugin.PreviewNoteOff(70, 0));
    // Host events take all but a few places of the output.
    for (int i = 0; i < 1000; ++i) {
        block.Midi(0xB1, 7, 1);
    }
    host.Forget();
    Block();
    Process();
    Process();
    int onsBefore = 0;
    int offs = 0;
    for (const Delivered& event : host.Events()) {
        onsBefore += event == note_on(0, 70, 1) && offs == 0;
        offs += event == note_off(0, 70, 0);
    }
    EXPECT_EQ(onsBefore, taken);
    EXPECT_EQ(offs, 1);
}

} // namespace
} // namespace tonvo
