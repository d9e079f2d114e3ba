#include "engine/plugin_settings.h"

#include <algorithm>

namespace tonvo {

std::atomic<int8_t> TPluginSettings::ProcessLowestOctave{-2};

std::string TPluginSettings::KeyPath(const std::string& productName) {
    return "Software\\Brelwick\\" + productName;
}

void TPluginSettings::ReadFrom(TSettingsStore& store) {
    Style = store.ReadInteger("Config", "Style", 0);
    LowestOctave = store.ReadInteger("Config", "LowestOctave", -2);
}

void TPluginSettings::FinishRead() noexcept {
    LowestOctave = std::clamp(LowestOctave, -2, 0);
    ProcessLowestOctave.store(static_cast<int8_t>(LowestOctave));
}

void TPluginSettings::WriteTo(TSettingsStore& store) const {
    store.WriteInteger("Config", "Style", Style);
    store.WriteInteger("Config", "LowestOctave", LowestOctave);
}

void TPluginSettings::ResetToDefaults() noexcept {
    Style = 0;
    LowestOctave = -2;
    ProcessLowestOctave.store(-2);
}

bool TPluginSettings::ChangeSkin(int32_t index) noexcept {
    if (index == Style) {
        return false;
    }
    Style = index;
    return true;
}

bool TPluginSettings::ChangeLowestOctave(int32_t value) noexcept {
    if (value == LowestOctave) {
        return false;
    }
    LowestOctave = value;
    ProcessLowestOctave.store(static_cast<int8_t>(value));
    return true;
}

} // namespace tonvo
