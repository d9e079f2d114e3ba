#include "presets/desktop_services.h"

#include "platform/files.h"
#include "platform/settings_store.h"

namespace tonvo {

std::filesystem::path DesktopServices::DocumentsFolder() {
    return platform::documents_folder();
}

std::unique_ptr<SettingsStore> DesktopServices::OpenSettings(const std::string& keyPath) {
    return platform::open_settings_store(keyPath);
}

bool DesktopServices::SafeFileExists(const std::filesystem::path& path) {
    return platform::SafeFileExists(path);
}

std::vector<uint8_t> DesktopServices::ReadFile(const std::filesystem::path& path, size_t maxBytes) {
    return platform::read_file_bytes(path, maxBytes);
}

DesktopServices& DesktopServices::Instance() {
    static DesktopServices services;
    return services;
}

} // namespace tonvo
