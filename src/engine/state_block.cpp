#include "engine/state_block.h"

namespace tonvo {

void write_note_map_section(ValueWriter& writer, const NoteMapState& state) {
    writer.ListStart();
    writer.String(state.ScaleName);
    writer.Integer(state.Tonic);
    writer.Boolean(state.EasyMode);
    writer.ListEnd();
    writer.ListStart();
    for (int32_t entry : state.Entries) {
        writer.ListStart();
        writer.Integer(entry);
        writer.ListEnd();
    }
    writer.ListEnd();
}

NoteMapState read_note_map_section(ValueReader& reader) {
    NoteMapState state;
    reader.ExpectListStart();
    state.ScaleName = reader.String();
    state.Tonic = reader.Integer();
    state.EasyMode = reader.Boolean();
    reader.ExpectListEnd();
    reader.ExpectListStart();
    for (size_t index = 0; !reader.NextIsListEnd(); ++index) {
        reader.ExpectListStart();
        const int32_t entry = reader.Integer();
        reader.ExpectListEnd();
        if (index < state.Entries.size()) {
            state.Entries[index] = entry;
        }
    }
    reader.ExpectListEnd();
    return state;
}

} // namespace tonvo
