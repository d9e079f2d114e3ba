// The LV2 bundle as a host loads it, through lilv by its URI: the data the host reads, notes
// and their frames, the transport, and the state in and out.
#include "core/plugin.h"
#include "lv2/lilv_host.h"
#include "presets/preset_files.h"
#include "support/default_state.h"
#include "support/receiver.h"
#include "support/state_blocks.h"
#include "support/temp_home.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <lv2/atom/atom.h>
#include <lv2/midi/midi.h>
#include <lv2/time/time.h>
#include <random>
#include <set>

namespace tonvo::test {
namespace {

constexpr const char* kUri = "urn:brelwick:tonvo";

class Lv2Host : public testing::Test {
protected:
    TempHome home;
    Lv2World world;
};

TEST_F(Lv2Host, TheHostReadsAMidiPluginWithItsPortsAndEditor) {
    const LilvPlugin* plugin = world.plugin(kUri);
    ASSERT_NE(plugin, nullptr);
    ASSERT_TRUE(lilv_plugin_verify(plugin));
    const auto text = [](LilvNode* node) {
        std::string value = node != nullptr ? lilv_node_as_string(node) : "";
        lilv_node_free(node);
        return value;
    };
    EXPECT_EQ(text(lilv_plugin_get_name(plugin)), "Tonvo");
    EXPECT_EQ(text(lilv_plugin_get_author_name(plugin)), "Brelwick");
    EXPECT_STREQ(lilv_node_as_uri(lilv_plugin_class_get_uri(lilv_plugin_get_class(plugin))),
                 "http://lv2plug.in/ns/lv2core#MIDIPlugin");
    ASSERT_EQ(lilv_plugin_get_num_ports(plugin), 2u);

    LilvNode* atom_port = lilv_new_uri(world.world(), LV2_ATOM__AtomPort);
    LilvNode* input = lilv_new_uri(world.world(), LILV_URI_INPUT_PORT);
    LilvNode* output = lilv_new_uri(world.world(), LILV_URI_OUTPUT_PORT);
    LilvNode* midi = lilv_new_uri(world.world(), LV2_MIDI__MidiEvent);
    LilvNode* position = lilv_new_uri(world.world(), LV2_TIME__Position);
    const LilvPort* in = lilv_plugin_get_port_by_index(plugin, 0);
    const LilvPort* out = lilv_plugin_get_port_by_index(plugin, 1);
    EXPECT_TRUE(lilv_port_is_a(plugin, in, atom_port) && lilv_port_is_a(plugin, in, input));
    EXPECT_TRUE(lilv_port_supports_event(plugin, in, midi));
    EXPECT_TRUE(lilv_port_supports_event(plugin, in, position));
    EXPECT_TRUE(lilv_port_is_a(plugin, out, atom_port) && lilv_port_is_a(plugin, out, output));
    EXPECT_TRUE(lilv_port_supports_event(plugin, out, midi));
    for (LilvNode* node : {atom_port, input, output, midi, position}) {
        lilv_node_free(node);
    }

    LilvNodes* required = lilv_plugin_get_required_features(plugin);
    ASSERT_EQ(lilv_nodes_size(required), 1u);
    EXPECT_STREQ(lilv_node_as_uri(lilv_nodes_get(required, lilv_nodes_begin(required))),
                 LV2_URID__map);
    lilv_nodes_free(required);

    LilvUIs* uis = lilv_plugin_get_uis(plugin);
    ASSERT_EQ(lilv_uis_size(uis), 1u);
    const LilvUI* ui = lilv_uis_get(uis, lilv_uis_begin(uis));
    LilvNode* x11 = lilv_new_uri(world.world(), "http://lv2plug.in/ns/extensions/ui#X11UI");
    EXPECT_TRUE(lilv_ui_is_a(ui, x11));
    EXPECT_STREQ(lilv_node_as_uri(lilv_ui_get_binary_uri(ui)),
                 lilv_node_as_uri(lilv_plugin_get_library_uri(plugin)))
        << "one library serves the plug-in and its editor";
    lilv_node_free(x11);
    lilv_uis_free(uis);
}

TEST_F(Lv2Host, NotesAreMappedAtTheirFramesAndReleasedAsSent) {
    Lv2Instance tonvo(world, kUri);
    ASSERT_TRUE(tonvo.made());
    // The default map is C major: C sounds, C sharp is blocked.
    tonvo.note_on(3, 0, 60);
    tonvo.note_on(10, 1, 61);
    tonvo.note_on(200, 2, 64, 90);
    EXPECT_EQ(tonvo.run(), (std::vector<Delivered>{on(0, 60, 100, 3), on(2, 64, 90, 200)}));

    // A new map while the keys are held: their note-offs still release what was sent.
    ASSERT_EQ(tonvo.restore_block(shifted_map_block(2)), LV2_STATE_SUCCESS);
    tonvo.note_off(0, 0, 60);
    tonvo.note_on(5, 0, 65);
    tonvo.note_off(17, 2, 64);
    tonvo.note_off(18, 1, 61);
    EXPECT_EQ(tonvo.run(),
              (std::vector<Delivered>{off(0, 60, 0), on(0, 67, 100, 5), off(2, 64, 17, 90)}));

    // Controllers and pitch bend pass through; program changes and system messages do not.
    tonvo.midi(1, {0xB3, 7, 99});
    tonvo.midi(2, {0xC3, 5});
    tonvo.midi(3, {0xE3, 0, 64});
    tonvo.midi(4, {0xD3, 33});
    tonvo.midi(5, {0xF8});
    EXPECT_EQ(tonvo.run(),
              (std::vector<Delivered>{{0xB3, 7, 99, 1}, {0xE3, 0, 64, 3}, {0xD3, 33, 0, 4}}));
    // A time outside the block counts as its nearer end.
    tonvo.midi(-4, {0xB3, 1, 2});
    tonvo.midi(900, {0xB3, 1, 3});
    EXPECT_EQ(tonvo.run(), (std::vector<Delivered>{{0xB3, 1, 2, 0}, {0xB3, 1, 3, 255}}));
    EXPECT_EQ(tonvo.state_changed_notices(), 0) << "nothing changed through the plug-in itself";
}

TEST_F(Lv2Host, StoppingOrJumpingBackReleasesHeldNotes) {
    Lv2Instance tonvo(world, kUri);
    ASSERT_TRUE(tonvo.made());
    // Before any position the transport is unknown: nothing is released.
    tonvo.note_on(0, 0, 60);
    EXPECT_EQ(tonvo.run(256).size(), 1u);
    EXPECT_TRUE(tonvo.run(256).empty());

    tonvo.position(0, 1.0f, 1000);
    EXPECT_TRUE(tonvo.run(256).empty()) << "playback starts";
    EXPECT_TRUE(tonvo.run(256).empty()) << "it goes on with no position of its own";
    tonvo.position(0, 1.0f, 1512);
    EXPECT_TRUE(tonvo.run(256).empty()) << "the position the host gives matches the one followed";

    tonvo.note_on(40, 0, 62);
    tonvo.position(100, 0.0f, std::nullopt);
    EXPECT_EQ(tonvo.run(256),
              (std::vector<Delivered>{on(0, 62, 100, 40), off(0, 60, 40), off(0, 62, 40)}))
        << "a stop releases everything held, never before what came earlier in the block";

    tonvo.position(0, 1.0f, 48000);
    tonvo.note_on(0, 0, 64);
    EXPECT_EQ(tonvo.run(256).size(), 1u);
    tonvo.position(0, 1.0f, 0);
    EXPECT_EQ(tonvo.run(256), (std::vector<Delivered>{off(0, 64, 0)})) << "a jump back";
}

// A host that gives less output room than the bundle asks for (84 events here) still gets
// every release: what else the block carries gives way to them.
TEST_F(Lv2Host, ASmallOutputBufferKeepsTheReleasesFirst) {
    Lv2Instance tonvo(world, kUri, 2048);
    ASSERT_TRUE(tonvo.made());
    tonvo.position(0, 1.0f, 0);
    for (int channel = 0; channel < 16; ++channel) {
        tonvo.note_on(0, channel, 60);
        tonvo.note_on(0, channel, 62);
    }
    std::set<std::pair<int, int>> sounding;
    const auto take = [&](const std::vector<Delivered>& delivered) {
        int releases = 0;
        for (const Delivered& event : delivered) {
            const std::pair<int, int> note{event.Status & 0x0F, event.Data1};
            if ((event.Status & 0xF0) == 0x90) {
                sounding.insert(note);
            } else if ((event.Status & 0xF0) == 0x80) {
                sounding.erase(note); // a note-off of a note never sent is ignored
                ++releases;
            }
        }
        return releases;
    };
    EXPECT_EQ(take(tonvo.run()), 0);
    ASSERT_EQ(sounding.size(), 32u);

    // Thirty more note-ons and a pitch bend on every channel, then a stop: 108 events, of them
    // 62 note-offs, where 84 fit.
    for (int channel = 0; channel < 15; ++channel) {
        tonvo.note_on(10, channel, 64);
        tonvo.note_on(10, channel, 65);
    }
    for (int channel = 0; channel < 16; ++channel) {
        tonvo.midi(20, {static_cast<uint8_t>(0xE0 | channel), 0, 80});
    }
    tonvo.position(100, 0.0f, std::nullopt);
    const std::vector<Delivered> stop = tonvo.run();
    EXPECT_EQ(stop.size(), 84u) << "the buffer is filled";
    EXPECT_EQ(take(stop), 62) << "every note held goes off";
    EXPECT_TRUE(sounding.empty());
}

TEST_F(Lv2Host, AReactivatedInstanceReleasesWhatItHeldAndStartsAfresh) {
    Lv2Instance tonvo(world, kUri);
    ASSERT_TRUE(tonvo.made());
    tonvo.note_on(3, 0, 60);
    EXPECT_EQ(tonvo.run(), (std::vector<Delivered>{on(0, 60, 100, 3)}));
    tonvo.reactivate();
    EXPECT_EQ(tonvo.run(), (std::vector<Delivered>{off(0, 60, 0)}))
        << "the note held before goes off at the first block";
    tonvo.note_on(5, 0, 60);
    EXPECT_EQ(tonvo.run(), (std::vector<Delivered>{on(0, 60, 100, 5)}))
        << "the key is no longer held: no note-off before its note-on";
    tonvo.reactivate();
    EXPECT_EQ(tonvo.run(), (std::vector<Delivered>{off(0, 60, 0)}));
    tonvo.reactivate();
    EXPECT_TRUE(tonvo.run().empty()) << "nothing held, nothing sent";
}

TEST_F(Lv2Host, StateMovesThroughTheHostWithTheSameBytes) {
    Lv2Instance first(world, kUri);
    Lv2Instance second(world, kUri);
    ASSERT_TRUE(first.made() && second.made());
    SavedBlock fresh = first.save_block();
    EXPECT_EQ(fresh.status, LV2_STATE_SUCCESS);
    EXPECT_EQ(fresh.type, world.map(LV2_ATOM__Chunk));
    EXPECT_EQ(fresh.bytes, kDefaultBlock) << "the VST 2.4 build's chunk of a fresh instance";

    const std::vector<uint8_t> shifted = shifted_map_block(5);
    ASSERT_EQ(first.restore_block(shifted), LV2_STATE_SUCCESS);
    EXPECT_EQ(first.save_block().bytes, shifted);

    LilvState* saved = first.save_state();
    ASSERT_NE(saved, nullptr);
    second.restore_state(saved);
    EXPECT_EQ(second.save_block().bytes, shifted);
    LilvState* again = second.save_state();
    EXPECT_EQ(first.state_text(saved), second.state_text(again));
    lilv_state_free(saved);
    lilv_state_free(again);
    second.note_on(0, 0, 60);
    EXPECT_EQ(second.run(), (std::vector<Delivered>{on(0, 65, 100, 0)}));
}

TEST_F(Lv2Host, ABadStateIsRefusedAndChangesNothing) {
    Lv2Instance tonvo(world, kUri);
    ASSERT_TRUE(tonvo.made());
    const std::vector<uint8_t> good = shifted_map_block(3);
    ASSERT_EQ(tonvo.restore_block(good), LV2_STATE_SUCCESS);

    std::vector<uint8_t> renamed = shifted_map_block(7);
    renamed[0] = 'x';
    std::vector<uint8_t> cut = shifted_map_block(7);
    cut.resize(cut.size() - 3);
    std::vector<uint8_t> trailing = shifted_map_block(7);
    trailing.push_back(0);
    std::vector<uint8_t> bad_body = shifted_map_block(7);
    bad_body[8] = 0x00; // the body's signature
    for (const auto& block : {renamed, cut, trailing, bad_body, std::vector<uint8_t>{}}) {
        EXPECT_NE(tonvo.restore_block(block), LV2_STATE_SUCCESS);
        EXPECT_EQ(tonvo.save_block().bytes, good);
    }
    EXPECT_EQ(tonvo.restore_block(shifted_map_block(7), world.map(LV2_ATOM__String)),
              LV2_STATE_ERR_BAD_TYPE);
    EXPECT_EQ(tonvo.save_block().bytes, good);
}

TEST_F(Lv2Host, ANewInstanceStartsFromTheInitPreset) {
    std::filesystem::create_directories(home.Presets());
    const std::vector<uint8_t> init = shifted_map_block(1, "init");
    std::ofstream(home.Presets() / (std::string("init") + std::string(kPresetExtension)),
                  std::ios::binary)
        .write(reinterpret_cast<const char*>(init.data()),
               static_cast<std::streamsize>(init.size()));
    Lv2Instance tonvo(world, kUri);
    ASSERT_TRUE(tonvo.made());
    EXPECT_EQ(tonvo.save_block().bytes, shifted_map_block(1)) << "the init preset, unnamed";
    tonvo.note_on(0, 0, 60);
    EXPECT_EQ(tonvo.run(), (std::vector<Delivered>{on(0, 61, 100, 0)}));
    EXPECT_EQ(tonvo.state_changed_notices(), 0) << "a new instance is not a change";
}

// Random playing on three channels, with map changes, stops and jumps between blocks: no
// note is ever sent twice or released unsent, and once every key is up nothing sounds.
TEST_F(Lv2Host, ARandomStreamLeavesNoNoteHanging) {
    Lv2Instance tonvo(world, kUri);
    ASSERT_TRUE(tonvo.made());
    std::mt19937 rng(20261210);
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(rng);
    };
    bool down[3][128] = {};
    Receiver receiver;
    size_t delivered_count = 0;
    const auto check = [&](const std::vector<Delivered>& delivered) {
        delivered_count += delivered.size();
        for (const Delivered& event : delivered) {
            const std::string fault = receiver.Take(event);
            ASSERT_TRUE(fault.empty()) << fault;
        }
    };
    int64_t position = 0;
    for (int block = 0; block < 2000; ++block) {
        const int events = pick(0, 12);
        for (int i = 0; i < events; ++i) {
            const int channel = pick(0, 2);
            const int note = pick(48, 72);
            const int frame = i * 16;
            if (down[channel][note] && pick(0, 3) > 0) {
                tonvo.note_off(frame, channel, note);
                down[channel][note] = false;
            } else {
                tonvo.note_on(frame, channel, note, pick(0, 3) == 0 ? 0 : 100);
                down[channel][note] = true;
            }
        }
        const int transport = pick(0, 40);
        if (transport == 0) {
            tonvo.position(pick(0, 255), 0.0f, std::nullopt);
        } else if (transport == 1) {
            position = pick(0, 100000);
            tonvo.position(0, 1.0f, position);
        }
        if (pick(0, 20) == 0) {
            ASSERT_EQ(tonvo.restore_block(shifted_map_block(pick(0, 11))), LV2_STATE_SUCCESS);
        }
        check(tonvo.run(256));
        ASSERT_FALSE(HasFatalFailure()) << "block " << block;
    }
    for (int channel = 0; channel < 3; ++channel) {
        for (int note = 0; note < 128; ++note) {
            if (down[channel][note]) {
                tonvo.note_off(0, channel, note);
            }
        }
    }
    check(tonvo.run(256));
    EXPECT_EQ(receiver.Sounding(), 0);
    EXPECT_GT(delivered_count, 5000u) << "the stream was played";
}

} // namespace
} // namespace tonvo::test
