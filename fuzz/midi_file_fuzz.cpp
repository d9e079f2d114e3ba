// Reads arbitrary bytes as a Standard MIDI File. A file that reads must write back, read again
// as the same tracks (each gaining an end-of-track event where it had none) and write again to
// the same bytes; its merged events must be in time order and its tempo map must give times
// that never go backwards.
#include "midi_file/midi_file.h"
#include "midi_file/tempo_map.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

using namespace tonvo::smf;

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void check_tempo_map(const MidiFile& file, const std::vector<Event>& merged) {
    const TempoMap map(file);
    double seconds = 0.0;
    uint64_t sample = 0;
    uint64_t tick = 0;
    for (const Event& event : merged) {
        const double now = map.SecondsAt(event.Tick);
        const uint64_t nowSample = map.SampleAt(event.Tick, 44100.0);
        const uint64_t nowTick = map.TickAt(nowSample, 44100.0);
        require(now >= seconds && nowSample >= sample && nowTick >= tick);
        seconds = now;
        sample = nowSample;
        tick = nowTick;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MidiFile file;
    try {
        file = read_midi_file(std::span<const uint8_t>(data, size));
    } catch (const EMidiFileError&) {
        return 0;
    }
    const std::vector<Event> merged = merge_tracks(file);
    for (size_t i = 1; i < merged.size(); ++i) {
        require(merged[i - 1].Tick <= merged[i].Tick);
    }
    check_tempo_map(file, merged);

    const std::vector<uint8_t> bytes = write_midi_file(file);
    const MidiFile again = read_midi_file(bytes);
    MidiFile expected = file;
    for (Track& track : expected.Tracks) {
        const bool ended = !track.Events.empty() && track.Events.back().Kind == EventKind::Meta &&
                           track.Events.back().MetaType == kMetaEndOfTrack;
        if (!ended) {
            const uint64_t last = track.Events.empty() ? 0 : track.Events.back().Tick;
            track.Events.push_back({last, EventKind::Meta, 0xFF, kMetaEndOfTrack, {}});
        }
    }
    require(again == expected);
    require(write_midi_file(again) == bytes);
    return 0;
}
