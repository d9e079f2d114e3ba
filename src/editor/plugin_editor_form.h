// The editor form as the plug-in's editor window sees it: a form of ours with the frame's hooks.
// The editor frame (TfrmVSTEditorBase and its descendants) implements them; the window that
// puts the form into the host's window forwards the module's calls here.
//
// Thread contract: user-interface thread, except HighlightNoteOn and HighlightNoteOff, which
// the audio thread makes under the highlight gate's lock.
#pragma once

#include "engine/plugin_editor.h"
#include "ui/form.h"

#include <string>

namespace tonvo::editor {

class PluginEditorForm : public ui::Form {
public:
    using ui::Form::Form;

    // Once the form is in its window and visible.
    virtual void FormShow() {}

    // The frame's hooks; see TPluginEditor.
    virtual void UpdateControls() {}
    virtual void RefreshHighlights() {}
    virtual void UpdatePresetName() {}
    virtual void PresetLoaded() {}
    virtual void InitPreset() {}
    virtual void ShowInfo(const std::string& /*text*/) {}
    virtual TDialogSize GetPresetDialogSize() const {
        return {buffer().width() - 32, buffer().height() - 32};
    }
    // The host's mouse-wheel notice: focus the control under the pointer.
    virtual void FocusControlUnderCursor() {}

    // Incoming notes; each answers whether the highlight state changed. Audio thread, under
    // the highlight gate's lock: record only, never draw.
    virtual bool HighlightNoteOn(int /*note*/) { return false; }
    virtual bool HighlightNoteOff(int /*note*/) { return false; }
};

} // namespace tonvo::editor
