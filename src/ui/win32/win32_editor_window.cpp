#include "ui/win32/win32_editor_window.h"

#include "ui/win32/win32_desktop.h"
#include "ui/win32/win32_support.h"
#include "ui/win32/win32_unwind.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>
#include <windowsx.h>

namespace tonvo::ui {

namespace {

// The form's timers run on this timer between the host's idle calls.
constexpr UINT_PTR kIdleTimer = 1;
constexpr UINT kIdleTimerMs = 15;

class Win32EditorWindow;

// The editor windows open now (user-interface thread): the focus call finds a form's window
// here.
std::vector<Win32EditorWindow*> open_windows;

MouseButton button_of(UINT msg) {
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP: return MouseButton::left;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP: return MouseButton::right;
    default: return MouseButton::middle;
    }
}

constexpr WPARAM kButtons = MK_LBUTTON | MK_RBUTTON | MK_MBUTTON;

class Win32EditorWindow final : public EditorWindow,
                                private WindowHandler,
                                private Win32Desktop::Sink {
public:
    // Null (the reason on the standard error) when no window can be made in `parent`.
    static std::unique_ptr<Win32EditorWindow> open(HWND parent);
    ~Win32EditorWindow() override;

    Desktop& desktop() override { return *desktop_; }
    void show(Form& form) override;
    void forget() override { form_ = nullptr; }
    void idle() override;
    std::uintptr_t native_handle() const override {
        return reinterpret_cast<std::uintptr_t>(window_);
    }
    bool in_loop() const override { return desktop_ && desktop_->in_loop(); }
    void end_loops_and_hide() override {
        desktop_->end_loops();
        if (window_ != nullptr && on_thread()) {
            ShowWindow(window_, SW_HIDE);
        }
    }

    Form* form() const { return form_; }
    HWND window() const { return window_; }
    bool on_thread() const { return GetCurrentThreadId() == thread_; }

private:
    Win32EditorWindow() : thread_(GetCurrentThreadId()) {}

    LRESULT message(HWND window, UINT msg, WPARAM wp, LPARAM lp) override;
    void repaint() override;
    // Presses and releases; nothing of this object is touched once it went away while the
    // form handled one (the host closed the editor from inside a loop the form started).
    void mouse_down(MouseButton button, WPARAM wp, LPARAM lp);
    void mouse_up(MouseButton button, WPARAM wp, LPARAM lp);
    // The form's screen position, for the dialogs and menus placed over it.
    void update_position();

    // Declared first: the classes outlive our window.
    WindowClasses classes_;
    DWORD thread_;
    HWND window_ = nullptr;
    std::shared_ptr<Win32Desktop> desktop_;
    Form* form_ = nullptr;
    CharDecoder chars_;
    bool tracking_ = false;
    // Set while the form handles a press: a capture lost meanwhile is handled after it.
    bool in_press_ = false;
    bool lost_capture_ = false;
    bool releasing_ = false;
    // Cleared when this object goes: a handler that called into the form checks it before it
    // touches this object again.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

std::unique_ptr<Win32EditorWindow> Win32EditorWindow::open(HWND parent) {
    if (parent == nullptr || !IsWindow(parent)) {
        std::fprintf(stderr, "Tonvo: no editor window: the host's window does not exist\n");
        return nullptr;
    }
    std::unique_ptr<Win32EditorWindow> made(new Win32EditorWindow());
    made->window_ =
        create_window(WindowKind::editor, 0, WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0, 1,
                      1, parent, static_cast<WindowHandler&>(*made));
    if (made->window_ == nullptr) {
        std::fprintf(stderr, "Tonvo: no editor window: CreateWindowExW failed (error %lu)\n",
                     static_cast<unsigned long>(GetLastError()));
        return nullptr;
    }
    made->desktop_ =
        std::make_shared<Win32Desktop>(made->window_, static_cast<Win32Desktop::Sink*>(made.get()));
    open_windows.push_back(made.get());
    return made;
}

Win32EditorWindow::~Win32EditorWindow() {
    *alive_ = false;
    form_ = nullptr;
    if (desktop_) {
        desktop_->editor_gone();
    }
    std::erase(open_windows, this);
    if (window_ != nullptr) {
        detach_handler(window_);
        if (on_thread()) {
            if (GetCapture() == window_) {
                ReleaseCapture();
            }
            DestroyWindow(window_);
        } else {
            // Only the window's own thread may destroy it; it closes itself there.
            PostMessageW(window_, WM_CLOSE, 0, 0);
        }
    }
}

void Win32EditorWindow::show(Form& form) {
    if (!on_thread() || window_ == nullptr) {
        return;
    }
    form_ = &form;
    SetWindowPos(window_, nullptr, 0, 0, std::max(1, form.width()), std::max(1, form.height()),
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    update_position();
    form.invalidate();
    repaint();
    SetTimer(window_, kIdleTimer, kIdleTimerMs, nullptr);
}

void Win32EditorWindow::update_position() {
    POINT origin{0, 0};
    if (form_ != nullptr && window_ != nullptr && ClientToScreen(window_, &origin)) {
        form_->set_position(origin.x, origin.y);
    }
}

void Win32EditorWindow::idle() {
    if (!on_thread() || form_ == nullptr || window_ == nullptr) {
        return;
    }
    // While a menu or dialog of ours runs, the form waits for it; only its picture is kept.
    if (!desktop_->in_loop()) {
        const std::shared_ptr<bool> alive = alive_;
        form_->idle();
        if (!*alive) {
            return;
        }
    }
    repaint();
}

void Win32EditorWindow::repaint() {
    if (form_ == nullptr || window_ == nullptr) {
        return;
    }
    invalidate_areas(window_, form_->paint_invalid());
}

void Win32EditorWindow::mouse_down(MouseButton button, WPARAM wp, LPARAM lp) {
    if (desktop_->in_loop()) {
        return;
    }
    update_position();
    if (GetCapture() != window_) {
        SetCapture(window_);
    }
    const std::shared_ptr<bool> alive = alive_;
    const int loops = desktop_->loops_run();
    in_press_ = true;
    lost_capture_ = false;
    form_->deliver_mouse_down(button, GET_X_LPARAM(lp), GET_Y_LPARAM(lp), mouse_modifiers(wp));
    if (!*alive) {
        return;
    }
    in_press_ = false;
    if (form_ != nullptr && (lost_capture_ || desktop_->loops_run() != loops)) {
        // A menu or dialog took the release (or another window the mouse): the press is over.
        form_->cancel_capture();
        if (GetCapture() == window_) {
            releasing_ = true;
            ReleaseCapture();
            releasing_ = false;
        }
    }
    repaint();
}

void Win32EditorWindow::mouse_up(MouseButton button, WPARAM wp, LPARAM lp) {
    if (desktop_->in_loop()) {
        // The form's input waits for the loop, but a press it holds is over: the control
        // hears capture_lost instead of the release. A press that started the loop ends once
        // its handler has returned.
        if (!in_press_) {
            form_->cancel_capture();
        }
        if ((wp & kButtons) == 0 && GetCapture() == window_ && !in_press_) {
            releasing_ = true;
            ReleaseCapture();
            releasing_ = false;
        }
        return;
    }
    const std::shared_ptr<bool> alive = alive_;
    form_->deliver_mouse_up(button, GET_X_LPARAM(lp), GET_Y_LPARAM(lp), mouse_modifiers(wp));
    if (!*alive) {
        return;
    }
    if ((wp & kButtons) == 0 && GetCapture() == window_) {
        releasing_ = true;
        ReleaseCapture();
        releasing_ = false;
    }
    repaint();
}

LRESULT Win32EditorWindow::message(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
        // What the form has still to paint joins the update region first.
        repaint();
        PAINTSTRUCT ps;
        if (HDC dc = BeginPaint(window, &ps)) {
            if (form_ != nullptr) {
                blit(dc, form_->buffer(), ps.rcPaint);
            }
            EndPaint(window, &ps);
        }
        return 0;
    }
    case WM_TIMER:
        if (wp == kIdleTimer) {
            idle();
            return 0;
        }
        break;
    case WM_DESTROY:
        // With the host's window, or by our destructor: nothing of it is used any more. A
        // press the form holds is over (our destructor has let go of the form first).
        if (in_press_) {
            lost_capture_ = true;
        } else if (form_ != nullptr) {
            form_->cancel_capture();
        }
        KillTimer(window, kIdleTimer);
        detach_handler(window);
        window_ = nullptr;
        return 0;
    case WM_GETDLGCODE: return DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTCHARS;
    default: break;
    }
    if (form_ == nullptr) {
        return DefWindowProcW(window, msg, wp, lp);
    }
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: mouse_down(button_of(msg), wp, lp); return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: mouse_up(button_of(msg), wp, lp); return 0;
    case WM_MOUSEMOVE:
        if (!tracking_) {
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window, 0};
            tracking_ = TrackMouseEvent(&track) != FALSE;
        }
        if (!desktop_->in_loop()) {
            form_->deliver_mouse_move(GET_X_LPARAM(lp), GET_Y_LPARAM(lp), mouse_modifiers(wp));
            repaint();
        }
        return 0;
    case WM_MOUSELEAVE:
        tracking_ = false;
        // Leaving while a button is held keeps the press (the capture goes on).
        if (GetCapture() != window && !desktop_->in_loop()) {
            form_->deliver_mouse_leave();
            repaint();
        }
        return 0;
    case WM_MOUSEWHEEL: {
        // The only mouse message in screen coordinates.
        POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        ScreenToClient(window, &p);
        if (!desktop_->in_loop()) {
            form_->deliver_mouse_wheel(GET_WHEEL_DELTA_WPARAM(wp), p.x, p.y,
                                       mouse_modifiers(GET_KEYSTATE_WPARAM(wp)));
            repaint();
        }
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lp) != window && !releasing_) {
            if (in_press_) {
                lost_capture_ = true;
            } else {
                form_->cancel_capture();
                repaint();
            }
        }
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(lp) == HTCLIENT) {
            SetCursor(LoadCursorW(nullptr, form_->current_cursor() == Cursor::hand_point
                                               ? MAKEINTRESOURCEW(32649)    // IDC_HAND
                                               : MAKEINTRESOURCEW(32512))); // IDC_ARROW
            return TRUE;
        }
        break;
    default:
        if (!desktop_->in_loop()) {
            const std::shared_ptr<bool> alive = alive_;
            if (deliver_key_message(*form_, chars_, msg, wp)) {
                if (*alive) {
                    repaint();
                }
                return 0;
            }
        }
        break;
    }
    return DefWindowProcW(window, msg, wp, lp);
}

} // namespace

void focus_form_window(Form& form) {
    for (Win32EditorWindow* open : open_windows) {
        if (open->form() == &form && open->window() != nullptr && open->on_thread()) {
            SetFocus(open->window());
            return;
        }
    }
}

bool editor_windows_available() {
    return true;
}

std::unique_ptr<EditorWindow> open_editor_window(void* parent) {
    return Win32EditorWindow::open(static_cast<HWND>(parent));
}

bool postpone_while_windows_busy(std::function<void()>& work) {
    return postpone_while_busy(work);
}

Desktop* standalone_desktop() {
    // Dialogs without an editor: top-level windows with no owner.
    static const std::shared_ptr<Win32Desktop> desktop =
        std::make_shared<Win32Desktop>(nullptr, nullptr);
    return desktop.get();
}

} // namespace tonvo::ui
