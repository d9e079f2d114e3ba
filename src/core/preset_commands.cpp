#include "core/preset_commands.h"

#include "base/case_fold.h"
#include "base/utf.h"
#include "platform/files.h"
#include "presets/preset_files.h"

#include <stdexcept>

namespace tonvo::core {

namespace {
constexpr size_t kMaxNameLength = 50;
} // namespace

std::vector<std::filesystem::path> PresetCommands::ListPresets() const {
    if (plugin_.folders().PresetFolder().empty()) {
        return {};
    }
    return platform::list_files(plugin_.folders().PresetFolder(), std::string(kPresetExtension));
}

// Names compare as the platform's file names do, whatever the script, so "é" finds "É". Hidden
// and system files count although the listing leaves them out: writing would replace them.
std::vector<std::filesystem::path> PresetCommands::FilesNamed(const std::string& name) const {
    std::vector<std::filesystem::path> found;
    if (plugin_.folders().PresetFolder().empty()) {
        return found;
    }
    const std::string wanted = name + std::string(kPresetExtension);
    std::error_code ec;
    for (std::filesystem::directory_iterator it(plugin_.folders().PresetFolder(), ec), end;
         !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (!it->is_directory(typeError) &&
            base::equal_ignoring_case(base::path_to_utf8(it->path().filename()), wanted)) {
            found.push_back(it->path());
        }
    }
    return found;
}

void PresetCommands::SavePreset() {
    DialogSeam& dialogs = dialogs_;
    const std::optional<std::string> typed =
        dialogs.InputText("Save Preset", "Name", plugin_.preset_name(), kMaxNameLength);
    if (!typed) {
        return;
    }
    try {
        const std::string name = MakeValidFileName(trim_name(*typed));
        if (name.empty()) {
            // Saving under no name takes the name off the current state.
            if (!plugin_.preset_name().empty()) {
                plugin_.set_preset_name({});
                plugin_.notify_state_changed();
            }
            return;
        }
        if (const std::string problem = preset_name_problem(name); !problem.empty()) {
            throw std::runtime_error("Invalid preset name: \"" + name + "\" " + problem);
        }
        if (plugin_.folders().PresetFolder().empty()) {
            throw std::runtime_error("The user's documents folder is unknown");
        }
        // The direct test also catches what the system alone resolves (a short 8.3 name).
        const std::vector<std::filesystem::path> existing = FilesNamed(name);
        const std::filesystem::path path = plugin_.folders().PresetFile(name);
        // Only a Yes replaces a file: a question closed without an answer keeps it.
        if ((!existing.empty() || (!path.empty() && platform::SafeFileExists(path))) &&
            dialogs.Ask("Preset Exists", "Overwrite existing preset?") != DialogAnswer::Yes) {
            return;
        }
        WritePreset(name, existing);
    } catch (const std::exception& failure) {
        dialogs.Warning("Save Preset",
                        failure_text("Error saving preset to file.", failure.what()));
    }
}

// The name is set before writing so the stored block carries it, and given back when no file
// was written: the state must not carry the name of a preset that does not exist. A confirmed
// overwrite of a name spelled in another letter case leaves one file, spelled as typed.
void PresetCommands::WritePreset(const std::string& name,
                                 const std::vector<std::filesystem::path>& replaced) {
    const std::filesystem::path path = plugin_.folders().PresetFile(name);
    if (path.empty()) {
        throw std::runtime_error("Invalid preset name: \"" + name + "\"");
    }
    const std::string previous = plugin_.preset_name();
    plugin_.set_preset_name(name);
    try {
        TMemoryStreamChunk wrapper;
        if (!write_state_block(wrapper.Payload())) {
            plugin_.set_preset_name(previous);
            return;
        }
        MemoryStream file;
        wrapper.SaveToStream(file);
        platform::create_folders(plugin_.folders().PresetFolder());
        platform::write_file_replacing(path, {file.Bytes().begin(), file.Bytes().end()});
    } catch (...) {
        plugin_.set_preset_name(previous);
        throw;
    }
    for (const std::filesystem::path& old : replaced) {
        if (old.filename() == path.filename()) {
            continue;
        }
        std::error_code notFound;
        // A link is only another name: respelling it would put the link in the file's place.
        const bool link =
            std::filesystem::is_symlink(std::filesystem::symlink_status(old, notFound));
        if (!link && std::filesystem::equivalent(old, path, notFound)) {
            // A file system that ignores letter case replaced the old file in place; respell it
            // as typed.
            platform::respell_file(old, path);
        } else {
            platform::remove_file(old);
        }
    }
    plugin_.notify_state_changed();
}

bool PresetCommands::LoadPreset() {
    DialogSeam& dialogs = dialogs_;
    const std::optional<std::filesystem::path> chosen =
        dialogs.BrowsePresets(plugin_.folders().PresetFolder(), plugin_.preset_name());
    if (!chosen) {
        // The user may have deleted the current preset in the browser.
        if (!plugin_.preset_name().empty() && !plugin_.folders().Exists(plugin_.preset_name())) {
            plugin_.set_preset_name({});
        }
        return false;
    }
    TMemoryStreamChunk wrapper;
    try {
        const std::vector<uint8_t> bytes = platform::read_file_bytes(*chosen, kMaxPresetFileBytes);
        MemoryStream file;
        file.Write(bytes.data(), bytes.size());
        file.SetPosition(0);
        wrapper.LoadFromStream(file);
    } catch (const std::exception& failure) {
        dialogs.Warning("Load Preset",
                        failure_text("Error loading preset from file.", failure.what()));
        plugin_.reset_parameter_values();
        return false;
    }
    wrapper.Payload().SetPosition(0);
    if (!read_state_block(wrapper.Payload())) {
        return false;
    }
    plugin_.set_preset_name(FileBaseName(*chosen));
    return true;
}

bool PresetCommands::write_state_block(MemoryStream& body) {
    try {
        Plugin::write_state(body, plugin_.current_state());
        return true;
    } catch (const std::exception& failure) {
        dialogs_.Warning("Save Preset", failure_text("Error saving preset.", failure.what()));
        return false;
    }
}

void PresetCommands::show_load_failure(const std::exception& failure) {
    dialogs_.Warning("Load Preset", failure_text("Error loading preset.", failure.what()));
}

// The body is read whole before anything changes; the editor follows at its next idle call.
bool PresetCommands::read_state_block(MemoryStream& body) {
    PluginState state;
    try {
        state = plugin_.parse_state(body);
    } catch (const std::exception& failure) {
        show_load_failure(failure);
        return false;
    }
    plugin_.apply_state(state);
    plugin_.request_editor_update();
    return true;
}

void PresetCommands::Init() {
    try {
        plugin_.load_init_preset(
            {}, [this](const std::exception& failure) { show_load_failure(failure); });
    } catch (const std::exception& failure) {
        dialogs_.Warning("Init", failure.what());
    }
}

} // namespace tonvo::core
