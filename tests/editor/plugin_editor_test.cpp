// The shipped module with its editor, driven the way a host drives it: through the effect
// record's dispatcher, with a HeadlessParent as the host's window and a small form of our own
// standing in for the editor form.
#include "editor/module_editor_fixture.h"
#include "support/event_block.h"
#include "support/host_calls.h"

#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <vector>

namespace tonvo {
namespace {

class PluginEditor : public test::ModuleEditorTest {
protected:
    PluginEditor() {
        module = Make([this](ui::Desktop& on, EditorLink& owner) {
            return std::make_unique<test::LoggingForm>(on, owner, log);
        });
    }
};

TEST_F(PluginEditor, OpensInTheParentIdlesAndCloses) {
    EXPECT_EQ(Rect().right, 0) << "no editor opened yet";
    EXPECT_EQ(Rect().bottom, 0);

    ASSERT_EQ(Call(effEditOpen, 0, 0, &parent), 1);
    ASSERT_NE(parent.editor, nullptr);
    EXPECT_EQ(log.shows, 1);
    EXPECT_EQ(Rect().right, 320);
    EXPECT_EQ(Rect().bottom, 200);

    // Every idle call runs the timers; the flagged hooks only run when something was flagged.
    Idle();
    const int updates = log.updates;
    for (int i = 0; i < 3; ++i) {
        Idle();
    }
    EXPECT_EQ(log.ticks, 4);
    EXPECT_EQ(parent.idles, 4);
    EXPECT_EQ(log.updates, updates);
    module->SetEditorNeedUpdate();
    Idle();
    EXPECT_EQ(log.updates, updates + 1);
    EXPECT_EQ(log.refreshes, updates + 1);
    EXPECT_EQ(log.ticks, 5);

    Call(effEditClose);
    EXPECT_EQ(parent.editor, nullptr);
    EXPECT_EQ(log.destroyed, 1);
    Idle();
    EXPECT_EQ(log.ticks, 5) << "nothing runs with the editor closed";
    EXPECT_EQ(Rect().right, 320) << "the last size stays the module's rectangle";
}

TEST_F(PluginEditor, WithoutAWindowOrFormThereIsNoEditor) {
    parent.refuse = true;
    EXPECT_EQ(Call(effEditOpen, 0, 0, &parent), 1) << "a failure to show is reported only";
    EXPECT_EQ(log.made, 0);
    Idle();
    Incoming(0x90, 60);
    EXPECT_FALSE(module->Highlights().Attached());
    Call(effEditClose);

    // The plug-in as shipped has no form factory: no editor form class at all.
    auto bare = TVSTModule::Create<TonvoModule>({}, TonvoModule::FormFactory{}, services);
    AEffect* effect = bare->Effect();
    EXPECT_EQ(effect->dispatcher(effect, effEditOpen, 0, 0, &parent, 0.0f), 0);
}

TEST_F(PluginEditor, AStateLoadedOnAnotherThreadReachesTheFormAtTheNextIdle) {
    services.Files[services.PresetPath("Beta")] = {};
    ASSERT_EQ(Call(effEditOpen, 0, 0, &parent), 1);
    module->SetPresetName("Beta");
    EXPECT_EQ(log.shownName, "Beta") << "on the editor's thread the form hears at once";
    std::vector<uint8_t> chunk = test::chunk_of(module->Effect());
    const auto size = static_cast<intptr_t>(chunk.size());
    ASSERT_GT(size, 8);
    module->SetPresetName("Alpha");
    Idle();
    const int names = log.nameUpdates;
    const int updates = log.updates;

    std::thread worker([&] { Call(effSetChunk, 1, size, chunk.data()); });
    worker.join();
    EXPECT_EQ(module->PresetName(), "Beta");
    EXPECT_EQ(log.foreignCalls, 0);
    EXPECT_EQ(log.nameUpdates, names);
    EXPECT_EQ(log.shownName, "Alpha");

    Idle();
    EXPECT_EQ(log.nameUpdates, names + 1);
    EXPECT_EQ(log.shownName, "Beta");
    EXPECT_EQ(log.updates, updates + 1) << "the state load shows in the controls too";
    Idle();
    EXPECT_EQ(log.nameUpdates, names + 1);

    // On the editor's thread a form failing to show the name does not fail the load.
    log.failNameUpdate = true;
    module->SetPresetName("Alpha");
    EXPECT_EQ(Call(effSetChunk, 1, size, chunk.data()), size);
    EXPECT_EQ(module->PresetName(), "Beta");
    EXPECT_EQ(module->LastReportedException(), "UpdatePresetName: no name field");
}

TEST_F(PluginEditor, HighlightsStopBeforeTheFormGoes) {
    ASSERT_EQ(Call(effEditOpen, 0, 0, &parent), 1);
    Incoming(0x90, 60);
    EXPECT_EQ(log.highlights, 1);
    EXPECT_TRUE(module->EditorNeedUpdate()) << "a changed highlight asks for a refresh";
    Call(effEditClose);
    Incoming(0x90, 62);
    Idle();
    EXPECT_EQ(log.highlights, 1);
    EXPECT_EQ(log.highlightsAfterDeath, 0);
    EXPECT_FALSE(module->Highlights().Attached());
}

TEST_F(PluginEditor, EachOpeningSelectsTheStyleOfTheSkin) {
    module->SetSkin(2);
    Call(effEditOpen, 0, 0, &parent);
    EXPECT_EQ(ui::active_style().name, "Light");
    Call(effEditClose);
    module->SetSkin(9);
    Call(effEditOpen, 0, 0, &parent);
    EXPECT_EQ(ui::active_style().name, "Carbon") << "an unknown index shows the first skin";
    Call(effEditClose);
}

TEST_F(PluginEditor, OpeningInAnotherWindowWhileOpenRebuildsTheEditorThere) {
    ui::HeadlessParent other{desktop};
    ASSERT_EQ(Call(effEditOpen, 0, 0, &parent), 1);
    ASSERT_EQ(Call(effEditOpen, 0, 0, &parent), 1);
    EXPECT_EQ(log.made, 1) << "the same window: the same form";
    ASSERT_EQ(Call(effEditOpen, 0, 0, &other), 1);
    EXPECT_EQ(parent.editor, nullptr);
    ASSERT_NE(other.editor, nullptr);
    EXPECT_EQ(log.made, 2);
    EXPECT_EQ(log.destroyed, 1);
    Incoming(0x90, 60);
    EXPECT_EQ(log.highlightsAfterDeath, 0);
    EXPECT_GT(log.highlights, 0) << "the new form hears the notes";
    Idle();
    EXPECT_EQ(other.idles, 1);
    Call(effEditClose);
    EXPECT_EQ(other.editor, nullptr);
    EXPECT_EQ(log.destroyed, 2);
}

// An audio thread plays notes throughout while the editor opens and closes: no highlight may
// reach a form being destroyed (the address sanitizer and the form's own check see it).
TEST_F(PluginEditor, OpensAndClosesAHundredTimesWhileNotesPlay) {
    std::atomic<bool> stop{false};
    std::thread audio([&] {
        test::EventBlock block;
        for (int note = 0; !stop.load(); note = (note + 1) % 128) {
            block.Clear();
            block.NoteOn(0, note, 100).NoteOff(0, (note + 64) % 128, 0);
            AEffect* effect = module->Effect();
            effect->dispatcher(effect, effProcessEvents, 0, 0, block.Get(), 0.0f);
        }
    });
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(Call(effEditOpen, 0, 0, &parent), 1);
        Idle();
        Idle();
        Call(effEditClose);
    }
    stop.store(true);
    audio.join();
    EXPECT_EQ(parent.opened, 100);
    EXPECT_EQ(log.made, 100);
    EXPECT_EQ(log.destroyed, 100);
    EXPECT_EQ(log.ticks, 200);
    EXPECT_EQ(log.highlightsAfterDeath, 0);
    EXPECT_EQ(parent.editor, nullptr);
}

} // namespace
} // namespace tonvo
