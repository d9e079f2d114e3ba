// The five skins: the index kept in the settings, the visual style each activates and the
// caption of its menu item. Every index other than 1 to 4 shows the first skin.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace tonvo {

struct SkinInfo {
    std::string_view StyleName;
    std::string_view Resource;
    std::string_view MenuCaption;
};

inline constexpr std::array<SkinInfo, 5> kSkins = {{
    {"Carbon", "CARBON", "Carbon"},
    {"Amakrits", "AMAKRITS", "Dark"},
    {"Light", "LIGHT", "Light"},
    {"Luna", "LUNA", "Luna"},
    {"Smokey Quartz Velto", "SMOKEY", "Smokey"},
}};

constexpr const SkinInfo& SkinFor(int32_t index) {
    return index >= 1 && index <= 4 ? kSkins[static_cast<size_t>(index)] : kSkins[0];
}

} // namespace tonvo
