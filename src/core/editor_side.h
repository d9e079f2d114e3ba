// The plug-in's side of the editor seam: the one implementation of what the editor's forms use
// of the plug-in (EditorLink), on the core's Plugin, whatever format hosts it. It owns the
// editor's dialogs and the preset commands, selects the skin's style before an opening, and
// makes the editor's life for a format to hold.
//
// Thread contract: user-interface thread, except where EditorLink says otherwise.
#pragma once

#include "core/editor_life.h"
#include "core/plugin.h"
#include "core/preset_commands.h"
#include "editor/editor_dialogs.h"
#include "engine/editor_link.h"

#include <filesystem>
#include <memory>
#include <string>

namespace tonvo::core {

class EditorSide final : public EditorLink {
public:
    explicit EditorSide(Plugin& plugin) : plugin_(plugin) {}
    EditorSide(const EditorSide&) = delete;
    EditorSide& operator=(const EditorSide&) = delete;

    // The editor's dialogs: a format's own failure boxes go through them too.
    editor::EditorDialogs& dialogs() noexcept { return dialogs_; }
    PresetCommands& preset_commands() noexcept { return preset_commands_; }

    // The style of the current skin becomes the active one; a style that cannot be activated
    // is reported in a "Load Skin" box and the editor opens with the style it has.
    void apply_skin();

    // An editor for the forms `factory` makes, not yet open; its size before the form exists
    // is `design_size`.
    std::unique_ptr<EditorLife> make_editor(EditorLife::FormFactory factory,
                                            DialogSize design_size);

    // EditorLink.
    TScaleMap& ScaleMap() noexcept override { return plugin_.scale_map(); }
    bool PreviewNoteOn(int note, int velocity) noexcept override {
        return plugin_.preview_note_on(note, velocity);
    }
    bool PreviewNoteOff(int note, int velocity) noexcept override {
        return plugin_.preview_note_off(note, velocity);
    }
    void NotifyStateChanged() override { plugin_.notify_state_changed(); }
    const std::string& ProductName() const noexcept override { return plugin_.product_name(); }
    const std::string& VersionText() const noexcept override { return plugin_.version(); }
    const std::string& UserGuideName() const noexcept override { return plugin_.user_guide_name(); }
    std::string PresetName() const override { return plugin_.preset_name(); }
    const std::filesystem::path& DataFolder() const noexcept override {
        return plugin_.folders().DataFolder();
    }
    const std::filesystem::path& PresetFolder() const noexcept override {
        return plugin_.folders().PresetFolder();
    }
    bool SafeFileExists(const std::filesystem::path& path) override;
    std::filesystem::path LibraryPath() const override;
    int32_t SkinIndex() const noexcept override { return plugin_.settings().Style; }
    // Saves the settings when the index changed; fails with the store's message.
    void SetSkin(int32_t index) override;
    DialogSeam& Dialogs() noexcept override { return dialogs_; }
    void SavePresetCommand() override { preset_commands_.SavePreset(); }
    bool LoadPresetCommand() override { return preset_commands_.LoadPreset(); }
    void LoadInitPreset() override { preset_commands_.Init(); }
    SpinLock& HighlightLock() noexcept override { return plugin_.highlights().Lock(); }

private:
    Plugin& plugin_;
    editor::EditorDialogs dialogs_;
    PresetCommands preset_commands_{plugin_, dialogs_};
};

} // namespace tonvo::core
