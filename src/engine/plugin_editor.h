// The plug-in's way to its open editor form: the frame's hooks. The form (TfrmVSTEditorBase and
// its descendants) implements them directly; the module finds the form through its editor's
// life (ModuleEditor::hooks) and calls nothing else of it.
//
// Thread contract: user-interface thread, the one that opened the editor, except
// HighlightNoteOn and HighlightNoteOff (EditorHighlights), which the audio thread makes under
// the highlight gate's lock: record only, never draw.
#pragma once

#include "engine/highlight_gate.h"

#include <string>

namespace tonvo {

struct DialogSize {
    int Width = 0;
    int Height = 0;
};

class EditorHooks : public EditorHighlights {
public:
    // After any change the controls should show (on show, each flagged idle call, after Init).
    virtual void UpdateControls() {}
    // The incoming-note highlights and the info line brought up to date (flagged idle calls,
    // after the controls).
    virtual void RefreshHighlights() {}
    // The preset name changed (SetPresetName).
    virtual void UpdatePresetName() {}
    // After the preset browser closed.
    virtual void PresetLoaded() {}
    // After Init was confirmed.
    virtual void InitPreset() {}
    // One line in the info area; empty text clears it.
    virtual void ShowInfo(const std::string& /*text*/) {}
    // The preset browser's size over this editor.
    virtual DialogSize GetPresetDialogSize() const = 0;
    // The host's mouse-wheel notice: focus the control under the pointer.
    virtual void FocusControlUnderCursor() {}

    // Incoming notes; each answers whether the highlight state changed.
    bool HighlightNoteOn(int /*note*/) override { return false; }
    bool HighlightNoteOff(int /*note*/) override { return false; }

protected:
    ~EditorHooks() = default;
};

} // namespace tonvo
