// The engine's way to the editor's highlighted keys. The audio thread reports notes going on
// and off; the editor, while attached, records them and draws them from its idle refresh.
//
// A short spin lock orders the three users: the audio thread holds it only for one highlight
// call (a few list operations), the editor holds it only for its refresh pass, and attaching
// or detaching takes it too, so no highlight ever reaches an editor being destroyed. While no
// editor is attached the audio thread does not touch the lock at all.
//
// The audio thread never waits for it: it tries the lock once, and when the user-interface
// thread holds it (perhaps pre-empted inside its refresh) the highlight is remembered per note,
// and the call answers "changed" so that the editor-update flag brings an idle call. The
// remembered highlights are replayed, in each note's own order, by whoever takes the lock
// next: the audio thread's next highlight, or Resync from the idle call. A highlight may be
// late; none is lost.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <thread>

namespace tonvo {

// Implemented by the editor. Each call takes the input note number and answers whether the
// highlight state changed. Called with the gate's lock held, from the audio thread.
class EditorHighlights {
public:
    virtual bool HighlightNoteOn(int note) = 0;
    virtual bool HighlightNoteOff(int note) = 0;

protected:
    ~EditorHighlights() = default;
};

// Waiting in lock() is for the user-interface thread only, and it yields while it waits; the
// audio thread only ever uses try_lock().
class SpinLock {
public:
    void lock() noexcept {
        while (!try_lock()) {
            while (flag_.test(std::memory_order_relaxed)) {
                std::this_thread::yield();
            }
        }
    }
    bool try_lock() noexcept { return !flag_.test_and_set(std::memory_order_acquire); }
    void unlock() noexcept { flag_.clear(std::memory_order_release); }

private:
    std::atomic_flag flag_;
};

class HighlightGate {
public:
    // User-interface thread. After Detach returns, no call reaches the old editor. Highlights
    // remembered for the old editor are dropped.
    void Attach(EditorHighlights* editor) noexcept;
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

    // User-interface thread, from the idle call: hands the attached editor the highlights the
    // audio thread could not.
    void Resync() noexcept;

    // The editor takes this for its refresh pass.
    SpinLock& Lock() noexcept { return lock_; }

private:
    // A note's remembered highlights: its last two, two bits each, the newest in the low bits.
    static constexpr uint8_t kMissedOn = 1;
    static constexpr uint8_t kMissedOff = 2;

    bool EditorNoteOn(int note) noexcept;
    bool EditorNoteOff(int note) noexcept;
    // Audio thread, without the lock. Answers true: the editor's state is due to change.
    bool Remember(int note, uint8_t highlight) noexcept;
    // With the lock held: the remembered highlights, oldest first, to the attached editor (or
    // nowhere when none is).
    void Replay() noexcept;

    mutable SpinLock lock_;
    std::array<std::atomic<uint8_t>, 128> missed_{};
    std::atomic<bool> anyMissed_{false};
    EditorHighlights* editor_ = nullptr;
    // Lets the audio thread skip the lock while no editor is attached (the usual case); the
    // editor pointer itself is only read under the lock.
    std::atomic<bool> attached_{false};
};

} // namespace tonvo
