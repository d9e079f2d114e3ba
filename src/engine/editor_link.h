// The editor's way to its plug-in: what an editor form may use of it. The forms hold this
// interface and nothing else of the plug-in: the note map, the preview notes, the change
// notification, the names and folders, the skin, the dialog seam, the preset commands and the
// lock of the highlight refresh. The way back, from the plug-in to the form, is EditorHooks
// (engine/plugin_editor.h). The core implements it once (core::EditorSide), for every format.
//
// Thread contract: user-interface thread, except where a member says otherwise.
#pragma once

#include "engine/dialogs.h"
#include "engine/highlight_gate.h"
#include "engine/scale_map.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace tonvo {

class EditorLink {
public:
    // The note map the editor shows and edits.
    virtual TScaleMap& ScaleMap() noexcept = 0;

    // Preview notes from the editor keyboard, note and velocity masked to 0..127; see
    // TVSTPlugin::PreviewNoteOn for when a note-on is refused.
    virtual bool PreviewNoteOn(int note, int velocity) noexcept = 0;
    virtual bool PreviewNoteOff(int note, int velocity) noexcept = 0;

    // Tells the host that the state changed through the editor (a map entry, the wizard).
    virtual void NotifyStateChanged() = 0;

    // Names: "Tonvo", the version shown in About ("1.00"), the user guide's file name.
    virtual const std::string& ProductName() const noexcept = 0;
    virtual const std::string& VersionText() const noexcept = 0;
    virtual const std::string& UserGuideName() const noexcept = 0;
    // The current preset name; empty when none. A copy: a host may set a new one from another
    // thread at any time.
    virtual std::string PresetName() const = 0;

    // The data folder (user guide, scale file) and the preset folder.
    virtual const std::filesystem::path& DataFolder() const noexcept = 0;
    virtual const std::filesystem::path& PresetFolder() const noexcept = 0;
    // False for a path that is missing, or whose drive does not answer.
    virtual bool SafeFileExists(const std::filesystem::path& path) = 0;
    // The plug-in's own library file (the packages put the user guide beside it); empty when
    // the system cannot tell.
    virtual std::filesystem::path LibraryPath() const = 0;

    // The skin index kept in the settings; SetSkin stores it and saves the settings.
    virtual int32_t SkinIndex() const noexcept = 0;
    virtual void SetSkin(int32_t index) = 0;

    // Message boxes, questions, prompts and the preset browser.
    virtual DialogSeam& Dialogs() noexcept = 0;

    // The preset commands of the main menu. Each shows its own questions and failures through
    // Dialogs(). LoadPresetCommand answers whether a preset was loaded.
    virtual void SavePresetCommand() = 0;
    virtual bool LoadPresetCommand() = 0;
    // The init preset when one exists, else the default state (Init after its question).
    virtual void LoadInitPreset() = 0;

    // Held by the editor for its highlight refresh pass, only while it copies the items; the
    // audio thread takes it for one highlight call.
    virtual SpinLock& HighlightLock() noexcept = 0;

protected:
    ~EditorLink() = default;
};

} // namespace tonvo
