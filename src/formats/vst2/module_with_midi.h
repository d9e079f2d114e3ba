// Third level of the module chain: MIDI event input from the host and the MIDI output queue.
//
// Each event of effProcessEvents goes, in order and in place, to a virtual handler by kind;
// the handlers here do nothing, so an event kind a module does not handle is skipped. The
// output queue holds format-neutral records (core::OutputQueue); DeliverQueue turns them into
// the VST 2.4 block the host receives. A module whose events are queued elsewhere (the
// plug-in's core owns its queue) points the module at that queue with UseOutputQueue.
//
// Thread contract: ProcessEvents, the handlers, the Queue operations, GetTimeInfo and
// DeliverQueue run in the host's audio thread only; UseOutputQueue at construction.
#pragma once

#include "core/output_queue.h"
#include "formats/vst2/custom_module.h"
#include "formats/vst2/vst_abi.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>

namespace tonvo {

// The VST 2.4 form of the output queue: 1024 event records and one VstEvents block pointing
// at them, made once and reused for the module's whole life. At delivery the queue's
// format-neutral records are copied into the VST records, which keep every other field as
// made, and the block goes to the host unchanged. Audio thread; fill never allocates, never
// blocks and never fails.
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
            std::memcpy(event.midiData, core::message_bytes(record), 4);
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

class TVSTModuleWithMidi : public TCustomVSTModule {
public:
    TVSTModuleWithMidi() : ownQueue_(std::make_unique<core::OutputQueue>()) {}

    // effProcessEvents: hands every event of the block, in order and in place, to its handler.
    // Answers 1, also for a null block. A module whose MIDI handler is final overrides this with
    // process_events_of(*this, events), so that each event reaches that handler by a direct
    // call the compiler can inline.
    virtual intptr_t ProcessEvents(VstEvents* events) { return process_events_of(*this, events); }

    // Event handlers, by the names of the events they answer: the whole block first, then
    // each event by kind.
    virtual void OnProcessEvents(VstEvents& /*events*/) {}
    virtual void OnProcessMidi(VstMidiEvent& /*event*/) {}
    virtual void OnProcessMidiSysEx(VstMidiSysexEvent& /*event*/) {}
    virtual void OnProcessEvent(VstEvent& /*event*/) {}

    void QueueNoteOn(uint8_t channel, uint8_t note, uint8_t velocity,
                     int32_t deltaFrames) noexcept {
        queue_->note_on(channel, note, velocity, deltaFrames);
    }
    void QueueNoteOff(uint8_t channel, uint8_t note, uint8_t velocity,
                      int32_t deltaFrames) noexcept {
        queue_->note_off(channel, note, velocity, deltaFrames);
    }
    void QueueControlChange(uint8_t channel, uint8_t controller, uint8_t value,
                            int32_t deltaFrames) noexcept {
        queue_->control_change(channel, controller, value, deltaFrames);
    }
    void QueuePolyPressure(uint8_t channel, uint8_t note, uint8_t pressure,
                           int32_t deltaFrames) noexcept {
        queue_->poly_pressure(channel, note, pressure, deltaFrames);
    }
    void QueueChannelPressure(uint8_t channel, uint8_t pressure, int32_t deltaFrames) noexcept {
        queue_->channel_pressure(channel, pressure, deltaFrames);
    }
    void QueuePitchBend(uint8_t channel, uint8_t first, uint8_t second,
                        int32_t deltaFrames) noexcept {
        queue_->pitch_bend(channel, first, second, deltaFrames);
    }

    const core::OutputQueue& OutputQueue() const noexcept { return *queue_; }
    // Keeps records of the output queue back for events already promised (see
    // core::OutputQueue::set_reserved).
    void ReserveOutput(int32_t records) noexcept { queue_->set_reserved(records); }

    // The host's time information for this block, or null when the host gives none. The
    // record is the host's; it is valid only during the current processing call.
    const VstTimeInfo* GetTimeInfo(int32_t filter) noexcept {
        const intptr_t answer = CallAudioMaster(audioMasterGetTime, 0, filter, nullptr, 0.0f);
        return reinterpret_cast<const VstTimeInfo*>(answer);
    }

    // Sends what is queued to the host in one call and empties the queue, whatever the host
    // answers. Does nothing when the queue is empty.
    void DeliverQueue() noexcept {
        if (queue_->count() <= 0) {
            return;
        }
        CallAudioMaster(audioMasterProcessEvents, 0, 0, block_.fill(queue_->records()), 0.0f);
        queue_->clear();
    }

protected:
    // The loop of ProcessEvents for a module of static type Module: the block's handler, then
    // each event by kind, skipping null entries (a host bug; nothing to hand on).
    template <typename Module>
    static intptr_t process_events_of(Module& module, VstEvents* events) {
        if (events == nullptr) {
            return 1;
        }
        module.OnProcessEvents(*events);
        for (int32_t i = 0; i < events->numEvents; ++i) {
            VstEvent* event = events->events[i];
            if (event == nullptr) {
                continue;
            }
            switch (event->type) {
            case kVstMidiType: module.OnProcessMidi(*reinterpret_cast<VstMidiEvent*>(event)); break;
            case kVstSysExType:
                module.OnProcessMidiSysEx(*reinterpret_cast<VstMidiSysexEvent*>(event));
                break;
            default: module.OnProcessEvent(*event); break;
            }
        }
        return 1;
    }

    // From now on the module queues into and delivers `queue`, which outlives the module's
    // processing; the module's own queue goes. Construction only.
    void UseOutputQueue(core::OutputQueue& queue) noexcept {
        queue_ = &queue;
        ownQueue_.reset();
    }

private:
    std::unique_ptr<core::OutputQueue> ownQueue_;
    core::OutputQueue* queue_ = ownQueue_.get();
    OutputBlock block_;
};

} // namespace tonvo
