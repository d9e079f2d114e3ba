// The VST 2.4 form of the plug-in's output queue: 1024 event records and one VstEvents block
// pointing at them, made once and reused for the module's whole life. At delivery the queue's
// format-neutral records (core/output_queue.h) are copied into the VST records, which keep
// every other field as made, and the block goes to the host unchanged.
//
// Thread contract: audio thread only; fill never allocates, never blocks and never fails.
#pragma once

#include "core/output_queue.h"
#include "host/vst_abi.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>

namespace tonvo {

class OutputBlock {
public:
    static constexpr int32_t kCapacity = core::OutputQueue::kCapacity;

    OutputBlock();
    OutputBlock(const OutputBlock&) = delete;
    OutputBlock& operator=(const OutputBlock&) = delete;

    // The records, at most kCapacity of them, as the block the host receives with
    // audioMasterProcessEvents. Inline, as it runs once per event delivered.
    VstEvents* fill(std::span<const core::MidiRecord> records) noexcept {
        const size_t count = records.size() < kCapacity ? records.size() : kCapacity;
        VstMidiEvent* events = events_->data();
        for (size_t i = 0; i < count; ++i) {
            const core::MidiRecord& record = records[i];
            VstMidiEvent& event = events[i];
            event.deltaFrames = record.frame;
            // Status, two data bytes and the record's zero padding: the event's 4 MIDI bytes.
            std::memcpy(event.midiData,
                        reinterpret_cast<const unsigned char*>(&record) +
                            offsetof(core::MidiRecord, status),
                        4);
        }
        block_->numEvents = static_cast<int32_t>(count);
        return reinterpret_cast<VstEvents*>(block_.get());
    }

    const VstMidiEvent& event(int32_t index) const noexcept {
        return (*events_)[static_cast<size_t>(index)];
    }
    VstEvents* block() noexcept { return reinterpret_cast<VstEvents*>(block_.get()); }

private:
    // Same leading layout as VstEvents, with room for every record pointer.
    struct EventsBlock {
        int32_t numEvents;
        intptr_t reserved;
        VstEvent* events[kCapacity];
    };
    static_assert(offsetof(EventsBlock, events) == offsetof(VstEvents, events));

    std::unique_ptr<std::array<VstMidiEvent, kCapacity>> events_;
    std::unique_ptr<EventsBlock> block_;
};

} // namespace tonvo
