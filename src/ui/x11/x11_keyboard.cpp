#include "ui/x11/x11_keyboard.h"

#include "ui/text.h"
#include "ui/x11/xcb_util.h"

#include <clocale>
#include <cstdlib>
#include <string_view>
// xcb/xkb.h names a member "explicit", a C++ keyword: renamed while it is read.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon-compose.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

namespace tonvo::ui {

namespace {

// The events of the core keyboard that change its map or state.
constexpr uint16_t kXkbEvents = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY |
                                XCB_XKB_EVENT_TYPE_MAP_NOTIFY | XCB_XKB_EVENT_TYPE_STATE_NOTIFY;
constexpr uint16_t kMapParts = XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS |
                               XCB_XKB_MAP_PART_MODIFIER_MAP |
                               XCB_XKB_MAP_PART_EXPLICIT_COMPONENTS | XCB_XKB_MAP_PART_KEY_ACTIONS |
                               XCB_XKB_MAP_PART_VIRTUAL_MODS | XCB_XKB_MAP_PART_VIRTUAL_MOD_MAP;
constexpr uint16_t kStateParts = XCB_XKB_STATE_PART_MODIFIER_BASE |
                                 XCB_XKB_STATE_PART_MODIFIER_LATCH |
                                 XCB_XKB_STATE_PART_MODIFIER_LOCK | XCB_XKB_STATE_PART_GROUP_BASE |
                                 XCB_XKB_STATE_PART_GROUP_LATCH | XCB_XKB_STATE_PART_GROUP_LOCK;

// The locale whose compose sequences apply, as the C library would choose it.
const char* compose_locale() {
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        if (const char* value = std::getenv(name); value != nullptr && *value != '\0') {
            return value;
        }
    }
    return "C";
}

bool is_control(char32_t ch) {
    return ch < 0x20 || (ch >= 0x7f && ch < 0xa0);
}

// Appends the printable characters of UTF-8 `text`.
void append_text(std::u32string& out, std::string_view text) {
    for (size_t pos = 0; pos < text.size();) {
        const char32_t ch = decode_utf8(text, pos);
        if (!is_control(ch)) {
            out.push_back(ch);
        }
    }
}

// The character of a keysym in the core mapping: Latin-1 keysyms are their own code points,
// the rest of Unicode is offset by 0x1000000; 0 for the others.
char32_t core_char(uint32_t symbol) {
    if ((symbol >= 0x20 && symbol <= 0x7e) || (symbol >= 0xa0 && symbol <= 0xff)) {
        return symbol;
    }
    if (symbol >= 0x1000100 && symbol <= 0x110ffff) {
        return symbol - 0x1000000;
    }
    return 0;
}

// Ctrl+letter arrives as its control character, as on every desktop.
char32_t control_char(char32_t ch) {
    if ((ch >= U'a' && ch <= U'z') || (ch >= U'A' && ch <= U'Z')) {
        return (ch | 0x20) - U'a' + 1;
    }
    return 0;
}

} // namespace

std::optional<Key> key_of_keysym(uint32_t keysym) {
    switch (keysym) {
    case XKB_KEY_Return:
    case XKB_KEY_KP_Enter: return Key::enter;
    case XKB_KEY_Escape: return Key::escape;
    case XKB_KEY_Tab:
    case XKB_KEY_ISO_Left_Tab: return Key::tab;
    case XKB_KEY_BackSpace: return Key::backspace;
    case XKB_KEY_Delete:
    case XKB_KEY_KP_Delete: return Key::del;
    case XKB_KEY_Left:
    case XKB_KEY_KP_Left: return Key::left;
    case XKB_KEY_Up:
    case XKB_KEY_KP_Up: return Key::up;
    case XKB_KEY_Right:
    case XKB_KEY_KP_Right: return Key::right;
    case XKB_KEY_Down:
    case XKB_KEY_KP_Down: return Key::down;
    case XKB_KEY_Home:
    case XKB_KEY_KP_Home: return Key::home;
    case XKB_KEY_End:
    case XKB_KEY_KP_End: return Key::end;
    case XKB_KEY_Page_Up:
    case XKB_KEY_KP_Page_Up: return Key::page_up;
    case XKB_KEY_Page_Down:
    case XKB_KEY_KP_Page_Down: return Key::page_down;
    default: return std::nullopt;
    }
}

X11Keyboard::X11Keyboard(xcb_connection_t* connection) : connection_(connection) {
    uint8_t first_event = 0;
    if (xkb_x11_setup_xkb_extension(
            connection_, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
            XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, &first_event, nullptr) == 0) {
        return;
    }
    device_ = xkb_x11_get_core_keyboard_device_id(connection_);
    context_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (device_ < 0 || context_ == nullptr) {
        return;
    }
    xkb_event_ = first_event;
    xcb_xkb_select_events_details_t details{};
    details.affectNewKeyboard = XCB_XKB_NKN_DETAIL_KEYCODES;
    details.newKeyboardDetails = XCB_XKB_NKN_DETAIL_KEYCODES;
    details.affectState = kStateParts;
    details.stateDetails = kStateParts;
    xcb_xkb_select_events_aux(connection_, static_cast<xcb_xkb_device_spec_t>(device_), kXkbEvents,
                              0, 0, kMapParts, kMapParts, &details);
    load_keymap();
    // Dead keys and compose sequences as the locale has them; without a table plain keys
    // still type.
    compose_table_ =
        xkb_compose_table_new_from_locale(context_, compose_locale(), XKB_COMPOSE_COMPILE_NO_FLAGS);
    if (compose_table_ != nullptr) {
        compose_ = xkb_compose_state_new(compose_table_, XKB_COMPOSE_STATE_NO_FLAGS);
    }
}

