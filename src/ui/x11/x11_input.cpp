#include "ui/x11/x11_input.h"

#include "ui/form.h"
#include "ui/x11/x11_keyboard.h"
#include "ui/x11/xcb_util.h"

namespace tonvo::ui {

namespace {

// One wheel notch, as the toolkit counts it; the core protocol sends the wheel as buttons 4
// (away from the user) and 5.
constexpr int kWheelNotch = 120;
constexpr uint8_t kWheelUp = 4;
constexpr uint8_t kWheelDown = 5;

XcbInput pointer_of(XcbInput::Kind kind, xcb_window_t window, int16_t x, int16_t y, int16_t root_x,
                    int16_t root_y, uint16_t state) {
    XcbInput input;
    input.kind = kind;
    input.window = window;
    input.at = Point{x, y};
    input.root = Point{root_x, root_y};
    input.state = state;
    input.mods = x11::modifiers_of(state);
    return input;
}

} // namespace

std::optional<XcbInput> read_input(const xcb_generic_event_t& event) {
    const uint8_t type = event.response_type & 0x7f;
    switch (type) {
    case XCB_BUTTON_PRESS:
    case XCB_BUTTON_RELEASE: {
        const auto& e = reinterpret_cast<const xcb_button_press_event_t&>(event);
        const bool press = type == XCB_BUTTON_PRESS;
        if (e.detail == kWheelUp || e.detail == kWheelDown) {
            if (!press) {
                return std::nullopt;
            }
            XcbInput input = pointer_of(XcbInput::Kind::wheel, e.event, e.event_x, e.event_y,
                                        e.root_x, e.root_y, e.state);
            input.detail = e.detail;
            input.wheel = e.detail == kWheelUp ? kWheelNotch : -kWheelNotch;
            return input;
        }
        const std::optional<MouseButton> button = x11::button_of(e.detail);
        if (!button) {
            return std::nullopt;
        }
        XcbInput input = pointer_of(press ? XcbInput::Kind::press : XcbInput::Kind::release,
                                    e.event, e.event_x, e.event_y, e.root_x, e.root_y, e.state);
        input.button = *button;
        input.detail = e.detail;
        return input;
    }
    case XCB_MOTION_NOTIFY: {
        const auto& e = reinterpret_cast<const xcb_motion_notify_event_t&>(event);
        return pointer_of(XcbInput::Kind::move, e.event, e.event_x, e.event_y, e.root_x, e.root_y,
                          e.state);
    }
    case XCB_LEAVE_NOTIFY: {
        const auto& e = reinterpret_cast<const xcb_leave_notify_event_t&>(event);
        XcbInput input = pointer_of(XcbInput::Kind::leave, e.event, e.event_x, e.event_y, e.root_x,
                                    e.root_y, e.state);
        input.mode = e.mode;
        return input;
    }
    case XCB_KEY_PRESS: {
        const auto& e = reinterpret_cast<const xcb_key_press_event_t&>(event);
        XcbInput input = pointer_of(XcbInput::Kind::key, e.event, e.event_x, e.event_y, e.root_x,
                                    e.root_y, e.state);
        input.key = &e;
        return input;
    }
    default: return std::nullopt;
    }
}

bool is_input_event(const xcb_generic_event_t& event) {
    switch (event.response_type & 0x7f) {
    case XCB_KEY_PRESS:
    case XCB_KEY_RELEASE:
    case XCB_BUTTON_PRESS:
    case XCB_BUTTON_RELEASE:
    case XCB_MOTION_NOTIFY: return true;
    default: return false;
    }
}

uint16_t state_after_press(const XcbInput& press) {
    // The state bit of a core button number; none for the wheel's and others beyond 5.
    uint16_t own = 0;
    if (press.detail >= 1 && press.detail <= 5) {
        own = static_cast<uint16_t>(XCB_BUTTON_MASK_1 << (press.detail - 1));
    }
    return static_cast<uint16_t>(press.state | own);
}

void deliver_input(Form& form, const XcbInput& input, X11Keyboard* keyboard) {
    switch (input.kind) {
    case XcbInput::Kind::press:
        form.deliver_mouse_down(input.button, input.at.x, input.at.y, input.mods);
        break;
    case XcbInput::Kind::release:
        form.deliver_mouse_up(input.button, input.at.x, input.at.y, input.mods);
        break;
    case XcbInput::Kind::wheel:
        form.deliver_mouse_wheel(input.wheel, input.at.x, input.at.y, input.mods);
        break;
    case XcbInput::Kind::move: form.deliver_mouse_move(input.at.x, input.at.y, input.mods); break;
    case XcbInput::Kind::leave: form.deliver_mouse_leave(); break;
    case XcbInput::Kind::key: {
        if (keyboard == nullptr || input.key == nullptr) {
            break;
        }
        const KeyPress press = keyboard->press(*input.key);
        if (press.key) {
            form.deliver_key_down(*press.key, press.mods);
        }
        for (const char32_t ch : press.text) {
            form.deliver_key_char(ch);
        }
        break;
    }
    }
}

} // namespace tonvo::ui
