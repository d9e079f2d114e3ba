// X11Desktop::run_menu: the portable menu loop (ui/menu_windows.h) over override-redirect
// windows of the root, with the pointer and the keyboard grabbed.
#include "ui/menu_session.h"
#include "ui/menu_windows.h"
#include "ui/x11/x11_desktop.h"
#include "ui/x11/x11_input.h"
#include "ui/x11/xcb_util.h"

#include <algorithm>
#include <cstdlib>
#include <thread>

namespace tonvo::ui {

namespace {
// How long the loop sleeps between two polls of the connection.
constexpr Millis kMenuStep{10};
} // namespace

class X11Desktop::MenuSystem final : public MenuWindowSystem {
public:
    explicit MenuSystem(X11Desktop& desktop) : desktop_(desktop), c_(desktop.connection_) {
        xcb_create_colormap(c_, XCB_COLORMAP_ALLOC_NONE, colormap_, desktop_.screen_->root,
                            desktop_.format_.visual);
    }
    ~MenuSystem() override {
        if (have_gc_) {
            xcb_free_gc(c_, gc_);
        }
        xcb_free_colormap(c_, colormap_);
        xcb_flush(c_);
    }
    MenuSystem(const MenuSystem&) = delete;
    MenuSystem& operator=(const MenuSystem&) = delete;

    bool begin() override {
        // Every pointer event comes to the menu, in root coordinates, until it closes; taken
        // before the panes show, so that no press can reach a pane that the menu does not see.
        const xcb_grab_pointer_cookie_t cookie = xcb_grab_pointer(
            c_, 0, desktop_.screen_->root,
            XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
                XCB_EVENT_MASK_POINTER_MOTION,
            XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE, XCB_CURRENT_TIME);
        const auto grab = x11::reply(xcb_grab_pointer_reply(c_, cookie, nullptr));
        // Another client holds the pointer: a menu that could never be closed by a click
        // elsewhere is not shown.
        have_pointer_ = grab && grab->status == XCB_GRAB_STATUS_SUCCESS;
        return have_pointer_;
    }

    PaneWindowId create_pane(MenuPane& pane) override {
        const Rect at = pane.screen_rect();
        const xcb_window_t window = xcb_generate_id(c_);
        const uint32_t values[] = {0, 1, XCB_EVENT_MASK_EXPOSURE, colormap_};
        xcb_create_window(c_, desktop_.format_.depth, window, desktop_.screen_->root,
                          static_cast<int16_t>(at.left), static_cast<int16_t>(at.top),
                          static_cast<uint16_t>(std::clamp(at.width(), 1, 32767)),
                          static_cast<uint16_t>(std::clamp(at.height(), 1, 32767)), 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, desktop_.format_.visual,
                          XCB_CW_BORDER_PIXEL | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK |
                              XCB_CW_COLORMAP,
                          values);
        if (!have_gc_) {
            xcb_create_gc(c_, gc_, window, 0, nullptr);
            have_gc_ = true;
        }
        xcb_map_window(c_, window);
        return window;
    }

    void destroy_pane(PaneWindowId window) override {
        xcb_destroy_window(c_, static_cast<xcb_window_t>(window));
    }

    void paint_pane(PaneWindowId window, MenuPane& pane) override {
        for (const Rect& r : pane.paint_invalid()) {
            put_area(c_, static_cast<xcb_window_t>(window), gc_, desktop_.format_, pane.buffer(), r,
                     desktop_.scratch_);
        }
    }

    bool hold(PaneWindowId root) override {
        // The keys too, on the root pane, asked for once: without them the menu still works
        // with the mouse.
        if (!asked_keyboard_ && root != 0) {
            asked_keyboard_ = true;
            const auto keys = x11::reply(xcb_grab_keyboard_reply(
                c_,
                xcb_grab_keyboard(c_, 0, static_cast<xcb_window_t>(root), XCB_CURRENT_TIME,
                                  XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                nullptr));
            have_keyboard_ = keys && keys->status == XCB_GRAB_STATUS_SUCCESS;
            xcb_flush(c_);
        }
        return true;
    }

    bool serve_events(MenuSession& session, const MenuWindows& windows) override {
        if (xcb_connection_has_error(c_) != 0) {
            return false;
        }
        while (xcb_generic_event_t* event = desktop_.poll_event()) {
            const x11::Reply<xcb_generic_event_t> owned(event, &std::free);
            if (desktop_.take_shared(*event)) {
                continue;
            }
            if (is_input_event(*event)) {
                // The menu holds the pointer and the keys: what it does not use goes nowhere.
                if (const std::optional<XcbInput> input = read_input(*event)) {
                    serve(session, *input);
                }
            } else if ((event->response_type & 0x7f) == XCB_EXPOSE) {
                const auto* e = reinterpret_cast<xcb_expose_event_t*>(event);
                const int level = windows.level_of(session, e->window);
                if (level >= 0) {
                    session.pane(static_cast<size_t>(level))
                        .invalidate_rect(Rect::from_size(e->x, e->y, e->width, e->height));
                } else if (!desktop_.expose_shown(*event)) {
                    desktop_.sink_.take_event(*event, false);
                }
            } else {
                desktop_.sink_.take_event(*event, false);
            }
            if (session.finished()) {
                break;
            }
        }
        return true;
    }

    void end_turn() override {
        desktop_.paint_shown(desktop_.shown_.size());
        desktop_.sink_.repaint();
        xcb_flush(c_);
        std::this_thread::sleep_for(kMenuStep);
    }

    void release() override {
        if (have_pointer_) {
            xcb_ungrab_pointer(c_, XCB_CURRENT_TIME);
        }
        if (have_keyboard_) {
            xcb_ungrab_keyboard(c_, XCB_CURRENT_TIME);
        }
    }

private:
    void serve(MenuSession& session, const XcbInput& input) {
        switch (input.kind) {
        case XcbInput::Kind::press:
            session.mouse_down(input.button, input.root.x, input.root.y);
            break;
        case XcbInput::Kind::release:
            session.mouse_up(input.button, input.root.x, input.root.y);
            break;
        case XcbInput::Kind::move: session.mouse_move(input.root.x, input.root.y); break;
        case XcbInput::Kind::key:
            if (input.key != nullptr) {
                // Only the keys that are no text move through a menu.
                if (const KeyPress press = desktop_.keyboard_.press(*input.key); press.key) {
                    session.key_down(*press.key);
                }
            }
            break;
        case XcbInput::Kind::wheel:
        case XcbInput::Kind::leave: break;
        }
    }
    X11Desktop& desktop_;
    xcb_connection_t* c_;
    xcb_colormap_t colormap_ = xcb_generate_id(c_);
    xcb_gcontext_t gc_ = xcb_generate_id(c_);
    bool have_gc_ = false;
    bool have_pointer_ = false;
    bool asked_keyboard_ = false;
    bool have_keyboard_ = false;
};

void X11Desktop::run_menu(MenuSession& session) {
    ++loops_run_;
    MenuSystem system(*this);
    run_menu_windows(session, system);
}

} // namespace tonvo::ui
