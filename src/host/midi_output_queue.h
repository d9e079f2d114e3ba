// The module's MIDI output: 1024 event records made once and reused for the module's whole
// life, laid out as a VstEvents block so it can be handed to the host unchanged.
//
// A caller can keep records back for events it has promised to send (the plug-in keeps one for
// the note-off of every sounding note): Room() leaves them out, so events that check Room()
// before queueing can never take them, and a promised event queued without that check always
// finds its record.
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

    // The status byte is the type plus the channel, taken modulo 256: callers pass channels
    // 0..15. Inline, as they run per event.
    void QueueNoteOn(uint8_t channel, uint8_t note, uint8_t velocity,
                     int32_t deltaFrames) noexcept {
        Queue(static_cast<uint8_t>(0x90 + channel), note, velocity, deltaFrames);
    }
    void QueueNoteOff(uint8_t channel, uint8_t note, uint8_t velocity,
                      int32_t deltaFrames) noexcept {
        Queue(static_cast<uint8_t>(0x80 + channel), note, velocity, deltaFrames);
    }
    void QueueControlChange(uint8_t channel, uint8_t controller, uint8_t value,
                            int32_t deltaFrames) noexcept {
        Queue(static_cast<uint8_t>(0xB0 + channel), controller, value, deltaFrames);
    }
    void QueuePolyPressure(uint8_t channel, uint8_t note, uint8_t pressure,
                           int32_t deltaFrames) noexcept {
        Queue(static_cast<uint8_t>(0xA0 + channel), note, pressure, deltaFrames);
    }
    void QueueChannelPressure(uint8_t channel, uint8_t pressure, int32_t deltaFrames) noexcept {
        Queue(static_cast<uint8_t>(0xD0 + channel), pressure, 0, deltaFrames);
    }
    void QueuePitchBend(uint8_t channel, uint8_t first, uint8_t second,
                        int32_t deltaFrames) noexcept {
        Queue(static_cast<uint8_t>(0xE0 + channel), first, second, deltaFrames);
    }

    int32_t Count() const noexcept { return block_->numEvents; }
    // How many more events the next delivery can still carry, less the records kept back.
    int32_t Room() const noexcept {
        const int32_t room = kMaxDelivered - block_->numEvents - reserved_;
        return room > 0 ? room : 0;
    }
    // Keeps that many of the free records for promised events; 0 keeps none.
    void SetReserved(int32_t records) noexcept { reserved_ = records; }
    int32_t Reserved() const noexcept { return reserved_; }
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

    void Queue(uint8_t status, uint8_t first, uint8_t second, int32_t deltaFrames) noexcept {
        VstMidiEvent& record = (*records_)[static_cast<size_t>(block_->numEvents)];
        record.type = kVstMidiType;
        record.deltaFrames = deltaFrames;
        record.midiData[0] = static_cast<char>(status);
        record.midiData[1] = static_cast<char>(first);
        record.midiData[2] = static_cast<char>(second);
        if (block_->numEvents < kMaxDelivered) {
            ++block_->numEvents;
        }
    }

    std::unique_ptr<std::array<VstMidiEvent, kCapacity>> records_;
    std::unique_ptr<EventsBlock> block_;
    int32_t reserved_ = 0;
};

} // namespace tonvo
