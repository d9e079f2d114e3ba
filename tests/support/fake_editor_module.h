// A module as the editor's forms see it, with every call recorded: the note map, previews,
// change notices, names, folders, skin and preset commands. Dialogs go to the seam a test
// sets (none shown by default).
#pragma once

#include "engine/editor_link.h"
#include "platform/own_module.h"

#include <filesystem>
#include <string>
#include <vector>

namespace tonvo::test {

class FakeEditorModule : public EditorLink {
public:
    struct Preview {
        bool On;
        int Note;
        int Velocity;
        bool operator==(const Preview&) const = default;
    };

    TScaleMap& ScaleMap() noexcept override { return map; }
    bool PreviewNoteOn(int note, int velocity) noexcept override {
        if (refuseNoteOns)
            return false;
        previews.push_back({true, note & 0x7F, velocity & 0x7F});
        return true;
    }
    bool PreviewNoteOff(int note, int velocity) noexcept override {
        previews.push_back({false, note & 0x7F, velocity & 0x7F});
        return true;
    }
    void NotifyStateChanged() override { ++notifications; }
    const std::string& ProductName() const noexcept override { return productName; }
    const std::string& VersionText() const noexcept override { return version; }
    const std::string& UserGuideName() const noexcept override { return userGuide; }
    std::string PresetName() const override { return presetName; }
    const std::filesystem::path& DataFolder() const noexcept override { return dataFolder; }
    const std::filesystem::path& PresetFolder() const noexcept override { return presetFolder; }
    bool SafeFileExists(const std::filesystem::path& path) override {
        std::error_code error;
        return !path.empty() && std::filesystem::is_regular_file(path, error);
    }
    std::filesystem::path LibraryPath() const override { return libraryPath; }
    int32_t SkinIndex() const noexcept override { return skin; }
    void SetSkin(int32_t index) override {
        skin = index;
        ++skinSaves;
    }
    DialogSeam& Dialogs() noexcept override { return *dialogs; }
    void SavePresetCommand() override { ++saves; }
    bool LoadPresetCommand() override {
        ++loads;
        return loadResult;
    }
    void LoadInitPreset() override {
        ++initLoads;
        map.ResetMap();
        presetName.clear();
    }
    SpinLock& HighlightLock() noexcept override { return lock; }

    TScaleMap map;
    std::vector<Preview> previews;
    // Answers preview note-ons as a module with a full hand-off does.
    bool refuseNoteOns = false;
    int notifications = 0;
    std::string productName = "Tonvo";
    std::string version = "1.00";
    std::string userGuide = "Tonvo User Guide.pdf";
    std::string presetName;
    std::filesystem::path dataFolder;
    std::filesystem::path presetFolder;
    // The test program itself, as the shipped module's own library is the plug-in.
    std::filesystem::path libraryPath = platform::own_module_path();
    int32_t skin = 0;
    int skinSaves = 0;
    DialogSeam* dialogs = &DialogSeam::Silent();
    int saves = 0;
    int loads = 0;
    bool loadResult = false;
    int initLoads = 0;
    SpinLock lock;
};

} // namespace tonvo::test
