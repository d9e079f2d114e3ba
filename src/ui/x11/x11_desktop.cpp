#include "ui/x11/x11_desktop.h"

#include "ui/form.h"
#include "ui/menu_session.h"
#include "ui/x11/xcb_util.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>

namespace tonvo::ui {

namespace {

// How long a modal loop sleeps between two polls of the connection: short enough that the
// pointer feels direct, long enough to leave the host its share of the processor.
constexpr Millis kLoopStep{10};

// The request header of PutImage, in bytes.
constexpr uint32_t kPutImageHeader = 24;

// How far up the window tree the owner is looked for: deeper means a loop or a broken tree.
constexpr int kMaxDepth = 64;

using x11::button_of;
using x11::modifiers_of;
using x11::Reply;

} // namespace

const xcb_visualtype_t* find_visual(const xcb_screen_t* screen, xcb_visualid_t id, uint8_t* depth) {
    for (auto d = xcb_screen_allowed_depths_iterator(screen); d.rem != 0; xcb_depth_next(&d)) {
        for (auto v = xcb_depth_visuals_iterator(d.data); v.rem != 0; xcb_visualtype_next(&v)) {
            if (v.data->visual_id == id) {
                if (depth != nullptr) {
                    *depth = d.data->depth;
                }
                return v.data;
            }
        }
    }
    return nullptr;
}

const char* check_visual(const xcb_setup_t* setup, uint8_t depth, const xcb_visualtype_t* visual) {
    if (visual == nullptr) {
        return "the window's visual is not on its screen";
    }
    if (visual->_class != XCB_VISUAL_CLASS_TRUE_COLOR) {
        return "the window's visual is not TrueColor";
    }
    if (depth != 24 && depth != 32) {
        return "the window's depth is neither 24 nor 32 bits";
    }
    if (visual->red_mask != 0xff0000 || visual->green_mask != 0xff00 || visual->blue_mask != 0xff) {
        return "the window's colour masks are not ff0000/ff00/ff";
    }
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem != 0; xcb_format_next(&f)) {
        if (f.data->depth == depth) {
            return f.data->bits_per_pixel == 32 ? "" : "the window's pixels are not 32 bits";
        }
    }
    return "the server has no image format for the window's depth";
}

void put_area(xcb_connection_t* connection, xcb_drawable_t drawable, xcb_gcontext_t gc,
              const X11PixelFormat& format, const Bitmap& bitmap, Rect area,
              std::vector<uint8_t>& scratch) {
    area = area.intersect(bitmap.bounds());
    if (area.empty() || format.max_request_bytes <= kPutImageHeader) {
        return;
    }
    const auto width = static_cast<uint32_t>(area.width());
    const uint32_t row_bytes = width * 4;
    // A row wider than one request is sent in pieces of columns.
    if (row_bytes > format.max_request_bytes - kPutImageHeader) {
        const auto columns = static_cast<int>((format.max_request_bytes - kPutImageHeader) / 4);
        for (int x = area.left; x < area.right; x += columns) {
            put_area(connection, drawable, gc, format, bitmap,
                     Rect{x, area.top, std::min(area.right, x + columns), area.bottom}, scratch);
        }
        return;
    }
    const auto rows_per_strip =
        static_cast<int>((format.max_request_bytes - kPutImageHeader) / row_bytes);
    for (int top = area.top; top < area.bottom; top += rows_per_strip) {
        const int rows = std::min(rows_per_strip, area.bottom - top);
        scratch.resize(static_cast<size_t>(row_bytes) * static_cast<size_t>(rows));
        uint8_t* out = scratch.data();
        for (int y = top; y < top + rows; ++y, out += row_bytes) {
            const Color* in = bitmap.row(y) + area.left;
            if (!format.swap_bytes) {
                std::memcpy(out, in, row_bytes);
                continue;
            }
            for (uint32_t x = 0; x < width; ++x) {
                out[x * 4 + 0] = in[x].a;
                out[x * 4 + 1] = in[x].r;
                out[x * 4 + 2] = in[x].g;
                out[x * 4 + 3] = in[x].b;
            }
        }
        xcb_put_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, gc,
                      static_cast<uint16_t>(width), static_cast<uint16_t>(rows),
                      static_cast<int16_t>(area.left), static_cast<int16_t>(top), 0, format.depth,
                      static_cast<uint32_t>(scratch.size()), scratch.data());
    }
}

