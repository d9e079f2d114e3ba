// X11Desktop's modal loops: a dialog as a top-level window of its own (run_modal), the wait
// between two showings, and the watch for presses outside a dialog (button_down_outside).
#include "ui/form.h"
#include "ui/x11/x11_desktop.h"
#include "ui/x11/x11_input.h"
#include "ui/x11/xcb_util.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <utility>

namespace tonvo::ui {

namespace {

// How long a modal loop sleeps between two polls of the connection: short enough that the
// pointer feels direct, long enough to leave the host its share of the processor.
constexpr Millis kLoopStep{10};

using x11::Reply;

} // namespace
namespace {
constexpr uint16_t kLeftMask = XCB_BUTTON_MASK_1;
constexpr uint16_t kRightMask = XCB_BUTTON_MASK_3;

bool outside(const Form& form, Point at) {
    return !Rect::from_size(form.left(), form.top(), form.width(), form.height())
                .contains(at.x, at.y);
}
} // namespace

void X11Desktop::note_press(OutsideWatch& watch, uint16_t buttons, Point at) {
    const uint16_t began = static_cast<uint16_t>(buttons & ~watch.buttons);
    watch.buttons = buttons;
    if (watch.press || (began & (kLeftMask | kRightMask)) == 0 || !outside(*watch.form, at)) {
        return;
    }
    watch.press = (began & kLeftMask) != 0 ? MouseButton::left : MouseButton::right;
}

std::optional<MouseButton> X11Desktop::button_down_outside(const Form& form) {
    if (watch_ != nullptr && watch_->form == &form && watch_->press) {
        return std::exchange(watch_->press, std::nullopt);
    }
    const std::optional<PointerState> state = query_pointer();
    if (!state || !outside(form, state->at)) {
        return std::nullopt;
    }
    if ((state->mask & kLeftMask) != 0) {
        return MouseButton::left;
    }
    if ((state->mask & kRightMask) != 0) {
        return MouseButton::right;
    }
    return std::nullopt;
}

bool X11Desktop::expose_shown(const xcb_generic_event_t& event) {
    if ((event.response_type & 0x7f) != XCB_EXPOSE) {
        return false;
    }
    const auto& e = reinterpret_cast<const xcb_expose_event_t&>(event);
    for (const Shown& shown : shown_) {
        if (shown.window == e.window) {
            shown.form->invalidate_rect(Rect::from_size(e.x, e.y, e.width, e.height));
            return true;
        }
    }
    return false;
}

void X11Desktop::paint_shown(size_t count) {
    for (size_t i = 0; i < count && i < shown_.size(); ++i) {
        const Shown& shown = shown_[i];
        for (const Rect& r : shown.form->paint_invalid()) {
            put_area(connection_, shown.window, shown.gc, format_, shown.form->buffer(), r,
                     scratch_);
        }
    }
}

void X11Desktop::describe_dialog(xcb_window_t window, const Form& form, uint16_t width,
                                 uint16_t height) {
    xcb_connection_t* c = connection_;
    // The title, a dialog of the host's window, a fixed size where we put it, and the close
    // button answered by us.
    const std::string& title = form.caption();
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        static_cast<uint32_t>(title.size()), title.data());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atom("_NET_WM_NAME"), atom("UTF8_STRING"),
                        8, static_cast<uint32_t>(title.size()), title.data());
    // WM_CLASS: instance and class name, each ending in a zero byte.
    static constexpr char kClass[] = "tonvo\0Tonvo";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                        sizeof kClass, kClass);
    const xcb_atom_t dialog = atom("_NET_WM_WINDOW_TYPE_DIALOG");
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atom("_NET_WM_WINDOW_TYPE"),
                        XCB_ATOM_ATOM, 32, 1, &dialog);
    if (const xcb_window_t owner = top_level(); owner != 0) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_TRANSIENT_FOR,
                            XCB_ATOM_WINDOW, 32, 1, &owner);
    }
    // While a dialog runs, the host's thread waits in our loop and cannot repaint its own
    // windows; a click on the host would raise them, unpainted, over the dialog, and the user
    // could no longer find it. Kept above, and modal over its owner, the dialog stays in
    // sight until it is answered.
    const xcb_atom_t states[] = {atom("_NET_WM_STATE_ABOVE"), atom("_NET_WM_STATE_MODAL")};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atom("_NET_WM_STATE"), XCB_ATOM_ATOM, 32,
                        2, states);
    // WM_HINTS: the dialog takes the keyboard focus when given it (input), shown normally.
    constexpr uint32_t kInputHint = 1;
    constexpr uint32_t kStateHint = 2;
    constexpr uint32_t kNormalState = 1;
    const uint32_t wm_hints[9] = {kInputHint | kStateHint, 1, kNormalState};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32,
                        9, wm_hints);
    // WM_NORMAL_HINTS: user-given position, minimum and maximum size equal to ours.
    uint32_t hints[18] = {};
    hints[0] = 1 | 4 | 16 | 32;
    hints[1] = static_cast<uint32_t>(form.left());
    hints[2] = static_cast<uint32_t>(form.top());
    hints[3] = hints[5] = hints[7] = width;
    hints[4] = hints[6] = hints[8] = height;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NORMAL_HINTS,
                        XCB_ATOM_WM_SIZE_HINTS, 32, 18, hints);
}

