// The backend's window for an editor form inside a window that is not ours (the host's), and
// the desktop dialogs use when no editor is open. Which backend answers is chosen by the
// library linked: headless (tests and tools), X11 (the Linux plug-in) and Win32 (the Windows
// plug-in).
//
// Thread contract: the thread that opened the window; calls from any other thread are ignored
// by the real backends.
#pragma once

#include "ui/desktop.h"
#include "ui/form.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace tonvo::ui {

class EditorWindow {
public:
    virtual ~EditorWindow() = default;
    // The desktop the editor's forms, menus and dialogs are made on.
    virtual Desktop& desktop() = 0;
    // Puts the form into the parent window at (0, 0) with its own size and shows it. The form
    // must outlive the window's use of it: call forget() before it goes.
    virtual void show(Form& form) = 0;
    // The form is going away; nothing of it is touched after this.
    virtual void forget() = 0;
    // The host's idle call: pending events, the form's timers, and the areas it repainted.
    virtual void idle() = 0;
    // The system's handle of the window (an X11 window id, an HWND), for a host that embeds
    // the window itself; 0 on a backend with no system window.
    virtual std::uintptr_t native_handle() const { return 0; }
    // Whether a menu or modal dialog of this window's desktop runs now: the form's own call
    // that started it is still under way.
    virtual bool in_loop() const { return false; }
    // The host closed the editor from inside such a loop (from one of its timers): the loops
    // end (a dialog as Cancel, a menu with nothing chosen) and the window hides; the form and
    // the window go later, once nothing of theirs runs.
    virtual void end_loops_and_hide() {}
};

// Whether this build can make editor windows at all.
bool editor_windows_available();
// A window inside `parent` (the host's window handle, or a HeadlessParent on the headless
// backend); null when none can be made there.
std::unique_ptr<EditorWindow> open_editor_window(void* parent);
// The desktop for a dialog asked for while no editor is open; null when there is none (the
// dialog then answers as a dismissed box would).
Desktop* standalone_desktop();
// For work that destroys an editor's form or window, or what owns them, asked for by a call
// of the host's that may arrive inside one of our loops (a host's timer fires there): true,
// with `work` taken, while a window procedure or loop of ours is under way on this thread, and
// `work` then runs once the outermost of them has returned; false, with `work` left to the
// caller, otherwise. Backends whose loops never let the host call in always answer false.
bool postpone_while_windows_busy(std::function<void()>& work);

} // namespace tonvo::ui
