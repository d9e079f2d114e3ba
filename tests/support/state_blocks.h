// State blocks for the format tests, made by the core the way the plug-in writes them, and the
// delivered events they compare with.
#pragma once

#include "core/plugin.h"
#include "support/default_state.h"
#include "support/fake_host.h"

#include <string>
#include <vector>

namespace tonvo::test {

// The state block of a state whose map sends every pitch class `shift` semitones up.
inline std::vector<uint8_t> shifted_map_block(int shift, const std::string& preset_name = {}) {
    PluginState state;
    state.Version = "1.00";
    state.PresetName = preset_name;
    NoteMapState map;
    for (int i = 0; i < 12; ++i) {
        map.Entries[static_cast<size_t>(i)] = (i + shift) % 12;
    }
    state.NoteMap = map;
    state.CCAssignments = std::vector<TMidiCCItem>{};
    MemoryStream body;
    core::Plugin::write_state(body, state);
    return in_container({body.Bytes().begin(), body.Bytes().end()});
}

inline Delivered on(int channel, int note, int velocity, int frame) {
    return {static_cast<uint8_t>(0x90 | channel), static_cast<uint8_t>(note),
            static_cast<uint8_t>(velocity), frame};
}
// A note-off carries the velocity of the note-on it ends.
inline Delivered off(int channel, int note, int frame, int velocity = 100) {
    return {static_cast<uint8_t>(0x80 | channel), static_cast<uint8_t>(note),
            static_cast<uint8_t>(velocity), frame};
}

} // namespace tonvo::test
