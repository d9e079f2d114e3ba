#include "engine/plugin_services.h"

#include "engine/errors.h"

namespace tonvo {

namespace {

class MemorySettings : public SettingsStore {
public:
    explicit MemorySettings(std::map<std::string, int32_t>& values) : values_(values) {}

    int32_t ReadInteger(const std::string& section, const std::string& name,
                        int32_t fallback) override {
        const auto found = values_.find(section + '\\' + name);
        return found != values_.end() ? found->second : fallback;
    }
    void WriteInteger(const std::string& section, const std::string& name, int32_t value) override {
        values_[section + '\\' + name] = value;
    }

private:
    std::map<std::string, int32_t>& values_;
};

} // namespace

std::unique_ptr<SettingsStore> PluginServices::OpenSettings(const std::string& keyPath) {
    return std::make_unique<MemorySettings>(memory_[keyPath]);
}

bool PluginServices::SafeFileExists(const std::filesystem::path&) {
    return false;
}

std::vector<uint8_t> PluginServices::ReadFile(const std::filesystem::path& path, size_t) {
    throw EVstError("Cannot open file \"" + path.string() + "\"");
}

PluginServices& PluginServices::Defaults() {
    static PluginServices defaults;
    return defaults;
}

} // namespace tonvo
