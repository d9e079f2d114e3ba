// The input a backend delivers to a form: mouse buttons, modifier keys, and the keys that are
// not characters. Typed text arrives separately as characters, as on every desktop.
#pragma once

#include <cstdint>

namespace tonvo::ui {

enum class MouseButton { left, right, middle };

struct Modifiers {
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
    friend constexpr bool operator==(const Modifiers&, const Modifiers&) = default;
};

// Keys that produce no character of their own (or whose character a control ignores).
enum class Key {
    enter,
    escape,
    tab,
    backspace,
    del,
    left,
    right,
    up,
    down,
    home,
    end,
    page_up,
    page_down,
    space,
};

// Control characters a desktop sends as typed text for Ctrl+letter. Backspace, Enter, Tab and
// Escape arrive only as keys (key_down), never also as characters.
namespace chars {
inline constexpr char32_t ctrl_a = 1;
inline constexpr char32_t ctrl_c = 3;
inline constexpr char32_t ctrl_v = 22;
inline constexpr char32_t ctrl_x = 24;
} // namespace chars

enum class Cursor { arrow, hand_point };

// How a modal form ended; `none` while it is open.
enum class ModalResult { none, ok, cancel, yes, no };

} // namespace tonvo::ui