ModalResult X11Desktop::run_modal(Form& form, Form* /*owner*/) {
    ++loops_run_;
    xcb_connection_t* c = connection_;
    form.set_modal_result(ModalResult::none);
    const xcb_colormap_t colormap = xcb_generate_id(c);
    xcb_create_colormap(c, XCB_COLORMAP_ALLOC_NONE, colormap, screen_->root, format_.visual);
    const xcb_window_t window = xcb_generate_id(c);
    const uint32_t values[] = {0,
                               XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_BUTTON_PRESS |
                                   XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_POINTER_MOTION |
                                   XCB_EVENT_MASK_LEAVE_WINDOW | XCB_EVENT_MASK_KEY_PRESS |
                                   XCB_EVENT_MASK_STRUCTURE_NOTIFY,
                               colormap};
    const auto width = static_cast<uint16_t>(std::clamp(form.width(), 1, 32767));
    const auto height = static_cast<uint16_t>(std::clamp(form.height(), 1, 32767));
    xcb_create_window(c, format_.depth, window, screen_->root, static_cast<int16_t>(form.left()),
                      static_cast<int16_t>(form.top()), width, height, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, format_.visual,
                      XCB_CW_BORDER_PIXEL | XCB_CW_EVENT_MASK | XCB_CW_COLORMAP, values);

    describe_dialog(window, form, width, height);
    const xcb_atom_t protocols = atom("WM_PROTOCOLS");
    const xcb_atom_t delete_window = atom("WM_DELETE_WINDOW");
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, protocols, XCB_ATOM_ATOM, 32, 1,
                        &delete_window);
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, window, 0, nullptr);
    xcb_map_window(c, window);
    form.invalidate();
    xcb_flush(c);

    // Presses outside the dialog, looked for at every turn; a button already held when the
    // dialog opens is no press of its time.
    OutsideWatch watch{&form, 0, std::nullopt};
    if (const std::optional<PointerState> state = query_pointer()) {
        watch.buttons = state->mask;
    }
    struct Restore {
        OutsideWatch*& slot;
        OutsideWatch* was;
        ~Restore() { slot = was; }
    } restore{watch_, std::exchange(watch_, &watch)};
    shown_.push_back(Shown{&form, window, gc});
    struct Unshow {
        std::vector<Shown>& shown;
        ~Unshow() { shown.pop_back(); }
    } unshow{shown_};

    bool alive = true;
    std::optional<Cursor> cursor;
    while (form.modal_result() == ModalResult::none) {
        if (xcb_connection_has_error(c) != 0 || !alive) {
            form.set_modal_result(ModalResult::cancel);
            break;
        }
        while (xcb_generic_event_t* event = poll_event()) {
            const Reply<xcb_generic_event_t> owned(event, &std::free);
            if (take_shared(*event)) {
                continue;
            }
            const uint8_t type = event->response_type & 0x7f;
            // Every event of the dialog's names its window at the same place.
            const xcb_window_t target =
                type == XCB_EXPOSE ? reinterpret_cast<xcb_expose_event_t*>(event)->window
                : type == XCB_BUTTON_PRESS || type == XCB_BUTTON_RELEASE ||
                        type == XCB_MOTION_NOTIFY || type == XCB_LEAVE_NOTIFY ||
                        type == XCB_KEY_PRESS
                    ? reinterpret_cast<xcb_button_press_event_t*>(event)->event
                : type == XCB_CLIENT_MESSAGE
                    ? reinterpret_cast<xcb_client_message_event_t*>(event)->window
                : type == XCB_DESTROY_NOTIFY
                    ? reinterpret_cast<xcb_destroy_notify_event_t*>(event)->window
                : type == XCB_CONFIGURE_NOTIFY
                    ? reinterpret_cast<xcb_configure_notify_event_t*>(event)->window
                    : XCB_NONE;
            const std::optional<XcbInput> input = read_input(*event);
            if (target != window || type == 0) {
                if (input && (input->kind == XcbInput::Kind::press ||
                              input->kind == XcbInput::Kind::wheel)) {
                    // On another window of ours, the editor's: its state tells the buttons
                    // held before it.
                    note_press(watch, state_after_press(*input), input->root);
                }
                if (!expose_shown(*event)) {
                    sink_.take_event(*event, false);
                }
                continue;
            }
            if (input) {
                if (input->kind == XcbInput::Kind::press || input->kind == XcbInput::Kind::wheel) {
                    // The latest press is the dialog's own: none outside is pending.
                    watch.press.reset();
                    watch.buttons = state_after_press(*input);
                }
                deliver_input(form, *input, &keyboard_);
                if (input->kind == XcbInput::Kind::move) {
                    show_cursor(window, form.current_cursor(), cursor);
                }
            }
            switch (type) {
            case XCB_EXPOSE: {
                const auto* e = reinterpret_cast<xcb_expose_event_t*>(event);
                form.invalidate_rect(Rect::from_size(e->x, e->y, e->width, e->height));
                break;
            }
            case XCB_CLIENT_MESSAGE: {
                const auto* e = reinterpret_cast<xcb_client_message_event_t*>(event);
                if (e->type == protocols && e->data.data32[0] == delete_window) {
                    form.set_modal_result(ModalResult::cancel);
                }
                break;
            }
            case XCB_DESTROY_NOTIFY: alive = false; break;
            case XCB_CONFIGURE_NOTIFY: {
                // Moved by the window manager: menus of the dialog open where it is now.
                const Reply<xcb_translate_coordinates_reply_t> at(
                    xcb_translate_coordinates_reply(
                        c, xcb_translate_coordinates(c, window, screen_->root, 0, 0), nullptr),
                    &std::free);
                if (at) {
                    form.set_position(at->dst_x, at->dst_y);
                }
                break;
            }
            default: break;
            }
            if (form.modal_result() != ModalResult::none) {
                break;
            }
        }
        if (const std::optional<PointerState> state = query_pointer()) {
            note_press(watch, state->mask, state->at);
        }
        form.idle();
        for (const Rect& r : form.paint_invalid()) {
            put_area(c, window, gc, format_, form.buffer(), r, scratch_);
        }
        paint_shown(shown_.size() - 1);
        sink_.repaint();
        xcb_flush(c);
        if (form.modal_result() == ModalResult::none) {
            std::this_thread::sleep_for(kLoopStep);
        }
    }
    xcb_free_gc(c, gc);
    if (alive) {
        xcb_destroy_window(c, window);
    }
    xcb_free_colormap(c, colormap);
    xcb_flush(c);
    return form.modal_result();
}

void X11Desktop::wait(Millis time) {
    const Millis end = clock().now() + time;
    while (clock().now() < end && xcb_connection_has_error(connection_) == 0) {
        while (xcb_generic_event_t* event = poll_event()) {
            if (!take_shared(*event) && !expose_shown(*event)) {
                sink_.take_event(*event, false);
            }
            std::free(event);
        }
        paint_shown(shown_.size());
        sink_.repaint();
        xcb_flush(connection_);
        std::this_thread::sleep_for(std::min(kLoopStep, end - clock().now()));
    }
}

} // namespace tonvo::ui
