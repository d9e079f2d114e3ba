#include "engine/plugin_base.h"

#include <algorithm>

namespace tonvo {

TVSTPluginBase::TVSTPluginBase() = default;

void TVSTPluginBase::VSTModuleProcess32Replacing(float** /*inputs*/, float** outputs,
                                                 uint32_t frames) noexcept {
    if (outputs == nullptr) {
        return;
    }
    const int32_t channels = std::min(effect_.numOutputs, 2);
    for (int32_t i = 0; i < channels; ++i) {
        if (outputs[i] != nullptr) {
            std::fill_n(outputs[i], frames, 0.0f);
        }
    }
}

void TVSTPluginBase::HighlightNoteOn(int note) noexcept {
    if (highlights_.NoteOn(note)) {
        SetEditorNeedUpdate();
    }
}

void TVSTPluginBase::HighlightNoteOff(int note) noexcept {
    if (highlights_.NoteOff(note)) {
        SetEditorNeedUpdate();
    }
}

} // namespace tonvo
