// The note map: for each input pitch class C..B the target pitch class, or -1 for blocked,
// plus the scale wizard's last choices (only stored and shown).
//
// Thread contract: entries are aligned 32-bit atomics; the audio thread reads them (MapNote)
// while the user-interface thread writes them one at a time. A reader sees the old or the new
// value of each entry. ScaleName, Tonic and EasyMode belong to the user-interface thread.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

namespace tonvo {

// Remainder of the truncating division by 12 (negative for negative notes).
constexpr int32_t PitchClassOf(int32_t note) noexcept {
    return note % 12;
}

inline constexpr std::array<std::string_view, 12> NoteNames = {"C",  "C#", "D",  "D#", "E",  "F",
                                                               "F#", "G",  "G#", "A",  "A#", "B"};

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
    int32_t MapNote(int32_t note) const noexcept;

    // Default map (C major, black keys blocked), empty scale name, tonic C, Easy Mode on.
    void ResetMap();
    // Blocks all twelve classes; the wizard's choices are kept.
    void ClearMap() noexcept;

    bool EasyMode = true;
    std::string ScaleName;
    int32_t Tonic = 0;

private:
    static_assert(std::atomic<int32_t>::is_always_lock_free);
    std::array<std::atomic<int32_t>, kEntries> entries_;
};

} // namespace tonvo
