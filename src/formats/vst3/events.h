// VST 3 events and MIDI messages, both ways. Notes and polyphonic pressure arrive as events;
// controllers, channel pressure and pitch bend arrive as values of hidden parameters the host
// maps MIDI onto (IMidiMapping), one per channel and controller; everything the core sends
// goes out as note events or as legacy MIDI controller events. Audio thread: nothing here
// allocates, and everything is inline, as the processor's event walk runs it for every event.
#pragma once

#include "core/output_queue.h"
#include "formats/vst3/vst3_abi.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstring>

namespace tonvo::vst3 {

// The hidden parameters: controllers 0..127, channel pressure (128) and pitch bend (129) on
// each of the 16 channels.
inline constexpr int32_t kMidiControllers = 130;
inline constexpr int32_t kMidiParameterCount = 16 * kMidiControllers;

constexpr ParamID midi_parameter(int32_t channel, int32_t controller) {
    return static_cast<ParamID>(channel * kMidiControllers + controller);
}
constexpr bool is_midi_parameter(ParamID id) {
    return id < static_cast<ParamID>(kMidiParameterCount);
}

// A 0..1 value as a MIDI value of 0..top, in the precision it arrives in (a parameter's
// double, a note's float); NaN counts as 0. No call into the maths library. The compiler
// turns the clamps into jumps to the ends, which are guessed right while values stay inside
// 0..1, as hosts send them.
template <typename Real>
int32_t midi_value(Real value, int32_t top) noexcept {
    return static_cast<int32_t>(
        std::min(std::max(Real{0}, value), Real{1}) * static_cast<Real>(top) + Real{0.5});
}

// Where a note-on and a note-off keep their words: note-on: channel and pitch, tuning,
// velocity, length, note id; note-off: channel and pitch, velocity, note id, tuning.
static_assert(offsetof(NoteOnEvent, tuning) == 4 && offsetof(NoteOnEvent, velocity) == 8 &&
              offsetof(NoteOnEvent, length) == 12 && offsetof(NoteOnEvent, noteId) == 16);
static_assert(offsetof(NoteOffEvent, velocity) == 4 && offsetof(NoteOffEvent, noteId) == 8 &&
              offsetof(NoteOffEvent, tuning) == 12);

// The MIDI message an input event stands for; false for events of another bus or kind, and
// for notes outside 0..127. Note-on and note-off share one path with no branch between them
// (their channel and pitch lie alike, and the velocity's word is found from the type; a
// note-on's velocity is at least 1, as velocity 0 is the softest note-on, not a note-off): in
// real playing which comes next cannot be predicted.
inline bool midi_of(const Event& event, core::MidiRecord& record) noexcept {
    if (event.busIndex != 0) {
        return false;
    }
    record.frame = std::max(event.sampleOffset, 0);
    int16_t channel = 0;
    int16_t pitch = 0;
    if (event.type <= kNoteOffEvent) {
        const int off = event.type; // 0 for a note-on, 1 for a note-off
        channel = event.noteOn.channel;
        pitch = event.noteOn.pitch;
        float velocity = 0.0f;
        std::memcpy(&velocity, reinterpret_cast<const char*>(&event.noteOn) + 8 - 4 * off,
                    sizeof velocity);
        record.status = static_cast<uint8_t>(0x90 - 0x10 * off);
        record.data2 = static_cast<uint8_t>(std::max(midi_value(velocity, 127), 1 - off));
    } else if (event.type == kPolyPressureEvent) {
        channel = event.polyPressure.channel;
        pitch = event.polyPressure.pitch;
        record.status = 0xA0;
        record.data2 = static_cast<uint8_t>(midi_value(event.polyPressure.pressure, 127));
    } else {
        return false;
    }
    if (pitch < 0 || pitch > 127) {
        return false;
    }
    record.status = static_cast<uint8_t>(record.status | (channel & 0x0F));
    record.data1 = static_cast<uint8_t>(pitch);
    return true;
}

// The MIDI message a hidden parameter's value (0..1) stands for at `frame`.
inline core::MidiRecord midi_of_parameter(ParamID id, ParamValue value, int32_t frame) noexcept {
    const auto channel = static_cast<uint8_t>(id / kMidiControllers % 16);
    const auto controller = static_cast<int32_t>(id % kMidiControllers);
    core::MidiRecord record;
    record.frame = std::max(frame, 0);
    if (controller == kPitchBend) {
        const int32_t bend = midi_value(value, 16383);
        record.status = static_cast<uint8_t>(0xE0 | channel);
        record.data1 = static_cast<uint8_t>(bend & 0x7F);
        record.data2 = static_cast<uint8_t>(bend >> 7);
    } else if (controller == kAfterTouch) {
        record.status = static_cast<uint8_t>(0xD0 | channel);
        record.data1 = static_cast<uint8_t>(midi_value(value, 127));
    } else {
        record.status = static_cast<uint8_t>(0xB0 | channel);
        record.data1 = static_cast<uint8_t>(controller);
        record.data2 = static_cast<uint8_t>(midi_value(value, 127));
    }
    return record;
}

// A MIDI value of 0..127 as 0..1, exactly as value / 127.0f.
inline constexpr std::array<float, 128> kUnitOfMidiValue = [] {
    std::array<float, 128> units{};
    for (size_t i = 0; i < units.size(); ++i) {
        units[i] = static_cast<float>(i) / 127.0f;
    }
    return units;
}();

// A note event's words that depend on its kind and velocity, for a note message's kind bit
// (0x10 of the status: note-off 0x8n, note-on 0x9n) and velocity: the type's word, the upper
// half of the body's first word and the body's second word. Note-on: tuning 0, velocity,
// length 0, no note id; note-off: velocity, no note id, tuning 0. A note-on with velocity 0
// is a note-off.
struct NoteWords {
    uint64_t type;
    uint64_t first_high;
    uint64_t second;
};
inline constexpr std::array<NoteWords, 256> kNoteWords = [] {
    static_assert(offsetof(Event, type) == 18 && offsetof(Event, noteOn) == 24);
    constexpr uint64_t kNoId = 0xFFFFFFFFu;
    std::array<NoteWords, 256> words{};
    for (size_t i = 0; i < words.size(); ++i) {
        const size_t velocity = i & 0x7F;
        const bool on = i >= 128 && velocity > 0;
        const uint64_t value = std::bit_cast<uint32_t>(kUnitOfMidiValue[velocity]);
        words[i] = on ? NoteWords{uint64_t{kNoteOnEvent} << 16, 0, value}
                      : NoteWords{uint64_t{kNoteOffEvent} << 16, value << 32, kNoId};
    }
    return words;
}();

// Whether a MIDI message is a note-on or note-off, which note_event_of writes.
constexpr bool is_note(const core::MidiRecord& record) noexcept {
    return (record.status & 0xE0) == 0x80;
}

// The output event of a note-on or note-off at `frame`: six 64-bit words, the parts for its
// kind and velocity taken from kNoteWords with no branch between them (as midi_of reads them).
inline void note_event_of(const core::MidiRecord& record, int32_t frame, Event& event) noexcept {
    static_assert(std::endian::native == std::endian::little && sizeof(Event) == 48);
    const uint32_t status = record.status;
    const NoteWords& kind = kNoteWords[(status & 0x10) << 3 | (record.data2 & 0x7Fu)];
    // Bus 0 and time; position 0; flags 0 and type; channel, pitch and the body.
    const uint64_t words[6] = {uint64_t{static_cast<uint32_t>(frame)} << 32,
                               0,
                               kind.type,
                               (status & 0x0F) | uint64_t{record.data1} << 16 | kind.first_high,
                               kind.second,
                               0xFFFFFFFFu};
    auto* bytes = reinterpret_cast<unsigned char*>(&event);
    for (const uint64_t word : words) { // one store each
        std::memcpy(bytes, &word, sizeof word);
        bytes += sizeof word;
    }
}

// The output event of any other MIDI message at `frame`, or false for messages VST 3 cannot
// carry (program changes, system messages). Out of line: these are rare beside notes, and
// inline their work would be mixed into every note's.
[[gnu::noinline]] inline bool other_event_of(const core::MidiRecord& record, int32_t frame,
                                             Event& event) noexcept {
    event.busIndex = 0;
    event.sampleOffset = frame;
    event.ppqPosition = 0.0;
    event.flags = 0;
    const auto channel = static_cast<int16_t>(record.status & 0x0F);
    const float value = kUnitOfMidiValue[record.data2 & 0x7F];
    switch (record.status & 0xF0) {
    case 0xA0:
        event.type = kPolyPressureEvent;
        event.polyPressure = {channel, record.data1, value, -1};
        return true;
    case 0xB0:
        event.type = kLegacyMIDICCOutEvent;
        event.midiCCOut = {record.data1, static_cast<int8_t>(channel),
                           static_cast<int8_t>(record.data2), 0};
        return true;
    case 0xD0:
        event.type = kLegacyMIDICCOutEvent;
        event.midiCCOut = {static_cast<uint8_t>(kAfterTouch), static_cast<int8_t>(channel),
                           static_cast<int8_t>(record.data1), 0};
        return true;
    case 0xE0:
        event.type = kLegacyMIDICCOutEvent;
        event.midiCCOut = {static_cast<uint8_t>(kPitchBend), static_cast<int8_t>(channel),
                           static_cast<int8_t>(record.data1), static_cast<int8_t>(record.data2)};
        return true;
    default: return false;
    }
}

} // namespace tonvo::vst3
