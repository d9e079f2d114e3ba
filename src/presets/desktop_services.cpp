#include "presets/desktop_services.h"

#include "platform/files.h"
#include "platform/settings_store.h"

namespace tonvo {

std::filesystem::path TDesktopServices::DocumentsFolder() {
    return platform::DocumentsFolder();
}

std::unique_ptr<TSettingsStore> TDesktopServices::OpenSettings(const std::string& keyPath) {
    return platform::OpenSettingsStore(keyPath);
}

bool TDesktopServices::SafeFileExists(const std::filesystem::path& path) {
    return platform::SafeFileExists(path);
}

std::vector<uint8_t> TDesktopServices::ReadFile(const std::filesystem::path& path,
                                                size_t maxBytes) {
    return platform::ReadFileBytes(path, maxBytes);
}

TDesktopServices& TDesktopServices::Instance() {
    static TDesktopServices services;
    return services;
}

} // namespace tonvo