X11Keyboard::~X11Keyboard() {
    xkb_compose_state_unref(compose_);
    xkb_compose_table_unref(compose_table_);
    xkb_state_unref(state_);
    xkb_keymap_unref(keymap_);
    xkb_context_unref(context_);
}

void X11Keyboard::load_keymap() {
    xkb_keymap* keymap =
        xkb_x11_keymap_new_from_device(context_, connection_, device_, XKB_KEYMAP_COMPILE_NO_FLAGS);
    xkb_state* state =
        keymap != nullptr ? xkb_x11_state_new_from_device(keymap, connection_, device_) : nullptr;
    if (state == nullptr) {
        // Keep the map we have; without one the core mapping serves.
        xkb_keymap_unref(keymap);
        return;
    }
    xkb_state_unref(state_);
    xkb_keymap_unref(keymap_);
    keymap_ = keymap;
    state_ = state;
}

bool X11Keyboard::take_event(const xcb_generic_event_t& event) {
    const uint8_t type = event.response_type & 0x7f;
    if (type == XCB_MAPPING_NOTIFY) {
        keysyms_.clear();
        return true;
    }
    if (context_ == nullptr || xkb_event_ == 0 || type != xkb_event_) {
        return false;
    }
    // Every XKB event carries its kind in the second byte and the device after the time.
    const auto& any = reinterpret_cast<const xcb_xkb_state_notify_event_t&>(event);
    if (any.deviceID != device_) {
        return true;
    }
    switch (any.xkbType) {
    case XCB_XKB_NEW_KEYBOARD_NOTIFY:
    case XCB_XKB_MAP_NOTIFY: load_keymap(); break;
    case XCB_XKB_STATE_NOTIFY:
        if (state_ != nullptr) {
            xkb_state_update_mask(state_, any.baseMods, any.latchedMods, any.lockedMods,
                                  static_cast<xkb_layout_index_t>(any.baseGroup),
                                  static_cast<xkb_layout_index_t>(any.latchedGroup),
                                  any.lockedGroup);
        }
        break;
    default: break;
    }
    return true;
}

KeyPress X11Keyboard::press(const xcb_key_press_event_t& event) {
    KeyPress out;
    out.mods = x11::modifiers_of(event.state);
    if (state_ == nullptr) {
        const uint32_t symbol = core_keysym(event.detail, out.mods.shift);
        out.key = key_of_keysym(symbol);
        const char32_t ch = out.key ? 0 : core_char(symbol);
        if (ch == U' ') {
            out.key = Key::space;
        }
        if (ch != 0) {
            if (!out.mods.ctrl) {
                out.text.push_back(ch);
            } else if (const char32_t control = control_char(ch); control != 0) {
                out.text.push_back(control);
            }
        }
        return out;
    }

    const xkb_keycode_t code = event.detail;
    const xkb_keysym_t symbol = xkb_state_key_get_one_sym(state_, code);
    if (compose_ != nullptr && !out.mods.ctrl &&
        xkb_compose_state_feed(compose_, symbol) == XKB_COMPOSE_FEED_ACCEPTED) {
        switch (xkb_compose_state_get_status(compose_)) {
        case XKB_COMPOSE_COMPOSING: return out;
        case XKB_COMPOSE_COMPOSED: {
            char text[64] = {};
            xkb_compose_state_get_utf8(compose_, text, sizeof text);
            xkb_compose_state_reset(compose_);
            append_text(out.text, text);
            return out;
        }
        case XKB_COMPOSE_CANCELLED: xkb_compose_state_reset(compose_); return out;
        case XKB_COMPOSE_NOTHING: break;
        }
    }
    out.key = key_of_keysym(symbol);
    if (out.key) {
        return out;
    }
    if (symbol == XKB_KEY_space || symbol == XKB_KEY_KP_Space) {
        out.key = Key::space;
    }
    if (out.mods.ctrl) {
        if (const char32_t control = control_char(xkb_keysym_to_utf32(symbol)); control != 0) {
            out.text.push_back(control);
        }
        return out;
    }
    char text[64] = {};
    xkb_state_key_get_utf8(state_, code, text, sizeof text);
    append_text(out.text, text);
    return out;
}

uint32_t X11Keyboard::core_keysym(uint8_t code, bool shift) {
    if (keysyms_.empty()) {
        const xcb_setup_t* setup = xcb_get_setup(connection_);
        min_keycode_ = setup->min_keycode;
        const auto count = static_cast<uint8_t>(setup->max_keycode - setup->min_keycode + 1);
        const auto mapping = x11::reply(xcb_get_keyboard_mapping_reply(
            connection_, xcb_get_keyboard_mapping(connection_, min_keycode_, count), nullptr));
        if (!mapping) {
            return 0;
        }
        keysyms_per_code_ = mapping->keysyms_per_keycode;
        const xcb_keysym_t* symbols = xcb_get_keyboard_mapping_keysyms(mapping.get());
        keysyms_.assign(symbols, symbols + xcb_get_keyboard_mapping_keysyms_length(mapping.get()));
    }
    const size_t base = static_cast<size_t>(code - min_keycode_) * keysyms_per_code_;
    if (code < min_keycode_ || keysyms_per_code_ == 0 || base >= keysyms_.size()) {
        return 0;
    }
    if (shift && keysyms_per_code_ > 1 && keysyms_[base + 1] != 0) {
        return keysyms_[base + 1];
    }
    return keysyms_[base];
}

} // namespace tonvo::ui
