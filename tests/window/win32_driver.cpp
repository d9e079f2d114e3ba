#include "window/win32_driver.h"

#include "window/window_fixture.h"

#include <cwchar>

namespace tonvo::test {

TempHome home;

std::wstring class_of(const wchar_t* kind) {
    wchar_t name[64];
    std::swprintf(name, 64, L"Tonvo.%ls.%llx", kind,
                  static_cast<unsigned long long>(
                      reinterpret_cast<uintptr_t>(GetModuleHandleW(TONVO_PLUGIN_MODULE))));
    return name;
}

AEffect* timed_effect = nullptr;
std::atomic<int> timed_idles{0};
std::atomic<int32_t> timed_close{0};
HWND timed_editor = nullptr;
HWND timed_reopen = nullptr;
std::atomic<bool> hidden_at_close{false};
void CALLBACK HostTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (const int32_t close = timed_effect != nullptr ? timed_close.exchange(0) : 0; close != 0) {
        timed_effect->dispatcher(timed_effect, close, 0, 0, nullptr, 0.0f);
        if (timed_reopen != nullptr && close == effEditClose) {
            timed_effect->dispatcher(timed_effect, effEditOpen, 0, 0, timed_reopen, 0.0f);
        }
        hidden_at_close = IsWindow(timed_editor) && !IsWindowVisible(timed_editor);
        if (close == effClose) {
            timed_effect = nullptr;
        }
    } else if (timed_effect != nullptr) {
        timed_effect->dispatcher(timed_effect, effEditIdle, 0, 0, nullptr, 0.0f);
        ++timed_idles;
    }
}

std::atomic<int> host_presses{0};
POINT host_press_at{};

namespace {

LRESULT CALLBACK HostProcedure(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_LBUTTONDOWN) {
        host_press_at = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        ++host_presses;
    }
    return DefWindowProcW(window, msg, wp, lp);
}

// The enumeration callbacks are plain functions: they must be CALLBACK (stdcall on 32-bit x86).
struct ClassSearch {
    const std::wstring* name;
    HWND other;
    HWND found;
};
BOOL CALLBACK MatchClass(HWND window, LPARAM lp) {
    auto* search = reinterpret_cast<ClassSearch*>(lp);
    wchar_t class_name[64] = {};
    GetClassNameW(window, class_name, 64);
    if (*search->name == class_name && IsWindowVisible(window) && window != search->other) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}
// The visible top-level window whose class is `name`, other than `other`, or null (any thread
// may ask).
HWND find_top_level(const std::wstring& name, HWND other) {
    ClassSearch search{&name, other, nullptr};
    EnumWindows(&MatchClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM lp) {
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(window);
    return TRUE;
}

INPUT key_input(WORD key, WORD scan, DWORD flags) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = scan;
    input.ki.dwFlags = flags;
    return input;
}

WORD virtual_key_of(ui::Key key) {
    switch (key) {
    case ui::Key::enter: return VK_RETURN;
    case ui::Key::escape: return VK_ESCAPE;
    case ui::Key::tab: return VK_TAB;
    case ui::Key::backspace: return VK_BACK;
    case ui::Key::del: return VK_DELETE;
    case ui::Key::left: return VK_LEFT;
    case ui::Key::right: return VK_RIGHT;
    case ui::Key::up: return VK_UP;
    case ui::Key::down: return VK_DOWN;
    case ui::Key::home: return VK_HOME;
    case ui::Key::end: return VK_END;
    case ui::Key::page_up: return VK_PRIOR;
    case ui::Key::page_down: return VK_NEXT;
    case ui::Key::space: return VK_SPACE;
    }
    return 0;
}

// One key of the keyboard pressed and released: a virtual key (with Shift held if asked), or
// with `unicode` set, that character as the system's Unicode input.
struct Keystroke {
    WORD key = 0;
    bool shift = false;
    wchar_t unicode = 0;
};
// The keystrokes in one call: they reach the focused window of the thread in front, in order.
void send_keys(const std::vector<Keystroke>& keys) {
    std::vector<INPUT> inputs;
    for (const Keystroke& k : keys) {
        if (k.unicode != 0) {
            inputs.push_back(key_input(0, static_cast<WORD>(k.unicode), KEYEVENTF_UNICODE));
            inputs.push_back(
                key_input(0, static_cast<WORD>(k.unicode), KEYEVENTF_UNICODE | KEYEVENTF_KEYUP));
            continue;
        }
        if (k.shift)
            inputs.push_back(key_input(VK_SHIFT, 0, 0));
        inputs.push_back(key_input(k.key, 0, 0));
        inputs.push_back(key_input(k.key, 0, KEYEVENTF_KEYUP));
        if (k.shift)
            inputs.push_back(key_input(VK_SHIFT, 0, KEYEVENTF_KEYUP));
    }
    EXPECT_EQ(SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)),
              inputs.size());
}

