// The pointer and key events of the core protocol as the toolkit's input, read in one place:
// every X11 window of ours (the editor's, a dialog's, a menu's panes) takes its input events
// through read_input, and a form gets them through deliver_input.
//
// Thread contract: the thread of the connection the events came from.
#pragma once

#include "ui/input.h"
#include "ui/rect.h"

#include <cstdint>
#include <optional>
#include <xcb/xcb.h>

namespace tonvo::ui {

class Form;
class X11Keyboard;

struct XcbInput {
    enum class Kind { press, release, wheel, move, leave, key };

    Kind kind = Kind::move;
    // The window the event was reported on, and the pointer there and on the root window.
    xcb_window_t window = 0;
    Point at;
    Point root;
    // A press or release: its button and core button number.
    MouseButton button = MouseButton::left;
    uint8_t detail = 0;
    // A wheel notch: +120 away from the user, -120 towards.
    int wheel = 0;
    Modifiers mods;
    // The core state as sent: the buttons and modifiers held before the event.
    uint16_t state = 0;
    // A leave: its mode (XCB_NOTIFY_MODE_GRAB when a grab took the pointer, a menu's or another
    // client's).
    uint8_t mode = XCB_NOTIFY_MODE_NORMAL;
    // A key press, read through the keyboard map by deliver_input.
    const xcb_key_press_event_t* key = nullptr;
};

// The input an event means, or none: other events, key releases, and buttons the toolkit
// does not know (the horizontal wheel, extra buttons, wheel releases).
std::optional<XcbInput> read_input(const xcb_generic_event_t& event);

// Whether an event is pointer or key input at all, known or not: a loop that holds the input
// (a menu) drops those it does not use.
bool is_input_event(const xcb_generic_event_t& event);

// The core state mask after a press: the buttons held before it and its own.
uint16_t state_after_press(const XcbInput& press);

// Hands the input to the form in the window's coordinates; a key goes through `keyboard` as
// a key and typed characters (a form without a keyboard gets no keys).
void deliver_input(Form& form, const XcbInput& input, X11Keyboard* keyboard);

} // namespace tonvo::ui
