#include "editor/editor_factory.h"

#include "editor/note_map_editor.h"

namespace tonvo::editor {

std::unique_ptr<PluginEditorForm> CreateEditorForm(ui::Desktop& desktop, TEditorModule& module) {
    return std::make_unique<TfrmEditor>(desktop, module);
}

} // namespace tonvo::editor
