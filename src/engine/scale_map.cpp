#include "engine/scale_map.h"

#include <limits>
#include <thread>
#include <utility>

namespace tonvo {

namespace {
constexpr std::array<int32_t, TScaleMap::kEntries> kDefaultEntries = {0,  -1, 2,  -1, 4,  5,
                                                                      -1, 7,  -1, 9,  -1, 11};
} // namespace

void TScaleMap::SetScaleMap(int32_t index, int32_t value) noexcept {
    while (writing_.test_and_set(std::memory_order_acquire)) {
        std::this_thread::yield();
    }
    entries_[static_cast<size_t>(index)].store(value, std::memory_order_relaxed);
    publish();
    writing_.clear(std::memory_order_release);
}

void TScaleMap::publish() noexcept {
    std::array<int32_t, kEntries> entries{};
    bool regular = true;
    for (size_t i = 0; i < entries.size(); ++i) {
        entries[i] = entries_[i].load(std::memory_order_relaxed);
        regular = regular && entries[i] >= kBlocked && entries[i] < kEntries;
    }
    if (!regular) {
        packed_.store(kPackedIrregular, std::memory_order_relaxed);
        return;
    }
    uint64_t packed = 0;
    int32_t lowest = kBlocked; // the target of the lowest unblocked class below the current one
    for (size_t i = 0; i < entries.size(); ++i) {
        const int32_t target = entries[i];
        const uint64_t offset = target == kBlocked ? kPackedBlocked
                                : target < lowest  ? static_cast<uint64_t>(target + 12)
                                                   : static_cast<uint64_t>(target);
        packed |= offset << (5 * i);
        if (lowest == kBlocked) {
            lowest = target;
        }
    }
    packed_.store(packed, std::memory_order_relaxed);
}

// The lowest unblocked input class fixes where the output octave starts: a class whose target
// lies below that class's target goes to the next octave up, so a map that moves every class
// by the same amount moves every note by that amount.
int32_t TScaleMap::map_from_entries(int32_t note) const noexcept {
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

TScaleMap::TScaleMap() noexcept {
    for (int32_t i = 0; i < kEntries; ++i) {
        SetScaleMap(i, kDefaultEntries[static_cast<size_t>(i)]);
    }
}

void TScaleMap::ResetMap() {
    for (int32_t i = 0; i < kEntries; ++i) {
        SetScaleMap(i, kDefaultEntries[static_cast<size_t>(i)]);
    }
    SetChoice({});
}

ScaleChoice TScaleMap::Choice() const {
    const std::lock_guard<std::mutex> lock(choiceLock_);
    return choice_;
}

void TScaleMap::SetChoice(ScaleChoice choice) {
    const std::lock_guard<std::mutex> lock(choiceLock_);
    choice_ = std::move(choice);
}

void TScaleMap::ClearMap() noexcept {
    for (int32_t i = 0; i < kEntries; ++i) {
        SetScaleMap(i, kBlocked);
    }
}

} // namespace tonvo
