// The VST 3 adapter's plug-in instance: one object that is the component, its audio processor
// and its edit controller at once, the core's plug-in behind all of them, as the editor of
// every format works on the core's own plug-in. Hosts find the controller by asking the
// component for it (getControllerClassId answers that there is no separate class).
//
// - Buses: one event input and one event output (16 channels each), and a main stereo audio
//   output that stays silent, as the VST 2.4 build's two outputs do.
// - Notes and polyphonic pressure arrive as events. Controllers, channel pressure and pitch
//   bend arrive as hidden parameters the host maps MIDI onto; they reach the core as the
//   MIDI messages they stand for, in block order with the events, and everything the core
//   sends goes out as note events or legacy MIDI controller events.
// - The transport comes from the process context.
// - The component state is the state block; the controller has no state of its own.
//
// Threads, as VST 3 gives them: creation, initialize, buses, activation, state, parameters and
// the view (view.h) on the main (UI) thread; setProcessing and process on the audio thread, which
// allocates nothing, takes no lock and does no I/O.
#pragma once

#include "core/editor_life.h"
#include "core/plugin.h"
#include "engine/plugin_services.h"
#include "formats/vst3/events.h"
#include "formats/vst3/vst3_abi.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace tonvo::vst3 {

// The processor class of the factory, under the maker's own identifier.
inline constexpr Uid kComponentCid = make_uid(0x2F6C8A31, 0x9B0E4D57, 0xA3C41E72, 0x5D08B694);

class Instance final : private core::HostLink {
public:
    // The editor's form for a window's desktop, as the shipped library makes it.
    using FormFactory = core::EditorLife::FormFactory;

    Instance(PluginServices& services, FormFactory form_factory);
    ~Instance();
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    // The interface `iid` of this object with a reference added, or kNoInterface.
    tresult query(const char* iid, void** obj) noexcept;
    uint32_t add_ref() noexcept;
    // Deletes the object when the last reference goes.
    uint32_t release() noexcept;

    // IPluginBase (main thread). A second initialize (as the controller) changes nothing.
    tresult initialize(FUnknown* context);
    tresult terminate() noexcept;

    // IComponent (main thread).
    int32_t bus_count(int32_t type, int32_t dir) const noexcept;
    tresult bus_info(int32_t type, int32_t dir, int32_t index, BusInfo& bus) const noexcept;
    tresult set_active(bool active) noexcept;
    tresult save(IBStream& stream);
    tresult load(IBStream& stream);

    // IAudioProcessor.
    tresult set_arrangements(const SpeakerArrangement* inputs, int32_t inputs_count,
                             const SpeakerArrangement* outputs, int32_t outputs_count) noexcept;
    tresult process(ProcessData& data) noexcept;

    // IEditController and IMidiMapping (main thread).
    tresult parameter_info(int32_t index, ParameterInfo& info) const noexcept;
    ParamValue parameter(ParamID id) const noexcept;
    tresult set_parameter(ParamID id, ParamValue value) noexcept;
    tresult set_handler(IComponentHandler* handler) noexcept;
    // A new editor view with one reference, the caller's; null without an editor form.
    IPlugView* create_view(FIDString name);
    bool take_editor_update() noexcept { return editor_update_.exchange(false); }

    core::Plugin& plugin() noexcept { return plugin_; }

    // One interface of the object: its table, and the way back to the object.
    struct Face {
        const void* lpVtbl;
        Instance* owner;
    };

private:
    // The block's events and hidden-parameter points, merged by time, to the core.
    void take_input(ProcessData& data) noexcept;
    // The output queue as events at non-decreasing times inside the block, then cleared.
    void deliver(IEventList* out, int32_t frames) noexcept;

    // core::HostLink. VST 3's parameters here are MIDI only, so a control change drives none.
    void control_parameter(int32_t, uint8_t) noexcept override {}
    void editor_needs_update() noexcept override { editor_update_.store(true); }
    void state_changed() override;
    void parameters_reset() override {}
    void report_failure(const char* where, const char* message) noexcept override;

    Face component_;
    Face processor_;
    Face controller_;
    Face midi_mapping_;
    std::atomic<uint32_t> references_{1};
    core::Plugin plugin_;
    FormFactory form_factory_;
    bool initialized_ = false;
    IComponentHandler* handler_ = nullptr;
    IComponentHandler2* handler2_ = nullptr;
    // The hidden parameters' last values, as the controller reports them.
    std::array<ParamValue, kMidiParameterCount> parameters_{};
    std::atomic<bool> editor_update_{false};
};

} // namespace tonvo::vst3
