// The note map: for each input pitch class C..B the target pitch class, or -1 for blocked,
// plus the scale wizard's last choices (only stored and shown).
//
// Thread contract: entries are aligned 32-bit atomics; the user-interface thread (or a host's
// worker thread loading state) writes them one at a time, and after each write publishes the
// whole map again as one 64-bit word the audio thread reads with a single load (MapNote).
// Writers take turns through a short lock of their own; the audio thread never touches it.
// A reader sees the old or the new value of each entry. The wizard's choices (scale name, tonic,
// Easy Mode) are read and replaced as one value under their own lock, from any thread: a host may
// save or load state on a worker thread while the user applies a scale. The audio thread never
// touches them.
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
struct ScaleChoice {
    std::string ScaleName;
    int32_t Tonic = 0;
    bool EasyMode = true;

    bool operator==(const ScaleChoice&) const = default;
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
    void SetScaleMap(int32_t index, int32_t value) noexcept;

    // The output note for an input note, or -1 when its class is blocked. Not clamped to
    // 0..127. Never indexes anything with an entry value, so any stored value is safe.
    // Inline, as it runs per note event.
    int32_t MapNote(int32_t note) const noexcept;

    // Default map (C major, black keys blocked), empty scale name, tonic C, Easy Mode on.
    void ResetMap();
    // Blocks all twelve classes; the wizard's choices are kept.
    void ClearMap() noexcept;

    // A copy taken under the choices' lock; any thread.
    ScaleChoice Choice() const;
    // Replaces all three choices in one step; any thread.
    void SetChoice(ScaleChoice choice);

private:
    // The published word: for each class, five bits at 5 x class holding the offset of its
    // output note from the start of the input note's octave (target, plus 12 when it lies in
    // the next octave up), or kPackedBlocked. kPackedIrregular marks a map with an entry
    // outside -1..11, which MapNote then works out from the entries themselves.
    static constexpr uint64_t kPackedBlocked = 31;
    static constexpr uint64_t kPackedIrregular = uint64_t{1} << 63;

    // The stored entries' own rule, for any note and any entry values.
    int32_t map_from_entries(int32_t note) const noexcept;
    // Writers only, holding writing_.
    void publish() noexcept;

    mutable std::mutex choiceLock_;
    ScaleChoice choice_;
    static_assert(std::atomic<int32_t>::is_always_lock_free);
    std::array<std::atomic<int32_t>, kEntries> entries_;
    static_assert(std::atomic<uint64_t>::is_always_lock_free);
    std::atomic<uint64_t> packed_{kPackedIrregular};
    std::atomic_flag writing_;
};

// One load of the published word and a shift for the notes 0..127 of a map whose entries are
// all -1..11 (every map the editor, the wizard and stored states make); the entries' own rule
// (map_from_entries) otherwise, with the same results.
inline int32_t TScaleMap::MapNote(int32_t note) const noexcept {
    const uint64_t packed = packed_.load(std::memory_order_relaxed);
    if (static_cast<uint32_t>(note) >= 128 || (packed & kPackedIrregular) != 0) {
        return map_from_entries(note);
    }
    const auto octave = static_cast<uint32_t>(note) / 12;
    const uint32_t pc = static_cast<uint32_t>(note) - octave * 12;
    const auto offset = static_cast<int32_t>((packed >> (5 * pc)) & 0x1F);
    return offset == static_cast<int32_t>(kPackedBlocked)
               ? kBlocked
               : offset + static_cast<int32_t>(octave) * 12;
}

} // namespace tonvo
