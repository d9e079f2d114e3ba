#include "editor/editor_factory.h"

#include "editor/note_map_editor.h"

namespace tonvo::editor {

std::unique_ptr<TfrmVSTEditorBase> create_editor_form(ui::Desktop& desktop, EditorLink& module) {
    return std::make_unique<TfrmEditor>(desktop, module);
}

} // namespace tonvo::editor
