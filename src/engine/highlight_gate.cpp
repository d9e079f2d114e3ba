#include "engine/highlight_gate.h"

#include <mutex>

namespace tonvo {

void THighlightGate::Attach(TEditorHighlights* editor) noexcept {
    std::lock_guard guard(lock_);
    editor_ = editor;
}

bool THighlightGate::Attached() const noexcept {
    std::lock_guard guard(lock_);
    return editor_ != nullptr;
}

// An editor that throws loses that one highlight; the audio thread goes on.
bool THighlightGate::NoteOn(int note) noexcept {
    std::lock_guard guard(lock_);
    try {
        return editor_ != nullptr && editor_->HighlightNoteOn(note);
    } catch (...) {
        return false;
    }
}

bool THighlightGate::NoteOff(int note) noexcept {
    std::lock_guard guard(lock_);
    try {
        return editor_ != nullptr && editor_->HighlightNoteOff(note);
    } catch (...) {
        return false;
    }
}

} // namespace tonvo
