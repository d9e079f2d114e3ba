// The desktop of the Win32 backend: the process's steady clock, the system clipboard
// (CF_UNICODETEXT), the work area of the monitor the editor is on, and the nested loops of
// popup menus and modal dialogs. The loops run inside the call that asked for them (a window
// procedure of the editor, or the host's idle call) and dispatch every message of the thread,
// so the host's windows keep painting and its timers keep firing meanwhile.
//
// Popup menus: one WS_POPUP tool window per open pane, topmost and never activated, with the
// mouse captured by the root pane; keys of the thread go to the menu. A press outside every
// pane, a lost capture or the application losing the foreground closes the menu.
// Modal dialogs: top-level windows with a caption and a close button, owned by the editor's
// top-level window (none without an editor), placed where the caller put the form. The owner
// is disabled while the dialog runs and enabled again before the dialog is destroyed, so that
// Windows gives the activation back to it. The close button answers Cancel. A dialog that
// closes because button_down_outside reported a press hands that press (one press and release
// at the pointer) to whatever window is under the pointer once the dialog has gone.
//
// Thread contract: the user-interface thread.
#pragma once

#include "ui/clipboard.h"
#include "ui/desktop.h"
#include "ui/win32/win32_support.h"

#include <memory>
#include <vector>

namespace tonvo::ui {

// The system clipboard as UTF-8 text, opened for `owner`'s use.
class Win32Clipboard final : public Clipboard {
public:
    explicit Win32Clipboard(HWND owner = nullptr) : owner_(owner) {}
    std::string text() override;
    void set_text(std::string_view text) override;

private:
    HWND owner_;
};

// Owned through a shared_ptr: a loop running on it keeps it alive when its editor goes meanwhile
// (a host may close the editor from a timer while a dialog of ours is open).
class Win32Desktop final : public Desktop, public std::enable_shared_from_this<Win32Desktop> {
public:
    // What the loops tell the editor window: that it should repaint what its form changed (the
    // form's input and timers wait while a loop of ours runs).
    class Sink {
    public:
        virtual ~Sink() = default;
        virtual void repaint() = 0;
    };

    // `editor`: the editor's window (null for the desktop used without an editor).
    Win32Desktop(HWND editor, Sink* sink) : editor_(editor), sink_(sink), clipboard_(editor) {}

    Clock& clock() override;
    Clipboard& clipboard() override { return clipboard_; }
    Rect screen() override;

    ModalResult run_modal(Form& form, Form* owner) override;
    void wait(Millis time) override;
    void run_menu(MenuSession& session) override;
    std::optional<MouseButton> button_down_outside(const Form& form) override;
    std::optional<Point> pointer_position() override;

    // How many menus and modal windows have started so far, and whether one runs now.
    int loops_run() const { return loops_run_; }
    bool in_loop() const { return loop_depth_ > 0; }
    // The loops running now end at their next turn (a dialog as Cancel, a menu with nothing
    // chosen); later ones run as ever.
    void end_loops() {
        if (loop_depth_ > 0) {
            ending_ = true;
        }
    }
    // The editor window went: nothing of it is used any more, and the loops running end (a
    // dialog as Cancel, a menu with nothing chosen).
    void editor_gone();

private:
    // The menu loop's windows and input (win32_menu_loop.cpp).
    class MenuSystem;

    // Dispatches the thread's pending messages; false when WM_QUIT came (it is posted again
    // for the host's own loop).
    bool pump();
    // Repaints what the forms of the dialogs open now and the editor's changed: a loop of ours
    // runs their only paint calls while it lasts.
    void repaint_shown();
    // One press and release of `button` (as the user has the buttons) where the pointer is.
    static void pass_on_press(MouseButton button);
    // One look of a modal loop's turn at the buttons: a left or right press begun since the
    // last look (held or already let go) with the pointer outside the dialog's window is kept
    // for button_down_outside, so that a click shorter than its caller's interval still counts.
    void note_outside_press();

    HWND editor_;
    Sink* sink_;
    Win32Clipboard clipboard_;
    // Our dialogs open now and their forms, innermost last: the next one is owned by the
    // innermost.
    struct OpenDialog {
        HWND window;
        Form* form;
    };
    std::vector<OpenDialog> dialogs_;
    int loops_run_ = 0;
    int loop_depth_ = 0;
    bool editor_gone_ = false;
    // Set by end_loops, cleared when the outermost loop ends.
    bool ending_ = false;
    // The press button_down_outside last reported, and for which form: the modal loop held it
    // back (the owner was disabled), so it is passed on once that form's dialog has gone.
    const Form* press_form_ = nullptr;
    MouseButton press_button_ = MouseButton::left;
    // The innermost dialog's watch for presses outside it: the buttons at the last look, and
    // the first press outside noted since button_down_outside last reported one.
    struct OutsideWatch {
        const Form* form = nullptr;
        HWND window = nullptr;
        bool down[2] = {false, false};
        std::optional<MouseButton> press;
    };
    OutsideWatch outside_;
};

} // namespace tonvo::ui
