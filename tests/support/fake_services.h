// Services for a module under test: files and settings kept in memory, and a settings store
// that can be told to fail as a damaged one would.
#pragma once

#include "engine/errors.h"
#include "engine/plugin_services.h"

#include <map>

namespace tonvo::test {

class FakeServices : public PluginServices {
public:
    std::filesystem::path DocumentsFolder() override { return Documents; }
    std::unique_ptr<SettingsStore> OpenSettings(const std::string& keyPath) override;
    bool SafeFileExists(const std::filesystem::path& path) override {
        return Files.count(Key(path)) != 0;
    }
    std::vector<uint8_t> ReadFile(const std::filesystem::path& path, size_t maxBytes) override {
        const auto found = Files.find(Key(path));
        if (found == Files.end() || UnreadableFiles || found->second.size() > maxBytes) {
            throw EVstError("Cannot open \"" + Key(path) + "\"");
        }
        return found->second;
    }
    // Files are keyed by the generic UTF-8 form of their path.
    static std::string Key(const std::filesystem::path& path) {
        const std::u8string text = path.generic_u8string();
        return {text.begin(), text.end()};
    }
    // The key of a preset's path in the documents folder.
    std::string PresetPath(const std::string& name) const {
        return Key(Documents / "Brelwick" / "Tonvo" / "Presets" /
                   std::filesystem::u8path(name + ".brelwickp"));
    }

    std::filesystem::path Documents = "/home/player/Documents";
    std::map<std::string, std::vector<uint8_t>> Files;
    bool UnreadableFiles = false;
    // Settings by "key|section|name"; a name listed in WrongType reads as a non-text value.
    std::map<std::string, int32_t> Settings;
    std::string WrongType;
    std::vector<std::string> OpenedKeys;
};

class FakeSettings : public SettingsStore {
public:
    FakeSettings(FakeServices& owner, std::string key) : owner_(owner), key_(std::move(key)) {}
    int32_t ReadInteger(const std::string& section, const std::string& name,
                        int32_t fallback) override {
        if (name == owner_.WrongType) {
            throw EVstError("Invalid data type for '" + name + "'");
        }
        const auto found = owner_.Settings.find(key_ + "|" + section + "|" + name);
        return found != owner_.Settings.end() ? found->second : fallback;
    }
    void WriteInteger(const std::string& section, const std::string& name, int32_t value) override {
        owner_.Settings[key_ + "|" + section + "|" + name] = value;
    }

private:
    FakeServices& owner_;
    std::string key_;
};

inline std::unique_ptr<SettingsStore> FakeServices::OpenSettings(const std::string& keyPath) {
    OpenedKeys.push_back(keyPath);
    return std::make_unique<FakeSettings>(*this, keyPath);
}

} // namespace tonvo::test
