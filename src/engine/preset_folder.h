// Where an instance's files live: the data folder (documents folder, "Brelwick", the product
// name) and the preset folder inside it, and the preset file a name stands for.
//
// User-interface thread (the host's creation and chunk calls count as such): everything here
// touches the file system or is called just before something that does.
#pragma once

#include "engine/plugin_services.h"
#include "engine/state_block.h"

#include <filesystem>
#include <string>

namespace tonvo {

class PresetFolders {
public:
    explicit PresetFolders(PluginServices& services) : services_(services) {}

    // Forms both folders (it does not create them). Without a documents folder they stay as
    // they are: empty, so no preset is ever looked for.
    void Form(const std::filesystem::path& documents, const std::string& productName);

    // Empty when there is no documents folder.
    const std::filesystem::path& DataFolder() const noexcept { return dataFolder_; }
    const std::filesystem::path& PresetFolder() const noexcept { return presetFolder_; }
    // The preset of that name in the preset folder; empty without a folder, and for a name
    // that is not a plain file name (a separator, a drive, a NUL, a Windows device name such as
    // "CON" or "com1.x"), which names no preset.
    std::filesystem::path PresetFile(const std::string& name) const;
    // Whether the preset folder holds a preset of that name.
    bool Exists(const std::string& name) const;
    // Reads the named preset's state container into the wrapper, its payload at position 0.
    // False when there is no such file; fails with the file's or the container's message when
    // it cannot be read.
    bool ReadPreset(const std::string& name, TMemoryStreamChunk& wrapper) const;

private:
    PluginServices& services_;
    std::filesystem::path dataFolder_;
    std::filesystem::path presetFolder_;
};

} // namespace tonvo
