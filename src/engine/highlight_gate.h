// The engine's way to the editor's highlighted keys. The audio thread reports notes going on
// and off; the editor, while attached, records them and draws them from its idle refresh.
//
// A short spin lock orders the three users: the audio thread holds it only for one highlight
// call (a few list operations), the editor holds it only for its refresh pass, and attaching
// or detaching takes it too, so no highlight ever reaches an editor being destroyed. While no
// editor is attached the audio thread does not touch the lock at all.
#pragma once

#include <atomic>

namespace tonvo {

// Implemented by the editor. Each call takes the input note number and answers whether the
// highlight state changed. Called with the gate's lock held, from the audio thread.
class TEditorHighlights {
public:
    virtual bool HighlightNoteOn(int note) = 0;
    virtual bool HighlightNoteOff(int note) = 0;

protected:
    ~TEditorHighlights() = default;
};

class TSpinLock {
public:
    void lock() noexcept {
        while (flag_.test_and_set(std::memory_order_acquire)) {
            while (flag_.test(std::memory_order_relaxed)) {
            }
        }
    }
    void unlock() noexcept { flag_.clear(std::memory_order_release); }

private:
    std::atomic_flag flag_;
};

class THighlightGate {
public:
    // User-interface thread. After Detach returns, no call reaches the old editor.
    void Attach(TEditorHighlights* editor) noexcept;
    void Detach() noexcept { Attach(nullptr); }
    bool Attached() const noexcept;

    // Audio thread. False when no editor is attached or its state did not change. The check
    // for an editor is inline: with none attached, a note costs one atomic load here.
    bool NoteOn(int note) noexcept {
        return attached_.load(std::memory_order_acquire) && EditorNoteOn(note);
    }
    bool NoteOff(int note) noexcept {
        return attached_.load(std::memory_order_acquire) && EditorNoteOff(note);
    }

    // The editor takes this for its refresh pass.
    TSpinLock& Lock() noexcept { return lock_; }

private:
    bool EditorNoteOn(int note) noexcept;
    bool EditorNoteOff(int note) noexcept;

    mutable TSpinLock lock_;
    TEditorHighlights* editor_ = nullptr;
    // Lets the audio thread skip the lock while no editor is attached (the usual case); the
    // editor pointer itself is only read under the lock.
    std::atomic<bool> attached_{false};
};

} // namespace tonvo
