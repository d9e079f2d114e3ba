#include "ui/x11/x11_desktop.h"

#include "ui/menu_session.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <thread>

namespace tonvo::ui {

namespace {

// How long a modal loop sleeps between two polls of the connection: short enough that the
// pointer feels direct, long enough to leave the host its share of the processor.
constexpr Millis kLoopStep{10};

// The request header of PutImage, in bytes.
constexpr uint32_t kPutImageHeader = 24;

std::optional<MouseButton> button_of(xcb_button_t detail) {
    switch (detail) {
    case 1: return MouseButton::left;
    case 2: return MouseButton::middle;
    case 3: return MouseButton::right;
    default: return std::nullopt;
    }
}

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
    : connection_(connection), screen_(screen), format_(format), sink_(sink) {}

Clock& X11Desktop::clock() {
    return SteadyClock::instance();
}

Rect X11Desktop::screen() {
    return Rect::from_size(0, 0, screen_->width_in_pixels, screen_->height_in_pixels);
}

ModalResult X11Desktop::run_modal(Form& form, Form* /*owner*/) {
    // Not shown yet: the box answers as if dismissed.
    ++unshown_modals_;
    form.set_modal_result(ModalResult::cancel);
    return ModalResult::cancel;
}

void X11Desktop::wait(Millis time) {
    const Millis end = clock().now() + time;
    while (clock().now() < end && xcb_connection_has_error(connection_) == 0) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
            sink_.take_event(*event, false);
            std::free(event);
        }
        sink_.repaint();
        xcb_flush(connection_);
        std::this_thread::sleep_for(std::min(kLoopStep, end - clock().now()));
    }
}

void X11Desktop::run_menu(MenuSession& session) {
    ++menus_run_;
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

    sync();
    xcb_flush(c);
    // Every pointer event comes to the menu, in root coordinates, until it closes.
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
    }

    while (!session.finished() && xcb_connection_has_error(c) == 0) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            const uint8_t type = event->response_type & 0x7f;
            if (type == XCB_BUTTON_PRESS || type == XCB_BUTTON_RELEASE) {
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
                if (!ours) {
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
        sink_.repaint();
        xcb_flush(c);
        std::this_thread::sleep_for(kLoopStep);
    }
    if (!session.finished()) {
        session.close();
    }
    xcb_ungrab_pointer(c, XCB_CURRENT_TIME);
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
