#include "formats/vst2/plugin_base.h"

#include <algorithm>
#include <cmath>

namespace tonvo {

namespace {
constexpr intptr_t kMouseWheelNotice = 0x57686565; // "Whee"
} // namespace

std::vector<ModuleDescription> TVSTPluginBase::Descriptions() const {
    ModuleDescription base;
    base.EffectName = "My Plugin";
    base.ProductName = "My Product";
    base.Handlers = {
        {"OnCreate", "VSTModuleCreate"},
        {"OnDestroy", "VSTModuleDestroy"},
        {"OnEditIdle", "VSTModuleEditIdle"},
        {"OnEditGetSize", "VSTModuleEditGetSize"},
        {"OnVendorSpecific", "VSTModuleVendorSpecific"},
        {"OnGetChunkParameter", "VSTModuleGetChunkParameter"},
        {"OnProcess32Replacing", "VSTModuleProcess32Replacing"},
        {"OnProcessMidi", "VSTModuleProcessMidi"},
    };
    return {base};
}

// Every handler this module family offers, by the name descriptions give it. The handlers
// are virtual, so each event reaches the most derived override; the audio events are the
// module chain's own virtual methods (OnProcessMidi, OnProcess32Replacing above).
std::span<const HandlerBinding> TVSTPluginBase::HandlerTable() const {
    using Self = TVSTPluginBase;
    static constexpr HandlerBinding kHandlers[] = {
        module_handler<&Self::OnCreate, &Self::VSTModuleCreate>("OnCreate", "VSTModuleCreate"),
        module_handler<&Self::OnDestroy, &Self::VSTModuleDestroy>("OnDestroy", "VSTModuleDestroy"),
        module_handler<&Self::OnEditIdle, &Self::VSTModuleEditIdle>("OnEditIdle",
                                                                    "VSTModuleEditIdle"),
        module_handler<&Self::OnEditGetSize, &Self::VSTModuleEditGetSize>("OnEditGetSize",
                                                                          "VSTModuleEditGetSize"),
        module_handler<&Self::OnVendorSpecific, &Self::VSTModuleVendorSpecific>(
            "OnVendorSpecific", "VSTModuleVendorSpecific"),
        module_handler<&Self::OnGetChunkParameter, &Self::VSTModuleGetChunkParameter>(
            "OnGetChunkParameter", "VSTModuleGetChunkParameter"),
        method_handler("OnProcess32Replacing", "VSTModuleProcess32Replacing"),
        method_handler("OnProcessMidi", "VSTModuleProcessMidi"),
        program_handler<&TVstProgram::OnStoreChunk, &Self::VSTPluginBasePrograms0StoreChunk>(
            "OnStoreChunk", "VSTPluginBasePrograms0StoreChunk"),
        program_handler<&TVstProgram::OnLoadChunk, &Self::VSTPluginBasePrograms0LoadChunk>(
            "OnLoadChunk", "VSTPluginBasePrograms0LoadChunk"),
    };
    return kHandlers;
}

void TVSTPluginBase::AfterEditOpen() {
    if (EditorHooks* editor = PluginEditor()) {
        core_.attach_editor(editor);
    }
}

void TVSTPluginBase::BeforeEditorFormDestroyed() noexcept {
    core_.detach_editor();
}

void TVSTPluginBase::LoadSettings() {
    core_.load_settings(ProductName(), [this](SettingsStore& store) { ReadCustomSettings(store); });
}

void TVSTPluginBase::SaveSettings() {
    core_.save_settings(ProductName(),
                        [this](SettingsStore& store) { WriteCustomSettings(store); });
}

void TVSTPluginBase::SetSkin(int32_t index) {
    if (core_.settings().ChangeSkin(index)) {
        SaveSettings();
    }
}

void TVSTPluginBase::SetLowestOctave(int32_t value) {
    if (core_.settings().ChangeLowestOctave(value)) {
        SaveSettings();
    }
}

// A block the init file holds that cannot be read shows the "Load Preset" box and leaves the
// default state.
void TVSTPluginBase::LoadInitPreset() {
    core_.load_init_preset([this](ValueReader& reader, const std::string& version,
                                  PluginState& into) { ReadPluginState(reader, version, into); },
                           [this](const std::exception& failure) { show_load_failure(failure); });
}

void TVSTPluginBase::parameters_reset() {
    const int32_t count = std::min(core_.parameter_values().Count(), ParameterCount());
    for (int32_t i = 0; i < count; ++i) {
        SetParameter(i, GetParameter(i));
    }
}

void TVSTPluginBase::SetMidiCC(const std::vector<TMidiCCItem>& assignments) {
    core_.cc_routing().SetAssignments(assignments, core_.parameter_values());
}

void TVSTPluginBase::control_parameter(int32_t index, uint8_t value) noexcept {
    if (index >= ParameterCount()) {
        return;
    }
    try {
        const TCustomVstParameterProperty& property = ParameterProperty(index);
        const long double min = property.Min;
        const long double max = property.Max;
        const long double scaled = min + (std::fabs(min) + std::fabs(max)) * value / 127.0L;
        SetParameter(index, static_cast<float>(scaled));
    } catch (...) {
        // A parameter handler failed; the other assignments still apply.
        ReportCurrentException("OnProcessMidi");
    }
}

PluginState TVSTPluginBase::CurrentState() const {
    PluginState state = core_.current_state();
    state.Version = PluginVersion;
    return state;
}

void TVSTPluginBase::WritePluginState(ValueWriter& writer, const PluginState&) {
    writer.ListStart();
    writer.ListEnd();
}

void TVSTPluginBase::ReadPluginState(ValueReader& reader, const std::string&, PluginState&) {
    reader.ExpectListStart();
    reader.ExpectListEnd();
}

bool TVSTPluginBase::WriteStateBlock(MemoryStream& body) {
    try {
        const PluginState state = CurrentState();
        core::Plugin::write_state(body, state,
                                  [this](ValueWriter& writer, const PluginState& written) {
                                      WritePluginState(writer, written);
                                  });
        return true;
    } catch (const std::exception& failure) {
        Dialogs().Warning("Save Preset", failure_text("Error saving preset.", failure.what()));
        return false;
    }
}

void TVSTPluginBase::show_load_failure(const std::exception& failure) {
    Dialogs().Warning("Load Preset", failure_text("Error loading preset.", failure.what()));
}

bool TVSTPluginBase::ReadStateBlock(MemoryStream& body, bool checkPresetFile) {
    PluginState state;
    try {
        state = core_.parse_state(
            body, [this](ValueReader& reader, const std::string& version, PluginState& into) {
                ReadPluginState(reader, version, into);
            });
    } catch (const std::exception& failure) {
        show_load_failure(failure);
        return false;
    }
    ApplyState(state);
    if (checkPresetFile && !PresetName().empty() && !PresetFileExists(PresetName())) {
        SetPresetName({});
    }
    SetEditorNeedUpdate();
    return true;
}

void TVSTPluginBase::NotifyStateChanged() {
    if (ParameterCount() > 0) {
        SetParameter(0, GetParameter(0));
    }
}

// Creation: folders formed (not created), settings read, then the init preset or the default
// state. A failure of the settings or of the init file is reported and creation goes on with
// the defaults, so every instance starts in a known state.
void TVSTPluginBase::VSTModuleCreate() {
    core_.set_version(PluginVersion);
    core_.set_names(ProductName(), UserGuideFileName);
    core_.folders().Form(services_.DocumentsFolder(), ProductName());
    try {
        LoadSettings();
    } catch (const std::exception& failure) {
        core_.settings().ResetToDefaults();
        ReportException("OnCreate", failure.what());
    }
    CreationHook();
    try {
        LoadInitPreset();
    } catch (const std::exception& failure) {
        ResetState();
        ReportException("OnCreate", failure.what());
    }
}

void TVSTPluginBase::VSTModuleDestroy() {}

// Runs only on idle calls the editor-update flag let through: the highlights the audio thread
// could not hand over, the controls, then a preset name that changed away from the editor's
// thread.
void TVSTPluginBase::VSTModuleEditIdle() {
    core_.highlights().Resync();
    EditorHooks* editor = PluginEditor();
    if (editor == nullptr) {
        return;
    }
    editor->UpdateControls();
    // Asked again: the controls' update may have run a loop of the editor's inside which the
    // host closed it.
    editor = PluginEditor();
    if (editor != nullptr && core_.take_pending_preset_name()) {
        editor->UpdatePresetName();
    }
}

// With no editor open the values are left as passed, so the host gets the module's current
// editor rectangle.
void TVSTPluginBase::VSTModuleEditGetSize(int16_t& width, int16_t& height) {
    if (const ModuleEditor* editor = EditorForm()) {
        width = static_cast<int16_t>(std::clamp(editor->width(), 0, 32767));
        height = static_cast<int16_t>(std::clamp(editor->height(), 0, 32767));
    }
}

// The host's mouse-wheel notice ("Whee") is meant for an open editor, which focuses the control
// under the mouse so the wheel acts on it; every other request is ignored. Always 0.
intptr_t TVSTPluginBase::VSTModuleVendorSpecific(int32_t, intptr_t value, void*, float) {
    if (value == kMouseWheelNotice) {
        if (EditorHooks* editor = PluginEditor()) {
            editor->FocusControlUnderCursor();
        }
    }
    return 0;
}

float TVSTPluginBase::VSTModuleGetChunkParameter(int32_t index) {
    if (index < 0 || index >= core_.parameter_values().Count()) {
        return 0.0f;
    }
    return core_.parameter_values().Item(index).CurrentValue.load();
}

void TVSTPluginBase::VSTModuleProcess32Replacing(float** /*inputs*/, float** outputs,
                                                 uint32_t frames) noexcept {
    if (outputs == nullptr) {
        return;
    }
    const int32_t channels = std::min(effect_.numOutputs, 2);
    for (int32_t i = 0; i < channels; ++i) {
        if (outputs[i] != nullptr) {
            std::fill_n(outputs[i], frames, 0.0f);
        }
    }
}

// The host receives the state container: "mmst", the body's length, the body.
void TVSTPluginBase::VSTPluginBasePrograms0StoreChunk(TVstProgram& program, int32_t, bool) {
    TMemoryStreamChunk wrapper;
    if (!WriteStateBlock(wrapper.Payload())) {
        throw EVstError("The plug-in state could not be written");
    }
    program.Chunk.Clear();
    wrapper.SaveToStream(program.Chunk);
}

// A container with a wrong name or a short body fails here, before anything changed.
void TVSTPluginBase::VSTPluginBasePrograms0LoadChunk(TVstProgram& program, int32_t, bool) {
    if (program.Chunk.Size() <= 8) {
        return;
    }
    ResetParameterValues();
    program.Chunk.SetPosition(0);
    TMemoryStreamChunk wrapper;
    wrapper.LoadFromStream(program.Chunk);
    wrapper.Payload().SetPosition(0);
    if (!ReadStateBlock(wrapper.Payload(), true)) {
        ResetParameterValues();
        // The failure has been shown; the host learns of it too (its chunk call answers 0).
        throw EFormatError("The plug-in state could not be read");
    }
}

} // namespace tonvo
