// What the plug-in module asks of its open editor: the frame's hooks, the idle call
// (TVSTEditorForm::EditIdle), and the highlighted keys. The module reaches its editor only through
// this.
//
// Thread contract: user-interface thread, except the TEditorHighlights calls (audio thread,
// under the highlight gate's lock).
#pragma once

#include "engine/highlight_gate.h"
#include "host/editor_form.h"

#include <string>

namespace tonvo {

struct TDialogSize {
    int Width = 0;
    int Height = 0;
};

class TPluginEditor : public TVSTEditorForm, public TEditorHighlights {
public:
    // The frame's hooks.
    // After any change the controls should show (on show, each flagged idle call, after Init).
    virtual void UpdateControls() {}
    // The incoming-note highlights and the info line brought up to date (flagged idle calls).
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
    virtual TDialogSize GetPresetDialogSize() const {
        return {ClientWidth() - 32, ClientHeight() - 32};
    }
};

} // namespace tonvo
