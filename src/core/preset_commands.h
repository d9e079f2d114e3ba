// The preset commands the editor's menu runs: Save Preset, Load Preset and Init, and the
// listing the preset browser shows. A preset file holds exactly the state block a host
// receives ("mmst", the body's length, the body). Each command shows its own questions and
// failures through the dialog seam.
//
// Saving never destroys what was there: the file is written under a temporary name and then
// replaces the old one. A failed save leaves the preset name as it was; a failed load leaves
// the state and the preset name as they were.
//
// Thread contract: user-interface thread.
#pragma once

#include "core/plugin.h"
#include "engine/dialogs.h"

#include <exception>
#include <filesystem>
#include <string>
#include <vector>

namespace tonvo::core {

class PresetCommands {
public:
    PresetCommands(Plugin& plugin, DialogSeam& dialogs) : plugin_(plugin), dialogs_(dialogs) {}

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
    // The state block's body into `body`; on failure the "Save Preset" box, and false.
    bool write_state_block(MemoryStream& body);
    // A whole body in place of the current state; on failure the "Load Preset" box, nothing
    // changed, and false.
    bool read_state_block(MemoryStream& body);
    void show_load_failure(const std::exception& failure);

    Plugin& plugin_;
    DialogSeam& dialogs_;
};

} // namespace tonvo::core
