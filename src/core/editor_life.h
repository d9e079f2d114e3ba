// The plug-in's editor from opening to close: the backend's window inside the host's window,
// the editor form in it, and the editor's dialogs centred over it while it is shown. Every
// plug-in format drives its editor through this one class: open into a native parent window,
// idle, size, and destruction for the close.
//
// It alone decides what happens when the host closes or re-opens the editor while one of the
// editor's own menus or dialogs runs its loop; the cases are explained in editor_life.cpp.
//
// Order of life: made with nothing open (the size is the design size given); open makes the
// window, the form on the window's desktop, shows it, hands it to the dialogs and runs
// FormShow. The destructor undoes that in reverse: dialogs detached, the window forgets the
// form, the form goes, then the window. The highlight gate is the plug-in module's: it attaches
// the form's hooks after an opening and detaches them before any opening and before the
// destruction, so this class never sees the audio thread.
//
// Thread contract: user-interface thread, the one that opened it, for everything; the plug-in
// module never calls it from another.
#pragma once

#include "editor/editor_base.h"
#include "editor/editor_dialogs.h"
#include "engine/editor_link.h"
#include "engine/plugin_editor.h"
#include "ui/editor_window.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace tonvo::core {

// How the editor's windows are made and work is postponed until the editor's loops have
// returned: the linked backend's (ui/editor_window.h) unless a test gives its own.
struct EditorWindowSystem {
    std::unique_ptr<ui::EditorWindow> (*open)(void* parent) = &ui::open_editor_window;
    bool (*postpone)(std::function<void()>& work) = &ui::postpone_while_windows_busy;
};

class EditorLife final {
public:
    // Makes the editor form on the window's desktop for the plug-in `link`; may fail or answer
    // null.
    using FormFactory =
        std::function<std::unique_ptr<editor::TfrmVSTEditorBase>(ui::Desktop&, EditorLink&)>;

    EditorLife(FormFactory factory, EditorLink& link, editor::EditorDialogs& dialogs,
               DialogSize designSize = {}, EditorWindowSystem windows = {});
    // The close. Inside a loop of the editor's the window hides now and it and the form go
    // once that loop's call has returned; otherwise everything goes at once. Never fails.
    ~EditorLife();
    EditorLife(const EditorLife&) = delete;
    EditorLife& operator=(const EditorLife&) = delete;

    // The form's size once shown; the design size before.
    int width() const;
    int height() const;
    // Fails, leaving nothing open, when no window can be made in that parent or the form
    // cannot be made. The same parent shows the same form again; another parent, or any parent
    // after instance_closing, builds a new window and form (the old ones go as at the close).
    void open(void* parentWindow);
    // Every idle call of the host, flagged or not: timers, pending paint and, on a real
    // window, its events.
    void idle();
    // The instance is closing: whatever of the editor runs under the close ends (a dialog as
    // Cancel) and the window hides; the editor goes with the instance. Never fails.
    void instance_closing() noexcept;
    // The hooks of the form shown now; null when there is none.
    EditorHooks* hooks() const noexcept { return form_.get(); }

    // The system's handle of the window shown now (see ui::EditorWindow::native_handle); 0
    // while none is.
    std::uintptr_t native_window() const noexcept {
        return window_ && parent_ != nullptr ? window_->native_handle() : 0;
    }
    // The form while one exists, else null.
    editor::TfrmVSTEditorBase* form() const noexcept { return form_.get(); }

    // For the destruction of the whole plug-in instance, which the host may ask for from inside
    // one of the editor's loops: true, with `work` taken, while a window procedure or loop of
    // the editor's runs on this thread (the work runs once the outermost has returned); false,
    // with `work` left to the caller, otherwise. The linked backend's answer.
    static bool postpone_instance_destruction(std::function<void()>& work);

private:
    // Everything open made, in reverse order, at once. Never fails.
    void close_now() noexcept;
    // Lets go of the window and form: at once when no loop of theirs runs, else hidden now and
    // destroyed once the call that runs the loop has returned. Never fails.
    void retire() noexcept;
    void detach_dialogs() noexcept;

    FormFactory factory_;
    EditorLink& link_;
    editor::EditorDialogs& dialogs_;
    DialogSize designSize_;
    EditorWindowSystem windows_;
    // The host's window the form is shown in; null while none is, and after the editor hid
    // for the instance's close, so that the next opening builds anew.
    void* parent_ = nullptr;
    std::unique_ptr<ui::EditorWindow> window_;
    std::unique_ptr<editor::TfrmVSTEditorBase> form_;
    bool dialogsAttached_ = false;
};

} // namespace tonvo::core
