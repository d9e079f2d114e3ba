// The note map: for each input pitch class C..B the target pitch class, or -1 for blocked,
// plus the scale wizard's last choices (only stored and shown).
//
// Thread contract: entries are aligned 32-bit atomics; the audio thread reads them (MapNote)
// while the user-interface thread writes them one at a time. A reader sees the old or the new
// value of each entry. The wizard's choices (scale name, tonic, Easy Mode) are read and
// replaced as one value under their own lock, from any thread: a host may save or load state
// on a worker thread while the user applies a scale. The audio thread never touches them.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <limits>
#include <mutex>
#include <string>
#include <string_view>

namespace tonvo {

// Remainder of the truncating division by 12 (negative for negative notes).
constexpr int32_t PitchClassOf(int32_t note) noexcept {
    return note % 12;
}

inline constexpr std::array<std::string_view, 12> NoteNames = {"C",  "C#", "D",  "D#", "E",  "F",
                                                               "F#", "G",  "G#", "A",  "A#", "B"};

// The scale wizard's last choices, stored with the map.
struct TScaleChoice {
    std::string ScaleName;
    int32_t Tonic = 0;
    bool EasyMode = true;

    bool operator==(const TScaleChoice&) const = default;
};

class TScaleMap {
public:
    static constexpr int32_t kEntries = 12;
    static constexpr int32_t kBlocked = -1;

    TScaleMap() noexcept;
    TScaleMap(const TScaleMap&) = delete;
    TScaleMap& operator=(const TScaleMap&) = delete;

    // Index 0..11; callers guarantee it.
    int32_t GetScaleMap(int32_t index) const noexcept {
        return entries_[static_cast<size_t>(index)].load(std::memory_order_relaxed);
    }
    void SetScaleMap(int32_t index, int32_t value) noexcept {
        entries_[static_cast<size_t>(index)].store(value, std::memory_order_relaxed);
    }

    // The output note for an input note, or -1 when its class is blocked. Not clamped to
    // 0..127. Never indexes anything with an entry value, so any stored value is safe.
    // Inline, as it runs per note event.
    int32_t MapNote(int32_t note) const noexcept;

    // Default map (C major, black keys blocked), empty scale name, tonic C, Easy Mode on.
    void ResetMap();
    // Blocks all twelve classes; the wizard's choices are kept.
    void ClearMap() noexcept;

    // A copy taken under the choices' lock; any thread.
    TScaleChoice Choice() const;
    // Replaces all three choices in one step; any thread.
    void SetChoice(TScaleChoice choice);

private:
    mutable std::mutex choiceLock_;
    TScaleChoice choice_;
    static_assert(std::atomic<int32_t>::is_always_lock_free);
    std::array<std::atomic<int32_t>, kEntries> entries_;
};

// The lowest unblocked input class fixes where the output octave starts: a class whose target
// lies below that class's target goes to the next octave up, so a map that moves every class
// by the same amount moves every note by that amount.
inline int32_t TScaleMap::MapNote(int32_t note) const noexcept {
    if (note < 0) {
        return kBlocked; // no pitch class to look up; no caller passes one
    }
    const int32_t pc = PitchClassOf(note);
    const int32_t target = GetScaleMap(pc);
    if (target == kBlocked) {
        return kBlocked;
    }
    int64_t result = int64_t{target} + int64_t{12} * (note / 12);
    for (int32_t i = 0; i < pc; ++i) {
        const int32_t entry = GetScaleMap(i);
        if (target < entry) {
            result += 12;
        }
        if (entry >= 0) {
            break;
        }
    }
    // Stored entries are unchecked; keep even absurd ones from overflowing the result.
    if (result > std::numeric_limits<int32_t>::max()) {
        return std::numeric_limits<int32_t>::max();
    }
    if (result < std::numeric_limits<int32_t>::min()) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(result);
}

} // namespace tonvo
