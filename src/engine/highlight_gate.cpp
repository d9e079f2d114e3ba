#include "engine/highlight_gate.h"

#include <mutex>

namespace tonvo {

void HighlightGate::Attach(EditorHighlights* editor) noexcept {
    std::lock_guard guard(lock_);
    editor_ = nullptr;
    Replay(); // to nowhere: what was missed belonged to the old editor
    editor_ = editor;
    attached_.store(editor != nullptr, std::memory_order_release);
}

bool HighlightGate::Attached() const noexcept {
    std::lock_guard guard(lock_);
    return editor_ != nullptr;
}

void HighlightGate::Resync() noexcept {
    if (!anyMissed_.load(std::memory_order_acquire)) {
        return;
    }
    std::lock_guard guard(lock_);
    Replay();
}

bool HighlightGate::Remember(int note, uint8_t highlight) noexcept {
    if (note < 0 || note > 127) {
        return false; // no editor lights such a note
    }
    std::atomic<uint8_t>& slot = missed_[static_cast<size_t>(note)];
    // The only other writer empties the slot once per replay, so this retries at most rarely.
    uint8_t before = slot.load(std::memory_order_relaxed);
    while (!slot.compare_exchange_weak(before,
                                       static_cast<uint8_t>(((before << 2) | highlight) & 0x0F),
                                       std::memory_order_acq_rel, std::memory_order_relaxed)) {
    }
    anyMissed_.store(true, std::memory_order_release);
    return true;
}

// An editor that throws loses that one highlight; the replay goes on.
void HighlightGate::Replay() noexcept {
    if (!anyMissed_.load(std::memory_order_acquire) ||
        !anyMissed_.exchange(false, std::memory_order_acq_rel)) {
        return;
    }
    for (size_t note = 0; note < missed_.size(); ++note) {
        const uint8_t missed = missed_[note].exchange(0, std::memory_order_acq_rel);
        if (missed == 0 || editor_ == nullptr) {
            continue;
        }
        for (const uint8_t highlight :
             {static_cast<uint8_t>(missed >> 2), static_cast<uint8_t>(missed & 0x03)}) {
            try {
                if (highlight == kMissedOn) {
                    editor_->HighlightNoteOn(static_cast<int>(note));
                } else if (highlight == kMissedOff) {
                    editor_->HighlightNoteOff(static_cast<int>(note));
                }
            } catch (...) {
            }
        }
    }
}

// Each call replays what an earlier one had to leave, so a note's highlights keep their order.
// An editor that throws loses that one highlight; the audio thread goes on.
bool HighlightGate::EditorNoteOn(int note) noexcept {
    if (!lock_.try_lock()) {
        return Remember(note, kMissedOn);
    }
    std::lock_guard guard(lock_, std::adopt_lock);
    Replay();
    try {
        return editor_ != nullptr && editor_->HighlightNoteOn(note);
    } catch (...) {
        return false;
    }
}

bool HighlightGate::EditorNoteOff(int note) noexcept {
    if (!lock_.try_lock()) {
        return Remember(note, kMissedOff);
    }
    std::lock_guard guard(lock_, std::adopt_lock);
    Replay();
    try {
        return editor_ != nullptr && editor_->HighlightNoteOff(note);
    } catch (...) {
        return false;
    }
}

} // namespace tonvo
