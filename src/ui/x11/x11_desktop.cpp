#include "ui/x11/x11_desktop.h"

#include "ui/form.h"
#include "ui/x11/xcb_util.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace tonvo::ui {

namespace {

// The request header of PutImage, in bytes.
constexpr uint32_t kPutImageHeader = 24;

// How far up the window tree the owner is looked for: deeper means a loop or a broken tree.
constexpr int kMaxDepth = 64;

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

} // namespace tonvo::ui
