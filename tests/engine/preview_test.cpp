// Preview notes from the editor keyboard: what reaches the host is always a valid MIDI message,
// and a note-off is never lost when the hand-off to the audio thread is full.
#include "host/editor_form.h"
#include "support/plugin_harness.h"

#include <gtest/gtest.h>

namespace tonvo {
namespace {

using test::Delivered;
using test::NoteOff;
using test::NoteOn;
using Events = std::vector<Delivered>;

class BlankForm : public TVSTEditorForm {
public:
    int ClientWidth() const override { return 100; }
    int ClientHeight() const override { return 50; }
    void ShowInParent(void*) override {}
};

class Previews : public testing::Test, protected test::PluginHarness {
protected:
    Events Run() {
        host.Forget();
        Process();
        return host.Events();
    }
    // What the host does while the editor is open, on the user-interface thread.
    void OpenEditor() {
        plugin.EditorFormClass = [](TCustomVSTModule&) { return std::make_unique<BlankForm>(); };
        ASSERT_EQ(Dispatch(effEditOpen, &parent_), 1);
    }
    void Idle() { Dispatch(effEditIdle, nullptr); }
    // Fills the hand-off with note-ons of note 70; answers how many it took.
    int Fill() {
        int taken = 0;
        while (plugin.PreviewNoteOn(70, 1) && taken < 10000) {
            ++taken;
        }
        return taken;
    }

private:
    intptr_t Dispatch(int32_t opcode, void* ptr) {
        AEffect* effect = plugin.Effect();
        return effect->dispatcher(effect, opcode, 0, 0, ptr, 0.0f);
    }
    int parent_ = 0;
};

TEST_F(Previews, NumbersAreMaskedIntoTheDataByteRange) {
    EXPECT_TRUE(plugin.PreviewNoteOn(60 + 128, 100 + 256));
    EXPECT_TRUE(plugin.PreviewNoteOff(-1, -128));
    EXPECT_EQ(Run(), (Events{NoteOn(0, 60, 100), NoteOff(0, 127, 0)}));
}

TEST_F(Previews, NoteOffWaitsWhileFullAndGoesOutAtTheNextIdleCall) {
    OpenEditor();
    plugin.ConsumeEditorNeedUpdate();
    const int taken = Fill();
    ASSERT_LT(taken, 10000);
    EXPECT_TRUE(plugin.PreviewNoteOff(60, 64)) << "a note-off is always taken";
    EXPECT_TRUE(plugin.PreviewNoteOff(60, 64));
    EXPECT_TRUE(plugin.PreviewNoteOff(61, 64));
    EXPECT_EQ(plugin.WaitingPreviewNoteOffs(), 2);
    EXPECT_FALSE(plugin.PreviewNoteOn(60, 100)) << "its note-off must go first";

    Idle(); // still full: both keep waiting, and the next idle call is asked for again
    EXPECT_EQ(plugin.WaitingPreviewNoteOffs(), 2);
    EXPECT_TRUE(plugin.EditorNeedUpdate());

    const Events drained = Run();
    ASSERT_EQ(drained.size(), static_cast<size_t>(taken));
    EXPECT_EQ(drained.back(), NoteOn(0, 70, 1));
    Idle();
    EXPECT_EQ(plugin.WaitingPreviewNoteOffs(), 0);
    EXPECT_EQ(Run(), (Events{NoteOff(0, 60, 64), NoteOff(0, 61, 64)}));
    Idle();
    EXPECT_FALSE(plugin.EditorNeedUpdate()) << "nothing left to send";
}

TEST_F(Previews, WaitingNoteOffGoesBeforeALaterNoteOnOfTheSameKey) {
    Fill();
    EXPECT_TRUE(plugin.PreviewNoteOff(62, 0));
    Run(); // no editor open: only the next preview call sends it
    EXPECT_EQ(plugin.WaitingPreviewNoteOffs(), 1);
    EXPECT_TRUE(plugin.PreviewNoteOn(62, 100));
    EXPECT_EQ(Run(), (Events{NoteOff(0, 62, 0), NoteOn(0, 62, 100)}));
}

} // namespace
} // namespace tonvo
