// The concrete plug-in module, the VST 2.4 face of the plug-in: its published values, its
// handlers and the state block's note-map section. What it does with notes (re-mapping, held
// notes, shared output notes, blocked-key highlights, All Notes Off, the transport watch, the
// preview notes and the reserve of one output record per sounding note) is core::Plugin's
// (src/core/plugin.h); the members below that callers know by name forward to it.
#pragma once

#include "formats/vst2/plugin_base.h"

namespace tonvo {

class TVSTPlugin : public TVSTPluginBase {
public:
    // Construct through TVSTModule::Create<TVSTPlugin>(), which applies the configuration.
    explicit TVSTPlugin(PluginServices& services = PluginServices::Defaults())
        : TVSTPluginBase(services) {}

    TScaleMap& ScaleMap() noexcept { return plugin_core().scale_map(); }
    const TMidiNoteList& HeldNotes() const noexcept { return plugin_core().held_notes(); }

    // Preview notes from the editor keyboard, on channel 0 at offset 0, bypassing the map and
    // the held notes; note and velocity are masked to 0..127. User-interface thread; they
    // reach the output at the start of the next processing call. A note-on answers false when
    // too many previews are waiting, or while a note-off of the same note still waits (the
    // note is not sent). A note-off is always taken: when the hand-off is full it is parked
    // and goes out from the processing call that has emptied the hand-off, before any later
    // note-on of its note.
    bool PreviewNoteOn(int note, int velocity) noexcept {
        return plugin_core().preview_note_on(note, velocity);
    }
    bool PreviewNoteOff(int note, int velocity) noexcept {
        return plugin_core().preview_note_off(note, velocity);
    }
    // Parked preview note-offs not yet sent. Any thread.
    int32_t WaitingPreviewNoteOffs() const noexcept {
        return plugin_core().waiting_preview_note_offs();
    }

    // Note-off for every sounding (channel, output note), oldest first, then forgets all held
    // notes. Audio thread.
    void ReleaseAllHeldNotes() noexcept { plugin_core().release_all_held_notes(); }

    void VSTModuleCreate() override;
    // The base's idle handling, then the highlights. User-interface thread.
    void VSTModuleEditIdle() override;
    // Per-event MIDI handler: the event, as it is, to the core (which also routes control
    // changes, as the base handler does). Audio thread.
    void VSTModuleProcessMidi(VstMidiEvent& event) noexcept final {
        plugin_core().process_midi({event.deltaFrames, static_cast<uint8_t>(event.midiData[0]),
                                    static_cast<uint8_t>(event.midiData[1]),
                                    static_cast<uint8_t>(event.midiData[2])});
    }
    // The event's one call: straight to the handler above, which is final.
    void OnProcessMidi(VstMidiEvent& event) noexcept final {
        TVSTPlugin::VSTModuleProcessMidi(event);
    }
    // effProcessEvents: the chain's loop, with each MIDI event reaching the final handler
    // above directly, so the core's event handling is inlined into the loop.
    intptr_t ProcessEvents(VstEvents* events) final { return process_events_of(*this, events); }
    // The host's calls: a block of events goes from the trampoline straight into the loop
    // above; every other call, and every call while a handler watches them all (OnDispatcher),
    // goes through the chain's dispatcher as before.
    intptr_t Dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                        float opt) override {
        if (opcode == effProcessEvents && !OnDispatcher) {
            return TVSTPlugin::ProcessEvents(static_cast<VstEvents*>(ptr));
        }
        return TVSTPluginBase::Dispatcher(opcode, index, value, ptr, opt);
    }
    // Per-block handler: silence on the outputs, and the transport watch. Audio thread.
    void VSTModuleProcess32Replacing(float** inputs, float** outputs,
                                     uint32_t frames) noexcept final;
    // The block's one call: straight to the handler above, which is final.
    void OnProcess32Replacing(float** inputs, float** outputs, uint32_t frames) noexcept final {
        TVSTPlugin::VSTModuleProcess32Replacing(inputs, outputs, frames);
    }

    bool TransportWasPlaying() const noexcept { return plugin_core().transport_was_playing(); }
    double LastSamplePosition() const noexcept { return plugin_core().last_sample_position(); }

protected:
    void WritePluginState(ValueWriter& writer, const PluginState& state) override;
    void ReadPluginState(ValueReader& reader, const std::string& version,
                         PluginState& into) override;
    std::vector<ModuleDescription> Descriptions() const override;
    // The previews waiting from the editor, before the block's handler. Audio thread.
    void BeforeProcessing() noexcept override { plugin_core().drain_previews(); }
};

} // namespace tonvo
