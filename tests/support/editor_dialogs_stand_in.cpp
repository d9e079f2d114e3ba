// Stands in for the editor's dialogs until their implementation is in: it remembers the
// attached editor and shows nothing, answering as a dismissed box would. Temporary.
#include "editor/editor_dialogs.h"

namespace tonvo::editor {

void TEditorDialogs::AttachEditor(ui::Desktop& desktop, PluginEditorForm& form) {
    desktop_ = &desktop;
    form_ = &form;
    editorThread_ = std::this_thread::get_id();
}

void TEditorDialogs::DetachEditor() {
    desktop_ = nullptr;
    form_ = nullptr;
    editorThread_ = {};
}

void TEditorDialogs::Warning(const std::string&, const std::string&) {}

void TEditorDialogs::Information(const std::string&, const std::string&) {}

TAnswer TEditorDialogs::Ask(const std::string&, const std::string&) {
    return TAnswer::No;
}

std::optional<std::string> TEditorDialogs::InputText(const std::string&, const std::string&,
                                                     const std::string&, size_t) {
    return std::nullopt;
}

std::optional<std::filesystem::path> TEditorDialogs::BrowsePresets(const std::filesystem::path&,
                                                                   const std::string&) {
    return std::nullopt;
}

} // namespace tonvo::editor
