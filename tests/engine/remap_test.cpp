#include "support/plugin_harness.h"
#include "support/recording_editor.h"

#include <gtest/gtest.h>

namespace tonvo {
namespace {

using test::Delivered, test::note_off, test::note_on;
using Events = std::vector<Delivered>;

constexpr std::array<int32_t, 12> kEveryClassUpTwo = {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0, 1};

class Remapping : public testing::Test, protected test::PluginHarness {
protected:
    Events Run() { return RunBlock(); }
    bool Held(int channel, int input, int output, int velocity) const {
        const TMidiNoteItem* item = plugin.HeldNotes().FindInputNote(channel, input);
        return item != nullptr && item->Channel == channel && item->InputNote == input &&
               item->OutputNote == output && item->Velocity == velocity;
    }
};

TEST_F(Remapping, NoteOffReleasesTheRecordedOutputWithTheNoteOnVelocity) {
    SetMap(kEveryClassUpTwo);
    block.NoteOn(0, 60, 100, 5);
    EXPECT_EQ(Run(), (Events{note_on(0, 62, 100, 5)}));
    EXPECT_TRUE(Held(0, 60, 62, 100));
    block.NoteOff(0, 60, 64, 9);
    EXPECT_EQ(Run(), (Events{note_off(0, 62, 100, 9)}));
    EXPECT_EQ(plugin.HeldNotes().Count(), 0);
    // A note-on with velocity 0 releases like a note-off.
    block.NoteOn(3, 61, 90).NoteOn(3, 61, 0, 4);
    EXPECT_EQ(Run(), (Events{note_on(3, 63, 90), note_off(3, 63, 90, 4)}));
}

// The plug-in takes a block of events past the chain's dispatcher, unless a handler watches
// every call: then the block goes through it, and is handled the same.
TEST_F(Remapping, AHandlerWatchingEveryCallSeesTheEventsAndChangesNothing) {
    std::vector<int32_t> seen;
    plugin.OnDispatcher = [&](int32_t opcode) { seen.push_back(opcode); };
    SetMap(kEveryClassUpTwo);
    block.NoteOn(0, 60, 100, 5);
    EXPECT_EQ(Run(), (Events{note_on(0, 62, 100, 5)}));
    EXPECT_EQ(seen, std::vector<int32_t>{effProcessEvents});
}

TEST_F(Remapping, BlockedAndOutOfRangeNotesQueueNothing) {
    block.NoteOn(0, 61, 100).NoteOff(0, 61, 0);
    EXPECT_TRUE(Run().empty());
    SetMap(kEveryClassUpTwo);
    block.NoteOn(0, 127, 100).NoteOff(0, 127, 0); // maps to 129
    EXPECT_TRUE(Run().empty());
    EXPECT_EQ(plugin.HeldNotes().Count(), 0);
}

TEST_F(Remapping, MapChangesWhileHeldStillReleaseWhatWasSent) {
    SetMap(kEveryClassUpTwo);
    block.NoteOn(0, 60, 100);
    Run();
    plugin.ScaleMap().SetScaleMap(0, 7);
    block.NoteOff(0, 60, 0);
    EXPECT_EQ(Run(), (Events{note_off(0, 62, 100)}));
    // Even when the class has been blocked in the meantime.
    block.NoteOn(0, 60, 80);
    EXPECT_EQ(Run(), (Events{note_on(0, 67, 80)}));
    plugin.ScaleMap().SetScaleMap(0, -1);
    block.NoteOff(0, 60, 0);
    EXPECT_EQ(Run(), (Events{note_off(0, 67, 80)}));
    EXPECT_EQ(plugin.HeldNotes().Count(), 0);
}

TEST_F(Remapping, RepeatedNoteOnOfAHeldKeyReleasesItFirst) {
    block.NoteOn(0, 60, 100).NoteOn(0, 60, 50, 8);
    EXPECT_EQ(Run(), (Events{note_on(0, 60, 100), note_off(0, 60, 100, 8), note_on(0, 60, 50, 8)}));
    EXPECT_EQ(plugin.HeldNotes().Count(), 1);
    // The map changed between two note-ons of one key: the first target goes off.
    plugin.ScaleMap().SetScaleMap(0, 4);
    block.NoteOn(0, 60, 70);
    EXPECT_EQ(Run(), (Events{note_off(0, 60, 50), note_on(0, 64, 70)}));
    block.NoteOff(0, 60, 0);
    EXPECT_EQ(Run(), (Events{note_off(0, 64, 70)}));
}

// Keys of one channel that share an output note sound it once; channels never refuse each other.
TEST_F(Remapping, KeysSharingAnOutputNoteSoundItOnceAndChannelsNeverRefuseEachOther) {
    block.NoteOn(0, 60, 100).NoteOn(1, 60, 90);
    EXPECT_EQ(Run(), (Events{note_on(0, 60, 100), note_on(1, 60, 90)}));
    block.NoteOff(1, 60, 0).NoteOff(0, 60, 0);
    EXPECT_EQ(Run(), (Events{note_off(1, 60, 90), note_off(0, 60, 100)}));
    SetMap({2, -1, 2, -1, 4, 5, -1, 7, -1, 9, -1, 11}); // C and D both play D
    block.NoteOn(0, 60, 100).NoteOn(0, 62, 90);
    EXPECT_EQ(Run(), (Events{note_on(0, 62, 100)}));
    EXPECT_TRUE(Held(0, 60, 62, 100));
    EXPECT_TRUE(Held(0, 62, 62, 90));
    block.NoteOff(0, 60, 0);
    EXPECT_TRUE(Run().empty());
    block.NoteOff(0, 62, 0);
    EXPECT_EQ(Run(), (Events{note_off(0, 62, 90)}));
}

TEST_F(Remapping, ReleaseAllSendsOneNoteOffPerSoundingNoteOldestFirst) {
    SetMap({2, -1, 2, -1, 4, 5, -1, 7, -1, 9, -1, 11});
    block.NoteOn(0, 64, 30).NoteOn(0, 60, 100).NoteOn(0, 62, 90).NoteOn(5, 60, 10);
    Run();
    host.Forget();
    plugin.ReleaseAllHeldNotes();
    Process();
    EXPECT_EQ(host.Events(),
              (Events{note_off(0, 64, 30), note_off(0, 62, 100), note_off(5, 62, 10)}));
    EXPECT_EQ(plugin.HeldNotes().Count(), 0);
    block.NoteOff(0, 62, 0).NoteOff(0, 60, 0);
    EXPECT_TRUE(Run().empty());
}

TEST_F(Remapping, AllNotesOffForgetsOnlyItsChannel) {
    block.NoteOn(0, 60, 100).NoteOn(1, 64, 100);
    Run();
    block.Midi(0xB0, 123, 0, 3);
    EXPECT_EQ(Run(), (Events{{0xB0, 123, 0, 3}}));
    EXPECT_EQ(plugin.HeldNotes().Count(), 1);
    block.NoteOn(0, 60, 70); // the receiver silenced it: a fresh note-on is due
    EXPECT_EQ(Run(), (Events{note_on(0, 60, 70)}));
    block.Midi(0xB1, 120, 0);
    Run();
    EXPECT_EQ(plugin.HeldNotes().Count(), 1);
    block.NoteOff(1, 64, 0);
    EXPECT_TRUE(Run().empty());
}

TEST_F(Remapping, ChannelMessagesPassUnchangedOthersAreDroppedAndTheOutputsAreSilent) {
    SetMap(kEveryClassUpTwo);
    block.Midi(0xB2, 7, 100, 1)
        .Midi(0xA3, 60, 40, 2) // aftertouch keeps its note number
        .Midi(0xD4, 64, 99, 3)
        .Midi(0xE5, 0x7F, 0x40, 4)
        .Midi(0xC0, 5, 0, 5)
        .Midi(0xF0, 1, 2, 6)
        .Midi(0xF8, 0, 0, 7)
        .Midi(0xB6, 0xFF, 0x80, 8); // data bytes are masked to seven bits
    EXPECT_EQ(Run(), (Events{{0xB2, 7, 100, 1},
                             {0xA3, 60, 40, 2},
                             {0xD4, 64, 0, 3},
                             {0xE5, 0x7F, 0x40, 4},
                             {0xB6, 0x7F, 0x00, 8}}));
    EXPECT_EQ(plugin.HeldNotes().Count(), 0);
    for (size_t channel = 0; channel < 2; ++channel) { // and the outputs are silent
        for (float sample : Output(channel)) {
            ASSERT_EQ(sample, 0.0f);
        }
    }
}

TEST_F(Remapping, PreviewNotesBypassTheMapAndGoOutAtTheNextProcessingCall) {
    block.NoteOn(2, 64, 100, 9);
    SendEvents();
    EXPECT_TRUE(plugin.PreviewNoteOn(61, 100)); // blocked in the map; previews ignore it
    EXPECT_TRUE(plugin.PreviewNoteOff(61, 100));
    EXPECT_EQ(plugin.OutputQueue().count(), 1);
    host.Forget();
    Process();
    EXPECT_EQ(host.Events(),
              (Events{note_on(2, 64, 100, 9), note_on(0, 61, 100), note_off(0, 61, 100)}));
    EXPECT_EQ(plugin.HeldNotes().Count(), 1);
}

class Highlights : public Remapping {
protected:
    test::RecordingEditor editor;
};

// Neither before an editor is attached nor once it is detached is it called or the flag set.
TEST_F(Highlights, NoEditorOrADetachedOneIsNeverCalledAndSetsNoFlag) {
    for (const bool attachFirst : {false, true}) {
        if (attachFirst) {
            plugin.AttachEditorHighlights(&editor);
            plugin.DetachEditorHighlights();
        }
        block.NoteOn(0, 61, 100).NoteOn(0, 60, 100);
        Run();
        EXPECT_FALSE(plugin.EditorNeedUpdate()) << attachFirst;
        EXPECT_EQ(editor.calls, 0) << attachFirst;
    }
}

TEST_F(Highlights, PlayedAndBlockedKeysLightAndGoOutAndSetTheFlag) {
    plugin.AttachEditorHighlights(&editor);
    block.NoteOn(0, 61, 100);
    Run();
    EXPECT_TRUE(editor.Lit(61));
    EXPECT_TRUE(plugin.ConsumeEditorNeedUpdate());
    block.NoteOn(0, 60, 100);
    Run();
    EXPECT_TRUE(editor.Lit(60));
    EXPECT_TRUE(plugin.ConsumeEditorNeedUpdate());
    // Same pitch class already listed: no change, no flag.
    block.NoteOn(0, 72, 100);
    Run();
    EXPECT_FALSE(editor.Lit(72));
    EXPECT_FALSE(plugin.ConsumeEditorNeedUpdate());
    block.NoteOff(0, 61, 0).NoteOff(0, 60, 0);
    Run();
    EXPECT_FALSE(editor.Lit(61));
    EXPECT_FALSE(editor.Lit(60));
    EXPECT_TRUE(plugin.ConsumeEditorNeedUpdate());
}

TEST_F(Highlights, OutOfRangeNotesAreNotLitAndReleasesClearKeys) {
    plugin.AttachEditorHighlights(&editor);
    SetMap(kEveryClassUpTwo);
    block.NoteOn(0, 127, 100);
    Run();
    EXPECT_TRUE(editor.keys.empty());
    EXPECT_FALSE(plugin.EditorNeedUpdate());

    block.NoteOn(0, 60, 100).NoteOn(1, 64, 100);
    Run();
    plugin.ConsumeEditorNeedUpdate();
    plugin.ReleaseAllHeldNotes();
    EXPECT_FALSE(editor.Lit(60));
    EXPECT_FALSE(editor.Lit(64));
    EXPECT_TRUE(plugin.ConsumeEditorNeedUpdate());

    editor.Refresh();
    block.NoteOn(0, 60, 100);
    Run();
    block.Midi(0xB0, 123, 0);
    Run();
    EXPECT_FALSE(editor.Lit(60)) << "keys forgotten by All Notes Off go out too";
}

TEST_F(Highlights, BlockedKeysGoOutWhateverTheMapSaysByThen) {
    plugin.AttachEditorHighlights(&editor);
    const auto unblock = [&] { SetMap({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}); };
    // Lit as blocked, then its class is opened before the note-off.
    block.NoteOn(0, 61, 100);
    Run();
    EXPECT_TRUE(editor.Lit(61));
    unblock();
    block.NoteOff(0, 61, 0);
    EXPECT_TRUE(Run().empty()) << "nothing was sent for the blocked key";
    EXPECT_FALSE(editor.Lit(61));

    // All Notes Off clears that channel's blocked keys only; releasing everything the rest.
    editor.Refresh();
    plugin.ScaleMap().SetScaleMap(1, TScaleMap::kBlocked);
    plugin.ScaleMap().SetScaleMap(3, TScaleMap::kBlocked);
    block.NoteOn(0, 61, 100).NoteOn(1, 63, 100);
    Run();
    unblock();
    block.Midi(0xB0, 123, 0);
    Run();
    EXPECT_FALSE(editor.Lit(61));
    EXPECT_TRUE(editor.Lit(63));
    plugin.ReleaseAllHeldNotes();
    EXPECT_FALSE(editor.Lit(63));

    // Each was cleared once: later note-offs of those keys do not put out the same note
    // sounding on another channel.
    editor.Refresh();
    block.NoteOn(2, 61, 100).NoteOff(0, 61, 0).NoteOff(1, 63, 0).Midi(0xB0, 123, 0);
    Run();
    EXPECT_TRUE(editor.Lit(61));
}

} // namespace
} // namespace tonvo