// A stroke as the keyboard types it: letters and the space by their keys, other characters
// as Unicode input.
Keystroke keystroke_of(const Stroke& stroke) {
    if (stroke.key)
        return {virtual_key_of(*stroke.key)};
    const char32_t ch = stroke.ch;
    if (ch >= U'A' && ch <= U'Z')
        return {static_cast<WORD>(ch), true};
    if (ch >= U'a' && ch <= U'z')
        return {static_cast<WORD>(ch - 32)};
    if (ch == U' ')
        return {VK_SPACE};
    return {0, false, static_cast<wchar_t>(ch)};
}

// A button's press and release as input flags and as messages, and its flag while held.
struct ButtonCodes {
    DWORD down_flag, up_flag;
    UINT down_message, up_message;
    WPARAM held;
};
ButtonCodes codes_of(ui::MouseButton button) {
    if (button == ui::MouseButton::left)
        return {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON};
    if (button == ui::MouseButton::right)
        return {MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, WM_RBUTTONDOWN, WM_RBUTTONUP,
                MK_RBUTTON};
    return {MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP, WM_MBUTTONDOWN, WM_MBUTTONUP, MK_MBUTTON};
}

// The client area of a window on the screen.
ui::Rect client_on_screen(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    return ui::Rect{client.left, client.top, client.right, client.bottom};
}

ui::Bitmap read_window(HWND window, int width, int height) {
    ui::Bitmap out(width, height);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(window);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP section = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, section);
    const bool copied = BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY) != FALSE;
    GdiFlush();
    EXPECT_TRUE(copied && bits != nullptr) << "the window could not be read";
    if (copied && bits != nullptr) {
        const auto* data = static_cast<const uint8_t*>(bits);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x, data += 4)
                out.pixel(x, y) = ui::Color{data[0], data[1], data[2], 255};
    }
    SelectObject(memory, old);
    DeleteObject(section);
    DeleteDC(memory);
    ReleaseDC(window, screen);
    return out;
}

class Win32Watcher final : public Watcher {
public:
    explicit Win32Watcher(DWORD host_thread) : host_thread_(host_thread) {}

