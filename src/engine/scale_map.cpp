#include "engine/scale_map.h"

#include <utility>

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

void TScaleMap::ResetMap() {
    for (int32_t i = 0; i < kEntries; ++i) {
        SetScaleMap(i, kDefaultEntries[static_cast<size_t>(i)]);
    }
    SetChoice({});
}

TScaleChoice TScaleMap::Choice() const {
    const std::lock_guard<std::mutex> lock(choiceLock_);
    return choice_;
}

void TScaleMap::SetChoice(TScaleChoice choice) {
    const std::lock_guard<std::mutex> lock(choiceLock_);
    choice_ = std::move(choice);
}

void TScaleMap::ClearMap() noexcept {
    for (int32_t i = 0; i < kEntries; ++i) {
        SetScaleMap(i, kBlocked);
    }
}

} // namespace tonvo
