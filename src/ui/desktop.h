// What the toolkit needs from the platform beyond one form's pixels: the clock for timers, the
// screen, the clipboard, and modal loops. A backend (headless, X11, Win32) implements it; the
// controls and forms never see which one.
//
// Thread contract: user-interface thread only.
#pragma once

#include "ui/clipboard.h"
#include "ui/clock.h"
#include "ui/input.h"
#include "ui/rect.h"

#include <optional>

namespace tonvo::ui {

class Form;
class MenuSession;

class Desktop {
public:
    virtual ~Desktop() = default;

    virtual Clock& clock() = 0;
    virtual Clipboard& clipboard() = 0;
    // The screen's work area, in screen pixels.
    virtual Rect screen() = 0;

    // Shows `form` as a modal window over `owner` (none: no owner) and serves input to it, and
    // paints our other windows, until the form has a modal result, which is returned. The form
    // must already be placed (its screen position set).
    virtual ModalResult run_modal(Form& form, Form* owner) = 0;
    // Waits about `time` while our windows keep repainting; used between two showings of a
    // dialog.
    virtual void wait(Millis time) = 0;

    // Shows the panes of an open popup menu as borderless windows above every other, with the
    // pointer and the keyboard held by the menu, and serves input to the session in screen
    // coordinates (a press may land outside every pane) until it is finished. Panes open and
    // close as the session goes; the backend keeps its windows in step with session's panes
    // and repaints them, and calls session.idle() regularly.
    virtual void run_menu(MenuSession& session) = 0;

    // Where the pointer is on the screen now; none when the backend cannot tell. An opening
    // menu learns from it what lies under the press that opened it.
    virtual std::optional<Point> pointer_position() { return std::nullopt; }

    // For popup-like windows that close on a click elsewhere: the left or right mouse button
    // held down now while the pointer lies outside `form` on the screen (left before right
    // when both are; the middle button is no click elsewhere), or none. Only a press that
    // began outside our window shows here, since one of ours is captured by the form. A
    // backend may also report such a press that was let go again since the last call while
    // `form` was the modal window it served. Passing that click on to the window under the
    // pointer is the backend's business, not the caller's.
    virtual std::optional<MouseButton> button_down_outside(const Form& /*form*/) {
        return std::nullopt;
    }
};

} // namespace tonvo::ui
