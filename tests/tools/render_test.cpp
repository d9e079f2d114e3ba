// tonvo-host end to end: the real plug-in library plays a MIDI file; the notes and their times
// must come out exactly as the plug-in's map says, whatever the block size.
#include "formats/vst2/plugin.h"
#include "midi_file/midi_file.h"
#include "midi_file/tempo_map.h"
#include "platform/temp_folder.h"
#include "support/host_calls.h"
#include "support/temp_home.h"
#include "tonvo_host/host_tool.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace tonvo {
namespace {

namespace fs = std::filesystem;
using smf::Event;
using smf::EventKind;

Event Channel(uint64_t tick, uint8_t status, uint8_t a, uint8_t b) {
    return {tick, EventKind::Channel, status, 0, {a, b}};
}
Event tempo_event(uint64_t tick, uint32_t microseconds) {
    return {tick,
            EventKind::Meta,
            0xFF,
            0x51,
            {static_cast<uint8_t>(microseconds >> 16), static_cast<uint8_t>(microseconds >> 8),
             static_cast<uint8_t>(microseconds)}};
}

class Render : public testing::Test {
protected:
    int Run(std::vector<std::string> args) {
        out.str({});
        err.str({});
        return tools::run_host_tool(args, out, err);
    }
    // A state in which every class plays two semitones up, as the plug-in itself writes it.
    fs::path UpTwoState() {
        auto plugin = TVSTModule::Create<TVSTPlugin>();
        for (int32_t i = 0; i < 12; ++i) {
            plugin->ScaleMap().SetScaleMap(i, (i + 2) % 12);
        }
        const fs::path path = folder / "up-two.brelwickp";
        test::write_bytes(path, test::chunk_of(plugin->Effect()));
        return path;
    }
    // Two tracks: a tempo change half way, and notes including one never released; written to
    // `in` for every test.
    smf::MidiFile Input() {
        return {1,
                480,
                {{{tempo_event(0, 500000), tempo_event(960, 250000)}},
                 {{Channel(0, 0x90, 60, 100), Channel(240, 0x80, 60, 0), Channel(480, 0x91, 64, 90),
                   Channel(481, 0xB1, 7, 100), Channel(700, 0x81, 64, 10),
                   Channel(1000, 0x90, 61, 80), Channel(1100, 0x90, 71, 70)}}}};
    }

    void SetUp() override { smf::write_midi_file(Input(), in); }