X11Desktop::X11Desktop(xcb_connection_t* connection, const xcb_screen_t* screen,
                       X11PixelFormat format, Sink& sink)
    : connection_(connection), screen_(screen), format_(format), sink_(sink), keyboard_(connection),
      clipboard_(
          connection, screen, [this] { return time_; },
          [this](xcb_generic_event_t* event) { held_.push_back(event); }) {}

X11Desktop::~X11Desktop() {
    for (xcb_generic_event_t* event : held_) {
        std::free(event);
    }
    if (cursor_font_ != 0 && xcb_connection_has_error(connection_) == 0) {
        xcb_free_cursor(connection_, arrow_);
        xcb_free_cursor(connection_, hand_);
        xcb_close_font(connection_, cursor_font_);
    }
}

Clock& X11Desktop::clock() {
    return SteadyClock::instance();
}

Rect X11Desktop::screen() {
    return Rect::from_size(0, 0, screen_->width_in_pixels, screen_->height_in_pixels);
}

std::optional<X11Desktop::PointerState> X11Desktop::query_pointer() {
    const auto answer = x11::reply(xcb_query_pointer_reply(
        connection_, xcb_query_pointer(connection_, screen_->root), nullptr));
    if (!answer || answer->same_screen == 0) {
        return std::nullopt;
    }
    return PointerState{Point{answer->root_x, answer->root_y}, answer->mask};
}

std::optional<Point> X11Desktop::pointer_position() {
    const std::optional<PointerState> state = query_pointer();
    return state ? std::optional<Point>(state->at) : std::nullopt;
}

namespace {
constexpr uint16_t kLeftMask = XCB_BUTTON_MASK_1;
constexpr uint16_t kRightMask = XCB_BUTTON_MASK_3;

// The state bit of a core button number; 0 for the wheel and others.
uint16_t button_mask(xcb_button_t detail) {
    if (detail < 1 || detail > 5) {
        return 0;
    }
    return static_cast<uint16_t>(XCB_BUTTON_MASK_1 << (detail - 1));
}

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

xcb_atom_t X11Desktop::atom(const char* name) {
    return x11::intern(connection_, name);
}

std::vector<xcb_window_t> X11Desktop::ancestry() {
    std::vector<xcb_window_t> chain;
    xcb_window_t window = owner_window_;
    for (int depth = 0; window != 0 && depth < kMaxDepth; ++depth) {
        const Reply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(connection_, xcb_query_tree(connection_, window), nullptr),
            &std::free);
        if (!tree) {
            return {};
        }
        chain.push_back(window);
        if (tree->parent == tree->root || tree->parent == XCB_NONE) {
            return chain;
        }
        window = tree->parent;
    }
    return {};
}

xcb_window_t X11Desktop::root_child() {
    const std::vector<xcb_window_t> chain = ancestry();
    return chain.empty() ? 0 : chain.back();
}

