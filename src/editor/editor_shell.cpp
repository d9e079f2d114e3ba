#include "editor/editor_shell.h"

#include <memory>
#include <stdexcept>

namespace tonvo::editor {

EditorShell::EditorShell(FormFactory factory, TEditorDialogs& dialogs, TDialogSize designSize)
    : factory_(std::move(factory)), dialogs_(dialogs), designSize_(designSize) {}

EditorShell::~EditorShell() {
    Close();
}

int EditorShell::ClientWidth() const {
    return form_ ? form_->buffer().width() : designSize_.Width;
}

int EditorShell::ClientHeight() const {
    return form_ ? form_->buffer().height() : designSize_.Height;
}

void EditorShell::ShowInParent(void* parentWindow) {
    hiddenAfterLoop_ = false;
    if (form_) {
        if (parentWindow == parent_) {
            window_->show(*form_);
            return;
        }
        // Opened elsewhere without a close (the host rebuilt its window), or again after a
        // close inside a loop: the form cannot move between host windows, so the old window
        // and its form go and new ones are built.
        Retire();
    }
    try {
        window_ = ui::open_editor_window(parentWindow);
        if (!window_) {
            throw std::runtime_error("No editor window can be made in the host's window");
        }
        if (factory_) {
            form_ = factory_(window_->desktop());
        }
        if (!form_) {
            throw std::runtime_error("The editor form could not be made");
        }
        parent_ = parentWindow;
        window_->show(*form_);
        dialogs_.AttachEditor(window_->desktop(), *form_);
        dialogsAttached_ = true;
        form_->FormShow();
    } catch (...) {
        Close();
        throw;
    }
}

void EditorShell::Close() noexcept {
    if (dialogsAttached_) {
        dialogsAttached_ = false;
        try {
            dialogs_.DetachEditor();
        } catch (...) {
            // Nothing may unwind into the host from here; the form goes regardless.
        }
    }
    if (window_) {
        window_->forget();
    }
    form_.reset();
    window_.reset();
    parent_ = nullptr;
}

void EditorShell::Retire() noexcept {
    if (!window_ || !window_->in_loop()) {
        Close();
        return;
    }
    // A menu or dialog of the old form runs below this call (the host opens the editor from a
    // timer that fires inside it), and the form's code goes on when it ends: the old window
    // and form go once that call has returned.
    if (dialogsAttached_) {
        dialogsAttached_ = false;
        try {
            dialogs_.DetachEditor();
        } catch (...) {
            // Nothing may unwind into the host from here; the form goes regardless.
        }
    }
    window_->end_loops_and_hide();
    struct Retired {
        std::unique_ptr<ui::EditorWindow> window;
        std::unique_ptr<PluginEditorForm> form;
    };
    std::shared_ptr<Retired> retired;
    try {
        retired = std::make_shared<Retired>();
        retired->window = std::move(window_);
        retired->form = std::move(form_);
        std::function<void()> work = [retired] {
            retired->window->forget();
            retired->form.reset();
            retired->window.reset();
        };
        if (!ui::postpone_while_windows_busy(work)) {
            work();
        }
    } catch (...) {
        // No memory to hand them on: kept for good rather than freed under the running call.
        static_cast<void>((retired ? retired->window : window_).release());
        static_cast<void>((retired ? retired->form : form_).release());
    }
    parent_ = nullptr;
}

bool EditorShell::HideInsideLoop() {
    if (!window_ || !window_->in_loop()) {
        return false;
    }
    window_->end_loops_and_hide();
    // The next opening builds anew, even in a host window that has the same handle.
    parent_ = nullptr;
    hiddenAfterLoop_ = true;
    return true;
}

void EditorShell::FocusControlUnderCursor() {
    if (form_) {
        form_->FocusControlUnderCursor();
    }
}

void EditorShell::EditIdle() {
    if (window_ && form_) {
        window_->idle();
    }
}

void EditorShell::UpdateControls() {
    if (form_) {
        form_->UpdateControls();
    }
}

void EditorShell::RefreshHighlights() {
    if (form_) {
        form_->RefreshHighlights();
    }
}

void EditorShell::UpdatePresetName() {
    if (form_) {
        form_->UpdatePresetName();
    }
}

void EditorShell::PresetLoaded() {
    if (form_) {
        form_->PresetLoaded();
    }
}

void EditorShell::InitPreset() {
    if (form_) {
        form_->InitPreset();
    }
}

void EditorShell::ShowInfo(const std::string& text) {
    if (form_) {
        form_->ShowInfo(text);
    }
}

TDialogSize EditorShell::GetPresetDialogSize() const {
    return form_ ? form_->GetPresetDialogSize() : TPluginEditor::GetPresetDialogSize();
}

bool EditorShell::HighlightNoteOn(int note) {
    return form_ && form_->HighlightNoteOn(note);
}

bool EditorShell::HighlightNoteOff(int note) {
    return form_ && form_->HighlightNoteOff(note);
}

} // namespace tonvo::editor
