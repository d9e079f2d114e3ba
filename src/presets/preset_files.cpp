#include "presets/preset_files.h"

#include "base/case_fold.h"
#include "base/file_names.h"
#include "base/utf.h"
#include "platform/files.h"

#include <stdexcept>

namespace tonvo {

namespace {

constexpr size_t kMaxNameLength = 50;
constexpr std::string_view kInvalidCharacters = "\\/:*?\"<>|";

} // namespace

std::string trim_name(std::string_view text) {
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return std::string(text);
}

std::string MakeValidFileName(std::string_view text) {
    std::string name(text);
    for (char& c : name) {
        if (kInvalidCharacters.find(c) != std::string_view::npos) {
            c = '_';
        }
    }
    return name;
}

std::string FileBaseName(const std::filesystem::path& path) {
    const std::string name = base::path_to_utf8(path.filename());
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string preset_name_problem(std::string_view name) {
    if (name.starts_with('.')) {
        return "begins with a dot";
    }
    if (base::is_reserved_device_name(name)) {
        return "is a device name on Windows";
    }
    return {};
}

bool is_usable_preset_name(std::string_view name) {
    return !name.empty() && preset_name_problem(name).empty();
}

std::vector<std::filesystem::path> PresetCommands::ListPresets() const {
    if (module_.PresetFolder().empty()) {
        return {};
    }
    return platform::list_files(module_.PresetFolder(), std::string(kPresetExtension));
}

// Names compare as the platform's file names do, whatever the script, so "é" finds "É". Hidden
// and system files count although the listing leaves them out: writing would replace them.
std::vector<std::filesystem::path> PresetCommands::FilesNamed(const std::string& name) const {
    std::vector<std::filesystem::path> found;
    if (module_.PresetFolder().empty()) {
        return found;
    }
    const std::string wanted = name + std::string(kPresetExtension);
    std::error_code ec;
    for (std::filesystem::directory_iterator it(module_.PresetFolder(), ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code typeError;
        if (!it->is_directory(typeError) &&
            base::equal_ignoring_case(base::path_to_utf8(it->path().filename()), wanted)) {
            found.push_back(it->path());
        }
    }
    return found;
}

void PresetCommands::SavePreset() {
    DialogSeam& dialogs = module_.Dialogs();
    const std::optional<std::string> typed =
        dialogs.InputText("Save Preset", "Name", module_.PresetName(), kMaxNameLength);
    if (!typed) {
        return;
    }
    try {
        const std::string name = MakeValidFileName(trim_name(*typed));
        if (name.empty()) {
            // Saving under no name takes the name off the current state.
            if (!module_.PresetName().empty()) {
                module_.SetPresetName({});
                module_.NotifyStateChanged();
            }
            return;
        }
        if (const std::string problem = preset_name_problem(name); !problem.empty()) {
            throw std::runtime_error("Invalid preset name: \"" + name + "\" " + problem);
        }
        if (module_.PresetFolder().empty()) {
            throw std::runtime_error("The user's documents folder is unknown");
        }
        // The direct test also catches what the system alone resolves (a short 8.3 name).
        const std::vector<std::filesystem::path> existing = FilesNamed(name);
        const std::filesystem::path path = module_.PresetFile(name);
        // Only a Yes replaces a file: a question closed without an answer keeps it.
        if ((!existing.empty() || (!path.empty() && platform::SafeFileExists(path))) &&
            dialogs.Ask("Preset Exists", "Overwrite existing preset?") != DialogAnswer::Yes) {
            return;
        }
        WritePreset(name, existing);
    } catch (const std::exception& failure) {
        dialogs.Warning("Save Preset", FailureText("Error saving preset to file.", failure.what()));
    }
}

// The name is set before writing so the stored block carries it, and given back when no file
// was written: the state must not carry the name of a preset that does not exist. A confirmed
// overwrite of a name spelled in another letter case leaves one file, spelled as typed.
void PresetCommands::WritePreset(const std::string& name,
                                 const std::vector<std::filesystem::path>& replaced) {
    const std::filesystem::path path = module_.PresetFile(name);
    if (path.empty()) {
        throw std::runtime_error("Invalid preset name: \"" + name + "\"");
    }
    const std::string previous = module_.PresetName();
    module_.SetPresetName(name);
    try {
        TMemoryStreamChunk wrapper;
        if (!module_.WriteStateBlock(wrapper.Payload())) {
            module_.SetPresetName(previous);
            return;
        }
        MemoryStream file;
        wrapper.SaveToStream(file);
        platform::create_folders(module_.PresetFolder());
        platform::write_file_replacing(path, {file.Bytes().begin(), file.Bytes().end()});
    } catch (...) {
        module_.SetPresetName(previous);
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
    module_.NotifyStateChanged();
}

bool PresetCommands::LoadPreset() {
    DialogSeam& dialogs = module_.Dialogs();
    const std::optional<std::filesystem::path> chosen =
        dialogs.BrowsePresets(module_.PresetFolder(), module_.PresetName());
    if (!chosen) {
        // The user may have deleted the current preset in the browser.
        if (!module_.PresetName().empty() && !module_.PresetFileExists(module_.PresetName())) {
            module_.SetPresetName({});
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
                        FailureText("Error loading preset from file.", failure.what()));
        module_.ResetParameterValues();
        return false;
    }
    wrapper.Payload().SetPosition(0);
    if (!module_.ReadStateBlock(wrapper.Payload(), false)) {
        return false;
    }
    module_.SetPresetName(FileBaseName(*chosen));
    return true;
}

void PresetCommands::Init() {
    try {
        module_.LoadInitPreset();
    } catch (const std::exception& failure) {
        module_.Dialogs().Warning("Init", failure.what());
    }
}

} // namespace tonvo
