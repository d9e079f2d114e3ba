// The CLIPBOARD selection of the editor's connection as the toolkit's clipboard.
//
// set_text takes the selection (with the time of the last user event) and keeps the text; the
// owner then answers other programs' requests for UTF8_STRING, STRING (Latin-1, '?' for what
// it cannot hold) and TARGETS from whatever loop pumps the connection (idle, dialogs, menus).
// text() gives our own text while we own the selection, and otherwise asks the owner for
// UTF8_STRING (or STRING) into a property of a window of ours and waits at most half a second
// for the answer; events that come meanwhile are handed back to the desktop, in order. No
// answer, a refusal or an incremental (INCR) answer give empty text. Losing the selection to
// another program drops our text. Closing the editor closes the connection, which lets the
// selection go: what was copied from the editor stays pastable only while it is open.
//
// Thread contract: the thread of the connection.
#pragma once

#include "ui/clipboard.h"

#include <chrono>
#include <functional>
#include <string>
#include <xcb/xcb.h>

namespace tonvo::ui {

class X11Clipboard final : public Clipboard {
public:
    // `time`: the time of the last user event (0 when none came yet). `keep`: takes over an
    // event that came while text() waited and that is not the clipboard's.
    X11Clipboard(xcb_connection_t* connection, const xcb_screen_t* screen,
                 std::function<xcb_timestamp_t()> time,
                 std::function<void(xcb_generic_event_t*)> keep);
    ~X11Clipboard() override;
    X11Clipboard(const X11Clipboard&) = delete;
    X11Clipboard& operator=(const X11Clipboard&) = delete;

    std::string text() override;
    void set_text(std::string_view text) override;

    // Serves SelectionRequest and follows SelectionClear; true when `event` was one of them.
    bool take_event(const xcb_generic_event_t& event);

    // How long text() waits for the owner.
    static constexpr std::chrono::milliseconds kAnswerTime{500};

private:
    void answer(const xcb_selection_request_event_t& request);
    // The text of the answer in our property, empty when it is none we take.
    std::string read_answer();

    xcb_connection_t* connection_;
    std::function<xcb_timestamp_t()> time_;
    std::function<void(xcb_generic_event_t*)> keep_;
    // An unmapped window of ours: the selection's owner and where answers arrive.
    xcb_window_t window_ = 0;
    xcb_atom_t clipboard_ = 0;
    xcb_atom_t utf8_ = 0;
    xcb_atom_t targets_ = 0;
    xcb_atom_t incr_ = 0;
    xcb_atom_t property_ = 0;
    bool owned_ = false;
    std::string text_;
};

} // namespace tonvo::ui
