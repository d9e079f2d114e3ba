#include "engine/highlight_gate.h"

#include <mutex>

namespace tonvo {

void THighlightGate::Attach(TEditorHighlights* editor) noexcept {
    std::lock_guard guard(lock_);
    editor_ = editor;
    attached_.store(editor != nullptr, std::memory_order_release);
}

bool THighlightGate::Attached() const noexcept {
    std::lock_guard guard(lock_);
    return editor_ != nullptr;
}

// An editor that throws loses that one highlight; the audio thread goes on.
bool THighlightGate::EditorNoteOn(int note) noexcept {
    std::lock_guard guard(lock_);
    try {
        return editor_ != nullptr && editor_->HighlightNoteOn(note);
    } catch (...) {
        return false;
    }
}

bool THighlightGate::EditorNoteOff(int note) noexcept {
    std::lock_guard guard(lock_);
    try {
        return editor_ != nullptr && editor_->HighlightNoteOff(note);
    } catch (...) {
        return false;
    }
}

} // namespace tonvo
