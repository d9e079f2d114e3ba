// The module's MIDI output: 1024 event records made once and reused for the module's whole
// life, laid out as a VstEvents block so it can be handed to the host unchanged.
//
// Thread contract: audio thread only. Queueing and delivery never allocate, never block and
// never fail; once 1023 events wait, further events overwrite the spare 1024th record and are
// lost until the next delivery empties the queue.
#pragma once

#include "host/vst_abi.h"

#include <array>
#include <cstdint>
#include <memory>

namespace tonvo {

class TMidiOutputQueue {
public:
    static constexpr int32_t kCapacity = 1024;
    static constexpr int32_t kMaxDelivered = kCapacity - 1;

    TMidiOutputQueue();
    TMidiOutputQueue(const TMidiOutputQueue&) = delete;
    TMidiOutputQueue& operator=(const TMidiOutputQueue&) = delete;

    void QueueNoteOn(uint8_t channel, uint8_t note, uint8_t velocity, int32_t deltaFrames) noexcept;
    void QueueNoteOff(uint8_t channel, uint8_t note, uint8_t velocity,
                      int32_t deltaFrames) noexcept;
    void QueueControlChange(uint8_t channel, uint8_t controller, uint8_t value,
                            int32_t deltaFrames) noexcept;
    void QueuePolyPressure(uint8_t channel, uint8_t note, uint8_t pressure,
                           int32_t deltaFrames) noexcept;
    void QueueChannelPressure(uint8_t channel, uint8_t pressure, int32_t deltaFrames) noexcept;
    void QueuePitchBend(uint8_t channel, uint8_t first, uint8_t second,
                        int32_t deltaFrames) noexcept;

    int32_t Count() const noexcept { return block_->numEvents; }
    // How many more events the next delivery can still carry.
    int32_t Room() const noexcept { return kMaxDelivered - block_->numEvents; }
    const VstMidiEvent& Record(int32_t index) const noexcept { return (*records_)[index]; }

    // The block as the host receives it with audioMasterProcessEvents.
    VstEvents* Block() noexcept { return reinterpret_cast<VstEvents*>(block_.get()); }
    void Clear() noexcept { block_->numEvents = 0; }

private:
    // Same leading layout as VstEvents, with room for every record pointer.
    struct EventsBlock {
        int32_t numEvents;
        intptr_t reserved;
        VstEvent* events[kCapacity];
    };
    static_assert(offsetof(EventsBlock, events) == offsetof(VstEvents, events));

    void Queue(uint8_t status, uint8_t first, uint8_t second, int32_t deltaFrames) noexcept;

    std::unique_ptr<std::array<VstMidiEvent, kCapacity>> records_;
    std::unique_ptr<EventsBlock> block_;
};

} // namespace tonvo
