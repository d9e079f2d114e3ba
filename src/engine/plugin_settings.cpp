#include "engine/plugin_settings.h"

#include <algorithm>

namespace tonvo {

std::atomic<int8_t> PluginSettings::ProcessLowestOctave{-2};

std::string PluginSettings::KeyPath(const std::string& productName) {
    return "Software\\Brelwick\\" + productName;
}

void PluginSettings::ReadFrom(SettingsStore& store) {
    Style = store.ReadInteger("Config", "Style", 0);
    LowestOctave = store.ReadInteger("Config", "LowestOctave", -2);
}

void PluginSettings::FinishRead() noexcept {
    LowestOctave = std::clamp(LowestOctave, -2, 0);
    ProcessLowestOctave.store(static_cast<int8_t>(LowestOctave));
}

void PluginSettings::WriteTo(SettingsStore& store) const {
    store.WriteInteger("Config", "Style", Style);
    store.WriteInteger("Config", "LowestOctave", LowestOctave);
}

void PluginSettings::ResetToDefaults() noexcept {
    Style = 0;
    LowestOctave = -2;
    ProcessLowestOctave.store(-2);
}

bool PluginSettings::ChangeSkin(int32_t index) noexcept {
    if (index == Style) {
        return false;
    }
    Style = index;
    return true;
}

bool PluginSettings::ChangeLowestOctave(int32_t value) noexcept {
    if (value == LowestOctave) {
        return false;
    }
    LowestOctave = value;
    ProcessLowestOctave.store(static_cast<int8_t>(value));
    return true;
}

} // namespace tonvo
