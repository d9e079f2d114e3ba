#include "editor/editor_dialogs.h"

#include "base/utf.h"
#include "editor/input_dialogs.h"
#include "editor/message_box.h"
#include "ui/editor_window.h"

namespace tonvo::editor {
namespace {

// The browser takes its folder as UTF-8 text ending with a separator and appends the file
// name to it. An empty folder (no documents folder known) stays empty, so nothing is listed,
// rather than becoming the root folder.
std::string folder_text(const std::filesystem::path& folder) {
    const std::u8string text = (folder / std::filesystem::path()).u8string();
    return std::string(text.begin(), text.end());
}

} // namespace

void EditorDialogs::AttachEditor(ui::Desktop& desktop, TfrmVSTEditorBase& form) {
    desktop_ = &desktop;
    form_ = &form;
    // Published last: a thread that sees its own id here also sees the pointers.
    editorThread_.store(std::this_thread::get_id());
}

void EditorDialogs::DetachEditor() {
    // No thread has the default id, so from here every dialog goes standalone.
    editorThread_.store(std::thread::id());
    desktop_ = nullptr;
    form_ = nullptr;
}

EditorDialogs::Owner EditorDialogs::CurrentOwner() const {
    // The pointers are only read once the id says this is the thread that wrote them.
    if (editorThread_.load() == std::this_thread::get_id() && desktop_ != nullptr)
        return {desktop_, form_};
    return {ui::standalone_desktop(), nullptr};
}

void EditorDialogs::Warning(const std::string& caption, const std::string& text) {
    const Owner owner = CurrentOwner();
    if (owner.desktop != nullptr)
        CenteredMessageBox(*owner.desktop, owner.form, text, caption, MessageKind::warning,
                           MessageButtons::ok);
}

void EditorDialogs::Information(const std::string& caption, const std::string& text) {
    const Owner owner = CurrentOwner();
    if (owner.desktop != nullptr)
        CenteredMessageBox(*owner.desktop, owner.form, text, caption, MessageKind::information,
                           MessageButtons::ok);
}

DialogAnswer EditorDialogs::Ask(const std::string& caption, const std::string& text) {
    const Owner owner = CurrentOwner();
    if (owner.desktop == nullptr)
        return DialogAnswer::No;
    switch (CenteredMessageBox(*owner.desktop, owner.form, text, caption, MessageKind::confirmation,
                               MessageButtons::yes_no)) {
    case ui::ModalResult::yes: return DialogAnswer::Yes;
    case ui::ModalResult::no: return DialogAnswer::No;
    default: return DialogAnswer::Cancel;
    }
}

std::optional<std::string> EditorDialogs::InputText(const std::string& caption,
                                                    const std::string& prompt,
                                                    const std::string& text, size_t maxLength) {
    const Owner owner = CurrentOwner();
    if (owner.desktop == nullptr)
        return std::nullopt;
    std::string answer = text;
    if (!editor::InputText(*owner.desktop, owner.form, caption, prompt, answer, maxLength, true))
        return std::nullopt;
    return answer;
}

std::optional<std::filesystem::path>
EditorDialogs::BrowsePresets(const std::filesystem::path& presetFolder,
                             const std::string& presetName) {
    const Owner owner = CurrentOwner();
    if (owner.desktop == nullptr)
        return std::nullopt;
    TfrmPresets dialog(*owner.desktop, warning_beep_);
    // Over an editor the size is the editor's to choose; alone it keeps its design size.
    if (owner.form != nullptr) {
        const DialogSize size = owner.form->GetPresetDialogSize();
        dialog.set_client_size(size.Width, size.Height);
    }
    dialog.place_over(owner.form);
    dialog.PresetFolder = folder_text(presetFolder);
    dialog.CurrentPresetName = presetName;
    if (dialog.ShowModal(owner.form) != ui::ModalResult::ok)
        return std::nullopt;
    const std::string file = dialog.SelectedFile();
    if (file.empty())
        return std::nullopt;
    return base::path_from_utf8(file);
}

} // namespace tonvo::editor
