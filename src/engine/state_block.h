// The plug-in's whole persistent state as one value, and the container it travels in: the
// "mmst" chunk around a "TPF0" tagged value stream. The host's project and every preset file
// hold exactly these bytes.
//
// Loading parses into a fresh PluginState first; the module applies it only when the whole
// block was read, so a bad block changes nothing.
#pragma once

#include "engine/chunk_classes.h"
#include "engine/midi_cc_list.h"
#include "engine/value_stream.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace tonvo {

// The largest preset file read: one state block is a few hundred bytes, so anything near this
// is not a preset, and reading it whole (the init preset at every instance creation) would
// only cost time and memory.
inline constexpr size_t kMaxPresetFileBytes = size_t{1} << 20;

// The state container: name "mmst", flags clear.
class TMemoryStreamChunk : public TCustomMemoryStreamChunk {
public:
    TMemoryStreamChunk() : TCustomMemoryStreamChunk("mmst") {}
};

struct NoteMapState {
    std::string ScaleName;
    int32_t Tonic = 0;
    bool EasyMode = true;
    // Entries the block does not contain keep the default map's value.
    std::array<int32_t, 12> Entries = {0, -1, 2, -1, 4, 5, -1, 7, -1, 9, -1, 11};

    bool operator==(const NoteMapState&) const = default;
};

struct PluginState {
    std::string Version;
    std::string PresetName;
    // The plug-in section; empty for a module that writes an empty section.
    std::optional<NoteMapState> NoteMap;
    // Absent when the block has no CC section (the list is then left empty by the reset).
    std::optional<std::vector<TMidiCCItem>> CCAssignments;

    bool operator==(const PluginState&) const = default;
};

// The note-map part of the plug-in section.
void write_note_map_section(ValueWriter& writer, const NoteMapState& state);
// Reads at most twelve entries into the state; further entries are read and ignored.
NoteMapState read_note_map_section(ValueReader& reader);

} // namespace tonvo
