#include "midi_file/midi_file.h"
#include "midi_file/tempo_map.h"

#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace tonvo::smf {
namespace {

namespace fs = std::filesystem;
using ByteList = std::vector<uint8_t>;
using testing::AllOf;
using testing::HasSubstr;
using testing::Not;

ByteList chunk(std::string_view tag, const ByteList& body) {
    ByteList bytes(tag.begin(), tag.end());
    const auto size = static_cast<uint32_t>(body.size());
    bytes.insert(bytes.end(), {static_cast<uint8_t>(size >> 24), static_cast<uint8_t>(size >> 16),
                               static_cast<uint8_t>(size >> 8), static_cast<uint8_t>(size)});
    bytes.insert(bytes.end(), body.begin(), body.end());
    return bytes;
}

ByteList header_chunk(uint16_t format, uint16_t tracks, uint16_t division) {
    const auto hi = [](uint16_t v) { return static_cast<uint8_t>(v >> 8); };
    const auto lo = [](uint16_t v) { return static_cast<uint8_t>(v); };
    return chunk("MThd",
                 {hi(format), lo(format), hi(tracks), lo(tracks), hi(division), lo(division)});
}

ByteList cat(std::initializer_list<ByteList> parts) {
    ByteList bytes;
    for (const ByteList& part : parts) {
        bytes.insert(bytes.end(), part.begin(), part.end());
    }
    return bytes;
}

Event Channel(uint64_t tick, uint8_t status, ByteList data) {
    return {tick, EventKind::Channel, status, 0, std::move(data)};
}

Event sysex_event(uint64_t tick, uint8_t status, ByteList data) {
    return {tick, EventKind::SysEx, status, 0, std::move(data)};
}

Event meta_event(uint64_t tick, uint8_t type, ByteList data = {}) {
    return {tick, EventKind::Meta, 0xFF, type, std::move(data)};
}

Event tempo_event(uint64_t tick, uint32_t microsecondsPerQuarter) {
    return meta_event(tick, kMetaTempo,
                      {static_cast<uint8_t>(microsecondsPerQuarter >> 16),
                       static_cast<uint8_t>(microsecondsPerQuarter >> 8),
                       static_cast<uint8_t>(microsecondsPerQuarter)});
}

MidiFile midi_file(uint16_t format, int16_t division, std::vector<Track> tracks) {
    return {format, division, std::move(tracks)};
}

// What reading `source`, bytes or a path, fails with.
template <typename Source>
std::string read_error(const Source& source) {
    try {
        (void)read_midi_file(source);
    } catch (const EMidiFileError& error) {
        return error.what();
    }
    return "(no error)";
}

// A format 0 track with running status across delta times, sysex (plain and escaped) and meta
// events between channel messages, and junk after the end-of-track event.
const ByteList kRunningStatusFile =
    cat({header_chunk(0, 1, 96),
         chunk("MTrk", {0x00, 0xFF, 0x03, 0x04, 'L',  'e',  'a', 'd', // track name
                        0x00, 0x90, 0x3C, 0x40,                       // note on
                        0x00, 0x40, 0x40,                             // running status
                        0x60, 0xF0, 0x03, 0x43, 0x12, 0xF7,           // sysex at tick 96
                        0x00, 0xB0, 0x07, 0x64,                       // control change
                        0x81, 0x00, 0x07, 0x50,                       // running, delta 128
                        0x00, 0xC1, 0x05,                             // program change
                        0x10, 0x06,                                   // running, one byte
                        0x00, 0xF7, 0x02, 0xF3, 0x01,                 // escaped bytes
                        0x00, 0xFF, 0x2F, 0x00,                       // end of track
                        0xFF, 0xFF})});

const std::vector<Event> kRunningStatusEvents = {
    meta_event(0, 0x03, {'L', 'e', 'a', 'd'}),
    Channel(0, 0x90, {0x3C, 0x40}),
    Channel(0, 0x90, {0x40, 0x40}),
    sysex_event(96, 0xF0, {0x43, 0x12, 0xF7}),
    Channel(96, 0xB0, {0x07, 0x64}),
    Channel(224, 0xB0, {0x07, 0x50}),
    Channel(224, 0xC1, {0x05}),
    Channel(240, 0xC1, {0x06}),
    sysex_event(240, 0xF7, {0xF3, 0x01}),
    meta_event(240, kMetaEndOfTrack),
};

TEST(ReadMidiFile, RunningStatusSysExAndMetaEventsInFileOrder) {
    const MidiFile file = read_midi_file(kRunningStatusFile);
    EXPECT_EQ(file.Format, 0);
    EXPECT_EQ(file.Division, 96);
    ASSERT_EQ(file.Tracks.size(), 1u);
    EXPECT_EQ(file.Tracks[0].Events, kRunningStatusEvents);
    EXPECT_EQ(merge_tracks(file), kRunningStatusEvents);
}

TEST(ReadMidiFile, ToleratesExtraHeaderBytesOtherChunksAndExtraTracks) {
    ByteList header = header_chunk(1, 2, 480);
    header[7] = 8; // two extra header bytes
    header.insert(header.end(), {0xAA, 0xBB});
    const ByteList bytes =
        cat({header, chunk("XFIH", {0x00, 0x90, 0xFF}), // skipped by length
             chunk("MTrk", {0x00, 0x90, 0x3C, 0x40}),   // ends without end of track
             chunk("MTrk", {}),                         // empty
             chunk("MTrk", {0x00, 0xF4})});             // past the track count
    const MidiFile file = read_midi_file(bytes);
    ASSERT_EQ(file.Tracks.size(), 2u);
    EXPECT_EQ(file.Tracks[0].Events, std::vector<Event>{Channel(0, 0x90, {0x3C, 0x40})});
    EXPECT_TRUE(file.Tracks[1].Events.empty());
}

TEST(ReadMidiFile, MalformedInputIsRefusedWithWhatAndWhere) {
    struct Case {
        const char* Name;
        ByteList Bytes;
        std::string Fault;
        size_t Offset;
    };
    const ByteList h = header_chunk(0, 1, 96); // the first track's body starts at byte 22
    ByteList shortHeader = header_chunk(0, 1, 96);
    shortHeader[7] = 4;
    const std::vector<Case> cases = {
        {"empty", {}, "not a MIDI file", 0},
        {"not MThd", chunk("RIFF", {0, 0, 0, 0, 0, 0}), "not a MIDI file", 0},
        {"short header", shortHeader, "header chunk too short", 4},
        {"truncated header", ByteList(h.begin(), h.begin() + 11), "truncated header chunk", 0},
        {"format 3", header_chunk(3, 0, 96), "unsupported format 3", 8},
        {"division 0", header_chunk(0, 0, 0), "bad division 0x0000", 12},
        {"0 ticks per frame", header_chunk(0, 0, 0xE700), "bad division 0xE700", 12},
        {"truncated chunk", cat({h, {'M', 'T', 'r', 'k', 0, 0, 0, 5, 0x00, 0xFF, 0x2F, 0x00}}),
         "truncated chunk \"MTrk\": declares 5 bytes, 4 remain", 14},
        {"truncated other chunk", cat({h, {'X', 'F', 'I', 'H', 0, 0, 1, 0, 1, 2}}),
         "truncated chunk \"XFIH\"", 14},
        {"truncated chunk header", cat({h, {'M', 'T', 'r'}}), "truncated chunk header", 14},
        {"missing tracks", cat({header_chunk(1, 2, 96), chunk("MTrk", {0x00, 0xFF, 0x2F, 0x00})}),
         "missing tracks: 1 of 2", 26},
        {"truncated channel event", cat({h, chunk("MTrk", {0x00, 0x90, 0x3C})}),
         "track 0: truncated event", 22},
        {"truncated running status event",
         cat({h, chunk("MTrk", {0x00, 0x90, 0x3C, 0x40, 0x10, 0x3C})}), "truncated event", 26},
        {"truncated meta data", cat({h, chunk("MTrk", {0x00, 0xFF, 0x01, 0x05, 'a', 'b'})}),
         "truncated event: declares 5 data bytes, 2 remain", 22},
        {"five-byte delta",
         cat({h, chunk("MTrk", {0x81, 0x81, 0x81, 0x81, 0x00, 0x90, 0x3C, 0x40})}),
         "bad variable-length number", 22},
        {"five-byte sysex length",
         cat({h, chunk("MTrk", {0x00, 0xF0, 0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0xF7})}),
         "bad variable-length number", 24},
        {"data byte first", cat({h, chunk("MTrk", {0x00, 0x3C, 0x40})}),
         "running status without a status byte", 23},
        {"running status after meta",
         cat({h,
              chunk("MTrk", {0x00, 0x90, 0x3C, 0x40, 0x00, 0xFF, 0x01, 0x00, 0x00, 0x3C, 0x00})}),
         "running status without a status byte", 31},
        {"running status after sysex",
         cat({h,
              chunk("MTrk", {0x00, 0x90, 0x3C, 0x40, 0x00, 0xF0, 0x01, 0xF7, 0x00, 0x3C, 0x00})}),
         "running status without a status byte", 31},
        {"second data byte >= 0x80", cat({h, chunk("MTrk", {0x00, 0x90, 0x3C, 0x90, 0x40})}),
         "data byte 0x90 >= 0x80", 25},
        {"song select", cat({h, chunk("MTrk", {0x00, 0xF3, 0x01})}), "status byte 0xF3 not allowed",
         23},
        {"fault in the second track",
         cat({header_chunk(1, 2, 96), chunk("MTrk", {0x00, 0xFF, 0x2F, 0x00}),
              chunk("MTrk", {0x00, 0x3C, 0x40})}),
         "track 1: running status without a status byte", 35},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string error = read_error(c.Bytes);
        EXPECT_THAT(error,
                    AllOf(HasSubstr(c.Fault), HasSubstr("at byte " + std::to_string(c.Offset)),
                          Not(HasSubstr("\n"))));
    }
}

TEST(ReadMidiFile, RefusesTimesBeyondTwoToTheFortyEight) {
    // 2^20 events with the largest delta, 2^28 - 1, then one reaching 2^48 exactly.
    constexpr size_t kEvents = size_t{1} << 20;
    ByteList body;
    body.reserve(kEvents * 7 + 16);
    for (size_t i = 0; i < kEvents; ++i) {
        body.insert(body.end(), {0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0x01, 0x00});
    }
    body.insert(body.end(), {0xC0, 0x80, 0x00, 0xFF, 0x01, 0x00}); // delta 2^20
    const MidiFile file = read_midi_file(cat({header_chunk(0, 1, 96), chunk("MTrk", body)}));
    EXPECT_EQ(file.Tracks[0].Events.back().Tick, kMaxTick);

    const size_t lastEvent = 22 + body.size();
    body.insert(body.end(), {0x01, 0xFF, 0x01, 0x00});
    EXPECT_THAT(read_error(cat({header_chunk(0, 1, 96), chunk("MTrk", body)})),
                AllOf(HasSubstr("time beyond 2^48 ticks"),
                      HasSubstr("at byte " + std::to_string(lastEvent))));
}

TEST(WriteMidiFile, WritesEveryStatusByteAndAddsTheEndOfTrack) {
    const MidiFile file = midi_file(1, 480,
                                    {{{Channel(0, 0x90, {60, 100}), Channel(480, 0x90, {62, 100}),
                                       Channel(480, 0x80, {60, 0})}},
                                     {}});
    const ByteList expected = cat({header_chunk(1, 2, 480),
                                   chunk("MTrk", {0x00, 0x90, 60, 100, 0x83, 0x60, 0x90, 62, 100,
                                                  0x00, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00}),
                                   chunk("MTrk", {0x00, 0xFF, 0x2F, 0x00})});
    EXPECT_EQ(write_midi_file(file), expected);
}

TEST(WriteMidiFile, RoundTripsEveryKindOfEvent) {
    const ByteList text(200, 'x');
    const MidiFile file = midi_file(
        1, 960,
        {{{meta_event(0, 0x03, {'T', 'e', 'm', 'p', 'o'}), tempo_event(0, 500000),
           meta_event(0x0FFFFFFF, kMetaEndOfTrack)}},
         {{Channel(0, 0x90, {60, 100}), Channel(0, 0xC3, {5}),
           sysex_event(10, 0xF0, {0x7E, 0x7F, 0x09, 0x01, 0xF7}), sysex_event(10, 0xF7, {0xF8}),
           Channel(200, 0x80, {60, 0}), Channel(200, 0xE0, {0, 64}), meta_event(16384, 0x01, text),
           meta_event(16384 + 2097152, 0x7F), meta_event(16384 + 2097152, kMetaEndOfTrack)}}});
    const ByteList bytes = write_midi_file(file);
    EXPECT_EQ(read_midi_file(bytes), file);
    EXPECT_EQ(write_midi_file(read_midi_file(bytes)), bytes);
}

TEST(WriteMidiFile, RefusesWhatTheFormatCannotHold) {
    const auto refused = [](const std::vector<Event>& events, uint16_t format = 1,
                            int16_t division = 96) {
        try {
            (void)write_midi_file({format, division, {{events}}});
        } catch (const EMidiFileError&) {
            return true;
        }
        return false;
    };
    EXPECT_FALSE(refused({Channel(0, 0x90, {60, 1}), meta_event(0x0FFFFFFF, 0x01)}));
    EXPECT_TRUE(refused({}, 3));
    EXPECT_TRUE(refused({}, 1, 0));
    EXPECT_TRUE(refused({Channel(10, 0x90, {60, 1}), Channel(9, 0x80, {60, 0})}));
    EXPECT_TRUE(refused({meta_event(0x10000000, 0x01)}));
    EXPECT_TRUE(refused({Channel(0, 0xF0, {60, 1})}));
    EXPECT_TRUE(refused({Channel(0, 0x90, {60})}));
    EXPECT_TRUE(refused({Channel(0, 0xC0, {1, 2})}));
    EXPECT_TRUE(refused({Channel(0, 0x90, {60, 0x80})}));
    EXPECT_TRUE(refused({{0, EventKind::Meta, 0xFE, 0x01, {}}}));
    EXPECT_TRUE(refused({meta_event(0, kMetaEndOfTrack), Channel(0, 0x90, {60, 1})}));
}

TEST(MergeTracks, OrdersByTickThenTrackThenFileOrder) {
    const MidiFile file = midi_file(
        1, 480,
        {{{tempo_event(0, 400000), tempo_event(100, 300000), meta_event(100, kMetaEndOfTrack)}},
         {{Channel(0, 0x90, {60, 1}), Channel(50, 0x90, {61, 1}), Channel(100, 0x80, {60, 0}),
           Channel(100, 0x80, {61, 0}), meta_event(100, kMetaEndOfTrack)}},
         {{Channel(0, 0x91, {70, 1}), Channel(100, 0x81, {70, 0}),
           meta_event(120, kMetaEndOfTrack)}}});
    const std::vector<Event> expected = {
        tempo_event(0, 400000),           Channel(0, 0x90, {60, 1}),
        Channel(0, 0x91, {70, 1}),        Channel(50, 0x90, {61, 1}),
        tempo_event(100, 300000),         meta_event(100, kMetaEndOfTrack),
        Channel(100, 0x80, {60, 0}),      Channel(100, 0x80, {61, 0}),
        meta_event(100, kMetaEndOfTrack), Channel(100, 0x81, {70, 0}),
        meta_event(120, kMetaEndOfTrack),
    };
    EXPECT_EQ(merge_tracks(read_midi_file(write_midi_file(file))), expected);

    // Many events on one tick, as a chord or a controller reset, keep their order too.
    MidiFile chords;
    for (uint8_t channel = 0; channel < 4; ++channel) {
        Track& track = chords.Tracks.emplace_back();
        for (uint8_t note = 0; note < 40; ++note) {
            track.Events.push_back(Channel(note % 2 == 0 ? 0 : 480, 0x90 | channel, {note, 1}));
        }
    }
    std::vector<Event> ordered;
    for (uint64_t tick : {0, 480}) {
        for (const Track& track : chords.Tracks) {
            for (const Event& event : track.Events) {
                if (event.Tick == tick) {
                    ordered.push_back(event);
                }
            }
        }
    }
    EXPECT_EQ(merge_tracks(chords), ordered);
}

TEST(TempoMap, TwoTempoChangesAt44100And48000Hertz) {
    // 120 bpm by default, 240 bpm from tick 960, 60 bpm from tick 1920 (in another track).
    const TempoMap map(midi_file(
        1, 480,
        {{{tempo_event(960, 250000)}}, {{Channel(0, 0x90, {60, 1}), tempo_event(1920, 1000000)}}}));
    EXPECT_EQ(map.TempoEvents(),
              (std::vector<Event>{tempo_event(960, 250000), tempo_event(1920, 1000000)}));

    struct Point {
        uint64_t Tick;
        double Seconds;
        uint64_t At44100;
        uint64_t At48000;
    };
    for (const Point& p :
         {Point{0, 0.0, 0, 0}, Point{480, 0.5, 22050, 24000}, Point{960, 1.0, 44100, 48000},
          Point{1440, 1.25, 55125, 60000}, Point{1920, 1.5, 66150, 72000},
          Point{2400, 2.5, 110250, 120000}, Point{2880, 3.5, 154350, 168000}}) {
        SCOPED_TRACE(p.Tick);
        EXPECT_DOUBLE_EQ(map.SecondsAt(p.Tick), p.Seconds);
        EXPECT_EQ(map.SampleAt(p.Tick, 44100.0), p.At44100);
        EXPECT_EQ(map.SampleAt(p.Tick, 48000.0), p.At48000);
        EXPECT_EQ(map.TickAt(p.At44100, 44100.0), p.Tick);
        EXPECT_EQ(map.TickAt(p.At48000, 48000.0), p.Tick);
    }
    // Nearest sample and nearest tick: tick 1 is 45.94 samples at 44100 Hz, 961 is 44122.97.
    EXPECT_EQ(map.SampleAt(1, 44100.0), 46u);
    EXPECT_EQ(map.SampleAt(961, 44100.0), 44123u);
    EXPECT_EQ(map.TickAt(46, 44100.0), 1u);
    EXPECT_EQ(map.TickAt(22, 44100.0), 0u); // 0.48 ticks
    EXPECT_EQ(map.TickAt(23, 44100.0), 1u); // 0.50 ticks
    EXPECT_EQ(map.TickAt(48025, 48000.0), 961u);
    EXPECT_EQ(map.TickAt(44123, 44100.0), 961u);
}

TEST(TempoMap, DefaultTempoLastOfOneTickAndUnusableTempoEvents) {
    MidiFile file{0, 480, {{}}};
    EXPECT_DOUBLE_EQ(TempoMap(file).SecondsAt(480), 0.5);

    file.Tracks = {{{tempo_event(0, 1000000), tempo_event(0, 250000),
                     meta_event(0, kMetaTempo, {0x07, 0xA1}), tempo_event(240, 0)}}};
    const TempoMap map(file);
    EXPECT_DOUBLE_EQ(map.SecondsAt(480), 0.25);
    EXPECT_EQ(map.TempoEvents(),
              (std::vector<Event>{tempo_event(0, 1000000), tempo_event(0, 250000)}));

    EXPECT_THROW((void)map.SampleAt(1, 0.0), std::invalid_argument);
    EXPECT_THROW((void)map.TickAt(1, -44100.0), std::invalid_argument);
    // Times past what 64 bits of samples or ticks hold saturate instead of wrapping.
    file.Division = 1;
    file.Tracks = {{{tempo_event(0, 0xFFFFFF)}}};
    EXPECT_EQ(TempoMap(file).SampleAt(kMaxTick, 1e9), UINT64_MAX);
    file.Tracks = {{{tempo_event(0, 1)}}};
    EXPECT_EQ(TempoMap(file).TickAt(UINT64_MAX, 1.0), UINT64_MAX);
}

TEST(TempoMap, SmpteDivisionHasAFixedRate) {
    // 25 frames per second of 40 ticks: 1000 ticks per second whatever the tempo events say.
    const ByteList bytes =
        cat({header_chunk(0, 1, 0xE728),
             chunk("MTrk", {0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40, 0x00, 0xFF, 0x2F, 0x00})});
    const MidiFile file = read_midi_file(bytes);
    EXPECT_EQ(file.Division, static_cast<int16_t>(0xE728));
    EXPECT_EQ(write_midi_file(file), bytes);
    const TempoMap map(file);
    EXPECT_DOUBLE_EQ(map.SecondsAt(1000), 1.0);
    EXPECT_EQ(map.SampleAt(1500, 44100.0), 66150u);
    EXPECT_EQ(map.TickAt(66150, 44100.0), 1500u);
    EXPECT_EQ(map.TempoEvents().size(), 1u);

    // 29 is 30 drop-frame: 30000/1001 frames per second.
    MidiFile dropFrame;
    dropFrame.Division = static_cast<int16_t>(0xE302);
    EXPECT_DOUBLE_EQ(TempoMap(dropFrame).SecondsAt(60), 1.001);
    EXPECT_EQ(TempoMap(dropFrame).SampleAt(60, 48000.0), 48048u);
    EXPECT_EQ(TempoMap(dropFrame).TickAt(48048, 48000.0), 60u);

    dropFrame.Division = 0;
    EXPECT_THROW(TempoMap{dropFrame}, EMidiFileError);
}

TEST(MidiFileOnDisk, WritesReadsAndNamesThePathInErrors) {
    const fs::path folder = fs::temp_directory_path() / "tonvo_midi_file_test";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const MidiFile file =
        midi_file(0, 480, {{{Channel(0, 0x90, {60, 100}), meta_event(96, kMetaEndOfTrack)}}});
    write_midi_file(file, folder / "song.mid");
    EXPECT_EQ(read_midi_file(folder / "song.mid"), file);

    EXPECT_THAT(read_error(folder / "missing.mid"), HasSubstr("missing.mid: cannot open the file"));
    EXPECT_THROW((void)read_midi_file(folder), EMidiFileError);
    EXPECT_THROW(write_midi_file(file, folder / "no folder" / "song.mid"), EMidiFileError);
    {
        std::ofstream bad(folder / "bad.mid", std::ios::binary);
        bad << "MThd";
    }
    EXPECT_THAT(read_error(folder / "bad.mid"),
                HasSubstr("bad.mid: truncated header chunk at byte 0"));

    // No tracks; what follows the header is ignored, up to the size limit.
    std::ofstream(folder / "big.mid", std::ios::binary)
        << std::string("MThd\0\0\0\6\0\0\0\0\0\x60", 14);
    fs::resize_file(folder / "big.mid", kMaxMidiFileBytes);
    EXPECT_TRUE(read_midi_file(folder / "big.mid").Tracks.empty());
    fs::resize_file(folder / "big.mid", kMaxMidiFileBytes + 1);
    EXPECT_THAT(read_error(folder / "big.mid"), HasSubstr("big.mid: larger than 16 MiB"));
    fs::remove_all(folder);
}

TEST(NoteName, MiddleCIsC4) {
    EXPECT_EQ(note_name(60), "C4");
    EXPECT_EQ(note_name(61), "C#4");
    EXPECT_EQ(note_name(0), "C-1");
    EXPECT_EQ(note_name(127), "G9");
    EXPECT_EQ(note_name(-1), "B-2");
}

} // namespace
} // namespace tonvo::smf
