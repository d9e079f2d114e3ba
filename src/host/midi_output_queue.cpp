#include "host/midi_output_queue.h"

namespace tonvo {

TMidiOutputQueue::TMidiOutputQueue()
    : records_(std::make_unique<std::array<VstMidiEvent, kCapacity>>()),
      block_(std::make_unique<EventsBlock>()) {
    block_->numEvents = 0;
    block_->reserved = 0;
    for (int32_t i = 0; i < kCapacity; ++i) {
        VstMidiEvent& record = (*records_)[i];
        record = VstMidiEvent{};
        record.type = kVstMidiType;
        record.byteSize = 24;
        block_->events[i] = reinterpret_cast<VstEvent*>(&record);
    }
}

void TMidiOutputQueue::Queue(uint8_t status, uint8_t first, uint8_t second,
                             int32_t deltaFrames) noexcept {
    VstMidiEvent& record = (*records_)[block_->numEvents];
    record.type = kVstMidiType;
    record.deltaFrames = deltaFrames;
    record.midiData[0] = static_cast<char>(status);
    record.midiData[1] = static_cast<char>(first);
    record.midiData[2] = static_cast<char>(second);
    if (block_->numEvents < kMaxDelivered) {
        ++block_->numEvents;
    }
}

// The status byte is the type plus the channel, taken modulo 256: callers pass channels 0..15.
void TMidiOutputQueue::QueueNoteOn(uint8_t channel, uint8_t note, uint8_t velocity,
                                   int32_t deltaFrames) noexcept {
    Queue(static_cast<uint8_t>(0x90 + channel), note, velocity, deltaFrames);
}

void TMidiOutputQueue::QueueNoteOff(uint8_t channel, uint8_t note, uint8_t velocity,
                                    int32_t deltaFrames) noexcept {
    Queue(static_cast<uint8_t>(0x80 + channel), note, velocity, deltaFrames);
}

void TMidiOutputQueue::QueueControlChange(uint8_t channel, uint8_t controller, uint8_t value,
                                          int32_t deltaFrames) noexcept {
    Queue(static_cast<uint8_t>(0xB0 + channel), controller, value, deltaFrames);
}

void TMidiOutputQueue::QueuePolyPressure(uint8_t channel, uint8_t note, uint8_t pressure,
                                         int32_t deltaFrames) noexcept {
    Queue(static_cast<uint8_t>(0xA0 + channel), note, pressure, deltaFrames);
}

void TMidiOutputQueue::QueueChannelPressure(uint8_t channel, uint8_t pressure,
                                            int32_t deltaFrames) noexcept {
    Queue(static_cast<uint8_t>(0xD0 + channel), pressure, 0, deltaFrames);
}

void TMidiOutputQueue::QueuePitchBend(uint8_t channel, uint8_t first, uint8_t second,
                                      int32_t deltaFrames) noexcept {
    Queue(static_cast<uint8_t>(0xE0 + channel), first, second, deltaFrames);
}

} // namespace tonvo
