// The services a plug-in instance uses on a real desktop: the user's documents folder, the
// settings store and preset files, from the platform layer.
#pragma once

#include "engine/plugin_services.h"

namespace tonvo {

class DesktopServices : public PluginServices {
public:
    std::filesystem::path DocumentsFolder() override;
    std::unique_ptr<SettingsStore> OpenSettings(const std::string& keyPath) override;
    bool SafeFileExists(const std::filesystem::path& path) override;
    std::vector<uint8_t> ReadFile(const std::filesystem::path& path, size_t maxBytes) override;

    // Shared by every instance of the loaded library.
    static DesktopServices& Instance();
};

} // namespace tonvo
