// Small XCB helpers the X11 backend's files share: replies owned until the end of their scope,
// atoms by name, and the modifier and button numbers of the core protocol as the toolkit's.
//
// Thread contract: the thread of the connection passed.
#pragma once

#include "ui/input.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <xcb/xcb.h>

namespace tonvo::ui::x11 {

// A reply (or event) of XCB, freed with free().
template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T>
Reply<T> reply(T* answer) {
    return Reply<T>(answer, &std::free);
}

// The atom of `name`, made when missing; XCB_ATOM_NONE when the server does not answer.
inline xcb_atom_t intern(xcb_connection_t* c, const char* name) {
    const auto answer = reply(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr));
    return answer ? answer->atom : xcb_atom_t{XCB_ATOM_NONE};
}

inline Modifiers modifiers_of(uint16_t state) {
    return Modifiers{(state & XCB_MOD_MASK_SHIFT) != 0, (state & XCB_MOD_MASK_CONTROL) != 0,
                     (state & XCB_MOD_MASK_1) != 0};
}

inline std::optional<MouseButton> button_of(xcb_button_t detail) {
    switch (detail) {
    case 1: return MouseButton::left;
    case 2: return MouseButton::middle;
    case 3: return MouseButton::right;
    default: return std::nullopt;
    }
}

} // namespace tonvo::ui::x11
