// Win32Desktop's modal loops: a dialog as a captioned top-level window owned by the editor's
// (run_modal), the wait between two showings, and presses outside a dialog
// (button_down_outside), handed on to the window under the pointer once the dialog has gone.
#include "base/utf.h"
#include "ui/form.h"
#include "ui/win32/win32_desktop.h"
#include "ui/win32/win32_unwind.h"

#include <algorithm>
#include <memory>
#include <windowsx.h>

namespace tonvo::ui {

namespace {

// How long a loop waits for messages before it runs the timers and repaints again.
constexpr DWORD kLoopStepMs = 10;

constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;

class DialogWindow final : public WindowHandler {
public:
    explicit DialogWindow(Form& form) : form_(form) {}

    bool alive = true;

    LRESULT message(HWND window, UINT msg, WPARAM wp, LPARAM lp) override {
        switch (msg) {
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            if (HDC dc = BeginPaint(window, &ps)) {
                blit(dc, form_.buffer(), ps.rcPaint);
                EndPaint(window, &ps);
            }
            return 0;
        }
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            SetCapture(window);
            form_.deliver_mouse_down(button(msg), GET_X_LPARAM(lp), GET_Y_LPARAM(lp),
                                     mouse_modifiers(wp));
            return 0;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            form_.deliver_mouse_up(button(msg), GET_X_LPARAM(lp), GET_Y_LPARAM(lp),
                                   mouse_modifiers(wp));
            if ((wp & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) == 0 && GetCapture() == window) {
                ReleaseCapture();
            }
            return 0;
        case WM_MOUSEMOVE:
            if (!tracking_) {
                TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window, 0};
                tracking_ = TrackMouseEvent(&track) != FALSE;
            }
            form_.deliver_mouse_move(GET_X_LPARAM(lp), GET_Y_LPARAM(lp), mouse_modifiers(wp));
            return 0;
        case WM_MOUSELEAVE:
            tracking_ = false;
            if (GetCapture() != window) {
                form_.deliver_mouse_leave();
            }
            return 0;
        case WM_MOUSEWHEEL: {
            POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            ScreenToClient(window, &p);
            form_.deliver_mouse_wheel(GET_WHEEL_DELTA_WPARAM(wp), p.x, p.y,
                                      mouse_modifiers(GET_KEYSTATE_WPARAM(wp)));
            return 0;
        }
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(lp) != window) {
                form_.cancel_capture();
            }
            return 0;
        case WM_SETCURSOR:
            if (LOWORD(lp) == HTCLIENT) {
                SetCursor(LoadCursorW(nullptr, form_.current_cursor() == Cursor::hand_point
                                                   ? MAKEINTRESOURCEW(32649)    // IDC_HAND
                                                   : MAKEINTRESOURCEW(32512))); // IDC_ARROW
                return TRUE;
            }
            break;
        case WM_MOVE: {
            POINT origin{0, 0};
            ClientToScreen(window, &origin);
            form_.set_position(origin.x, origin.y);
            return 0;
        }
        case WM_CLOSE: form_.set_modal_result(ModalResult::cancel); return 0;
        case WM_DESTROY: alive = false; return 0;
        default:
            if (deliver_key_message(form_, chars_, msg, wp)) {
                return 0;
            }
            break;
        }
        return DefWindowProcW(window, msg, wp, lp);
    }

private:
    static MouseButton button(UINT msg) {
        return msg == WM_LBUTTONDOWN || msg == WM_LBUTTONUP   ? MouseButton::left
               : msg == WM_RBUTTONDOWN || msg == WM_RBUTTONUP ? MouseButton::right
                                                              : MouseButton::middle;
    }

    Form& form_;
    CharDecoder chars_;
    bool tracking_ = false;
};

// A menu pane's window: it only shows the pane; the menu's loop takes every input.
Rect work_area_of(const RECT& r) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    HMONITOR monitor = MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST);
    if (monitor == nullptr || !GetMonitorInfoW(monitor, &info)) {
        return Rect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    return Rect{info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
}
} // namespace

void Win32Desktop::wait(Millis time) {
    const BusyScope busy;
    const Millis end = clock().now() + time;
    while (clock().now() < end) {
        if (!pump()) {
            return;
        }
        repaint_shown();
        const auto left =
            static_cast<DWORD>(std::max<Millis::rep>((end - clock().now()).count(), 0));
        MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min(kLoopStepMs, left), QS_ALLINPUT);
    }
}

