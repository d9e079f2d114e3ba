#include "midi_file/tempo_map.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace tonvo::smf {

namespace {

constexpr double kDefaultMicrosecondsPerQuarter = 500000.0;

bool is_usable_tempo(const Event& event) {
    return event.Kind == EventKind::Meta && event.MetaType == kMetaTempo &&
           event.Data.size() == 3 && (event.Data[0] | event.Data[1] | event.Data[2]) != 0;
}

double microseconds_per_quarter(const Event& tempo) {
    return static_cast<double>((tempo.Data[0] << 16) | (tempo.Data[1] << 8) | tempo.Data[2]);
}

void check_sample_rate(double sampleRate) {
    if (!std::isfinite(sampleRate) || sampleRate <= 0.0) {
        throw std::invalid_argument("sample rate must be finite and greater than 0");
    }
}

// Rounds to the nearest integer, halves up; negative and NaN give 0, too large UINT64_MAX.
uint64_t round_to_count(double value) {
    if (!(value > 0.0)) {
        return 0;
    }
    const double rounded = std::floor(value + 0.5);
    if (rounded >= 18446744073709551616.0) { // 2^64
        return UINT64_MAX;
    }
    return static_cast<uint64_t>(rounded);
}

} // namespace

TempoMap::TempoMap(const MidiFile& file) {
    for (const Track& track : file.Tracks) {
        for (const Event& event : track.Events) {
            if (is_usable_tempo(event)) {
                tempoEvents_.push_back(event);
            }
        }
    }
    std::stable_sort(tempoEvents_.begin(), tempoEvents_.end(),
                     [](const Event& a, const Event& b) { return a.Tick < b.Tick; });

    if (file.Division > 0) {
        denominator_ = static_cast<double>(file.Division) * 1e6;
        segments_.push_back({0, 0.0, kDefaultMicrosecondsPerQuarter});
        for (const Event& tempo : tempoEvents_) {
            Segment& last = segments_.back();
            if (tempo.Tick == last.Tick) {
                last.Numerator = microseconds_per_quarter(tempo);
                continue;
            }
            const double seconds = last.Seconds + static_cast<double>(tempo.Tick - last.Tick) *
                                                      last.Numerator / denominator_;
            segments_.push_back({tempo.Tick, seconds, microseconds_per_quarter(tempo)});
        }
        return;
    }
    const auto bits = static_cast<uint16_t>(file.Division);
    const int framesPerSecond = -static_cast<int8_t>(bits >> 8);
    const int ticksPerFrame = bits & 0xFF;
    if (ticksPerFrame == 0 || (framesPerSecond != 24 && framesPerSecond != 25 &&
                               framesPerSecond != 29 && framesPerSecond != 30)) {
        throw EMidiFileError("division " + std::to_string(file.Division) +
                             " gives no time per tick");
    }
    if (framesPerSecond == 29) {
        segments_.push_back({0, 0.0, 1001.0});
        denominator_ = 30000.0 * ticksPerFrame;
    } else {
        segments_.push_back({0, 0.0, 1.0});
        denominator_ = static_cast<double>(framesPerSecond * ticksPerFrame);
    }
}

const TempoMap::Segment& TempoMap::SegmentAtTick(uint64_t tick) const {
    const auto after = std::upper_bound(
        segments_.begin(), segments_.end(), tick,
        [](uint64_t value, const Segment& segment) { return value < segment.Tick; });
    return *(after - 1);
}

const TempoMap::Segment& TempoMap::SegmentAtSeconds(double seconds) const {
    const auto after = std::upper_bound(
        segments_.begin(), segments_.end(), seconds,
        [](double value, const Segment& segment) { return value < segment.Seconds; });
    return after == segments_.begin() ? segments_.front() : *(after - 1);
}

double TempoMap::SecondsAt(uint64_t tick) const {
    const Segment& segment = SegmentAtTick(tick);
    return segment.Seconds +
           static_cast<double>(tick - segment.Tick) * segment.Numerator / denominator_;
}

uint64_t TempoMap::SampleAt(uint64_t tick, double sampleRate) const {
    check_sample_rate(sampleRate);
    return round_to_count(SecondsAt(tick) * sampleRate);
}

uint64_t TempoMap::TickAt(uint64_t sample, double sampleRate) const {
    check_sample_rate(sampleRate);
    const double seconds = static_cast<double>(sample) / sampleRate;
    const Segment& segment = SegmentAtSeconds(seconds);
    const double ticks = (seconds - segment.Seconds) * denominator_ / segment.Numerator;
    // Added as doubles so a result beyond 2^64 saturates rather than wraps.
    return round_to_count(static_cast<double>(segment.Tick) + ticks);
}

const std::vector<Event>& TempoMap::TempoEvents() const {
    return tempoEvents_;
}

} // namespace tonvo::smf