    Shown find(ShownKind kind, WindowId other) override {
        const std::wstring name = class_of(kind == ShownKind::menu ? L"Menu" : L"Dialog");
        HWND found = nullptr;
        if (!eventually([&] { return (found = find_top_level(name, as_window(other))) != nullptr; },
                        1000))
            return {};
        return Shown{id_of(found), client_on_screen(found), kind};
    }
    bool visible(WindowId window) override {
        return IsWindow(as_window(window)) && IsWindowVisible(as_window(window));
    }
    void click_at(const Shown& target, ui::Point screen, ui::MouseButton button) override {
        const ui::Point at{screen.x - target.rect.left, screen.y - target.rect.top};
        post_message(as_window(target.id), codes_of(button).down_message, codes_of(button).held,
                     at);
        post_message(as_window(target.id), codes_of(button).up_message, 0, at);
    }
    void move_over(const Shown& target, ui::Point screen) override {
        post_message(as_window(target.id), WM_MOUSEMOVE, 0,
                     {screen.x - target.rect.left, screen.y - target.rect.top});
    }
    void pointer_move(ui::Point screen) override {
        SetCursorPos(screen.x, screen.y);
        Sleep(50);
    }
    void pointer_press(ui::MouseButton button) override { send_mouse(codes_of(button).down_flag); }
    void pointer_release(ui::MouseButton button) override {
        send_mouse(codes_of(button).up_flag);
        eventually([&] {
            GUITHREADINFO info{};
            info.cbSize = sizeof info;
            return GetGUIThreadInfo(host_thread_, &info) && info.hwndCapture == nullptr;
        });
    }
    void type(const Shown& target, const std::vector<Stroke>& keys) override {
        // The activation and the focus come with the showing, a moment after the window is
        // visible to another thread.
        if (target.kind == ShownKind::dialog)
            eventually([&] { return GetForegroundWindow() == as_window(target.id); }, 50);
        std::vector<Keystroke> strokes;
        for (const Stroke& stroke : keys)
            strokes.push_back(keystroke_of(stroke));
        send_keys(strokes);
    }
    void close(const Shown& dialog) override {
        PostMessageW(as_window(dialog.id), WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    ui::Bitmap read(const Shown& target) override {
        return read_window(as_window(target.id), target.rect.width(), target.rect.height());
    }
    ui::Rect frame(const Shown& target) override {
        RECT r{};
        GetWindowRect(as_window(target.id), &r);
        return ui::Rect{r.left, r.top, r.right, r.bottom};
    }
    WindowId owner(const Shown& dialog) override {
        return id_of(GetWindow(as_window(dialog.id), GW_OWNER));
    }
    void force_away(const Shown& target) override {
        if (target.kind == ShownKind::menu)
            PostMessageW(as_window(target.id), WM_KEYDOWN, VK_ESCAPE, 1);
        else
            PostMessageW(as_window(target.id), WM_SYSCOMMAND, SC_CLOSE, 0);
    }

private:
    DWORD host_thread_;
};

class Win32Driver final : public WindowDriver {
public:
    explicit Win32Driver(EditorHost& host) : host_(host), thread_(GetCurrentThreadId()) {}
    ~Win32Driver() override {
        for (HWND window : made_)
            if (IsWindow(window))
                DestroyWindow(window);
        pump_messages();
    }

    std::string skip_reason() override {
        const char* why = std::getenv("TONVO_X11_SKIP");
        return why != nullptr ? why : "";
    }
    WindowId make_window(int left, int top, int width, int height) override {
        static const ATOM atom = [] {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = &HostProcedure;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"TonvoTestHost";
            return RegisterClassExW(&wc);
        }();
        EXPECT_NE(atom, 0);
        RECT frame{left, top, left + width, top + height};
        AdjustWindowRectEx(&frame, WS_POPUP | WS_CLIPCHILDREN, FALSE, 0);
        HWND window =
            CreateWindowExW(0, L"TonvoTestHost", L"Host", WS_POPUP | WS_CLIPCHILDREN, frame.left,
                            frame.top, frame.right - frame.left, frame.bottom - frame.top, nullptr,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
        ShowWindow(window, SW_SHOW);
        made_.push_back(window);
        pump(2);
        return id_of(window);
    }
    void destroy_window(WindowId window) override { DestroyWindow(as_window(window)); }
    void* parent_handle(WindowId window) override { return as_window(window); }
    std::vector<WindowId> children(WindowId window) override {
        std::vector<HWND> found;
        EnumChildWindows(as_window(window), &CollectWindow, reinterpret_cast<LPARAM>(&found));
        std::vector<WindowId> ids;
        for (HWND child : found)
            ids.push_back(id_of(child));
        return ids;
    }
    ui::Rect placement(WindowId child) override {
        RECT client{};
        GetClientRect(as_window(child), &client);
        POINT origin{0, 0};
        MapWindowPoints(as_window(child), GetParent(as_window(child)), &origin, 1);
        return ui::Rect::from_size(origin.x, origin.y, client.right, client.bottom);
    }
    bool visible(WindowId window) override { return IsWindowVisible(as_window(window)) != FALSE; }
    void pump(int rounds) override {
        for (int i = 0; i < rounds; ++i) {
            pump_messages();
            host_.idle();
            Sleep(10);
        }
    }
    ui::Bitmap read(WindowId window, int width, int height) override {
        return read_window(as_window(window), width, height);
    }
    void damage(WindowId window, int width, int height) override {
        HDC dc = GetDC(as_window(window));
        PatBlt(dc, 0, 0, width, height, WHITENESS);
        ReleaseDC(as_window(window), dc);
        InvalidateRect(as_window(window), nullptr, TRUE);
    }
    void pointer_to(WindowId window, ui::Point at) override {
        // Real pointer input, as the user gives it: the window in front, the pointer moved there.
        to_front(window);
        send_mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, as_window(window), at);
        pump(2);
    }
    void pointer_press(ui::MouseButton button) override {
        send_mouse(codes_of(button).down_flag);
        pump(2);
    }
    void pointer_release(ui::MouseButton button) override {
        send_mouse(codes_of(button).up_flag);
        pump(2);
    }
    void click(WindowId editor, ui::Point at, ui::MouseButton button) override {
        to_front(editor);
        post_message(as_window(editor), codes_of(button).down_message, codes_of(button).held, at);
        post_message(as_window(editor), codes_of(button).up_message, 0, at);
        pump(3);
    }
    std::unique_ptr<Watcher> watch() override { return std::make_unique<Win32Watcher>(thread_); }
    size_t resources() override { return 0; }
    bool input_held() override { return GetCapture() != nullptr; }
    ui::Rect screen() override {
        RECT work{};
        EXPECT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
        return ui::Rect{work.left, work.top, work.right, work.bottom};
    }

private:
    static void pump_messages() {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    void to_front(WindowId window) {
        HWND top = GetAncestor(as_window(window), GA_ROOT);
        if (GetForegroundWindow() != top) {
            SetForegroundWindow(top);
            pump(2);
        }
    }

    EditorHost& host_;
    DWORD thread_;
    std::vector<HWND> made_;
};

} // namespace

void send_mouse(DWORD flags, HWND window, ui::Point at) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    if ((flags & MOUSEEVENTF_ABSOLUTE) != 0) {
        POINT p{at.x, at.y};
        ClientToScreen(window, &p);
        // Normalised to 0..65535 across the primary screen, rounded up so that the system's
        // truncating conversion back lands on the pixel itself.
        const int width = GetSystemMetrics(SM_CXSCREEN);
        const int height = GetSystemMetrics(SM_CYSCREEN);
        input.mi.dx = (p.x * 65536 + width - 1) / width;
        input.mi.dy = (p.y * 65536 + height - 1) / height;
    }
    EXPECT_EQ(SendInput(1, &input, sizeof input), 1u);
}

GUITHREADINFO input_state_of(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info;
}

void post_message(HWND window, UINT msg, WPARAM wp, ui::Point at) {
    PostMessageW(window, msg, wp, MAKELPARAM(at.x, at.y));
}

std::unique_ptr<WindowDriver> make_window_driver(EditorHost& host) {
    return std::make_unique<Win32Driver>(host);
}

} // namespace tonvo::test