xcb_window_t X11Desktop::top_level() {
    const std::vector<xcb_window_t> chain = ancestry();
    if (chain.empty()) {
        return 0;
    }
    // A reparenting window manager puts the host's window into a frame of its own, a child of
    // the root; a dialog transient for that frame names a window the manager does not manage,
    // and some managers then treat the dialog as a free window. The managed window is the one
    // the manager marked with WM_STATE. All questions go out before the first answer is read.
    const xcb_atom_t wm_state = atom("WM_STATE");
    std::vector<xcb_get_property_cookie_t> asked;
    asked.reserve(chain.size());
    for (const xcb_window_t window : chain) {
        asked.push_back(
            xcb_get_property(connection_, 0, window, wm_state, XCB_GET_PROPERTY_TYPE_ANY, 0, 0));
    }
    xcb_window_t managed = 0;
    for (size_t i = 0; i < chain.size(); ++i) {
        const Reply<xcb_get_property_reply_t> state(
            xcb_get_property_reply(connection_, asked[i], nullptr), &std::free);
        if (wm_state != XCB_ATOM_NONE && state && state->type != XCB_ATOM_NONE) {
            managed = chain[i];
        }
    }
    return managed != 0 ? managed : chain.back();
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

void X11Desktop::deliver_key(Form& form, const xcb_key_press_event_t& event) {
    const KeyPress press = keyboard_.press(event);
    if (press.key) {
        form.deliver_key_down(*press.key, press.mods);
    }
    for (const char32_t ch : press.text) {
        form.deliver_key_char(ch);
    }
}

xcb_generic_event_t* X11Desktop::poll_event() {
    if (!held_.empty()) {
        xcb_generic_event_t* event = held_.front();
        held_.pop_front();
        return event;
    }
    return xcb_poll_for_event(connection_);
}

bool X11Desktop::take_shared(const xcb_generic_event_t& event) {
    switch (event.response_type & 0x7f) {
    case XCB_KEY_PRESS:
    case XCB_KEY_RELEASE:
    case XCB_BUTTON_PRESS:
    case XCB_BUTTON_RELEASE:
    case XCB_MOTION_NOTIFY:
        time_ = reinterpret_cast<const xcb_key_press_event_t&>(event).time;
        return false;
    default: break;
    }
    return keyboard_.take_event(event) || clipboard_.take_event(event);
}

void X11Desktop::show_cursor(xcb_window_t window, Cursor wanted, std::optional<Cursor>& shown) {
    if (shown == wanted) {
        return;
    }
    if (cursor_font_ == 0) {
        // The core cursor font: left_ptr and hand2, each with its mask glyph after it.
        constexpr uint16_t kLeftPtr = 68;
        constexpr uint16_t kHand2 = 60;
        cursor_font_ = xcb_generate_id(connection_);
        xcb_open_font(connection_, cursor_font_, 6, "cursor");
        arrow_ = xcb_generate_id(connection_);
        xcb_create_glyph_cursor(connection_, arrow_, cursor_font_, cursor_font_, kLeftPtr,
                                kLeftPtr + 1, 0, 0, 0, 0xffff, 0xffff, 0xffff);
        hand_ = xcb_generate_id(connection_);
        xcb_create_glyph_cursor(connection_, hand_, cursor_font_, cursor_font_, kHand2, kHand2 + 1,
                                0, 0, 0, 0xffff, 0xffff, 0xffff);
    }
    const uint32_t cursor[] = {wanted == Cursor::hand_point ? hand_ : arrow_};
    xcb_change_window_attributes(connection_, window, XCB_CW_CURSOR, cursor);
    shown = wanted;
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
            if (target != window || type == 0) {
                if (type == XCB_BUTTON_PRESS) {
                    // On another window of ours, the editor's: its state tells the buttons
                    // held before it.
                    const auto* e = reinterpret_cast<xcb_button_press_event_t*>(event);
                    note_press(watch, static_cast<uint16_t>(e->state | button_mask(e->detail)),
                               Point{e->root_x, e->root_y});
                }
                if (!expose_shown(*event)) {
                    sink_.take_event(*event, false);
                }
                continue;
            }
            switch (type) {
            case XCB_EXPOSE: {
                const auto* e = reinterpret_cast<xcb_expose_event_t*>(event);
                form.invalidate_rect(Rect::from_size(e->x, e->y, e->width, e->height));
                break;
            }
            case XCB_BUTTON_PRESS:
            case XCB_BUTTON_RELEASE: {
                const auto* e = reinterpret_cast<xcb_button_press_event_t*>(event);
                const Modifiers mods = modifiers_of(e->state);
                if (type == XCB_BUTTON_PRESS) {
                    // The latest press is the dialog's own: none outside is pending.
                    watch.press.reset();
                    watch.buttons = static_cast<uint16_t>(e->state | button_mask(e->detail));
                }
                if (type == XCB_BUTTON_PRESS && (e->detail == 4 || e->detail == 5)) {
                    form.deliver_mouse_wheel(e->detail == 4 ? 120 : -120, e->event_x, e->event_y,
                                             mods);
                } else if (const auto button = button_of(e->detail)) {
                    if (type == XCB_BUTTON_PRESS) {
                        form.deliver_mouse_down(*button, e->event_x, e->event_y, mods);
                    } else {
                        form.deliver_mouse_up(*button, e->event_x, e->event_y, mods);
                    }
                }
                break;
            }
            case XCB_MOTION_NOTIFY: {
                const auto* e = reinterpret_cast<xcb_motion_notify_event_t*>(event);
                form.deliver_mouse_move(e->event_x, e->event_y, modifiers_of(e->state));
                show_cursor(window, form.current_cursor(), cursor);
                break;
            }
            case XCB_LEAVE_NOTIFY: form.deliver_mouse_leave(); break;
            case XCB_KEY_PRESS:
                deliver_key(form, *reinterpret_cast<xcb_key_press_event_t*>(event));
                break;
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

void X11Desktop::run_menu(MenuSession& session) {
    ++loops_run_;
    struct PaneWindow {
        const MenuPane* pane;
        xcb_window_t window;
    };
    std::vector<PaneWindow> windows;
    xcb_connection_t* c = connection_;
    const xcb_colormap_t colormap = xcb_generate_id(c);
    xcb_create_colormap(c, XCB_COLORMAP_ALLOC_NONE, colormap, screen_->root, format_.visual);
    const xcb_gcontext_t gc = xcb_generate_id(c);
    bool have_gc = false;
    bool have_keyboard = false;

    // Keeps one override-redirect window per open pane, in step with the session.
    const auto sync = [&] {
        size_t keep = 0;
        while (keep < windows.size() && keep < session.pane_count() &&
               windows[keep].pane == &session.pane(keep)) {
            ++keep;
        }
        for (size_t i = windows.size(); i > keep; --i) {
            xcb_destroy_window(c, windows[i - 1].window);
        }
        windows.resize(keep);
        for (size_t level = keep; level < session.pane_count(); ++level) {
            MenuPane& pane = session.pane(level);
            const Rect at = pane.screen_rect();
            const xcb_window_t window = xcb_generate_id(c);
            const uint32_t values[] = {0, 1, XCB_EVENT_MASK_EXPOSURE, colormap};
            xcb_create_window(c, format_.depth, window, screen_->root,
                              static_cast<int16_t>(at.left), static_cast<int16_t>(at.top),
                              static_cast<uint16_t>(std::max(1, at.width())),
                              static_cast<uint16_t>(std::max(1, at.height())), 0,
                              XCB_WINDOW_CLASS_INPUT_OUTPUT, format_.visual,
                              XCB_CW_BORDER_PIXEL | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK |
                                  XCB_CW_COLORMAP,
                              values);
            if (!have_gc) {
                xcb_create_gc(c, gc, window, 0, nullptr);
                have_gc = true;
            }
            xcb_map_window(c, window);
            pane.invalidate();
            windows.push_back({&pane, window});
        }
    };
    const auto paint = [&] {
        for (size_t level = 0; level < windows.size(); ++level) {
            MenuPane& pane = session.pane(level);
            for (const Rect& r : pane.paint_invalid()) {
                put_area(c, windows[level].window, gc, format_, pane.buffer(), r, scratch_);
            }
        }
    };

    // Every pointer event comes to the menu, in root coordinates, until it closes; taken before
    // the panes show, so that no press can reach a pane that the menu does not see.
    const xcb_grab_pointer_cookie_t cookie = xcb_grab_pointer(
        c, 0, screen_->root,
        XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_POINTER_MOTION,
        XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE, XCB_CURRENT_TIME);
    std::unique_ptr<xcb_grab_pointer_reply_t, decltype(&std::free)> grab(
        xcb_grab_pointer_reply(c, cookie, nullptr), &std::free);
    if (!grab || grab->status != XCB_GRAB_STATUS_SUCCESS) {
        // Another client holds the pointer: a menu that could never be closed by a click
        // elsewhere is not shown.
        session.close();
    } else {
        sync();
        // The keys too, on the root pane: without them the menu still works with the mouse.
        if (!windows.empty()) {
            const auto keys = x11::reply(xcb_grab_keyboard_reply(
                c,
                xcb_grab_keyboard(c, 0, windows.front().window, XCB_CURRENT_TIME,
                                  XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                nullptr));
            have_keyboard = keys && keys->status == XCB_GRAB_STATUS_SUCCESS;
        }
        xcb_flush(c);
    }

    while (!session.finished() && xcb_connection_has_error(c) == 0) {
        while (xcb_generic_event_t* event = poll_event()) {
            const uint8_t type = event->response_type & 0x7f;
            if (take_shared(*event)) {
                // Done with.
            } else if (type == XCB_KEY_PRESS) {
                const KeyPress press =
                    keyboard_.press(*reinterpret_cast<xcb_key_press_event_t*>(event));
                if (press.key) {
                    session.key_down(*press.key);
                }
            } else if (type == XCB_KEY_RELEASE) {
                // Only presses move through a menu.
            } else if (type == XCB_BUTTON_PRESS || type == XCB_BUTTON_RELEASE) {
                const auto* e = reinterpret_cast<xcb_button_press_event_t*>(event);
                if (const auto button = button_of(e->detail)) {
                    if (type == XCB_BUTTON_PRESS) {
                        session.mouse_down(*button, e->root_x, e->root_y);
                    } else {
                        session.mouse_up(*button, e->root_x, e->root_y);
                    }
                }
            } else if (type == XCB_MOTION_NOTIFY) {
                const auto* e = reinterpret_cast<xcb_motion_notify_event_t*>(event);
                session.mouse_move(e->root_x, e->root_y);
            } else if (type == XCB_EXPOSE) {
                const auto* e = reinterpret_cast<xcb_expose_event_t*>(event);
                bool ours = false;
                for (size_t level = 0; level < windows.size(); ++level) {
                    if (windows[level].window == e->window) {
                        session.pane(level).invalidate_rect(
                            Rect::from_size(e->x, e->y, e->width, e->height));
                        ours = true;
                    }
                }
                if (!ours && !expose_shown(*event)) {
                    sink_.take_event(*event, false);
                }
            } else {
                sink_.take_event(*event, false);
            }
            std::free(event);
            if (session.finished()) {
                break;
            }
        }
        session.idle();
        if (session.finished()) {
            break;
        }
        sync();
        paint();
        paint_shown(shown_.size());
        sink_.repaint();
        xcb_flush(c);
        std::this_thread::sleep_for(kLoopStep);
    }
    if (!session.finished()) {
        session.close();
    }
    xcb_ungrab_pointer(c, XCB_CURRENT_TIME);
    if (have_keyboard) {
        xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
    }
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        xcb_destroy_window(c, it->window);
    }
    if (have_gc) {
        xcb_free_gc(c, gc);
    }
    xcb_free_colormap(c, colormap);
    xcb_flush(c);
}

} // namespace tonvo::ui
