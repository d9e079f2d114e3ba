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

intptr_t TVSTModuleWithMidi::ProcessEvents(VstEvents* events) {
    if (events == nullptr) {
        return 1;
    }
    OnProcessEvents(*events);
    for (int32_t i = 0; i < events->numEvents; ++i) {
        VstEvent* event = events->events[i];
        if (event == nullptr) {
            continue; // a host bug; nothing to hand on
        }
        switch (event->type) {
        case kVstMidiType: OnProcessMidi(*reinterpret_cast<VstMidiEvent*>(event)); break;
        case kVstSysExType: OnProcessMidiSysEx(*reinterpret_cast<VstMidiSysexEvent*>(event)); break;
        default: OnProcessEvent(*event); break;
        }
    }
    return 1;
}

const VstTimeInfo* TVSTModuleWithMidi::GetTimeInfo(int32_t filter) noexcept {
    const intptr_t answer = CallAudioMaster(audioMasterGetTime, 0, filter, nullptr, 0.0f);
    return reinterpret_cast<const VstTimeInfo*>(answer);
}

} // namespace tonvo
