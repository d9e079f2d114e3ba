#include "formats/vst3/events.h"

#include <algorithm>
#include <cmath>

namespace tonvo::vst3 {

namespace {

// A 0..1 value as a 7-bit (or, for pitch bend, 14-bit) MIDI value; NaN counts as 0.
int32_t scaled(double value, int32_t top) noexcept {
    if (!(value > 0.0)) {
        return 0;
    }
    return static_cast<int32_t>(std::lround(std::min(value, 1.0) * top));
}

uint8_t channel_of(int16_t channel) noexcept {
    return static_cast<uint8_t>(channel & 0x0F);
}

} // namespace

std::optional<core::MidiRecord> midi_of(const Event& event) noexcept {
    if (event.busIndex != 0) {
        return std::nullopt;
    }
    core::MidiRecord record;
    record.frame = std::max(event.sampleOffset, 0);
    switch (event.type) {
    case kNoteOnEvent:
        if (event.noteOn.pitch < 0 || event.noteOn.pitch > 127) {
            return std::nullopt;
        }
        // A note-on always sounds: velocity 0 is the softest one, not a note-off.
        record.status = static_cast<uint8_t>(0x90 | channel_of(event.noteOn.channel));
        record.data1 = static_cast<uint8_t>(event.noteOn.pitch);
        record.data2 = static_cast<uint8_t>(std::max(scaled(event.noteOn.velocity, 127), 1));
        return record;
    case kNoteOffEvent:
        if (event.noteOff.pitch < 0 || event.noteOff.pitch > 127) {
            return std::nullopt;
        }
        record.status = static_cast<uint8_t>(0x80 | channel_of(event.noteOff.channel));
        record.data1 = static_cast<uint8_t>(event.noteOff.pitch);
        record.data2 = static_cast<uint8_t>(scaled(event.noteOff.velocity, 127));
        return record;
    case kPolyPressureEvent:
        if (event.polyPressure.pitch < 0 || event.polyPressure.pitch > 127) {
            return std::nullopt;
        }
        record.status = static_cast<uint8_t>(0xA0 | channel_of(event.polyPressure.channel));
        record.data1 = static_cast<uint8_t>(event.polyPressure.pitch);
        record.data2 = static_cast<uint8_t>(scaled(event.polyPressure.pressure, 127));
        return record;
    default: return std::nullopt;
    }
}

core::MidiRecord midi_of_parameter(ParamID id, ParamValue value, int32_t frame) noexcept {
    const auto channel = static_cast<uint8_t>(id / kMidiControllers % 16);
    const auto controller = static_cast<int32_t>(id % kMidiControllers);
    core::MidiRecord record;
    record.frame = std::max(frame, 0);
    if (controller == kPitchBend) {
        const int32_t bend = scaled(value, 16383);
        record.status = static_cast<uint8_t>(0xE0 | channel);
        record.data1 = static_cast<uint8_t>(bend & 0x7F);
        record.data2 = static_cast<uint8_t>(bend >> 7);
    } else if (controller == kAfterTouch) {
        record.status = static_cast<uint8_t>(0xD0 | channel);
        record.data1 = static_cast<uint8_t>(scaled(value, 127));
    } else {
        record.status = static_cast<uint8_t>(0xB0 | channel);
        record.data1 = static_cast<uint8_t>(controller);
        record.data2 = static_cast<uint8_t>(scaled(value, 127));
    }
    return record;
}

bool event_of(const core::MidiRecord& record, int32_t frame, Event& event) noexcept {
    event = {};
    event.sampleOffset = frame;
    const auto channel = static_cast<int16_t>(record.status & 0x0F);
    const auto cc = [&](uint8_t number, uint8_t value, uint8_t value2) {
        event.type = kLegacyMIDICCOutEvent;
        event.midiCCOut = {number, static_cast<int8_t>(channel), static_cast<int8_t>(value),
                           static_cast<int8_t>(value2)};
        return true;
    };
    switch (record.status & 0xF0) {
    case 0x90:
        if (record.data2 > 0) {
            event.type = kNoteOnEvent;
            event.noteOn = {channel, record.data1, 0.0f, record.data2 / 127.0f, 0, -1};
            return true;
        }
        [[fallthrough]];
    case 0x80:
        event.type = kNoteOffEvent;
        event.noteOff = {channel, record.data1, record.data2 / 127.0f, -1, 0.0f};
        return true;
    case 0xA0:
        event.type = kPolyPressureEvent;
        event.polyPressure = {channel, record.data1, record.data2 / 127.0f, -1};
        return true;
    case 0xB0: return cc(record.data1, record.data2, 0);
    case 0xD0: return cc(static_cast<uint8_t>(kAfterTouch), record.data1, 0);
    case 0xE0: return cc(static_cast<uint8_t>(kPitchBend), record.data1, record.data2);
    default: return false;
    }
}

} // namespace tonvo::vst3
