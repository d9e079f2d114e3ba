// The dialog seam of a module with an editor: message boxes, questions, the text prompt and the
// preset browser, drawn by the editor's toolkit. A dialog asked for on the editor's thread while
// the editor is open is centred over the editor and owned by it; one asked for while no editor
// is open, or on another thread (a host restoring state from a worker thread), opens with no
// owner on the backend's standalone desktop, or answers as a dismissed box would when the
// backend has none.
//
// Thread contract: AttachEditor and DetachEditor on the editor's thread; the dialogs on any
// thread the module's commands run on. Another thread reads only the editor's thread id, to
// learn that the editor is not its own; it never touches the editor's form or desktop.
#pragma once

#include "editor/editor_base.h"
#include "editor/preset_browser.h"
#include "engine/dialogs.h"
#include "ui/desktop.h"

#include <atomic>
#include <thread>
#include <utility>

namespace tonvo::editor {

class EditorDialogs final : public DialogSeam {
public:
    // `warning_beep`: handed to the preset browser (tests count its switches); none: the
    // system's.
    explicit EditorDialogs(TfrmPresets::WarningBeepSwitch warning_beep = {})
        : warning_beep_(std::move(warning_beep)) {}

    // The open editor's form and its desktop; the calling thread becomes the editor's thread.
    void AttachEditor(ui::Desktop& desktop, TfrmVSTEditorBase& form);
    // Before the form goes.
    void DetachEditor();

    void Warning(const std::string& caption, const std::string& text) override;
    void Information(const std::string& caption, const std::string& text) override;
    DialogAnswer Ask(const std::string& caption, const std::string& text) override;
    // OK is allowed with an empty or blank text: Save Preset, the one caller, takes that as
    // "remove the name".
    std::optional<std::string> InputText(const std::string& caption, const std::string& prompt,
                                         const std::string& text, size_t maxLength) override;
    std::optional<std::filesystem::path> BrowsePresets(const std::filesystem::path& presetFolder,
                                                       const std::string& presetName) override;

private:
    struct Owner {
        ui::Desktop* desktop = nullptr;
        TfrmVSTEditorBase* form = nullptr;
    };
    // Where a dialog asked for now goes: the editor on its own thread, else the standalone
    // desktop with no owner; no desktop at all when there is neither.
    Owner CurrentOwner() const;

    TfrmPresets::WarningBeepSwitch warning_beep_;
    // Written and read on the editor's thread only.
    ui::Desktop* desktop_ = nullptr;
    TfrmVSTEditorBase* form_ = nullptr;
    // The thread that attached the editor; no thread's id while none is attached.
    std::atomic<std::thread::id> editorThread_{};
};

} // namespace tonvo::editor
