// The concrete plug-in module: re-maps every played note through the note map, remembers what
// each held key sent so its note-off releases exactly that, forwards the other channel
// messages, releases held notes when the host transport stops or jumps back, and plays the
// editor's preview notes.
//
// Held notes never stick: one record of the output queue is kept for the note-off of every
// sounding note, so a note-off, a release of all held notes or a channel's All Notes Off always
// fits, and what a full queue drops are the newest forwarded messages and note-ons (a dropped
// note-on is not held); each (channel, key) holds at most one entry; a second key that maps
// to an output note already sounding on its channel shares that note instead of re-sending it,
// and the note-off goes out when the last key holding it is released; a note-off finds its
// entry whatever the map says by then; All Sound Off and All Notes Off forget the channel's
// entries because the receiver has silenced them.
//
// Highlights never stick either: a key lit while its pitch class was blocked is remembered, and
// its highlight goes out at its note-off whatever the map says by then, and wherever held notes
// are forgotten.
//
// Preview note-offs are never lost: one the hand-off has no room for is parked by note, and
// the audio thread sends it itself once it has emptied the hand-off, so it needs no editor
// (the editor may be gone by then) and still follows everything queued before it.
#pragma once

#include "engine/midi_note_list.h"
#include "engine/note_bit_table.h"
#include "engine/plugin_base.h"
#include "engine/scale_map.h"
#include "engine/spsc_ring.h"

#include <array>
#include <atomic>

namespace tonvo {

class TVSTPlugin : public TVSTPluginBase {
public:
    // Construct through TVSTModule::Create<TVSTPlugin>(), which applies the configuration.
    explicit TVSTPlugin(TPluginServices& services = TPluginServices::Defaults())
        : TVSTPluginBase(services) {}

    TScaleMap& ScaleMap() noexcept { return scaleMap_; }
    const TMidiNoteList& HeldNotes() const noexcept { return heldNotes_; }

    // Preview notes from the editor keyboard, on channel 0 at offset 0, bypassing the map and
    // the held notes; note and velocity are masked to 0..127. User-interface thread; they
    // reach the output at the start of the next processing call. A note-on answers false when
    // too many previews are waiting, or while a note-off of the same note still waits (the
    // note is not sent). A note-off is always taken: when the hand-off is full it is parked
    // and goes out from the processing call that has emptied the hand-off, before any later
    // note-on of its note.
    bool PreviewNoteOn(int note, int velocity) noexcept;
    bool PreviewNoteOff(int note, int velocity) noexcept;
    // Parked preview note-offs not yet sent. Any thread.
    int32_t WaitingPreviewNoteOffs() const noexcept {
        return parkedOffCount_.load(std::memory_order_acquire);
    }

    // Note-off for every sounding (channel, output note), oldest first, then forgets all held
    // notes. Audio thread.
    void ReleaseAllHeldNotes() noexcept;

    // The default map, no scale name, then the base's reset.
    void ResetState() override;

    void VSTModuleCreate() override;
    // The base's idle handling, then the highlights. User-interface thread.
    void VSTModuleEditIdle() override;
    // Per-event MIDI handler. Audio thread.
    // Final: the binding below calls this one directly.
    void VSTModuleProcessMidi(VstMidiEvent& event) noexcept final;
    // Per-block handler: silence on the outputs, and the transport watch. Audio thread.
    void VSTModuleProcess32Replacing(float** inputs, float** outputs,
                                     uint32_t frames) noexcept override;

    bool TransportWasPlaying() const noexcept { return transportWasPlaying_; }
    double LastSamplePosition() const noexcept { return lastSamplePosition_; }

    TPluginState CurrentState() const override;

protected:
    void WritePluginState(TValueWriter& writer, const TPluginState& state) override;
    void ReadPluginState(TValueReader& reader, const std::string& version,
                         TPluginState& into) override;
    void ApplyState(const TPluginState& state) override;
    std::vector<TModuleDescription> Descriptions() const override;
    void BeforeProcessing() noexcept override;
    // The base family's handlers, with the per-event one bound to this class's final override,
    // so an event reaches it without a second indirect call.
    std::span<const THandlerBinding> HandlerTable() const override;

private:
    struct PreviewNote {
        bool On = false;
        uint8_t Note = 0;
        uint8_t Velocity = 0;
    };

    void NoteOn(uint8_t channel, uint8_t note, uint8_t velocity, int32_t deltaFrames) noexcept;
    void NoteOff(uint8_t channel, uint8_t note, int32_t deltaFrames) noexcept;
    void ReleaseEntry(TMidiNoteItem item, int32_t deltaFrames) noexcept;
    void SilenceChannel(uint8_t channel, uint8_t controller, uint8_t value,
                        int32_t deltaFrames) noexcept;
    void KeepRoomForNoteOffs() noexcept;
    void ForgetChannel(uint8_t channel) noexcept;
    void ClearBlockedHighlights() noexcept;
    void WatchTransport() noexcept;
    // Queues the parked note-offs of `parked` (a copy taken before the hand-off was emptied)
    // while `room` lasts, and unparks each one sent. Audio thread.
    void SendParkedPreviewOffs(const std::array<uint8_t, 128>& parked, int32_t room) noexcept;

    TScaleMap scaleMap_;
    TMidiNoteList heldNotes_;
    // Keys lit at a note-on whose pitch class was blocked (so not held). Audio thread.
    TNoteBitTable blockedLit_;
    TSpscRing<PreviewNote, 256> previews_;
    // Preview note-offs the hand-off had no room for, by note: 0 for none, else kParked plus
    // the velocity. At most one per note: no note-on of that note is taken while it waits.
    // Parked by the user-interface thread after everything it pushed before (release), taken
    // back by the audio thread once sent.
    static constexpr uint8_t kParked = 0x80;
    std::array<std::atomic<uint8_t>, 128> parkedOff_{};
    std::atomic<int32_t> parkedOffCount_{0};
    bool transportWasPlaying_ = false;
    double lastSamplePosition_ = 0.0;
};

} // namespace tonvo
