// The headless backend's editor window. What a test hands the module as the host's window
// (the parent pointer of effEditOpen) is a HeadlessParent: the desktop the editor is made on,
// and what the window did with it. The window shows the form by painting it into its own
// buffer; the idle call runs the form's timers and paints what they invalidated.
//
// Thread contract: the thread that opened the window; idle calls from another thread are
// ignored, as a real window ignores them.
#pragma once

#include "ui/editor_window.h"
#include "ui/headless/headless_desktop.h"

namespace tonvo::ui {

struct HeadlessParent {
    explicit HeadlessParent(HeadlessDesktop& d) : desktop(d) {}

    HeadlessDesktop& desktop;
    // The form shown in this parent; null before show and after forget.
    Form* editor = nullptr;
    // Windows opened in this parent, forms shown, and idle calls that reached a form.
    int opened = 0;
    int shown = 0;
    int idles = 0;
    // No window can be made here: open_editor_window answers null.
    bool refuse = false;
};

// The desktop standalone_desktop() answers on this backend (null: none). Not owned.
void set_standalone_desktop(Desktop* desktop);

} // namespace tonvo::ui
