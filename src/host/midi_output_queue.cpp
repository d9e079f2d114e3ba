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

} // namespace tonvo
