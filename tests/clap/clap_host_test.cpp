// Tonvo.clap as a CLAP host loads it: the file opened with dlopen or LoadLibraryW (under Wine on
// Windows), the entry found by name, the factory, the descriptor, instances created, activated
// and driven through their records with events of both dialects, the transport, state through
// streams, and the editor's extension as far as it goes without a window. The checklist follows
// clap-validator's checks that apply to a note effect.
#include "clap/clap_host.h"
#include "support/receiver.h"
#include "support/state_blocks.h"
#include "support/temp_home.h"

#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace tonvo::test {
namespace {

class ClapPlugin : public testing::Test {
protected:
    TempHome home;
};

TEST_F(ClapPlugin, TheEntryAndFactoryDescribeANoteEffect) {
    const clap_plugin_entry& e = entry();
    EXPECT_EQ(e.clap_version.major, 1u);
    ASSERT_TRUE(e.init(TONVO_CLAP_PATH));
    EXPECT_EQ(e.get_factory("clap.nothing"), nullptr);
    const auto* factory =
        static_cast<const clap_plugin_factory*>(e.get_factory(CLAP_PLUGIN_FACTORY_ID));
    ASSERT_NE(factory, nullptr);
    ASSERT_EQ(factory->get_plugin_count(factory), 1u);
    EXPECT_EQ(factory->get_plugin_descriptor(factory, 1), nullptr);
    const clap_plugin_descriptor* d = factory->get_plugin_descriptor(factory, 0);
    ASSERT_NE(d, nullptr);
    EXPECT_STREQ(d->id, "com.brelwick.tonvo");
    EXPECT_STREQ(d->name, "Tonvo");
    EXPECT_STREQ(d->vendor, "Brelwick");
    EXPECT_STREQ(d->version, "1.0.0");
    std::vector<std::string> features;
    for (const char* const* f = d->features; *f != nullptr; ++f) {
        features.emplace_back(*f);
    }
    EXPECT_EQ(features, (std::vector<std::string>{"note-effect", "utility"}));

    ClapHost host;
    ASSERT_NE(host.plugin(), nullptr);
    EXPECT_EQ(host.plugin()->desc, d) << "the instance carries the factory's descriptor";
    EXPECT_EQ(factory->create_plugin(factory, nullptr, "com.brelwick.tonvo"), nullptr);
    clap_host other{};
    EXPECT_EQ(factory->create_plugin(factory, &other, "com.brelwick.other"), nullptr);
    ASSERT_TRUE(host.start());

    const auto* ports = host.extension<clap_plugin_note_ports>(CLAP_EXT_NOTE_PORTS);
    ASSERT_NE(ports, nullptr);
    for (const bool input : {true, false}) {
        ASSERT_EQ(ports->count(host.plugin(), input), 1u);
        clap_note_port_info info{};
        ASSERT_TRUE(ports->get(host.plugin(), 0, input, &info));
        EXPECT_EQ(info.preferred_dialect, CLAP_NOTE_DIALECT_MIDI);
        EXPECT_NE(info.supported_dialects & CLAP_NOTE_DIALECT_CLAP, 0u);
        EXPECT_FALSE(ports->get(host.plugin(), 1, input, &info));
    }
    EXPECT_EQ(host.extension<void>("clap.params"), nullptr);
    EXPECT_EQ(host.extension<void>("clap.audio-ports"), nullptr) << "a note effect has no audio";
    e.deinit();
}

TEST_F(ClapPlugin, NotesOfBothDialectsAreMappedAtTheirTimes) {
    ClapHost host;
    ASSERT_TRUE(host.start());
    ASSERT_TRUE(host.load(shifted_map_block(2)));
    host.midi(3, 0x90, 60, 100);
    host.note(CLAP_EVENT_NOTE_ON, 10, 1, 64, 100.0 / 127.0);
    host.note(CLAP_EVENT_NOTE_ON, 11, 2, 65, 0.0); // a CLAP note-on of velocity 0 still sounds
    EXPECT_EQ(host.process(),
              (std::vector<Delivered>{on(0, 62, 100, 3), on(1, 66, 100, 10), on(2, 67, 1, 11)}));

    // The map changes under held keys: their note-offs still release what was sent; a choke
    // is a note-off, and a choke of every key releases everything held.
    ASSERT_TRUE(host.load(shifted_map_block(0)));
    host.note(CLAP_EVENT_NOTE_OFF, 0, 0, 60);
    host.note(CLAP_EVENT_NOTE_CHOKE, 5, 1, 64);
    host.midi(6, 0xB1, 7, 90);
    host.midi(7, 0xC1, 3, 0);
    EXPECT_EQ(host.process(),
              (std::vector<Delivered>{off(0, 62, 0), off(1, 66, 5), {0xB1, 7, 90, 6}}));
    host.note(CLAP_EVENT_NOTE_CHOKE, 9, -1, -1);
    EXPECT_EQ(host.process(), (std::vector<Delivered>{off(2, 67, 9, 1)}));

    // A wildcard stands for its own field only: a note-off for every key of one channel, or for
    // one key on every channel, releases just those notes.
    host.midi(0, 0x90, 60, 100);
    host.midi(0, 0x91, 64, 100);
    host.midi(0, 0x92, 60, 100);
    host.midi(0, 0x90, 62, 100);
    ASSERT_EQ(host.process().size(), 4u);
    host.note(CLAP_EVENT_NOTE_OFF, 1, 1, -1);
    EXPECT_EQ(host.process(), (std::vector<Delivered>{off(1, 64, 1)}));
    host.note(CLAP_EVENT_NOTE_OFF, 2, -1, 60);
    EXPECT_EQ(host.process(), (std::vector<Delivered>{off(0, 60, 2), off(2, 60, 2)}));
    host.note(CLAP_EVENT_NOTE_CHOKE, 3, -1, -1);
    EXPECT_EQ(host.process(), (std::vector<Delivered>{off(0, 62, 3)}));
}

// Events that are not Tonvo's pass by: another port, another event space, a record shorter
// than its type, a note for no key or for a key or channel past MIDI's (not folded onto one
// inside), types a note effect does not take. Without a transport
// (free running) nothing held is released, however many blocks go by.
TEST_F(ClapPlugin, EventsNotForTonvoPassByAndNoTransportReleasesNothing) {
    ClapHost host;
    ASSERT_TRUE(host.start());
    ASSERT_TRUE(host.load(shifted_map_block(0))); // every key sounds as it is
    host.midi(0, 0x90, 60, 100);
    ASSERT_EQ(host.process(), (std::vector<Delivered>{on(0, 60, 100, 0)}));

    clap_event_midi other_port{};
    other_port.header = {sizeof other_port, 1, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_MIDI, 0};
    other_port.port_index = 1;
    other_port.data[0] = 0x90;
    other_port.data[1] = 61;
    other_port.data[2] = 100;
    host.add(other_port);
    clap_event_midi other_space = other_port;
    other_space.port_index = 0;
    other_space.header.space_id = 7;
    host.add(other_space);
    clap_event_midi short_record = other_space;
    short_record.header.space_id = CLAP_CORE_EVENT_SPACE_ID;
    short_record.header.size = sizeof(clap_event_header);
    host.add(short_record);
    clap_event_midi unknown_type = other_space;
    unknown_type.header.space_id = CLAP_CORE_EVENT_SPACE_ID;
    unknown_type.header.type = 5; // a parameter value
    host.add(unknown_type);
    clap_event_note note_elsewhere{};
    note_elsewhere.header = {sizeof note_elsewhere, 2, CLAP_CORE_EVENT_SPACE_ID,
                             CLAP_EVENT_NOTE_OFF, 0};
    note_elsewhere.port_index = 1;
    note_elsewhere.channel = 0;
    note_elsewhere.key = 60;
    host.add(note_elsewhere);
    host.note(CLAP_EVENT_NOTE_ON, 3, -1, -1); // a note-on for every key starts nothing
    host.note(CLAP_EVENT_NOTE_END, 4, 0, 60);
    host.note(CLAP_EVENT_NOTE_ON, 5, 0, 188);  // 188 & 0x7F is 60
    host.note(CLAP_EVENT_NOTE_OFF, 6, 16, 60); // 16 & 0x0F is 0
    host.note(CLAP_EVENT_NOTE_OFF, 7, 16, -1);
    host.note(CLAP_EVENT_NOTE_CHOKE, 8, -1, 188);
    EXPECT_TRUE(host.process().empty());
    for (int block = 0; block < 50; ++block) {
        EXPECT_TRUE(host.process().empty()) << "block " << block;
    }
    host.note(CLAP_EVENT_NOTE_OFF, 9, 0, 60);
    EXPECT_EQ(host.process(), (std::vector<Delivered>{off(0, 60, 9)}));
}

TEST_F(ClapPlugin, StoppingOrJumpingBackReleasesHeldNotesAndTimesStayInTheBlock) {
    ClapHost host;
    ASSERT_TRUE(host.start(44100.0, 64));
    host.transport(true, 1.0);
    host.midi(0, 0x90, 60, 100);
    EXPECT_EQ(host.process(64).size(), 1u);
    host.transport(true, 1.5);
    EXPECT_TRUE(host.process(64).empty());
    host.transport(false, 1.5);
    host.midi(30, 0x90, 62, 100);
    EXPECT_EQ(host.process(64),
              (std::vector<Delivered>{on(0, 62, 100, 30), off(0, 60, 30), off(0, 62, 30)}))
        << "a stop releases what is held, never before what came earlier in the block";
    host.transport(true, 10.0);
    host.midi(0, 0x90, 64, 100);
    EXPECT_EQ(host.process(64).size(), 1u);
    host.transport(true, 2.0);
    EXPECT_EQ(host.process(64), (std::vector<Delivered>{off(0, 64, 0)})) << "a jump back";

    // Blocks of one frame and of the largest size, at another rate after a reactivation; an
    // event time past the block comes out inside it.
    host.deactivate();
    ASSERT_TRUE(host.activate(96000.0, 4096));
    host.midi(0, 0x90, 67, 90);
    EXPECT_EQ(host.process(1), (std::vector<Delivered>{on(0, 67, 90, 0)}));
    host.midi(4095, 0x80, 67, 0);
    host.midi(5000, 0x90, 69, 90);
    EXPECT_EQ(host.process(4096),
              (std::vector<Delivered>{off(0, 67, 4095, 90), on(0, 69, 90, 4095)}));
}

TEST_F(ClapPlugin, StateMovesWithTheSameBytesAndABadOneChangesNothing) {
    ClapHost first;
    ClapHost second;
    ASSERT_TRUE(first.start() && second.start());
    EXPECT_EQ(first.save(), kDefaultBlock) << "the VST 2.4 build's chunk of a fresh instance";
    EXPECT_EQ(first.dirty_marks(), 0) << "a new instance is not a change";

    const std::vector<uint8_t> shifted = shifted_map_block(5);
    ASSERT_TRUE(first.load(shifted));
    const std::vector<uint8_t> saved = first.save(1);
    EXPECT_EQ(saved, shifted);
    ASSERT_TRUE(second.load(saved, 4096));
    EXPECT_EQ(second.save(4096), saved);
    second.midi(0, 0x90, 60, 100);
    EXPECT_EQ(second.process(), (std::vector<Delivered>{on(0, 65, 100, 0)}));

    std::vector<uint8_t> renamed = saved;
    renamed[0] = 'x';
    std::vector<uint8_t> cut(saved.begin(), saved.end() - 2);
    std::vector<uint8_t> longer = saved;
    longer.push_back(0);
    for (const auto& bad : {renamed, cut, longer, std::vector<uint8_t>{}}) {
        EXPECT_FALSE(second.load(bad));
        EXPECT_EQ(second.save(), saved);
    }
    // A stream that answers more than it was asked for is refused, and nothing past what it
    // could have written is read.
    EXPECT_FALSE(second.load(shifted_map_block(1), 4096, int64_t{1} << 24));
    EXPECT_EQ(second.save(), saved);
}

// A host that offers thread-check and says a call is not on its main thread: state and the
// editor's creation refuse it and change nothing; on the main thread they work again.
TEST_F(ClapPlugin, StateAndEditorCallsOffTheMainThreadAreRefused) {
    ClapHost host;
    ASSERT_TRUE(host.start());
    const std::vector<uint8_t> shifted = shifted_map_block(3);
    ASSERT_TRUE(host.load(shifted));
    host.set_on_main_thread(false);
    const auto* state = host.extension<clap_plugin_state>(CLAP_EXT_STATE);
    std::vector<uint8_t> written;
    clap_ostream out{&written, [](const clap_ostream* s, const void* data, uint64_t size) {
                         auto& bytes = *static_cast<std::vector<uint8_t>*>(s->ctx);
                         const auto* from = static_cast<const uint8_t*>(data);
                         bytes.insert(bytes.end(), from, from + size);
                         return static_cast<int64_t>(size);
                     }};
    EXPECT_FALSE(state->save(host.plugin(), &out));
    EXPECT_TRUE(written.empty());
    EXPECT_FALSE(host.load(shifted_map_block(7)));
    const auto* gui = host.extension<clap_plugin_gui>(CLAP_EXT_GUI);
    const char* api = nullptr;
    bool floating = false;
    ASSERT_TRUE(gui->get_preferred_api(host.plugin(), &api, &floating));
    EXPECT_FALSE(gui->create(host.plugin(), api, false));
    EXPECT_TRUE(host.timers().empty());

    host.set_on_main_thread(true);
    EXPECT_EQ(host.save(), shifted);
    host.midi(0, 0x90, 60, 100);
    EXPECT_EQ(host.process(), (std::vector<Delivered>{on(0, 63, 100, 0)}));
}

// Random playing in both dialects, with map changes, stops and jumps between blocks: no
// second note-on, no note-off of a silent note, and nothing sounding once every key is up.
TEST_F(ClapPlugin, ARandomStreamLeavesNoNoteHanging) {
    ClapHost host;
    ASSERT_TRUE(host.start());
    std::mt19937 rng(29);
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(rng);
    };
    bool down[3][128] = {};
    Receiver receiver;
    const auto check = [&](const std::vector<Delivered>& sent) {
        for (const Delivered& event : sent) {
            const std::string fault = receiver.Take(event);
            ASSERT_TRUE(fault.empty()) << fault;
        }
    };
    double seconds = 0;
    for (int block = 0; block < 1500; ++block) {
        for (int i = pick(0, 10); i > 0; --i) {
            const int channel = pick(0, 2);
            const int key = pick(48, 72);
            const auto time = static_cast<uint32_t>(pick(0, 255));
            const bool clap = pick(0, 1) == 0;
            if (down[channel][key]) {
                clap ? host.note(CLAP_EVENT_NOTE_OFF, time, static_cast<int16_t>(channel),
                                 static_cast<int16_t>(key))
                     : host.midi(time, static_cast<uint8_t>(0x80 | channel),
                                 static_cast<uint8_t>(key), 0);
            } else {
                clap ? host.note(CLAP_EVENT_NOTE_ON, time, static_cast<int16_t>(channel),
                                 static_cast<int16_t>(key))
                     : host.midi(time, static_cast<uint8_t>(0x90 | channel),
                                 static_cast<uint8_t>(key), 100);
            }
            down[channel][key] = !down[channel][key];
        }
        seconds = pick(0, 60) == 0 ? pick(0, 20) : seconds + 0.005;
        host.transport(pick(0, 40) != 0, seconds);
        if (pick(0, 25) == 0) {
            ASSERT_TRUE(host.load(shifted_map_block(pick(0, 11))));
        }
        check(host.process());
        ASSERT_FALSE(HasFatalFailure()) << "block " << block;
    }
    for (int channel = 0; channel < 3; ++channel) {
        for (int key = 0; key < 128; ++key) {
            if (down[channel][key]) {
                host.midi(0, static_cast<uint8_t>(0x80 | channel), static_cast<uint8_t>(key), 0);
            }
        }
    }
    check(host.process());
    EXPECT_EQ(receiver.Sounding(), 0);
}

