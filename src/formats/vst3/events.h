// VST 3 events and MIDI messages, both ways. Notes and polyphonic pressure arrive as events;
// controllers, channel pressure and pitch bend arrive as values of hidden parameters the host
// maps MIDI onto (IMidiMapping), one per channel and controller; everything the core sends
// goes out as note events or as legacy MIDI controller events. Audio thread: nothing here
// allocates.
#pragma once

#include "core/output_queue.h"
#include "formats/vst3/vst3_abi.h"

#include <optional>

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

// The MIDI message an input event stands for, or nothing for events of another bus or kind.
std::optional<core::MidiRecord> midi_of(const Event& event) noexcept;

// The MIDI message a hidden parameter's value (0..1) stands for at `frame`.
core::MidiRecord midi_of_parameter(ParamID id, ParamValue value, int32_t frame) noexcept;

// The output event of a MIDI message at `frame`, or false for messages VST 3 cannot carry
// (program changes, system messages).
bool event_of(const core::MidiRecord& record, int32_t frame, Event& event) noexcept;

} // namespace tonvo::vst3
