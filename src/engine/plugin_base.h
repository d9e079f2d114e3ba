// The plug-in's base module: what every module of this maker shares. It makes no sound, and
// it owns the way to the editor's key highlights.
#pragma once

#include "engine/highlight_gate.h"
#include "host/dsp_module.h"

namespace tonvo {

class TVSTPluginBase : public TDspVSTModule {
public:
    TVSTPluginBase();

    // Editor seam. User-interface thread: attach when the editor form exists, detach before it
    // is destroyed.
    void AttachEditorHighlights(TEditorHighlights* editor) noexcept { highlights_.Attach(editor); }
    void DetachEditorHighlights() noexcept { highlights_.Detach(); }
    THighlightGate& Highlights() noexcept { return highlights_; }

protected:
    // Block handler: fills output channels 0 and 1 with silence. Audio thread.
    void VSTModuleProcess32Replacing(float** inputs, float** outputs, uint32_t frames) noexcept;

    // Report a key going on or off to an attached editor; sets the editor-update flag when
    // the editor's highlight state changed. Audio thread.
    void HighlightNoteOn(int note) noexcept;
    void HighlightNoteOff(int note) noexcept;

private:
    THighlightGate highlights_;
};

} // namespace tonvo
