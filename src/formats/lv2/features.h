// The data of the host's feature of that URI, or null when the host gives none.
#pragma once

#include <cstring>
#include <lv2/core/lv2.h>

namespace tonvo::lv2 {

inline void* find_feature(const LV2_Feature* const* features, const char* uri) noexcept {
    for (; features != nullptr && *features != nullptr; ++features) {
        if (std::strcmp((*features)->URI, uri) == 0) {
            return (*features)->data;
        }
    }
    return nullptr;
}

} // namespace tonvo::lv2
