// The instance's settings: the skin index and the lowest octave the editor shows, kept in the
// settings store under "Software\Brelwick\" + the product name, section "Config". Each instance
// reads the store once, at creation, and writes both values on every change.
//
// User-interface thread, except the process-wide lowest octave, which any thread may read.
#pragma once

#include "platform/settings_store.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace tonvo {

class PluginSettings {
public:
    int32_t Style = 0;
    int32_t LowestOctave = -2;
    // The last lowest octave any instance read or set; the editor's menu ticks its entry.
    static std::atomic<int8_t> ProcessLowestOctave;

    // The store's key path for a product.
    static std::string KeyPath(const std::string& productName);

    // Reads both values (defaults 0 and -2) as stored; FinishRead then clamps the octave to
    // -2..0 and publishes it. The module reads its own further values in between.
    void ReadFrom(SettingsStore& store);
    void FinishRead() noexcept;
    // Writes both values; fails with the store's message.
    void WriteTo(SettingsStore& store) const;
    // The defaults, published: what an instance runs with when its settings cannot be read.
    void ResetToDefaults() noexcept;

    // Each takes the value and answers true when it differs from the current one, which then
    // needs saving. The octave is published at once and not clamped.
    bool ChangeSkin(int32_t index) noexcept;
    bool ChangeLowestOctave(int32_t value) noexcept;
};

} // namespace tonvo
