#include "engine/preset_folder.h"

#include "base/file_names.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace tonvo {

void PresetFolders::Form(const std::filesystem::path& documents, const std::string& productName) {
    if (!documents.empty()) {
        dataFolder_ = documents / "Brelwick" / std::filesystem::u8path(productName);
        presetFolder_ = dataFolder_ / "Presets";
    }
}

// A name from a host's state block is outside input: one with a separator, a drive or a NUL
// (where the system's calls would stop reading) could name a file anywhere, so it names none.
// Both separators and the colon count on every system, as a project moves between them; so do
// the names Windows keeps for its devices, which name no file there.
std::filesystem::path PresetFolders::PresetFile(const std::string& name) const {
    if (presetFolder_.empty() ||
        name.find_first_of(std::string_view("/\\:\0", 4)) != std::string::npos ||
        base::is_reserved_device_name(name)) {
        return {};
    }
    std::filesystem::path file = std::filesystem::u8path(name + ".brelwickp");
    if (file.has_root_path() || file.has_parent_path()) {
        return {};
    }
    return presetFolder_ / file;
}

bool PresetFolders::Exists(const std::string& name) const {
    const std::filesystem::path path = PresetFile(name);
    return !path.empty() && services_.SafeFileExists(path);
}

bool PresetFolders::ReadPreset(const std::string& name, TMemoryStreamChunk& wrapper) const {
    const std::filesystem::path path = PresetFile(name);
    if (path.empty() || !services_.SafeFileExists(path)) {
        return false;
    }
    MemoryStream file;
    const std::vector<uint8_t> bytes = services_.ReadFile(path, kMaxPresetFileBytes);
    file.Write(bytes.data(), bytes.size());
    file.SetPosition(0);
    wrapper.LoadFromStream(file);
    wrapper.Payload().SetPosition(0);
    return true;
}

} // namespace tonvo
