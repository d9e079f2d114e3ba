// The format-neutral plug-in driven as a format's adapter drives it, with a link that records
// what the plug-in asks of the host.
#include "core/plugin.h"
#include "support/recording_link.h"

#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

namespace tonvo::core {
namespace {

using test::RecordingLink;

// An editor whose highlight state changes with every call.
class LitKeys : public EditorHighlights {
public:
    bool HighlightNoteOn(int note) override {
        lit.push_back(note);
        return true;
    }
    bool HighlightNoteOff(int note) override {
        unlit.push_back(note);
        return true;
    }
    std::vector<int> lit;
    std::vector<int> unlit;
};

using Message = std::tuple<int32_t, int, int, int>; // frame, status, data 1, data 2

class CorePlugin : public testing::Test {
protected:
    CorePlugin() {
        for (int32_t i = 0; i < TScaleMap::kEntries; ++i) {
            plugin.scale_map().SetScaleMap(i, (i + 2) % 12); // every pitch class up a whole tone
        }
    }
    std::vector<Message> Output() const {
        std::vector<Message> out;
        for (const MidiRecord& r : plugin.output().records()) {
            out.emplace_back(r.frame, r.status, r.data1, r.data2);
        }
        return out;
    }
    static Transport Playing(double position) { return {true, true, position}; }

    RecordingLink link;
    Plugin plugin{link};
};

// Within one block the block's events come first, then the waiting previews, then the
// transport watch; the adapter then delivers the whole queue at once.
TEST_F(CorePlugin, ABlockRunsEventsThenPreviewsThenTheTransportWatch) {
    plugin.process({}, Playing(0.0));
    ASSERT_TRUE(plugin.preview_note_on(72, 90));
    const MidiRecord events[] = {{5, 0x91, 60, 100}, {9, 0xE1, 0x00, 0x40}};
    plugin.process(events, {true, false, 64.0}); // playback stopped in this block
    EXPECT_EQ(
        Output(),
        (std::vector<Message>{
            {5, 0x91, 62, 100}, {9, 0xE1, 0x00, 0x40}, {0, 0x90, 72, 90}, {0, 0x81, 62, 100}}));
    EXPECT_EQ(plugin.held_notes().Count(), 0);
    EXPECT_FALSE(plugin.transport_was_playing());
    plugin.output().clear();
    // A host without time information counts as stopped: nothing more is released.
    plugin.process_midi({0, 0x90, 61, 80});
    plugin.finish_block({});
    EXPECT_EQ(Output(), (std::vector<Message>{{0, 0x90, 63, 80}}));
    EXPECT_EQ(plugin.held_notes().Count(), 1);
}

// A control change drives every parameter entry assigned to its controller through the link,
// lowest entry first, and still goes on to the output.
TEST_F(CorePlugin, ControlChangesReachTheirParametersThroughTheLink) {
    TVSTParameterValues values;
    values.Add(0.0f, "first");
    values.Add(0.0f, "second");
    values.Add(0.0f, "third");
    plugin.cc_routing().SetAssignments({{7, "third"}, {7, "first"}, {8, "second"}}, values);
    const MidiRecord events[] = {{0, 0xB2, 7, 99}, {1, 0xB0, 9, 5}, {2, 0xB0, 0x88, 0xFF}};
    plugin.process(events, Playing(0.0));
    EXPECT_EQ(link.controlled,
              (std::vector<std::pair<int32_t, uint8_t>>{{0, 99}, {2, 99}, {1, 127}}));
    EXPECT_EQ(Output(),
              (std::vector<Message>{{0, 0xB2, 7, 99}, {1, 0xB0, 9, 5}, {2, 0xB0, 8, 127}}));
}

// The link hears of highlight changes only while an editor is attached; a blocked key is lit
// and unlit without sending anything.
TEST_F(CorePlugin, HighlightsReachAnAttachedEditorAndAskForAnUpdate) {
    plugin.process_midi({0, 0x90, 60, 100});
    EXPECT_EQ(link.updates, 0);
    LitKeys editor;
    plugin.highlights().Attach(&editor);
    plugin.scale_map().SetScaleMap(2, TScaleMap::kBlocked);
    plugin.process_midi({0, 0x90, 62, 100}); // D is blocked
    plugin.process_midi({1, 0x80, 62, 0});
    plugin.process_midi({2, 0x80, 60, 0});
    EXPECT_EQ(editor.lit, std::vector<int>{62});
    EXPECT_EQ(editor.unlit, (std::vector<int>{62, 60}));
    EXPECT_EQ(link.updates, 3);
    EXPECT_EQ(Output(), (std::vector<Message>{{0, 0x90, 62, 100}, {2, 0x80, 62, 100}}));
    plugin.highlights().Detach();
    plugin.process_midi({3, 0x90, 64, 100});
    EXPECT_EQ(link.updates, 3);
    EXPECT_EQ(link.changes, 0);
    plugin.notify_state_changed(); // the editor's edits reach the host through the link only
    EXPECT_EQ(link.changes, 1);
    EXPECT_EQ(link.updates, 3);
}

// Every sounding note keeps one record of the queue for its note-off, whatever fills the rest.
TEST_F(CorePlugin, EverySoundingNoteKeepsARecordForItsNoteOff) {
    plugin.process_midi({0, 0x90, 60, 100});
    plugin.process_midi({0, 0x90, 61, 100});
    EXPECT_EQ(plugin.output().reserved(), 2);
    for (int i = 0; i < 2000; ++i) {
        plugin.process_midi({1, 0xD0, 5, 0});
    }
    EXPECT_EQ(plugin.output().room(), 0);
    plugin.process_midi({2, 0x90, 64, 100}); // no room for it and its note-off: dropped whole
    plugin.release_all_held_notes();
    const std::vector<Message> out = Output();
    ASSERT_EQ(out.size(), 1023u);
    EXPECT_EQ(out[1021], (Message{0, 0x80, 62, 100}));
    EXPECT_EQ(out[1022], (Message{0, 0x80, 63, 100}));
    EXPECT_EQ(plugin.output().reserved(), 0);
}

} // namespace
} // namespace tonvo::core
