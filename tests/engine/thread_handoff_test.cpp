// The two hand-offs between the user-interface thread and the audio thread, exercised with real
// threads: preview notes arrive complete and in order, and no highlight reaches an editor
// after it has been detached.
#include "support/plugin_harness.h"
#include "support/recording_editor.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace tonvo {
namespace {

TEST(ThreadHandOff, PreviewNotesFromAnotherThreadArriveInOrder) {
    test::PluginHarness harness;
    constexpr int kPreviews = 20000;
    std::atomic<bool> done{false};
    std::thread ui([&] {
        for (int i = 0; i < kPreviews; ++i) {
            while (!harness.plugin.PreviewNoteOn(i % 128, 1 + i % 100)) {
                std::this_thread::yield(); // full: the audio thread has not drained yet
            }
        }
        done.store(true);
    });
    while (!done.load()) {
        harness.Process();
    }
    ui.join();
    harness.Process();
    const auto& events = harness.host.Events();
    ASSERT_EQ(events.size(), static_cast<size_t>(kPreviews));
    for (int i = 0; i < kPreviews; ++i) {
        ASSERT_EQ(events[static_cast<size_t>(i)], test::NoteOn(0, i % 128, 1 + i % 100)) << i;
    }
}

// Counts calls that arrive while it is not attached.
class GuardedEditor : public TEditorHighlights {
public:
    bool HighlightNoteOn(int) override { return Call(); }
    bool HighlightNoteOff(int) override { return Call(); }
    bool Call() {
        if (!attached.load()) {
            late.fetch_add(1);
        }
        return true;
    }
    std::atomic<bool> attached{false};
    std::atomic<int> late{0};
};

TEST(ThreadHandOff, NoHighlightAfterDetachReturns) {
    test::PluginHarness harness;
    GuardedEditor editor;
    std::atomic<bool> stop{false};
    std::thread ui([&] {
        while (!stop.load()) {
            editor.attached.store(true);
            harness.plugin.AttachEditorHighlights(&editor);
            std::this_thread::yield();
            harness.plugin.DetachEditorHighlights();
            editor.attached.store(false);
        }
    });
    for (int block = 0; block < 20000; ++block) {
        harness.block.NoteOn(0, 61, 100).NoteOff(0, 61, 0);
        harness.Block();
    }
    stop.store(true);
    ui.join();
    EXPECT_EQ(editor.late.load(), 0);
}

} // namespace
} // namespace tonvo
