#include "engine/state_body.h"

#include "engine/errors.h"

#include <utility>
#include <vector>

namespace tonvo {

void write_state_body(MemoryStream& body, const PluginState& state,
                      const std::function<void(ValueWriter&)>& writeSection) {
    body.Clear();
    ValueWriter writer(body);
    writer.Signature();
    writer.ListStart();
    writer.String(state.Version);
    writer.String(state.PresetName);
    writer.String({});
    writer.String({});
    writer.ListEnd();
    writer.ListStart();
    writeSection(writer);
    writer.ListEnd();
    writer.ListStart();
    for (const TMidiCCItem& item : state.CCAssignments.value_or(std::vector<TMidiCCItem>{})) {
        writer.ListStart();
        writer.String(item.Name);
        writer.Integer(item.CC);
        writer.ListEnd();
    }
    writer.ListEnd();
}

PluginState read_state_body(MemoryStream& body,
                            const std::function<void(ValueReader&, PluginState&)>& readSection) {
    PluginState state;
    ValueReader reader(body);
    reader.CheckSignature();
    reader.ExpectListStart();
    state.Version = reader.String();
    state.PresetName = reader.String();
    reader.String();
    reader.String();
    reader.ExpectListEnd();
    reader.ExpectListStart();
    readSection(reader, state);
    reader.ExpectListEnd();
    // A block without a CC section ends here; one with a section lists its assignments.
    if (!reader.NextIsListEnd()) {
        std::vector<TMidiCCItem> assignments;
        reader.ExpectListStart();
        while (!reader.NextIsListEnd()) {
            if (assignments.size() == kMaxCCAssignments) {
                throw EFormatError("Invalid stream format");
            }
            reader.ExpectListStart();
            TMidiCCItem item;
            item.Name = reader.String();
            item.CC = reader.Integer();
            reader.ExpectListEnd();
            assignments.push_back(std::move(item));
        }
        reader.ExpectListEnd();
        state.CCAssignments = std::move(assignments);
    }
    return state;
}

} // namespace tonvo
