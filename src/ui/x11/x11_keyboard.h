// What key presses on the editor's connection mean: a Key for the keys that are no text, and
// the typed characters. The keyboard map comes from the XKB extension through xkbcommon-x11
// (layouts, groups, dead keys and the locale's compose sequences as the user's other programs
// have them), kept up to date from the XKB events of the core keyboard. A server without XKB
// gets the core keyboard mapping instead (Shift only), so that typing never stops working.
//
// Thread contract: the thread of the connection.
#pragma once

#include "ui/input.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>
#include <xcb/xcb.h>

struct xkb_context;
struct xkb_keymap;
struct xkb_state;
struct xkb_compose_table;
struct xkb_compose_state;

namespace tonvo::ui {

// One key press as a form takes it: a key (with the modifiers), then the characters typed.
struct KeyPress {
    std::optional<Key> key;
    Modifiers mods;
    // Typed text without control characters, except the control character of Ctrl+letter.
    std::u32string text;
};

// The Key of a keysym that is no text (Enter, arrows, Tab ...), or none.
std::optional<Key> key_of_keysym(uint32_t keysym);

class X11Keyboard {
public:
    explicit X11Keyboard(xcb_connection_t* connection);
    ~X11Keyboard();
    X11Keyboard(const X11Keyboard&) = delete;
    X11Keyboard& operator=(const X11Keyboard&) = delete;

    // Follows the events that change the keyboard map or state; true when `event` was one.
    bool take_event(const xcb_generic_event_t& event);
    // What a key press means, following dead keys and compose sequences (their presses give
    // nothing until the sequence ends).
    KeyPress press(const xcb_key_press_event_t& event);
    // Whether the XKB map is in use (otherwise the core mapping).
    bool uses_xkb() const { return state_ != nullptr; }

private:
    void load_keymap();
    uint32_t core_keysym(uint8_t code, bool shift);

    xcb_connection_t* connection_;
    // XKB: the extension's first event, the core keyboard, and the map and state.
    uint8_t xkb_event_ = 0;
    int32_t device_ = -1;
    xkb_context* context_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    xkb_state* state_ = nullptr;
    xkb_compose_table* compose_table_ = nullptr;
    xkb_compose_state* compose_ = nullptr;
    // The core mapping, read at the first key press: keysyms_per_code_ symbols for each key
    // code from min_keycode_; cleared when the server says the mapping changed.
    std::vector<uint32_t> keysyms_;
    uint8_t keysyms_per_code_ = 0;
    uint8_t min_keycode_ = 0;
};

} // namespace tonvo::ui
