// Win32Desktop::run_menu: the portable menu loop (ui/menu_windows.h) over topmost tool windows
// that are never activated, with the mouse captured by the root pane and the thread's keys
// taken by the menu.
#include "ui/menu_session.h"
#include "ui/menu_windows.h"
#include "ui/win32/win32_desktop.h"
#include "ui/win32/win32_unwind.h"

#include <algorithm>
#include <memory>
#include <vector>
#include <windowsx.h>

namespace tonvo::ui {

namespace {

// How long the loop waits for messages before it runs the timers and repaints again.
constexpr DWORD kMenuStepMs = 10;

constexpr DWORD kPaneExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;

MouseButton button_of_message(UINT message) {
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP: return MouseButton::left;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP: return MouseButton::right;
    default: return MouseButton::middle;
    }
}

POINT screen_point(HWND window, LPARAM lp) {
    POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    ClientToScreen(window, &p);
    return p;
}

// A modal form's top-level window: its input goes to the form, its close button answers
// Cancel.
class PaneWindow final : public WindowHandler {
public:
    explicit PaneWindow(MenuPane& pane) : pane_(pane) {}

    LRESULT message(HWND window, UINT msg, WPARAM wp, LPARAM lp) override {
        switch (msg) {
        case WM_ERASEBKGND: return 1;
        case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            if (HDC dc = BeginPaint(window, &ps)) {
                blit(dc, pane_.buffer(), ps.rcPaint);
                EndPaint(window, &ps);
            }
            return 0;
        }
        default: return DefWindowProcW(window, msg, wp, lp);
        }
    }

    const MenuPane* pane() const { return &pane_; }
    HWND handle = nullptr;

private:
    MenuPane& pane_;
};

// The work area of the monitor that holds most of `r` (or is nearest to it).
} // namespace

class Win32Desktop::MenuSystem final : public MenuWindowSystem {
public:
    explicit MenuSystem(Win32Desktop& desktop) : desktop_(desktop) {}

    // The mouse is captured once the root pane shows (hold).
    bool begin() override { return true; }

    PaneWindowId create_pane(MenuPane& pane) override {
        auto made = std::make_unique<PaneWindow>(pane);
        const Rect at = pane.screen_rect();
        made->handle = create_window(WindowKind::menu, kPaneExStyle, WS_POPUP, at.left, at.top,
                                     at.width(), at.height(), nullptr, *made);
        if (made->handle == nullptr) {
            return 0;
        }
        ShowWindow(made->handle, SW_SHOWNOACTIVATE);
        const auto id = reinterpret_cast<PaneWindowId>(made->handle);
        windows_.push_back(std::move(made));
        return id;
    }

    void destroy_pane(PaneWindowId window) override {
        const auto handle = reinterpret_cast<HWND>(window);
        const auto it = std::find_if(windows_.begin(), windows_.end(),
                                     [&](const auto& w) { return w->handle == handle; });
        if (it != windows_.end()) {
            destroy_window(handle);
            windows_.erase(it);
        }
    }

    void paint_pane(PaneWindowId window, MenuPane& pane) override {
        invalidate_areas(reinterpret_cast<HWND>(window), pane.paint_invalid());
    }

    bool hold(PaneWindowId root) override {
        // The root pane's window holds the mouse: every pointer message comes to the menu. A
        // menu that a click elsewhere could never close is not shown.
        const auto window = reinterpret_cast<HWND>(root);
        if (window != nullptr && holder_ != window) {
            holder_ = window;
            SetCapture(holder_);
        }
        return holder_ != nullptr && GetCapture() == holder_;
    }

    bool serve_events(MenuSession& session, const MenuWindows& /*windows*/) override {
        MSG msg;
        while (!session.finished() && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            switch (msg.message) {
            case WM_QUIT: PostQuitMessage(static_cast<int>(msg.wParam)); return false;
            case WM_MOUSEMOVE: {
                const POINT p = screen_point(msg.hwnd, msg.lParam);
                session.mouse_move(p.x, p.y);
                break;
            }
            case WM_LBUTTONDOWN:
            case WM_RBUTTONDOWN:
            case WM_MBUTTONDOWN: {
                const POINT p = screen_point(msg.hwnd, msg.lParam);
                session.mouse_down(button_of_message(msg.message), p.x, p.y);
                break;
            }
            case WM_LBUTTONUP:
            case WM_RBUTTONUP:
            case WM_MBUTTONUP: {
                const POINT p = screen_point(msg.hwnd, msg.lParam);
                session.mouse_up(button_of_message(msg.message), p.x, p.y);
                break;
            }
            case WM_KEYDOWN:
            case WM_SYSKEYDOWN:
                if (const auto key = key_of(msg.wParam)) {
                    session.key_down(*key);
                }
                break;
            case WM_KEYUP:
            case WM_SYSKEYUP:
            case WM_CHAR:
            case WM_SYSCHAR:
            case WM_MOUSEWHEEL:
            case WM_LBUTTONDBLCLK:
            case WM_RBUTTONDBLCLK:
            case WM_MBUTTONDBLCLK:
                // The menu holds the keyboard and the pointer: nothing of them reaches others.
                break;
            default:
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
                break;
            }
        }
        if (session.finished()) {
            return true;
        }
        // The editor went, or the host closed it from a timer; or another window took the
        // mouse (the user switched programs): the menu closes.
        return !desktop_.editor_gone_ && !desktop_.ending_ && GetCapture() == holder_;
    }

    void end_turn() override {
        desktop_.repaint_shown();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kMenuStepMs, QS_ALLINPUT);
    }

    void release() override {
        if (holder_ != nullptr && GetCapture() == holder_) {
            ReleaseCapture();
        }
    }

private:
    Win32Desktop& desktop_;
    std::vector<std::unique_ptr<PaneWindow>> windows_;
    HWND holder_ = nullptr;
};

void Win32Desktop::run_menu(MenuSession& session) {
    // First made, last gone: work postponed meanwhile runs once this desktop is let go.
    const BusyScope busy;
    const std::shared_ptr<Win32Desktop> self = weak_from_this().lock();
    const WindowClasses classes;
    ++loops_run_;
    ++loop_depth_;
    {
        MenuSystem system(*this);
        run_menu_windows(session, system);
    }
    if (--loop_depth_ == 0) {
        ending_ = false;
    }
}

} // namespace tonvo::ui
