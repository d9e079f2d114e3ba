// core::Plugin's state: the state body in and out, the default state, the init preset, the
// preset name and the settings.
#include "core/identity.h"
#include "core/plugin.h"
#include "engine/errors.h"
#include "engine/state_body.h"

#include <exception>
#include <memory>

namespace tonvo::core {

PluginState Plugin::current_state() const {
    PluginState state;
    state.Version = version_;
    state.PresetName = preset_name();
    state.CCAssignments = cc_routing_.Assignments().Items();
    NoteMapState map;
    ScaleChoice choice = scale_map_.Choice();
    map.ScaleName = std::move(choice.ScaleName);
    map.Tonic = choice.Tonic;
    map.EasyMode = choice.EasyMode;
    for (int32_t i = 0; i < TScaleMap::kEntries; ++i) {
        map.Entries[static_cast<size_t>(i)] = scale_map_.GetScaleMap(i);
    }
    state.NoteMap = map;
    return state;
}

void Plugin::write_state(MemoryStream& body, const PluginState& state,
                         const SectionWriter& section) {
    write_state_body(body, state, [&](ValueWriter& writer) {
        if (section) {
            section(writer, state);
        } else {
            write_note_map_section(writer, state.NoteMap.value_or(NoteMapState{}));
        }
    });
}

std::vector<uint8_t> Plugin::state_bytes() const {
    MemoryStream body;
    write_state(body, current_state());
    return {body.Bytes().begin(), body.Bytes().end()};
}

// The version of the block does not change how the note map reads.
PluginState Plugin::parse_state(MemoryStream& body, const SectionReader& section) const {
    return read_state_body(body, [&](ValueReader& reader, PluginState& into) {
        if (section) {
            section(reader, into.Version, into);
        } else {
            into.NoteMap = read_note_map_section(reader);
        }
    });
}

void Plugin::set_state_bytes(std::span<const uint8_t> bytes, bool check_preset_file) {
    MemoryStream body;
    body.Write(bytes.data(), bytes.size());
    body.SetPosition(0);
    apply_state(parse_state(body));
    if (check_preset_file) {
        forget_missing_preset();
    }
    link_.editor_needs_update();
}

std::vector<uint8_t> Plugin::state_block() const {
    TMemoryStreamChunk wrapper;
    write_state(wrapper.Payload(), current_state());
    MemoryStream block;
    wrapper.SaveToStream(block);
    return {block.Bytes().begin(), block.Bytes().end()};
}

// The container is read whole before the body: a block cut short, or one with bytes after
// its container, is refused before anything changed.
void Plugin::set_state_block(std::span<const uint8_t> block) {
    if (block.size() > kMaxStateBlockBytes) {
        throw EFormatError("Invalid stream format");
    }
    MemoryStream in;
    in.Write(block.data(), block.size());
    in.SetPosition(0);
    TMemoryStreamChunk wrapper;
    wrapper.LoadFromStream(in);
    if (in.Position() != in.Size()) {
        throw EFormatError("Invalid stream format");
    }
    wrapper.Payload().SetPosition(0);
    apply_state(parse_state(wrapper.Payload()));
    forget_missing_preset();
    link_.editor_needs_update();
}

void Plugin::start() {
    set_version(std::string(kShownVersion));
    set_names(std::string(kProductName), std::string(kUserGuideFileName));
    folders_.Form(services_.DocumentsFolder(), product_name_);
    try {
        load_settings(product_name_);
    } catch (const std::exception& failure) {
        settings_.ResetToDefaults();
        link_.report_failure("start", failure.what());
    }
    try {
        load_init_preset(
            {},
            [this](const std::exception& failure) {
                link_.report_failure("start", failure.what());
            },
            false);
    } catch (const std::exception& failure) {
        reset_state();
        link_.report_failure("start", failure.what());
    }
}

// Each map entry goes straight from its old value to its new one: the audio thread never maps
// through the default map on the way.
void Plugin::apply_state(const PluginState& state) {
    if (state.NoteMap) {
        for (int32_t i = 0; i < TScaleMap::kEntries; ++i) {
            scale_map_.SetScaleMap(i, state.NoteMap->Entries[static_cast<size_t>(i)]);
        }
        scale_map_.SetChoice(
            {state.NoteMap->ScaleName, state.NoteMap->Tonic, state.NoteMap->EasyMode});
    }
    set_preset_name(state.PresetName);
    reset_parameter_values();
    cc_routing_.SetAssignments(state.CCAssignments.value_or(std::vector<TMidiCCItem>{}),
                               parameter_values_);
}

void Plugin::reset_parameter_values() {
    for (int32_t i = 0; i < parameter_values_.Count(); ++i) {
        TVSTParameterValue& entry = parameter_values_.Item(i);
        entry.CurrentValue.store(entry.DefaultValue);
    }
    link_.parameters_reset();
}

void Plugin::forget_missing_preset() {
    const std::string name = preset_name();
    if (!name.empty() && !folders_.Exists(name)) {
        set_preset_name({});
    }
}

void Plugin::reset_state() {
    scale_map_.ResetMap();
    set_preset_name({});
    reset_parameter_values();
    cc_routing_.Clear(parameter_values_);
}

void Plugin::load_init_preset(const SectionReader& section,
                              const std::function<void(const std::exception&)>& bad_body,
                              bool tell_host) {
    TMemoryStreamChunk wrapper;
    if (!folders_.ReadPreset("init", wrapper)) {
        reset_state();
        return;
    }
    PluginState state;
    try {
        state = parse_state(wrapper.Payload(), section);
    } catch (const std::exception& failure) {
        reset_state();
        if (!bad_body) {
            throw;
        }
        bad_body(failure);
        return;
    }
    apply_state(state);
    set_preset_name({});
    link_.editor_needs_update();
    if (tell_host) {
        link_.state_changed();
    }
}

void Plugin::load_settings(const std::string& product_name, const SettingsHook& read_more) {
    std::unique_ptr<SettingsStore> store =
        services_.OpenSettings(PluginSettings::KeyPath(product_name));
    settings_.ReadFrom(*store);
    if (read_more) {
        read_more(*store);
    }
    settings_.FinishRead();
}

void Plugin::save_settings(const std::string& product_name, const SettingsHook& write_more) const {
    std::unique_ptr<SettingsStore> store =
        services_.OpenSettings(PluginSettings::KeyPath(product_name));
    settings_.WriteTo(*store);
    if (write_more) {
        write_more(*store);
    }
}

std::string Plugin::preset_name() const {
    const std::lock_guard<std::mutex> lock(preset_name_lock_);
    return preset_name_;
}

void Plugin::set_preset_name(std::string name) {
    {
        const std::lock_guard<std::mutex> lock(preset_name_lock_);
        preset_name_.swap(name);
    }
    // Only the editor's thread looks at the editor pointer. With no editor open there is
    // nothing to tell: an editor shows the name when it opens.
    const std::thread::id editor_thread = editor_thread_.load();
    if (editor_thread == std::thread::id{}) {
        return;
    }
    if (EditorHooks* editor = editor_thread == std::this_thread::get_id() ? editor_ : nullptr;
        editor != nullptr) {
        // The name is part of a state being put in place; a failing editor must not leave that
        // half done.
        try {
            editor->UpdatePresetName();
        } catch (const std::exception& failure) {
            link_.report_failure("UpdatePresetName", failure.what());
        } catch (...) {
            link_.report_failure("UpdatePresetName", "a failure that is not a standard exception");
        }
    } else {
        preset_name_pending_.store(true);
        link_.editor_needs_update();
    }
}

// A name set on another thread while the editor was being shown is caught by its first idle
// call.
void Plugin::attach_editor(EditorHooks* editor) noexcept {
    editor_ = editor;
    editor_thread_.store(std::this_thread::get_id());
    highlights_.Attach(editor);
    preset_name_pending_.store(true);
    link_.editor_needs_update();
}

void Plugin::detach_editor() noexcept {
    highlights_.Detach();
    editor_thread_.store(std::thread::id{});
    editor_ = nullptr;
}

} // namespace tonvo::core
