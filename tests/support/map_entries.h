// A note map's twelve entries as one value: written into a map and read back from one.
#pragma once

#include "engine/scale_map.h"

#include <array>
#include <cstdint>

namespace tonvo::test {

using Entries = std::array<int32_t, 12>;

inline void fill(TScaleMap& map, const Entries& entries) {
    for (int32_t i = 0; i < 12; ++i) {
        map.SetScaleMap(i, entries[static_cast<size_t>(i)]);
    }
}

inline Entries entries_of(const TScaleMap& map) {
    Entries entries{};
    for (int32_t i = 0; i < 12; ++i) {
        entries[static_cast<size_t>(i)] = map.GetScaleMap(i);
    }
    return entries;
}

} // namespace tonvo::test
