#include "formats/vst2/module_with_midi.h"

namespace tonvo {

OutputBlock::OutputBlock()
    : events_(std::make_unique<std::array<VstMidiEvent, kCapacity>>()),
      block_(std::make_unique<EventsBlock>()) {
    block_->numEvents = 0;
    block_->reserved = 0;
    for (size_t i = 0; i < events_->size(); ++i) {
        VstMidiEvent& event = (*events_)[i];
        event = VstMidiEvent{};
        event.type = kVstMidiType;
        event.byteSize = 24;
        block_->events[i] = reinterpret_cast<VstEvent*>(&event);
    }
}

} // namespace tonvo
