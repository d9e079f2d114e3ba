// The preset commands the editor's menu runs: Save Preset, Load Preset and Init, the names
// they give files, and the listing the preset browser shows. A preset file holds exactly the
// state block the host receives.
//
// Saving never destroys what was there: the file is written under a temporary name and then
// replaces the old one. A failed save leaves the preset name as it was; a failed load leaves
// the state and the preset name as they were.
//
// Thread contract: user-interface thread.
#pragma once

#include "engine/plugin_base.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tonvo {

inline constexpr std::string_view kPresetExtension = ".brelwickp";

// Leading and trailing characters with codes 0 to 32 removed.
std::string trim_name(std::string_view text);
// Each of \ / : * ? " < > | becomes "_".
std::string MakeValidFileName(std::string_view text);
// The file name without its last extension ("a.b.brelwickp" gives "a.b"), as UTF-8.
std::string FileBaseName(const std::filesystem::path& path);
// Why a cleaned name cannot be a preset's, or empty when it can: one that begins with a dot
// would be hidden from the listing or name no ordinary file at all, and a device name of
// Windows ("CON", "lpt1.x") names a device there; both are refused on every system, so a
// preset moves between them.
std::string preset_name_problem(std::string_view name);
// False for an empty name and for one with a preset_name_problem.
bool is_usable_preset_name(std::string_view name);

class PresetCommands {
public:
    explicit PresetCommands(TVSTPluginBase& module) : module_(module) {}

    // Asks for a name (pre-filled with the current one) and writes the state under it.
    void SavePreset();
    // Lets the user pick a preset in the browser and loads it; true when one was loaded.
    bool LoadPreset();
    // After a Yes to "Initialize preset?": the init preset, or the default state.
    void Init();
    // The preset files the browser lists: regular "*.brelwickp" files, sorted without regard
    // to letter case.
    std::vector<std::filesystem::path> ListPresets() const;

private:
    // Files of the preset folder that the file system may take for this name: equal but for
    // letter case, hidden and system files included.
    std::vector<std::filesystem::path> FilesNamed(const std::string& name) const;
    void WritePreset(const std::string& name, const std::vector<std::filesystem::path>& replaced);

    TVSTPluginBase& module_;
};

} // namespace tonvo
