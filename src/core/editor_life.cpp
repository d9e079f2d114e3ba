#include "core/editor_life.h"

#include <stdexcept>
#include <utility>

// A close or a re-opening inside one of the editor's own loops
// -------------------------------------------------------------
// Our popup menus and modal dialogs run a nested loop inside the form's own call (a click
// handler that asks a question, the preset browser, the wizard's confirmation). On Windows the
// host's timers keep firing in that loop, so the host can call us from inside it: the form and
// its window are then on the stack below the host's call, and their code goes on once the
// loop ends. Nothing they use may be freed before that. (On X11 our loops serve our own windows
// only and the host cannot call in; the headless backend has no loops of its own.)
//
// - Closed inside a loop (effEditClose from a host timer): the loop ends (a dialog as Cancel, a
//   menu with nothing chosen), the window hides at once, the dialogs and the plug-in's hooks are
//   detached at once, and the window and form are handed to the backend's postponed work, which
//   destroys them once the outermost call of ours has returned. This object itself goes now.
// - Re-opened inside a loop, in another parent or in the same one after such a close: a new
//   window and form are built and shown at once, as the host expects; the old pair goes as at a
//   close inside the loop. A form cannot move between host windows, so a different parent
//   always rebuilds, also outside a loop (then the old pair goes at once).
// - The plug-in instance destroyed inside a loop (effClose from a host timer): the host has let
//   the instance go but the loop's call still runs in it. instance_closing ends the loop and
//   hides the window; the module postpones its own destruction with
//   postpone_instance_destruction, and this object, its window and form go with the module
//   once the call has returned. Work postponed earlier (a retired pair) runs first.
// - The host's window destroyed before the close: the backend's window notices (its handle
//   vanished or its X errors name a window that is gone) and stays quiet; idle and the close
//   go through here as usual and the next opening builds anew.
//
// Should the postponed hand-over itself fail (no memory), the old window and form are kept for
// good rather than freed under the running call.

namespace tonvo::core {

EditorLife::EditorLife(FormFactory factory, EditorLink& link, editor::EditorDialogs& dialogs,
                       DialogSize designSize, EditorWindowSystem windows)
    : factory_(std::move(factory)), link_(link), dialogs_(dialogs), designSize_(designSize),
      windows_(windows) {}

EditorLife::~EditorLife() {
    retire();
}

int EditorLife::width() const {
    return form_ ? form_->buffer().width() : designSize_.Width;
}

int EditorLife::height() const {
    return form_ ? form_->buffer().height() : designSize_.Height;
}

void EditorLife::open(void* parentWindow) {
    if (form_) {
        if (parentWindow == parent_) {
            window_->show(*form_);
            return;
        }
        retire();
    }
    try {
        window_ = windows_.open(parentWindow);
        if (!window_) {
            throw std::runtime_error("No editor window can be made in the host's window");
        }
        if (factory_) {
            form_ = factory_(window_->desktop(), link_);
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
        close_now();
        throw;
    }
}

void EditorLife::idle() {
    if (window_ && form_) {
        window_->idle();
    }
}

void EditorLife::instance_closing() noexcept {
    if (!window_ || !window_->in_loop()) {
        return;
    }
    try {
        window_->end_loops_and_hide();
    } catch (...) {
        // Nothing may unwind into the host's close; the window goes with the module regardless.
    }
    parent_ = nullptr;
}

bool EditorLife::postpone_instance_destruction(std::function<void()>& work) {
    return ui::postpone_while_windows_busy(work);
}

void EditorLife::detach_dialogs() noexcept {
    if (!dialogsAttached_) {
        return;
    }
    dialogsAttached_ = false;
    try {
        dialogs_.DetachEditor();
    } catch (...) {
        // Nothing may unwind into the host from here; the form goes regardless.
    }
}

void EditorLife::close_now() noexcept {
    detach_dialogs();
    if (window_) {
        window_->forget();
    }
    form_.reset();
    window_.reset();
    parent_ = nullptr;
}

void EditorLife::retire() noexcept {
    if (!window_ || !window_->in_loop()) {
        close_now();
        return;
    }
    detach_dialogs();
    try {
        window_->end_loops_and_hide();
    } catch (...) {
        // Hidden or not, the pair is handed on below.
    }
    struct Retired {
        std::unique_ptr<ui::EditorWindow> window;
        std::unique_ptr<editor::TfrmVSTEditorBase> form;
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
        if (!windows_.postpone(work)) {
            work();
        }
    } catch (...) {
        static_cast<void>((retired ? retired->window : window_).release());
        static_cast<void>((retired ? retired->form : form_).release());
    }
    parent_ = nullptr;
}

} // namespace tonvo::core
