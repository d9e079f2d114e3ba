// Standard MIDI Files (.mid) for the command-line tools: reading a file into tracks of events
// with absolute times, writing tracks back into a file, and merging the tracks into one list in
// time order.
//
// Reading checks the structure strictly: every length is checked against the bytes that remain
// before it is used, variable-length numbers have at most 4 bytes, and status bytes that cannot
// occur in a file are refused. A failure throws EMidiFileError with a one-line message naming
// the fault and the byte offset of the offending item in the file ("... at byte 27"); faults
// inside a track chunk also name the track by its index in MidiFile::Tracks. Tolerated: extra
// header bytes, chunks of other names (skipped), chunks after the declared track count, bytes
// after an end-of-track event in its chunk, a track chunk that ends between events without an
// end-of-track event, and any track count in format 0.
//
// An end-of-track meta event that is read stays in its track as the last event: it carries the
// track's end time.
//
// Thread contract: plain functions on the caller's data; no shared state.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace tonvo::smf {

enum class EventKind { Channel, SysEx, Meta };

struct Event {
    uint64_t Tick = 0; // absolute time in ticks
    EventKind Kind = EventKind::Channel;
    uint8_t Status = 0;        // channel: 0x80..0xEF; sysex: 0xF0 or 0xF7; meta: 0xFF
    uint8_t MetaType = 0;      // meta only
    std::vector<uint8_t> Data; // channel: the 1 or 2 data bytes; sysex: the bytes after the
                               // length; meta: its data
    bool operator==(const Event&) const = default;
};

// Events in file order, with absolute ticks.
struct Track {
    std::vector<Event> Events;

    bool operator==(const Track&) const = default;
};

struct MidiFile {
    uint16_t Format = 0;
    // > 0: ticks per quarter note; < 0: SMPTE time, the high byte minus the frames per second
    // (-24, -25, -29 for 30 drop-frame, -30) and the low byte the ticks per frame (not 0).
    int16_t Division = 480;
    std::vector<Track> Tracks;

    bool operator==(const MidiFile&) const = default;
};

class EMidiFileError : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

inline constexpr uint8_t kMetaEndOfTrack = 0x2F;
inline constexpr uint8_t kMetaTempo = 0x51;
// Later absolute times are refused, when reading and when writing.
inline constexpr uint64_t kMaxTick = uint64_t{1} << 48;
// Larger files are refused: a performance fits many times over, and every event read costs
// memory several times its few bytes.
inline constexpr size_t kMaxMidiFileBytes = size_t{16} << 20;

// Refuses more than kMaxMidiFileBytes.
MidiFile read_midi_file(std::span<const uint8_t> bytes);
// Also throws EMidiFileError when the file cannot be opened or read, or is larger than
// kMaxMidiFileBytes (found without reading it all); the message starts with the path.
MidiFile read_midi_file(const std::filesystem::path& path);

// Writes every event with its status byte (no running status). A track whose last event is not
// an end-of-track meta event gets one at its last tick (0 for an empty track). Throws
// EMidiFileError, before anything is written, for a file the reader would refuse or that the
// format cannot hold: format above 2, more than 65535 tracks, a bad division, events out of time
// order or beyond kMaxTick, a gap between events above 0x0FFFFFFF ticks, a status byte that
// does not match its kind, channel data of the wrong count or >= 0x80, data longer than
// 0x0FFFFFFF bytes, an end-of-track event before the track's last event, a track chunk above
// 4 GiB.
std::vector<uint8_t> write_midi_file(const MidiFile& file);
// Also throws EMidiFileError when the file cannot be written.
void write_midi_file(const MidiFile& file, const std::filesystem::path& path);

// All events of all tracks in time order; events with the same tick keep track order, then file
// order. End-of-track events are included, one for each track that has one.
std::vector<Event> merge_tracks(const MidiFile& file);

// Human-readable note name: 60 -> "C4" (middle C is C4), 61 -> "C#4", 0 -> "C-1". Numbers
// outside 0..127 continue the pattern (-1 -> "B-2").
std::string note_name(int note);

} // namespace tonvo::smf
