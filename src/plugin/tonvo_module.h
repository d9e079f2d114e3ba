// The shipped plug-in module: the note-mapping module with its editor. It answers the editor's
// forms (EditorLink) from the module itself, runs the preset commands, owns the editor's
// dialogs, and selects the skin's style before every editor opening.
//
// The editor form comes from a factory given at construction; the module has an editor form
// class only when this build can make editor windows and a factory was given, so a build
// without windows answers the host's editor opening with 0. The editor it makes is a
// core::EditorLife, which owns everything of a close or re-opening inside the editor's loops;
// this module only tells it of the instance's close and postpones its own destruction through
// it.
//
// Thread contract: as TVSTPlugin; the EditorLink members on the user-interface thread.
#pragma once

#include "core/editor_life.h"
#include "editor/editor_dialogs.h"
#include "engine/editor_link.h"
#include "engine/plugin.h"
#include "platform/own_module.h"
#include "presets/preset_files.h"

#include <functional>
#include <memory>

namespace tonvo {

class TonvoModule final : public TVSTPlugin, public EditorLink {
public:
    using FormFactory = core::EditorLife::FormFactory;

    // Construct through TVSTModule::Create<TonvoModule>(report, factory, ...). The design size
    // is what the editor reports before its form exists.
    explicit TonvoModule(FormFactory factory = {},
                         PluginServices& services = PluginServices::Defaults(),
                         DialogSize designSize = {});
    // The editor goes first: it uses the dialogs and the highlight gate.
    ~TonvoModule() override;

    // EditorLink.
    TScaleMap& ScaleMap() noexcept override { return TVSTPlugin::ScaleMap(); }
    bool PreviewNoteOn(int note, int velocity) noexcept override {
        return TVSTPlugin::PreviewNoteOn(note, velocity);
    }
    bool PreviewNoteOff(int note, int velocity) noexcept override {
        return TVSTPlugin::PreviewNoteOff(note, velocity);
    }
    void NotifyStateChanged() override { plugin_core().notify_state_changed(); }
    const std::string& ProductName() const noexcept override { return TVSTPlugin::ProductName(); }
    const std::string& VersionText() const noexcept override { return PluginVersion; }
    const std::string& UserGuideName() const noexcept override { return UserGuideFileName; }
    std::string PresetName() const override { return TVSTPlugin::PresetName(); }
    const std::filesystem::path& DataFolder() const noexcept override {
        return TVSTPlugin::DataFolder();
    }
    const std::filesystem::path& PresetFolder() const noexcept override {
        return TVSTPlugin::PresetFolder();
    }
    bool SafeFileExists(const std::filesystem::path& path) override;
    std::filesystem::path LibraryPath() const override { return platform::own_module_path(); }
    int32_t SkinIndex() const noexcept override { return Style; }
    void SetSkin(int32_t index) override { TVSTPlugin::SetSkin(index); }
    DialogSeam& Dialogs() noexcept override { return TVSTPlugin::Dialogs(); }
    void SavePresetCommand() override { presetCommands_.SavePreset(); }
    bool LoadPresetCommand() override { return presetCommands_.LoadPreset(); }
    void LoadInitPreset() override { presetCommands_.Init(); }
    SpinLock& HighlightLock() noexcept override { return Highlights().Lock(); }

    // The style of the current skin becomes the active one; a style that cannot be activated
    // is reported in a "Load Skin" box and the editor opens with the style it has.
    void ApplySkin() override;

protected:
    // A menu or dialog of the editor's that runs under the close ends first (as Cancel).
    void PrepareClose() override;
    // While a window procedure or loop of the editor's is still under way below the close.
    bool PostponeDestruction(std::function<void()>& work) override;

private:
    FormFactory formFactory_;
    editor::EditorDialogs dialogs_;
    PresetCommands presetCommands_{*this};
};

} // namespace tonvo
