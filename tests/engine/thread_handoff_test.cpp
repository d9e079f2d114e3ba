// The two hand-offs between the user-interface thread and the audio thread, exercised with real
// threads: preview notes arrive complete and in order, parked note-offs end their notes, and
// no highlight reaches an editor after it has been detached.
#include "support/host_calls.h"
#include "support/plugin_harness.h"
#include "support/recording_editor.h"

#include <array>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

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
        ASSERT_EQ(events[static_cast<size_t>(i)], test::note_on(0, i % 128, 1 + i % 100)) << i;
    }
}

// Note-offs that find the hand-off full are parked and sent by the audio thread: each still
// follows its note-on, and none is lost.
TEST(ThreadHandOff, ParkedPreviewNoteOffsEndEveryNoteInOrder) {
    test::PluginHarness harness;
    constexpr int kNotes = 20000;
    constexpr int kKeys = 16;
    std::atomic<bool> done{false};
    std::thread ui([&] {
        for (int i = 0; i < kNotes; ++i) {
            while (!harness.plugin.PreviewNoteOn(i % kKeys, 100)) {
                std::this_thread::yield(); // full, or the key's note-off still parked
            }
            harness.plugin.PreviewNoteOff(i % kKeys, 0);
        }
        done.store(true);
    });
    while (!done.load()) {
        harness.Process();
    }
    ui.join();
    harness.Process();
    harness.Process();
    std::array<bool, kKeys> sounding{};
    int ends = 0;
    for (const test::Delivered& event : harness.host.Events()) {
        const bool on = event.Status == 0x90;
        ASSERT_LT(event.Data1, kKeys);
        ASSERT_NE(sounding[event.Data1], on) << "note " << int{event.Data1};
        sounding[event.Data1] = on;
        ends += on ? 0 : 1;
    }
    EXPECT_EQ(ends, kNotes);
}