ModalResult Win32Desktop::run_modal(Form& form, Form* /*owner*/) {
    // First made, last gone: work postponed meanwhile runs once this desktop is let go.
    const BusyScope busy;
    const std::shared_ptr<Win32Desktop> self = weak_from_this().lock();
    const WindowClasses classes;
    ++loops_run_;
    ++loop_depth_;
    form.set_modal_result(ModalResult::none);
    if (press_form_ == &form) {
        press_form_ = nullptr;
    }
    // Owned by the innermost dialog of ours, else by the editor's top-level window.
    HWND owner = !dialogs_.empty()    ? dialogs_.back().window
                 : editor_ != nullptr ? GetAncestor(editor_, GA_ROOT)
                                      : nullptr;
    if (owner != nullptr && !IsWindow(owner)) {
        owner = nullptr;
    }
    RECT frame{form.left(), form.top(), form.left() + std::max(1, form.width()),
               form.top() + std::max(1, form.height())};
    AdjustWindowRectEx(&frame, kDialogStyle, FALSE, WS_EX_DLGMODALFRAME);
    // The caller kept the client area on the work area; the caption and frame round it must
    // lie there too, or the title bar of a dialog at the top of the screen is out of reach.
    {
        const Point at = moved_onto(work_area_of(frame), Point{frame.left, frame.top},
                                    frame.right - frame.left, frame.bottom - frame.top);
        const int dx = at.x - frame.left;
        const int dy = at.y - frame.top;
        OffsetRect(&frame, dx, dy);
        form.set_position(form.left() + dx, form.top() + dy);
    }
    DialogWindow handler(form);
    HWND window =
        create_window(WindowKind::dialog, WS_EX_DLGMODALFRAME, kDialogStyle, frame.left, frame.top,
                      frame.right - frame.left, frame.bottom - frame.top, owner, handler);
    if (window == nullptr) {
        if (--loop_depth_ == 0) {
            ending_ = false;
        }
        form.set_modal_result(ModalResult::cancel);
        return ModalResult::cancel;
    }
    SetWindowTextW(window, base::widen(form.caption()).c_str());
    const bool disabled_owner = owner != nullptr && IsWindowEnabled(owner);
    if (disabled_owner) {
        EnableWindow(owner, FALSE);
    }
    dialogs_.push_back({window, &form});
    form.invalidate();
    ShowWindow(window, SW_SHOW);
    // The buttons as they are now: a press that began before the dialog is none outside it.
    const OutsideWatch outer = outside_;
    outside_ = OutsideWatch{&form, window, {false, false}, std::nullopt};
    note_outside_press();
    outside_.press.reset();

    while (form.modal_result() == ModalResult::none) {
        if (!handler.alive || editor_gone_ || ending_ || !pump()) {
            break;
        }
        if (form.modal_result() != ModalResult::none || !handler.alive || editor_gone_ || ending_) {
            break;
        }
        note_outside_press();
        form.idle();
        repaint_shown();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kLoopStepMs, QS_ALLINPUT);
    }
    if (form.modal_result() == ModalResult::none) {
        form.set_modal_result(ModalResult::cancel);
    }
    dialogs_.pop_back();
    outside_ = outer;
    // The owner first: Windows then hands the activation back to it, not to another program.
    if (disabled_owner && IsWindow(owner)) {
        EnableWindow(owner, TRUE);
    }
    if (handler.alive) {
        if (GetCapture() == window) {
            ReleaseCapture();
        }
        destroy_window(window);
    }
    if (press_form_ == &form) {
        press_form_ = nullptr;
        pass_on_press(press_button_);
    }
    if (--loop_depth_ == 0) {
        ending_ = false;
    }
    return form.modal_result();
}

namespace {
// The virtual key of the physical button the user has as `button` (GetAsyncKeyState does not
// swap them).
int physical_key(MouseButton button) {
    const bool swapped = GetSystemMetrics(SM_SWAPBUTTON) != 0;
    return (button == MouseButton::left) != swapped ? VK_LBUTTON : VK_RBUTTON;
}
} // namespace

void Win32Desktop::note_outside_press() {
    POINT p;
    RECT frame{};
    const bool outside =
        GetCursorPos(&p) && GetWindowRect(outside_.window, &frame) && !PtInRect(&frame, p);
    const MouseButton buttons[2] = {MouseButton::left, MouseButton::right};
    for (int i = 0; i < 2; ++i) {
        const SHORT state = GetAsyncKeyState(physical_key(buttons[i]));
        const bool down = state < 0;
        // Down now and not at the last look, or pressed and let go again in between.
        const bool began = down ? !outside_.down[i] : (state & 1) != 0;
        outside_.down[i] = down;
        if (began && outside && !outside_.press) {
            outside_.press = buttons[i];
        }
    }
}

std::optional<MouseButton> Win32Desktop::button_down_outside(const Form& form) {
    if (outside_.form == &form && outside_.press) {
        press_form_ = &form;
        press_button_ = *outside_.press;
        outside_.press.reset();
        return press_button_;
    }
    POINT p;
    if (!GetCursorPos(&p)) {
        return std::nullopt;
    }
    const Rect own = Rect::from_size(form.left(), form.top(), form.width(), form.height());
    if (p.x >= own.left && p.x < own.right && p.y >= own.top && p.y < own.bottom) {
        return std::nullopt;
    }
    // Only the left and right buttons click elsewhere: a middle press is left alone.
    std::optional<MouseButton> down;
    if (GetAsyncKeyState(physical_key(MouseButton::left)) < 0) {
        down = MouseButton::left;
    } else if (GetAsyncKeyState(physical_key(MouseButton::right)) < 0) {
        down = MouseButton::right;
    }
    if (down) {
        press_form_ = &form;
        press_button_ = *down;
    }
    return down;
}

void Win32Desktop::pass_on_press(MouseButton button) {
    // Injected input is physical: with the buttons swapped, the user's left is the right one.
    const bool swapped = GetSystemMetrics(SM_SWAPBUTTON) != 0;
    if (button != MouseButton::middle && swapped) {
        button = button == MouseButton::left ? MouseButton::right : MouseButton::left;
    }
    const DWORD down = button == MouseButton::left    ? MOUSEEVENTF_LEFTDOWN
                       : button == MouseButton::right ? MOUSEEVENTF_RIGHTDOWN
                                                      : MOUSEEVENTF_MIDDLEDOWN;
    const DWORD up = button == MouseButton::left    ? MOUSEEVENTF_LEFTUP
                     : button == MouseButton::right ? MOUSEEVENTF_RIGHTUP
                                                    : MOUSEEVENTF_MIDDLEUP;
    // At the pointer's current position: no move flag, no coordinates.
    mouse_event(down, 0, 0, 0, 0);
    mouse_event(up, 0, 0, 0, 0);
}
} // namespace tonvo::ui