    test::TempFolder temp;
    const fs::path folder = temp.Path();
    const fs::path in = folder / "in.mid";
    test::TempHome home;
    std::ostringstream out, err;
};

// Each run also saves the state it played with: the one it was given.
TEST_F(Render, NotesComeOutMappedAtTheirOwnTicksAtAnyBlockSize) {
    const fs::path state = UpTwoState();
    for (const char* block : {"64", "512"}) {
        const fs::path result = folder / (std::string("out-") + block + ".mid");
        const fs::path saved = folder / (std::string("saved-") + block + ".brelwickp");
        ASSERT_EQ(Run({"render", TONVO_PLUGIN_PATH, in.string(), result.string(), "--state",
                       state.string(), "--block", block, "--save-state", saved.string()}),
                  0)
            << err.str();
        EXPECT_EQ(test::read_bytes(saved), test::read_bytes(state));
        const smf::MidiFile output = smf::read_midi_file(result);
        EXPECT_EQ(output.Format, 0);
        EXPECT_EQ(output.Division, 480);
        std::vector<Event> channel;
        std::vector<Event> tempo;
        for (const Event& event : output.Tracks.at(0).Events) {
            if (event.Kind == EventKind::Channel) {
                channel.push_back(event);
            } else if (event.MetaType == 0x51) {
                tempo.push_back(event);
            }
        }
        EXPECT_EQ(tempo, (std::vector<Event>{tempo_event(0, 500000), tempo_event(960, 250000)}));
        // The transport stops after the last input event: the held notes (C# and B, sounding
        // as D# and C#) are released then, at the end of the last block.
        ASSERT_EQ(channel.size(), 9u) << block;
        const std::vector<Event> mapped = {Channel(0, 0x90, 62, 100),  Channel(240, 0x80, 62, 100),
                                           Channel(480, 0x91, 66, 90), Channel(481, 0xB1, 7, 100),
                                           Channel(700, 0x81, 66, 90), Channel(1000, 0x90, 63, 80),
                                           Channel(1100, 0x90, 73, 70)};
        EXPECT_EQ(std::vector<Event>(channel.begin(), channel.begin() + 7), mapped) << block;
        EXPECT_EQ(channel[7].Status, 0x80);
        EXPECT_EQ(channel[7].Data, (std::vector<uint8_t>{63, 80}));
        EXPECT_EQ(channel[8].Data, (std::vector<uint8_t>{73, 70}));
        EXPECT_GT(channel[7].Tick, 1100u);
        EXPECT_NE(out.str().find("C4 -> D4"), std::string::npos) << out.str();
    }
}

TEST_F(Render, LongPausesCostNothingAndOverlongFilesAreRefused) {
    // One tick per quarter note at the default tempo: half a second a tick. Notes hours apart,
    // played in blocks of one frame at the highest rate, still come out at their own ticks.
    const uint64_t tenHours = 10 * 3600 * 2;
    smf::MidiFile file;
    file.Division = 1;
    file.Tracks.push_back({{Channel(0, 0x90, 60, 100), Channel(tenHours, 0x80, 60, 0),
                            Channel(2 * tenHours, 0x90, 62, 90)}});
    const fs::path result = folder / "out.mid";
    smf::write_midi_file(file, in);
    ASSERT_EQ(Run({"render", TONVO_PLUGIN_PATH, in.string(), result.string(), "--state",
                   UpTwoState().string(), "--block", "1", "--sample-rate", "384000"}),
              0)
        << err.str();
    const std::vector<Event> sent = smf::read_midi_file(result).Tracks.at(0).Events;
    ASSERT_EQ(sent.size(), 5u); // with the end of the track
    EXPECT_EQ(std::vector<Event>(sent.begin(), sent.begin() + 3),
              (std::vector<Event>{Channel(0, 0x90, 62, 100), Channel(tenHours, 0x80, 62, 100),
                                  Channel(2 * tenHours, 0x90, 64, 90)}));
    EXPECT_EQ(sent[3].Data, (std::vector<uint8_t>{64, 90})) << "released when the transport stops";

    // 33 bytes: a note after 0x0FFFFFFF ticks, four years in.
    const char overlong[] = "MThd\0\0\0\6\0\0\0\1\0\1MTrk\0\0\0\x0B"
                            "\xFF\xFF\xFF\x7F\x90\x3C\x40\0\xFF\x2F\0";
    std::ofstream(in, std::ios::binary).write(overlong, sizeof overlong - 1);
    fs::remove(result);
    EXPECT_EQ(Run({"render", TONVO_PLUGIN_PATH, in.string(), result.string()}), 1);
    EXPECT_EQ(err.str(), "tonvo-host: the MIDI file's last event comes after 37282.7 hours; "
                         "render plays at most 24 hours\n");
    EXPECT_FALSE(fs::exists(result));
}

TEST_F(Render, FailuresAreOneClearLine) {
    EXPECT_EQ(Run({"info", (folder / "missing.so").string()}), 1);
    EXPECT_NE(err.str().find("no such plug-in file"), std::string::npos) << err.str();
    EXPECT_EQ(Run({"info", in.string()}), 1) << "a MIDI file is no library";
    const std::string message = err.str();
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;

    std::ofstream(folder / "bad.mid", std::ios::binary)
        << "MThd\0\0\0\6\0\0\0\1\1\xE0MTrk\0\0\0\x10";
    EXPECT_EQ(Run({"render", TONVO_PLUGIN_PATH, (folder / "bad.mid").string(),
                   (folder / "o.mid").string()}),
              1);
    EXPECT_NE(err.str().find("bad.mid"), std::string::npos) << err.str();
    EXPECT_FALSE(fs::exists(folder / "o.mid"));

    // A state file larger than any chunk the plug-in takes is refused unread.
    const fs::path huge = folder / "huge.brelwickp";
    std::ofstream(huge).put('x');
    fs::resize_file(huge, tools::kMaxStateFileBytes + 1);
    EXPECT_EQ(Run({"render", TONVO_PLUGIN_PATH, in.string(), (folder / "o.mid").string(), "--state",
                   huge.string()}),
              1);
    EXPECT_NE(err.str().find("huge.brelwickp: too large for a state"), std::string::npos)
        << err.str();

    EXPECT_EQ(Run({"render", TONVO_PLUGIN_PATH, in.string()}), 2);
    EXPECT_EQ(Run({"render", TONVO_PLUGIN_PATH, in.string(), "o.mid", "--block", "0"}), 2);
    EXPECT_EQ(Run({"frobnicate"}), 2);
    EXPECT_EQ(Run({"info", TONVO_PLUGIN_PATH}), 0);
    EXPECT_NE(out.str().find("'qv08' (1903571000)"), std::string::npos) << out.str();
}

} // namespace
} // namespace tonvo
