// Real time of MIDI ticks: seconds and sample positions for ticks, and ticks for sample
// positions, from a file's division and tempo changes.
//
// With ticks per quarter note, the tempo is 500000 microseconds per quarter note until the first
// tempo meta event (type 0x51 with 3 data bytes, microseconds per quarter note, big-endian).
// Tempo events are taken from all tracks merged (merge_tracks order), also in format 2; of
// several at one tick the last counts. Tempo events with another data length or a tempo of 0
// are ignored, as they give no usable rate. With an SMPTE division the rate is fixed
// (frames per second times ticks per frame; 29 means 30 drop-frame, 30000/1001 frames per
// second) and tempo events do not change it.
//
// Thread contract: immutable after construction; any number of threads may query it.
#pragma once

#include "midi_file/midi_file.h"

#include <cstdint>
#include <vector>

namespace tonvo::smf {

class TempoMap {
public:
    // Throws EMidiFileError for a division the reader would refuse (0, or a bad SMPTE value).
    TempoMap(const MidiFile& file);

    double SecondsAt(uint64_t tick) const;

    // The sample nearest to the tick's time: floor(SecondsAt(tick) * sampleRate + 0.5), so
    // halves round up; saturates at UINT64_MAX. Throws std::invalid_argument unless sampleRate
    // is finite and > 0.
    uint64_t SampleAt(uint64_t tick, double sampleRate) const;

    // The tick nearest to the sample's time (halves round up), saturating at UINT64_MAX. For a
    // tick whose time falls exactly on a sample, TickAt(SampleAt(tick, rate), rate) == tick.
    // Throws std::invalid_argument unless sampleRate is finite and > 0.
    uint64_t TickAt(uint64_t sample, double sampleRate) const;

    // The file's valid tempo events in merged order, for writing them into another file. Kept
    // for SMPTE divisions too, though they do not change the rate there.
    const std::vector<Event>& TempoEvents() const;

private:
    // From Tick on, each tick lasts Numerator / denominator_ seconds.
    struct Segment {
        uint64_t Tick = 0;
        double Seconds = 0.0;
        double Numerator = 0.0;
    };

    const Segment& SegmentAtTick(uint64_t tick) const;
    const Segment& SegmentAtSeconds(double seconds) const;

    std::vector<Segment> segments_; // ascending ticks, the first at tick 0
    double denominator_ = 1.0;
    std::vector<Event> tempoEvents_;
};

} // namespace tonvo::smf