// Counts calls that arrive while it is not attached.
class GuardedEditor : public EditorHighlights {
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

// The user-interface thread is stuck inside its refresh pass, holding the highlight lock: the
// audio thread's block still completes, and the highlights it could not hand over reach the
// editor, in order, from the next idle call or the next highlight the audio thread makes.
TEST(ThreadHandOff, TheAudioThreadNeverWaitsForTheHighlightLock) {
    test::PluginHarness harness;
    test::RecordingEditor editor;
    harness.plugin.AttachEditorHighlights(&editor);
    const auto blockWhileLocked = [&](test::EventBlock& events) {
        SpinLock& lock = harness.plugin.Highlights().Lock();
        lock.lock();
        std::atomic<bool> done{false};
        std::thread audio([&] {
            harness.block = events;
            harness.Block();
            done.store(true);
        });
        // A watchdog, not a measurement: a waiting audio thread never finishes while locked.
        for (int i = 0; i < 1000 && !done.load(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        const bool finished = done.load();
        lock.unlock();
        audio.join();
        return finished;
    };
    test::EventBlock on;
    on.NoteOn(0, 60, 100).NoteOn(0, 64, 100);
    ASSERT_TRUE(blockWhileLocked(on));
    EXPECT_EQ(editor.calls, 0);
    EXPECT_TRUE(harness.plugin.ConsumeEditorNeedUpdate());
    harness.plugin.VSTModuleEditIdle();
    EXPECT_TRUE(editor.Lit(60));
    EXPECT_TRUE(editor.Lit(64));

    test::EventBlock off;
    off.NoteOff(0, 60, 0).NoteOn(0, 67, 100);
    ASSERT_TRUE(blockWhileLocked(off));
    EXPECT_TRUE(editor.Lit(60)) << "not yet";
    harness.block.NoteOff(0, 64, 0);
    harness.Block(); // takes the lock: what was missed goes first
    EXPECT_FALSE(editor.Lit(60));
    EXPECT_FALSE(editor.Lit(64));
    EXPECT_TRUE(editor.Lit(67));
    harness.plugin.DetachEditorHighlights();
}

// The state blocks of two instances, each set up by its own step.
template <typename Setup>
std::array<std::vector<uint8_t>, 2> TwoStates(Setup setup) {
    std::array<std::vector<uint8_t>, 2> blocks;
    for (size_t b = 0; b < 2; ++b) {
        test::PluginHarness source;
        setup(source.plugin, b);
        blocks[b] = test::chunk_of(source.plugin.Effect());
    }
    return blocks;
}

// The first block loaded, then a worker thread loads the two in turn (`loads` times at most)
// through the record while this thread reads: whether a read found what neither state holds.
template <typename Foreign>
bool foreign_read_while_a_worker_loads(std::array<std::vector<uint8_t>, 2> blocks, Foreign foreign,
                                       int loads = 20000) {
    test::PluginHarness harness;
    test::load_chunk(harness.plugin.Effect(), blocks[0]);
    std::atomic<bool> reading{false};
    std::atomic<bool> stop{false};
    std::thread worker([&] {
        while (!reading.load()) {
            std::this_thread::yield();
        }
        for (int load = 0; load < loads && !stop.load(); ++load) {
            test::load_chunk(harness.plugin.Effect(), blocks[static_cast<size_t>(load % 2)]);
        }
        stop.store(true);
    });
    bool found = false;
    reading.store(true);
    while (!stop.load() && !found) {
        found = foreign(harness.plugin);
    }
    stop.store(true);
    worker.join();
    return found;
}

// A state load replaces the map in one step: the audio thread never maps through the default
// map (or any other) between the old state and the new one.
TEST(ThreadHandOff, LoadsNeverShowAMapInBetween) {
    std::array<std::array<int32_t, 12>, 2> maps;
    const auto blocks = TwoStates([&](TVSTPlugin& p, size_t b) {
        for (int32_t i = 0; i < 12; ++i) {
            maps[b][static_cast<size_t>(i)] = (i + 1 + static_cast<int32_t>(b)) % 12;
            p.ScaleMap().SetScaleMap(i, maps[b][static_cast<size_t>(i)]);
        }
    });
    EXPECT_FALSE(foreign_read_while_a_worker_loads(
        blocks,
        [&](TVSTPlugin& p) {
            for (size_t i = 0; i < 12; ++i) {
                const int32_t entry = p.ScaleMap().GetScaleMap(static_cast<int32_t>(i));
                if (entry != maps[0][i] && entry != maps[1][i]) {
                    return true;
                }
            }
            return false;
        },
        100000));
}

// A host restores state on a worker thread while the editor's thread reads the preset name for
// its caption and the wizard's choices, and a host's save on this thread the MIDI CC
// assignments: each read holds those of one of the states (or none: before the first load, or a
// name cleared for want of its preset file), never a torn, freed or mixed one.
TEST(ThreadHandOff, NamesChoicesAndAssignmentsReadWhileAWorkerLoadsState) {
    const std::array<std::string, 2> names = {std::string(40, 'a') + " Dorian",
                                              std::string(70, 'b') + " Lydian"};
    const std::array<ScaleChoice, 2> choices = {ScaleChoice{names[0], 2, false},
                                                ScaleChoice{names[1], 9, true}};
    const std::array<std::vector<TMidiCCItem>, 2> lists = {
        std::vector<TMidiCCItem>{{1, std::string(40, 'a')}, {7, "volume"}},
        std::vector<TMidiCCItem>{{74, std::string(70, 'b')}}};
    const auto blocks = TwoStates([&](TVSTPlugin& p, size_t b) {
        p.SetPresetName(names[b]);
        p.ScaleMap().SetChoice(choices[b]);
        p.SetMidiCC(lists[b]);
    });
    EXPECT_FALSE(foreign_read_while_a_worker_loads(blocks, [&](TVSTPlugin& p) {
        const std::string name = p.PresetName();
        const ScaleChoice choice = p.ScaleMap().Choice(); // as CurrentState reads it
        const std::vector<TMidiCCItem> cc =
            p.CurrentState().CCAssignments.value_or(std::vector<TMidiCCItem>{});
        return (name != names[0] && name != names[1] && !name.empty()) ||
               (choice != choices[0] && choice != choices[1] && choice != ScaleChoice{}) ||
               (cc != lists[0] && cc != lists[1] && !cc.empty());
    }));
}

} // namespace
} // namespace tonvo
