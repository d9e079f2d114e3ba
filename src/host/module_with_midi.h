// Third level of the module chain: MIDI event input from the host and the MIDI output queue.
//
// Thread contract: ProcessEvents, the Queue operations, GetTimeInfo and DeliverQueue run in
// the host's audio thread only. Handlers are bound at construction and never change after.
#pragma once

#include "host/custom_module.h"
#include "host/midi_output_queue.h"

#include <functional>

namespace tonvo {

class TVSTModuleWithMidi : public TCustomVSTModule {
public:
    // Event handlers; an unbound handler is skipped.
    std::function<void(VstEvents& events)> OnProcessEvents;
    std::function<void(VstMidiEvent& event)> OnProcessMidi;
    std::function<void(VstMidiSysexEvent& event)> OnProcessMidiSysEx;
    std::function<void(VstEvent& event)> OnProcessEvent;

    // effProcessEvents: hands every event of the block, in order and in place, to its handler.
    // Answers 1, also for a null block.
    intptr_t ProcessEvents(VstEvents* events);

    void QueueNoteOn(uint8_t channel, uint8_t note, uint8_t velocity,
                     int32_t deltaFrames) noexcept {
        queue_.QueueNoteOn(channel, note, velocity, deltaFrames);
    }
    void QueueNoteOff(uint8_t channel, uint8_t note, uint8_t velocity,
                      int32_t deltaFrames) noexcept {
        queue_.QueueNoteOff(channel, note, velocity, deltaFrames);
    }
    void QueueControlChange(uint8_t channel, uint8_t controller, uint8_t value,
                            int32_t deltaFrames) noexcept {
        queue_.QueueControlChange(channel, controller, value, deltaFrames);
    }
    void QueuePolyPressure(uint8_t channel, uint8_t note, uint8_t pressure,
                           int32_t deltaFrames) noexcept {
        queue_.QueuePolyPressure(channel, note, pressure, deltaFrames);
    }
    void QueueChannelPressure(uint8_t channel, uint8_t pressure, int32_t deltaFrames) noexcept {
        queue_.QueueChannelPressure(channel, pressure, deltaFrames);
    }
    void QueuePitchBend(uint8_t channel, uint8_t first, uint8_t second,
                        int32_t deltaFrames) noexcept {
        queue_.QueuePitchBend(channel, first, second, deltaFrames);
    }

    const TMidiOutputQueue& OutputQueue() const noexcept { return queue_; }
    // Keeps records of the output queue back for events already promised (see
    // TMidiOutputQueue::SetReserved).
    void ReserveOutput(int32_t records) noexcept { queue_.SetReserved(records); }

    // The host's time information for this block, or null when the host gives none. The
    // record is the host's; it is valid only during the current processing call.
    const VstTimeInfo* GetTimeInfo(int32_t filter) noexcept;

    // Sends what is queued to the host in one call and empties the queue, whatever the host
    // answers. Does nothing when the queue is empty.
    void DeliverQueue() noexcept;

private:
    TMidiOutputQueue queue_;
};

} // namespace tonvo
