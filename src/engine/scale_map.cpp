#include "engine/scale_map.h"

#include <limits>

namespace tonvo {

namespace {
constexpr std::array<int32_t, TScaleMap::kEntries> kDefaultEntries = {0,  -1, 2,  -1, 4,  5,
                                                                      -1, 7,  -1, 9,  -1, 11};
} // namespace

TScaleMap::TScaleMap() noexcept {
    for (int32_t i = 0; i < kEntries; ++i) {
        SetScaleMap(i, kDefaultEntries[static_cast<size_t>(i)]);
    }
}

// The lowest unblocked input class fixes where the output octave starts: a class whose target
// lies below that class's target goes to the next octave up, so a map that moves every class
// by the same amount moves every note by that amount.
int32_t TScaleMap::MapNote(int32_t note) const noexcept {
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

void TScaleMap::ResetMap() {
    for (int32_t i = 0; i < kEntries; ++i) {
        SetScaleMap(i, kDefaultEntries[static_cast<size_t>(i)]);
    }
    ScaleName.clear();
    Tonic = 0;
    EasyMode = true;
}

void TScaleMap::ClearMap() noexcept {
    for (int32_t i = 0; i < kEntries; ++i) {
        SetScaleMap(i, kBlocked);
    }
}

} // namespace tonvo