TEST_F(ClapPlugin, TheEditorIsEmbeddedOnlyAtItsOwnSizeAndRunsOnTheHostsTimer) {
    ClapHost host;
    ASSERT_TRUE(host.start());
    const auto* gui = host.extension<clap_plugin_gui>(CLAP_EXT_GUI);
    ASSERT_NE(gui, nullptr);
    const clap_plugin* p = host.plugin();
#if defined(_WIN32)
    const char* api = CLAP_WINDOW_API_WIN32;
    const char* other = CLAP_WINDOW_API_X11;
#else
    const char* api = CLAP_WINDOW_API_X11;
    const char* other = CLAP_WINDOW_API_WIN32;
#endif
    EXPECT_TRUE(gui->is_api_supported(p, api, false));
    EXPECT_FALSE(gui->is_api_supported(p, api, true)) << "embedded only";
    EXPECT_FALSE(gui->is_api_supported(p, other, false));
    const char* preferred = nullptr;
    bool floating = true;
    ASSERT_TRUE(gui->get_preferred_api(p, &preferred, &floating));
    EXPECT_STREQ(preferred, api);
    EXPECT_FALSE(floating);
    EXPECT_FALSE(gui->create(p, api, true));

    ASSERT_TRUE(gui->create(p, api, false));
    EXPECT_EQ(host.timers().size(), 1u) << "a timer pumps the editor";
    uint32_t width = 0;
    uint32_t height = 0;
    ASSERT_TRUE(gui->get_size(p, &width, &height));
    EXPECT_EQ(width, 662u);
    EXPECT_EQ(height, 256u);
    EXPECT_FALSE(gui->can_resize(p));
    EXPECT_FALSE(gui->set_size(p, 700, 300));
    EXPECT_TRUE(gui->set_size(p, 662, 256));
    EXPECT_FALSE(gui->set_scale(p, 2.0));
    gui->destroy(p);
    EXPECT_TRUE(host.timers().empty()) << "the timer goes with the editor";

    // Without the host's timer nothing would pump an X11 editor, so there is none; a Win32
    // editor's window procedure runs on its own.
    ClapHost untimed(false);
    ASSERT_TRUE(untimed.start());
#if defined(_WIN32)
    EXPECT_TRUE(gui->create(untimed.plugin(), api, false));
#else
    EXPECT_FALSE(gui->create(untimed.plugin(), api, false));
#endif
    gui->destroy(untimed.plugin());
}

} // namespace
} // namespace tonvo::test
