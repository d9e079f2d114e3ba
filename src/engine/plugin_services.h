// What the plug-in module needs from outside the engine: the user's documents folder, the
// settings store and preset files. The presets and platform layers provide the real services;
// the defaults here know no documents folder, keep settings in memory and find no files, so
// an instance made with them starts in the default state and writes nothing anywhere.
#pragma once

#include "platform/settings_store.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tonvo {

class PluginServices {
public:
    virtual ~PluginServices() = default;

    // Without a trailing separator; empty when there is none.
    virtual std::filesystem::path DocumentsFolder() { return {}; }
    // Opens the store on a key path ("Software\Brelwick\Tonvo"), creating the key if missing.
    virtual std::unique_ptr<SettingsStore> OpenSettings(const std::string& keyPath);
    // True when the path names an existing entry that is not a folder, on a ready drive.
    virtual bool SafeFileExists(const std::filesystem::path& path);
    // The whole file; fails with a message naming the path and the reason, also for a file of
    // more than maxBytes, which is not read.
    virtual std::vector<uint8_t> ReadFile(const std::filesystem::path& path, size_t maxBytes);

    // Shared by every module made without services of its own.
    static PluginServices& Defaults();

private:
    // Settings written through the default store, by key path, section and name.
    std::map<std::string, std::map<std::string, int32_t>> memory_;
};

} // namespace tonvo
