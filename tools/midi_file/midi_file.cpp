#include "midi_file/midi_file.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <string_view>

namespace tonvo::smf {

namespace {

// The largest number a 4-byte variable-length quantity holds.
constexpr uint32_t kMaxVarLen = 0x0FFFFFFF;
constexpr size_t kChunkHeaderSize = 8;
constexpr size_t kMinHeaderLength = 6;

std::string hex_text(uint32_t value, int digits) {
    std::array<char, 16> text{};
    std::snprintf(text.data(), text.size(), "0x%0*X", digits, value);
    return text.data();
}

[[noreturn]] void Fail(const std::string& what, size_t offset) {
    throw EMidiFileError(what + " at byte " + std::to_string(offset));
}

[[noreturn]] void FailWrite(const std::string& what) {
    throw EMidiFileError("cannot write the MIDI file: " + what);
}

uint16_t be16(std::span<const uint8_t> bytes, size_t at) {
    return static_cast<uint16_t>((bytes[at] << 8) | bytes[at + 1]);
}

uint32_t be32(std::span<const uint8_t> bytes, size_t at) {
    return (uint32_t{bytes[at]} << 24) | (uint32_t{bytes[at + 1]} << 16) |
           (uint32_t{bytes[at + 2]} << 8) | uint32_t{bytes[at + 3]};
}

bool has_tag(std::span<const uint8_t> bytes, size_t at, std::string_view tag) {
    return std::equal(tag.begin(), tag.end(), bytes.begin() + static_cast<ptrdiff_t>(at),
                      [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; });
}

// A chunk name for a message, with bytes that are not printable ASCII shown as '?'.
std::string tag_text(std::span<const uint8_t> bytes, size_t at) {
    std::string text;
    for (size_t i = at; i < at + 4; ++i) {
        text += bytes[i] >= 0x20 && bytes[i] < 0x7F ? static_cast<char>(bytes[i]) : '?';
    }
    return '"' + text + '"';
}

// Ticks per quarter note, or SMPTE frames per second of 24, 25, 29 (30 drop-frame) or 30 with
// at least one tick per frame.
bool is_valid_division(int16_t division) {
    if (division > 0) {
        return true;
    }
    const auto bits = static_cast<uint16_t>(division);
    const int framesPerSecond = -static_cast<int8_t>(bits >> 8);
    const int ticksPerFrame = bits & 0xFF;
    const bool knownRate = framesPerSecond == 24 || framesPerSecond == 25 ||
                           framesPerSecond == 29 || framesPerSecond == 30;
    return knownRate && ticksPerFrame > 0;
}

// Data bytes that follow a channel status byte.
size_t channel_data_count(uint8_t status) {
    const uint8_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

// Reads the events of one track chunk, bytes [begin, end) of the file.
class TrackReader {
public:
    TrackReader(std::span<const uint8_t> bytes, size_t begin, size_t end, size_t trackIndex)
        : bytes_(bytes), pos_(begin), end_(end), trackIndex_(trackIndex) {}

    Track Read() {
        Track track;
        uint64_t tick = 0;
        uint8_t runningStatus = 0; // 0: none
        while (pos_ < end_) {
            const size_t eventStart = pos_;
            tick += ReadVarLen(eventStart);
            if (tick > kMaxTick) {
                Fail("time beyond 2^48 ticks", eventStart);
            }
            Event event;
            event.Tick = tick;
            uint8_t status = Peek(eventStart);
            if (status < 0x80) {
                // Running status: the byte is the first data byte of a repeated channel status.
                if (runningStatus == 0) {
                    Fail("running status without a status byte", pos_);
                }
                status = runningStatus;
            } else {
                ++pos_;
            }
            event.Status = status;
            if (status < 0xF0) {
                event.Kind = EventKind::Channel;
                const size_t count = channel_data_count(status);
                for (size_t i = 0; i < count; ++i) {
                    const uint8_t data = Peek(eventStart);
                    if (data >= 0x80) {
                        Fail("data byte " + hex_text(data, 2) + " >= 0x80 in a channel message",
                             pos_);
                    }
                    event.Data.push_back(data);
                    ++pos_;
                }
                runningStatus = status;
            } else if (status == 0xF0 || status == 0xF7) {
                event.Kind = EventKind::SysEx;
                event.Data = ReadData(eventStart);
                runningStatus = 0;
            } else if (status == 0xFF) {
                event.Kind = EventKind::Meta;
                event.MetaType = Peek(eventStart);
                ++pos_;
                event.Data = ReadData(eventStart);
                runningStatus = 0;
            } else {
                Fail("status byte " + hex_text(status, 2) + " not allowed in a file", pos_ - 1);
            }
            const bool endOfTrack =
                event.Kind == EventKind::Meta && event.MetaType == kMetaEndOfTrack;
            track.Events.push_back(std::move(event));
            if (endOfTrack) {
                break; // the rest of the chunk is ignored
            }
        }
        return track;
    }

private:
    [[noreturn]] void Fail(const std::string& what, size_t offset) const {
        smf::Fail("track " + std::to_string(trackIndex_) + ": " + what, offset);
    }

    // The byte at the position; the event that started at eventStart is truncated without it.
    uint8_t Peek(size_t eventStart) const {
        if (pos_ == end_) {
            Fail("truncated event", eventStart);
        }
        return bytes_[pos_];
    }

    uint32_t ReadVarLen(size_t eventStart) {
        const size_t start = pos_;
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const uint8_t byte = Peek(eventStart);
            ++pos_;
            value = (value << 7) | (byte & 0x7F);
            if ((byte & 0x80) == 0) {
                return value;
            }
        }
        Fail("bad variable-length number (more than 4 bytes)", start);
    }

    // A length and that many bytes, as sysex and meta events hold them.
    std::vector<uint8_t> ReadData(size_t eventStart) {
        const uint32_t length = ReadVarLen(eventStart);
        if (length > end_ - pos_) {
            Fail("truncated event: declares " + std::to_string(length) + " data bytes, " +
                     std::to_string(end_ - pos_) + " remain in the chunk",
                 eventStart);
        }
        const auto first = bytes_.begin() + static_cast<ptrdiff_t>(pos_);
        pos_ += length;
        return {first, first + static_cast<ptrdiff_t>(length)};
    }

    std::span<const uint8_t> bytes_;
    size_t pos_;
    size_t end_;
    size_t trackIndex_;
};

void put_be16(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

void put_be32_at(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    for (size_t i = 0; i < 4; ++i) {
        out[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
    }
}

void put_var_len(std::vector<uint8_t>& out, uint32_t value) {
    std::array<uint8_t, 4> groups{};
    size_t count = 0;
    do {
        groups[count++] = static_cast<uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (count > 1) {
        out.push_back(static_cast<uint8_t>(groups[--count] | 0x80));
    }
    out.push_back(groups[0]);
}

void put_data(std::vector<uint8_t>& out, const std::vector<uint8_t>& data,
              const std::string& where) {
    if (data.size() > kMaxVarLen) {
        FailWrite(where + ": more than " + std::to_string(kMaxVarLen) + " data bytes");
    }
    put_var_len(out, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
}

void put_event(std::vector<uint8_t>& out, const Event& event, const std::string& where) {
    switch (event.Kind) {
    case EventKind::Channel:
        if (event.Status < 0x80 || event.Status > 0xEF) {
            FailWrite(where + ": channel status " + hex_text(event.Status, 2));
        }
        if (event.Data.size() != channel_data_count(event.Status)) {
            FailWrite(where + ": " + std::to_string(event.Data.size()) + " data bytes for status " +
                      hex_text(event.Status, 2));
        }
        if (std::any_of(event.Data.begin(), event.Data.end(),
                        [](uint8_t b) { return b >= 0x80; })) {
            FailWrite(where + ": channel data byte >= 0x80");
        }
        out.push_back(event.Status);
        out.insert(out.end(), event.Data.begin(), event.Data.end());
        return;
    case EventKind::SysEx:
        if (event.Status != 0xF0 && event.Status != 0xF7) {
            FailWrite(where + ": sysex status " + hex_text(event.Status, 2));
        }
        out.push_back(event.Status);
        put_data(out, event.Data, where);
        return;
    case EventKind::Meta:
        if (event.Status != 0xFF) {
            FailWrite(where + ": meta status " + hex_text(event.Status, 2));
        }
        out.push_back(0xFF);
        out.push_back(event.MetaType);
        put_data(out, event.Data, where);
        return;
    }
    FailWrite(where + ": unknown event kind");
}

void put_track(std::vector<uint8_t>& out, const Track& track, size_t trackIndex) {
    const size_t chunkStart = out.size();
    out.insert(out.end(), {'M', 'T', 'r', 'k', 0, 0, 0, 0});
    uint64_t tick = 0;
    bool ended = false;
    for (size_t i = 0; i < track.Events.size(); ++i) {
        const Event& event = track.Events[i];
        const std::string where =
            "track " + std::to_string(trackIndex) + ", event " + std::to_string(i);
        if (ended) {
            FailWrite(where + ": follows an end-of-track event");
        }
        if (event.Tick < tick) {
            FailWrite(where + ": tick " + std::to_string(event.Tick) + " before the previous " +
                      std::to_string(tick));
        }
        if (event.Tick > kMaxTick) {
            FailWrite(where + ": tick beyond 2^48");
        }
        if (event.Tick - tick > kMaxVarLen) {
            FailWrite(where + ": gap of " + std::to_string(event.Tick - tick) +
                      " ticks does not fit a delta time");
        }
        put_var_len(out, static_cast<uint32_t>(event.Tick - tick));
        put_event(out, event, where);
        tick = event.Tick;
        ended = event.Kind == EventKind::Meta && event.MetaType == kMetaEndOfTrack;
    }
    if (!ended) {
        out.insert(out.end(), {0x00, 0xFF, kMetaEndOfTrack, 0x00});
    }
    const size_t length = out.size() - chunkStart - kChunkHeaderSize;
    if (length > UINT32_MAX) {
        FailWrite("track " + std::to_string(trackIndex) + " holds more than 4 GiB");
    }
    put_be32_at(out, chunkStart + 4, static_cast<uint32_t>(length));
}

std::string path_text(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string too_large() {
    return "larger than " + std::to_string(kMaxMidiFileBytes >> 20) + " MiB";
}

} // namespace

MidiFile read_midi_file(std::span<const uint8_t> bytes) {
    const size_t size = bytes.size();
    if (size > kMaxMidiFileBytes) {
        throw EMidiFileError(too_large());
    }
    if (size < 4 || !has_tag(bytes, 0, "MThd")) {
        Fail("not a MIDI file: no \"MThd\" header chunk", 0);
    }
    if (size < kChunkHeaderSize) {
        Fail("truncated header chunk", 0);
    }
    const uint32_t headerLength = be32(bytes, 4);
    if (headerLength < kMinHeaderLength) {
        Fail("header chunk too short: " + std::to_string(headerLength) + " bytes, needs 6", 4);
    }
    if (headerLength > size - kChunkHeaderSize) {
        Fail("truncated header chunk: declares " + std::to_string(headerLength) + " bytes, " +
                 std::to_string(size - kChunkHeaderSize) + " remain",
             0);
    }
    MidiFile file;
    file.Format = be16(bytes, 8);
    if (file.Format > 2) {
        Fail("unsupported format " + std::to_string(file.Format), 8);
    }
    const uint16_t trackCount = be16(bytes, 10);
    file.Division = static_cast<int16_t>(be16(bytes, 12));
    if (!is_valid_division(file.Division)) {
        Fail("bad division " + hex_text(be16(bytes, 12), 4), 12);
    }

    size_t pos = kChunkHeaderSize + headerLength;
    // Every track needs a chunk header, so the input bounds the reservation.
    file.Tracks.reserve(std::min<size_t>(trackCount, (size - pos) / kChunkHeaderSize));
    while (file.Tracks.size() < trackCount) {
        if (pos == size) {
            Fail("missing tracks: " + std::to_string(file.Tracks.size()) + " of " +
                     std::to_string(trackCount) + " track chunks before the end of the file",
                 pos);
        }
        if (size - pos < kChunkHeaderSize) {
            Fail("truncated chunk header", pos);
        }
        const uint32_t length = be32(bytes, pos + 4);
        const size_t remaining = size - pos - kChunkHeaderSize;
        if (length > remaining) {
            Fail("truncated chunk " + tag_text(bytes, pos) + ": declares " +
                     std::to_string(length) + " bytes, " + std::to_string(remaining) + " remain",
                 pos);
        }
        const size_t body = pos + kChunkHeaderSize;
        if (has_tag(bytes, pos, "MTrk")) {
            file.Tracks.push_back(
                TrackReader(bytes, body, body + length, file.Tracks.size()).Read());
        }
        pos = body + length;
    }
    return file;
}

MidiFile read_midi_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw EMidiFileError(path_text(path) + ": cannot open the file");
    }
    std::vector<uint8_t> bytes;
    std::array<char, 65536> buffer{};
    while (in.read(buffer.data(), buffer.size()) || in.gcount() > 0) {
        const auto* first = reinterpret_cast<const uint8_t*>(buffer.data());
        bytes.insert(bytes.end(), first, first + in.gcount());
        if (bytes.size() > kMaxMidiFileBytes) {
            throw EMidiFileError(path_text(path) + ": " + too_large());
        }
    }
    if (in.bad()) {
        throw EMidiFileError(path_text(path) + ": cannot read the file");
    }
    try {
        return read_midi_file(std::span<const uint8_t>(bytes));
    } catch (const EMidiFileError& error) {
        throw EMidiFileError(path_text(path) + ": " + error.what());
    }
}

std::vector<uint8_t> write_midi_file(const MidiFile& file) {
    if (file.Format > 2) {
        FailWrite("format " + std::to_string(file.Format));
    }
    if (file.Tracks.size() > UINT16_MAX) {
        FailWrite(std::to_string(file.Tracks.size()) + " tracks");
    }
    if (!is_valid_division(file.Division)) {
        FailWrite("division " + hex_text(static_cast<uint16_t>(file.Division), 4));
    }
    std::vector<uint8_t> out = {'M', 'T', 'h', 'd', 0, 0, 0, kMinHeaderLength};
    put_be16(out, file.Format);
    put_be16(out, static_cast<uint16_t>(file.Tracks.size()));
    put_be16(out, static_cast<uint16_t>(file.Division));
    for (size_t i = 0; i < file.Tracks.size(); ++i) {
        put_track(out, file.Tracks[i], i);
    }
    return out;
}

void write_midi_file(const MidiFile& file, const std::filesystem::path& path) {
    const std::vector<uint8_t> bytes = write_midi_file(file);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        throw EMidiFileError(path_text(path) + ": cannot create the file");
    }
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        throw EMidiFileError(path_text(path) + ": cannot write the file");
    }
}

std::vector<Event> merge_tracks(const MidiFile& file) {
    size_t total = 0;
    for (const Track& track : file.Tracks) {
        total += track.Events.size();
    }
    std::vector<Event> events;
    events.reserve(total);
    for (const Track& track : file.Tracks) {
        events.insert(events.end(), track.Events.begin(), track.Events.end());
    }
    // Stable: equal ticks keep the order of concatenation, which is track order, then file order.
    std::stable_sort(events.begin(), events.end(),
                     [](const Event& a, const Event& b) { return a.Tick < b.Tick; });
    return events;
}

std::string note_name(int note) {
    static constexpr std::array<const char*, 12> kNames = {"C",  "C#", "D",  "D#", "E",  "F",
                                                           "F#", "G",  "G#", "A",  "A#", "B"};
    int octave = note / 12;
    int pitchClass = note % 12;
    if (pitchClass < 0) {
        pitchClass += 12;
        --octave;
    }
    return kNames[static_cast<size_t>(pitchClass)] + std::to_string(octave - 1);
}

} // namespace tonvo::smf
