// The desktop of one X11 editor window: the process's steady clock, the CLIPBOARD selection
// (x11_clipboard.h), the screen of the window's connection, the keyboard map (x11_keyboard.h),
// the pointer shapes, and the modal loops, which run inside the host's call
// that asked for them on the editor's own connection (no thread of ours, nothing waits on the
// connection's file descriptor).
//
// Popup menus are override-redirect windows placed in root coordinates with the pointer
// and the keyboard grabbed (the one time the editor takes keys inside a host: a menu without
// the keyboard still works with the mouse); a press outside every pane closes the menu. Modal
// forms are top-level dialog windows (_NET_WM_WINDOW_TYPE_DIALOG, modal, kept above) transient
// for the host's top-level window (the one the window manager manages, not its frame), where
// the caller placed them; while one is open the editor keeps repainting and its input is
// dropped. Closing a dialog through the window manager answers Cancel. Every loop (a menu, a
// dialog over a dialog, a wait) keeps repainting the editor and the dialogs that stay open
// beneath it, so no stale picture (a menu's leftover image) stays on them.
//
// Thread contract: the thread that opened the editor window.
#pragma once

#include "ui/bitmap.h"
#include "ui/clipboard.h"
#include "ui/desktop.h"
#include "ui/x11/x11_clipboard.h"
#include "ui/x11/x11_keyboard.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>
#include <xcb/xcb.h>

namespace tonvo::ui {

// How our back buffers go to the server: the depth and visual of the window, whether its
// pixels take our bytes as they are (32 bits a pixel, masks ff0000/ff00/ff in the server's
// byte order) or byte-swapped, and the largest request the server takes.
struct X11PixelFormat {
    uint8_t depth = 0;
    xcb_visualid_t visual = 0;
    bool swap_bytes = false;
    uint32_t max_request_bytes = 0;
};

// Why a visual cannot take our pixels, or empty when it can.
const char* check_visual(const xcb_setup_t* setup, uint8_t depth, const xcb_visualtype_t* visual);
// The visual with this id on the screen, and its depth; null when there is none.
const xcb_visualtype_t* find_visual(const xcb_screen_t* screen, xcb_visualid_t id,
                                    uint8_t* depth = nullptr);

// Sends `area` of `bitmap` (in its own pixels; clipped to it) to `drawable` at the same place
// plus (dx, dy), in strips each below the server's request limit. `scratch` is reused.
void put_area(xcb_connection_t* connection, xcb_drawable_t drawable, xcb_gcontext_t gc,
              const X11PixelFormat& format, const Bitmap& bitmap, Rect area,
              std::vector<uint8_t>& scratch);

class X11Desktop final : public Desktop {
public:
    // What the modal loops hand back to the editor window: events of the connection that are
    // not theirs (with `input` false the window only repaints and follows its own state), and
    // a call to repaint what its timers changed.
    class Sink {
    public:
        virtual ~Sink() = default;
        virtual void take_event(const xcb_generic_event_t& event, bool input) = 0;
        virtual void repaint() = 0;
    };

    X11Desktop(xcb_connection_t* connection, const xcb_screen_t* screen, X11PixelFormat format,
               Sink& sink);
    ~X11Desktop() override;
    X11Desktop(const X11Desktop&) = delete;
    X11Desktop& operator=(const X11Desktop&) = delete;

    Clock& clock() override;
    Clipboard& clipboard() override { return clipboard_; }
    Rect screen() override;

    ModalResult run_modal(Form& form, Form* owner) override;
    void wait(Millis time) override;
    void run_menu(MenuSession& session) override;
    std::optional<Point> pointer_position() override;
    // Also a left or right press outside `form` that its modal loop saw since the last call
    // (the loop looks at every turn, so a short click between two calls is not missed). The
    // server has already delivered the press to the window under the pointer; one on the
    // editor's own window is dropped with the rest of its input while the dialog runs.
    std::optional<MouseButton> button_down_outside(const Form& form) override;

    // The editor's window, whose top-level window owns the dialogs.
    void set_owner_window(xcb_window_t window) { owner_window_ = window; }
    // How many menus and modal windows have run so far: a press that started one has lost
    // its release to it.
    int loops_run() const { return loops_run_; }

    // The next event of the connection, those held back while the clipboard waited first;
    // null when there is none. The caller frees it.
    xcb_generic_event_t* poll_event();
    // Takes what every loop treats alike: keyboard map changes and the clipboard's requests
    // (true: done with), and notes the time of user events.
    bool take_shared(const xcb_generic_event_t& event);
    // Shows `wanted` over `window` when it differs from `shown`, which follows.
    void show_cursor(xcb_window_t window, Cursor wanted, std::optional<Cursor>& shown);

    // The host's top-level window, which owns our dialogs: the highest ancestor of the
    // editor's window that the window manager manages (it carries WM_STATE); without a window
    // manager, the child of the root holding the editor. 0 when the window is gone.
    xcb_window_t top_level();
    // The child of the root holding the editor's window: under a reparenting window manager
    // its frame, the window that moves when the user drags the host's window; 0 when gone.
    xcb_window_t root_child();

private:
    // The menu loop's windows and input (x11_menu_loop.cpp).
    class MenuSystem;

    // The pointer's place on the root window and the state of its buttons and modifiers;
    // none when the server does not answer or the pointer is on another screen.
    struct PointerState {
        Point at;
        uint16_t mask = 0;
    };
    std::optional<PointerState> query_pointer();
    // What a modal loop notes of presses outside its form, between two button_down_outside
    // calls: the buttons down at its last look, and the first left or right press outside.
    struct OutsideWatch {
        const Form* form = nullptr;
        uint16_t buttons = 0;
        std::optional<MouseButton> press;
    };
    // Notes a left or right press that began since the last look, when it lies outside the form.
    static void note_press(OutsideWatch& watch, uint16_t buttons, Point at);
    // A modal window of ours on the screen.
    struct Shown {
        Form* form;
        xcb_window_t window;
        xcb_gcontext_t gc;
    };
    // Takes an Expose of one of the shown modal windows: true when it was one.
    bool expose_shown(const xcb_generic_event_t& event);
    // Paints what changed in the first `count` shown modal windows: a loop running inside one
    // keeps the others on the screen current.
    void paint_shown(size_t count);
    // The editor's window and its ancestors up to the child of the root, innermost first;
    // empty when the window is gone.
    std::vector<xcb_window_t> ancestry();
    // Sets what the window manager reads on a dialog before it is mapped.
    void describe_dialog(xcb_window_t window, const Form& form, uint16_t width, uint16_t height);
    xcb_atom_t atom(const char* name);

    xcb_connection_t* connection_;
    const xcb_screen_t* screen_;
    X11PixelFormat format_;
    Sink& sink_;
    X11Keyboard keyboard_;
    X11Clipboard clipboard_;
    std::vector<uint8_t> scratch_;
    // Events that came while the clipboard waited for an answer, oldest first.
    std::deque<xcb_generic_event_t*> held_;
    // The time of the last user event, for taking the selection.
    xcb_timestamp_t time_ = 0;
    // The cursor font and its glyph cursors (0 until first shown).
    xcb_font_t cursor_font_ = 0;
    xcb_cursor_t arrow_ = 0;
    xcb_cursor_t hand_ = 0;

    xcb_window_t owner_window_ = 0;
    int loops_run_ = 0;
    // The innermost modal loop's watch, or null while none runs.
    OutsideWatch* watch_ = nullptr;
    // Our modal windows open now, innermost last.
    std::vector<Shown> shown_;
};

} // namespace tonvo::ui
