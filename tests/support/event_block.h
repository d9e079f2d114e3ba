// Builds the event blocks a host hands to effProcessEvents. Storage is reserved at
// construction so that refilling a block does not allocate.
#pragma once

#include "formats/vst2/vst_abi.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tonvo::test {

class EventBlock {
public:
    explicit EventBlock(size_t capacity = 4096) {
        events_.reserve(capacity);
        sysex_.reserve(capacity);
        order_.reserve(capacity);
        words_.resize(2 + capacity); // numEvents, reserved, then the pointers
    }

    EventBlock& Midi(int status, int data1, int data2, int32_t delta = 0) {
        VstEvent event{};
        event.type = kVstMidiType;
        event.byteSize = 24;
        event.deltaFrames = delta;
        auto* midi = reinterpret_cast<VstMidiEvent*>(&event);
        midi->midiData[0] = static_cast<char>(status);
        midi->midiData[1] = static_cast<char>(data1);
        midi->midiData[2] = static_cast<char>(data2);
        return Add(event);
    }
    EventBlock& NoteOn(int channel, int note, int velocity, int32_t delta = 0) {
        return Midi(0x90 + channel, note, velocity, delta);
    }
    EventBlock& NoteOff(int channel, int note, int velocity, int32_t delta = 0) {
        return Midi(0x80 + channel, note, velocity, delta);
    }
    // An event of another type (audio, video, ...), with no payload.
    EventBlock& Other(int32_t type) {
        VstEvent event{};
        event.type = type;
        event.byteSize = 16;
        return Add(event);
    }
    EventBlock& SysEx() {
        VstMidiSysexEvent event{};
        event.type = kVstSysExType;
        event.byteSize = static_cast<int32_t>(sizeof event - 8);
        sysex_.push_back(event);
        order_.push_back(-static_cast<std::ptrdiff_t>(sysex_.size()));
        return *this;
    }

    size_t Size() const { return order_.size(); }
    void Clear() {
        events_.clear();
        sysex_.clear();
        order_.clear();
    }

    // The i-th event pointer of the block last made by Get.
    VstEvent* At(size_t i) const { return reinterpret_cast<VstEvent*>(words_.at(2 + i)); }

    // The block as the host passes it; valid until the next change.
    VstEvents* Get() {
        auto* block = reinterpret_cast<VstEvents*>(words_.data());
        block->numEvents = static_cast<int32_t>(order_.size());
        block->reserved = 0;
        auto** pointers = reinterpret_cast<VstEvent**>(words_.data() + 2);
        for (size_t i = 0; i < order_.size(); ++i) {
            const std::ptrdiff_t at = order_[i];
            pointers[i] = at >= 0
                              ? &events_[static_cast<size_t>(at)]
                              : reinterpret_cast<VstEvent*>(&sysex_[static_cast<size_t>(-at - 1)]);
        }
        return block;
    }

private:
    EventBlock& Add(const VstEvent& event) {
        events_.push_back(event);
        order_.push_back(static_cast<std::ptrdiff_t>(events_.size() - 1));
        return *this;
    }

    static_assert(sizeof(intptr_t) == sizeof(void*));
    std::vector<VstEvent> events_;
    std::vector<VstMidiSysexEvent> sysex_;
    std::vector<std::ptrdiff_t> order_; // >= 0: index into events_; < 0: -(index + 1) into sysex_
    std::vector<intptr_t> words_;
};

} // namespace tonvo::test
