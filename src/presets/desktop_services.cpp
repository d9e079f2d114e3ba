#include "presets/desktop_services.h"

#include "platform/files.h"
#include "platform/settings_store.h"

namespace tonvo {

std::filesystem::path TDesktopServices::DocumentsFolder() {
    return platform::documents_folder();
}

std::unique_ptr<TSettingsStore> TDesktopServices::OpenSettings(const std::string& keyPath) {
    return platform::open_settings_store(keyPath);
}

bool TDesktopServices::SafeFileExists(const std::filesystem::path& path) {
    return platform::SafeFileExists(path);
}

std::vector<uint8_t> TDesktopServices::ReadFile(const std::filesystem::path& path,
                                                size_t maxBytes) {
    return platform::read_file_bytes(path, maxBytes);
}

TDesktopServices& TDesktopServices::Instance() {
    static TDesktopServices services;
    return services;
}

} // namespace tonvo
