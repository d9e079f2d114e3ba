// The plug-in's base module: what every module of this maker shares. It makes no sound; it
// keeps the current preset name, the plug-in version and user guide name, and carries the
// default handlers the configuration binds by name through its handler table. A derived
// module replaces a handler by overriding it and calls the base one itself.
//
// It owns the format-neutral plug-in (core::Plugin: the MIDI handling, the note map, the CC
// routing, the highlight gate, the previews, the output queue the module delivers, the state
// and its block body, the preset name, the data and preset folders) and is its link to the
// VST 2.4 host (core::HostLink). The settings are the core's too. The members the plug-in's
// callers know by name stay here and forward to the core.
#pragma once

#include "core/plugin.h"
#include "engine/dialogs.h"
#include "engine/parameter_values.h"
#include "engine/plugin_editor.h"
#include "engine/plugin_services.h"
#include "engine/plugin_settings.h"
#include "engine/state_body.h"
#include "formats/vst2/vst_module.h"

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace tonvo {

class TVSTPluginBase : public TVSTModule, private core::HostLink {
    // First, so that the settings' names below can refer into the core.
    PluginServices& services_;
    core::Plugin core_;

public:
    explicit TVSTPluginBase(PluginServices& services = PluginServices::Defaults())
        : services_(services), core_(*this, services) {
        UseOutputQueue(core_.output());
    }
    // The editor form goes while the highlight gate still exists.
    ~TVSTPluginBase() override { DestroyEditorForm(); }

    PluginServices& Services() const noexcept { return services_; }
    // The plug-in itself; the module's events and processing calls forward to it.
    core::Plugin& plugin_core() noexcept { return core_; }
    const core::Plugin& plugin_core() const noexcept { return core_; }

    // The data and preset folders, formed at creation, and the preset file of a name (see
    // PresetFolders).
    const std::filesystem::path& DataFolder() const noexcept {
        return core_.folders().DataFolder();
    }
    const std::filesystem::path& PresetFolder() const noexcept {
        return core_.folders().PresetFolder();
    }
    std::filesystem::path PresetFile(const std::string& name) const {
        return core_.folders().PresetFile(name);
    }

    // Settings: skin index and lowest octave, read once at creation, written on each change
    // (see PluginSettings), kept by the core under their names here. User-interface thread.
    int32_t& Style = core_.settings().Style;
    int32_t& LowestOctave = core_.settings().LowestOctave;
    static inline std::atomic<int8_t>& ProcessLowestOctave = PluginSettings::ProcessLowestOctave;
    // Reads both values (defaults 0 and -2; the octave clamped to -2..0).
    void LoadSettings();
    // Writes both values; fails with the store's message.
    void SaveSettings();
    void SetSkin(int32_t index);
    void SetLowestOctave(int32_t value);

    // The state of the init preset when one exists (its name cleared, the host told), else
    // the default state. Fails, leaving the state alone, when the init file exists but cannot
    // be read or its header is wrong.
    void LoadInitPreset();

    TVSTParameterValues& ParameterValues() noexcept { return core_.parameter_values(); }
    // Every value back to its default, each announced to the host.
    void ResetParameterValues() { core_.reset_parameter_values(); }
    // A copy taken under the name's lock: a host restoring state on a worker thread may set a
    // new name while the editor's thread reads it.
    std::string PresetName() const { return core_.preset_name(); }
    // The only way the preset name changes, so the editor can follow it: on the editor's
    // thread the open editor hears of it at once; from any other thread (a host restoring
    // state on a worker) the form is not touched and the next idle call tells it.
    void SetPresetName(std::string name) { core_.set_preset_name(std::move(name)); }
    std::string PluginVersion;
    std::string UserGuideFileName;

    // Back to the default state: default note map, no preset name, parameter values at their
    // defaults, no CC assignments. The held notes are not touched.
    virtual void ResetState() { core_.reset_state(); }

    TMidiCCList MidiCC() const { return core_.cc_routing().Assignments(); }
    // User-interface thread; the audio thread sees the new assignments from its next event.
    void SetMidiCC(const std::vector<TMidiCCItem>& assignments);

    // The dialog seam; the module does not own it. User-interface thread.
    void SetDialogs(DialogSeam& dialogs) noexcept { dialogs_ = &dialogs; }
    DialogSeam& Dialogs() const noexcept { return *dialogs_; }

    // Writes the state block's body into the stream after emptying it. On failure shows the
    // "Save Preset" box and answers false.
    bool WriteStateBlock(MemoryStream& body);
    // Reads a whole body into a fresh value, then puts it in place of the current state in one
    // step. On failure shows the "Load Preset" box, changes nothing and answers false. With
    // checkPresetFile, a preset name whose file is not in the preset folder is dropped.
    bool ReadStateBlock(MemoryStream& body, bool checkPresetFile);
    // The state as it stands now, with PluginVersion as its version.
    virtual PluginState CurrentState() const;
    // Whether the preset folder holds a preset of that name.
    virtual bool PresetFileExists(const std::string& name) const {
        return core_.folders().Exists(name);
    }

    // Tells the host the state changed through the plug-in itself: parameter 0 is set to its
    // own value, which the host sees as an automated change.
    void NotifyStateChanged();

    // Editor seam. User-interface thread: attach when the editor form exists, detach before it
    // is destroyed.
    void AttachEditorHighlights(EditorHighlights* editor) noexcept {
        core_.highlights().Attach(editor);
    }
    void DetachEditorHighlights() noexcept { core_.highlights().Detach(); }
    HighlightGate& Highlights() noexcept { return core_.highlights(); }

    // The hooks of the editor form shown now, or null. User-interface thread.
    EditorHooks* PluginEditor() const noexcept {
        const ModuleEditor* editor = EditorForm();
        return editor != nullptr ? editor->hooks() : nullptr;
    }

    // Selects the user-interface style of the current skin; run before every editor opening.
    // Empty here: the module that has an editor knows the styles.
    virtual void ApplySkin() {}

    // Handlers bound by name.
    virtual void VSTModuleCreate();
    virtual void VSTModuleDestroy();
    virtual void VSTModuleEditIdle();
    virtual void VSTModuleEditGetSize(int16_t& width, int16_t& height);
    virtual intptr_t VSTModuleVendorSpecific(int32_t index, intptr_t value, void* ptr, float opt);
    virtual float VSTModuleGetChunkParameter(int32_t index);
    // Fills output channels 0 and 1 with silence. Audio thread.
    virtual void VSTModuleProcess32Replacing(float** inputs, float** outputs,
                                             uint32_t frames) noexcept;
    // Control changes drive the parameters assigned to their controller number; the event goes
    // on to the derived module's handler unchanged. Audio thread.
    virtual void VSTModuleProcessMidi(VstMidiEvent& event) noexcept {
        if ((static_cast<uint8_t>(event.midiData[0]) & 0xF0) == 0xB0) {
            core_.route_control_change(static_cast<uint8_t>(event.midiData[1] & 0x7F),
                                       static_cast<uint8_t>(event.midiData[2] & 0x7F));
        }
    }
    // The module chain's audio events, reaching the handlers above by direct calls. Audio
    // thread.
    void OnProcessMidi(VstMidiEvent& event) noexcept override { VSTModuleProcessMidi(event); }
    void OnProcess32Replacing(float** inputs, float** outputs, uint32_t frames) noexcept override {
        VSTModuleProcess32Replacing(inputs, outputs, frames);
    }
    virtual void VSTPluginBasePrograms0StoreChunk(TVstProgram& program, int32_t index,
                                                  bool isPreset);
    virtual void VSTPluginBasePrograms0LoadChunk(TVstProgram& program, int32_t index,
                                                 bool isPreset);

protected:
    // Further values in the settings key, for a derived plug-in; empty here.
    virtual void ReadCustomSettings(SettingsStore&) {}
    virtual void WriteCustomSettings(SettingsStore&) {}
    // Run once at creation after the settings are read; empty here.
    virtual void CreationHook() {}

    // The plug-in section of the state block: empty here; a derived module writes its own.
    virtual void WritePluginState(ValueWriter& writer, const PluginState& state);
    virtual void ReadPluginState(ValueReader& reader, const std::string& version,
                                 PluginState& into);
    // Replaces the current state with a completely read one (core::Plugin::apply_state); what
    // the block did not carry takes its default, as after ResetState, without passing through
    // the default state.
    virtual void ApplyState(const PluginState& state) { core_.apply_state(state); }

    std::vector<ModuleDescription> Descriptions() const override;
    std::span<const HandlerBinding> HandlerTable() const override;

    // The editor's life as the plug-in sees it: the skin before opening, the highlights once
    // the form is shown, and no highlight after it. An opening may replace a form still shown
    // (the host opened again in another window), so no highlight reaches the editor until it
    // is shown again; the editor's life itself (core::EditorLife) never touches the gate.
    void BeforeEditOpen() override {
        DetachEditorHighlights();
        ApplySkin();
    }
    void AfterEditOpen() override;
    void BeforeEditorFormDestroyed() noexcept override;

private:
    // The "Load Preset" box for a state block that could not be read.
    void show_load_failure(const std::exception& failure);

    // core::HostLink. A control change sets the assigned parameter: v = 0 gives the minimum,
    // v = 127 the minimum plus the sizes of both ends. Audio thread.
    void control_parameter(int32_t index, uint8_t value) noexcept override;
    void editor_needs_update() noexcept override { SetEditorNeedUpdate(); }
    void state_changed() override { NotifyStateChanged(); }
    // Each parameter is set to its own value, so the host hears of the reset one.
    void parameters_reset() override;
    void report_failure(const char* where, const char* message) noexcept override {
        ReportException(where, message);
    }

    DialogSeam* dialogs_ = &DialogSeam::Silent();
};

} // namespace tonvo
