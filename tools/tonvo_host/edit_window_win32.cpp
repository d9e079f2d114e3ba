// The edit command's window on Windows: a top-level window of the tool's own class (a caption,
// system menu and minimise box, no resizing) whose client area is the editor's size. The
// plug-in makes its editor a child of it.
//
// Ctrl+C, Ctrl+Break and the console's own close end the session as the close button does:
// the handler runs on a thread of its own, so it only raises a flag the pump reads.
#include "base/utf.h"
#include "tonvo_host/edit_window.h"
#include "tonvo_host/hosted_plugin.h"

#include <atomic>
#include <cstdint>
#include <windows.h>

namespace tonvo::tools {

namespace {

std::atomic<bool> interrupted{false};

BOOL WINAPI OnConsoleControl(DWORD) {
    interrupted.store(true);
    // Handled: the process is not ended under the editor; the session ends at the next pump.
    return TRUE;
}

constexpr wchar_t kClassName[] = L"TonvoHostEditWindow";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

std::wstring widen(const std::string& utf8) {
    const std::u16string utf16 = base::utf8_to_utf16(utf8);
    return {utf16.begin(), utf16.end()};
}

int side(int length) {
    return length < 1 ? 1 : length > 32767 ? 32767 : length;
}

class Win32EditWindow final : public EditWindow {
public:
    Win32EditWindow(int width, int height, const std::string& title) {
        instance_ = GetModuleHandleW(nullptr);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &Procedure;
        wc.hInstance = instance_;
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        wc.lpszClassName = kClassName;
        if (RegisterClassExW(&wc) == 0) {
            throw EHostError("edit: cannot register the window class (error " +
                             std::to_string(GetLastError()) + ")");
        }
        const SIZE outer = Outer(width, height);
        window_ = CreateWindowExW(0, kClassName, widen(title).c_str(), kStyle | WS_CLIPCHILDREN,
                                  CW_USEDEFAULT, CW_USEDEFAULT, outer.cx, outer.cy, nullptr,
                                  nullptr, instance_, this);
        if (window_ == nullptr) {
            const DWORD error = GetLastError();
            UnregisterClassW(kClassName, instance_);
            throw EHostError("edit: cannot create the window (error " + std::to_string(error) +
                             ")");
        }
        interrupted.store(false);
        SetConsoleCtrlHandler(&OnConsoleControl, TRUE);
    }

    ~Win32EditWindow() override {
        SetConsoleCtrlHandler(&OnConsoleControl, FALSE);
        if (window_ != nullptr) {
            DestroyWindow(window_);
        }
        UnregisterClassW(kClassName, instance_);
    }

    void* Handle() const override { return window_; }

    void Resize(int width, int height) override {
        if (window_ == nullptr) {
            return;
        }
        const SIZE outer = Outer(width, height);
        SetWindowPos(window_, nullptr, 0, 0, outer.cx, outer.cy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    void Show() override {
        if (window_ != nullptr) {
            ShowWindow(window_, SW_SHOWNORMAL);
            UpdateWindow(window_);
        }
    }

    bool Pump() override {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                closed_ = true;
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (interrupted.load()) {
            closed_ = true;
        }
        return closed_;
    }

    // The window belongs to this process: nothing outside can take it away.
    bool Lost() const override { return false; }

    ui::Bitmap ReadBack() override {
        if (window_ == nullptr) {
            throw EHostError("edit: the window is gone, nothing to read back");
        }
        RECT client{};
        GetClientRect(window_, &client);
        const int width = client.right - client.left;
        const int height = client.bottom - client.top;
        if (width <= 0 || height <= 0 || IsIconic(window_)) {
            throw EHostError("edit: the window could not be read back (is it shown?)");
        }
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height; // top-down rows
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HDC screen = GetDC(window_);
        HDC memory = CreateCompatibleDC(screen);
        HBITMAP section = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (section == nullptr || bits == nullptr) {
            DeleteDC(memory);
            ReleaseDC(window_, screen);
            throw EHostError("edit: no memory for the screenshot");
        }
        HGDIOBJ old = SelectObject(memory, section);
        // The parent's client area and every child in it as they are on the screen; the editor
        // is a child window, which a device context of the parent's clips away under
        // WS_CLIPCHILDREN, so each child's own pixels are copied over it.
        bool copied = BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY) != FALSE;
        for (HWND child = GetWindow(window_, GW_CHILD); copied && child != nullptr;
             child = GetWindow(child, GW_HWNDNEXT)) {
            copied = CopyChild(memory, child);
        }
        GdiFlush();
        ui::Bitmap out(width, height);
        if (copied) {
            const auto* data = static_cast<const uint8_t*>(bits);
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x, data += 4) {
                    out.pixel(x, y) = ui::Color::rgb(data[2], data[1], data[0]);
                }
            }
        }
        SelectObject(memory, old);
        DeleteObject(section);
        DeleteDC(memory);
        ReleaseDC(window_, screen);
        if (!copied) {
            throw EHostError("edit: the window could not be read back");
        }
        return out;
    }

private:
    static SIZE Outer(int width, int height) {
        RECT frame{0, 0, side(width), side(height)};
        AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
        return {frame.right - frame.left, frame.bottom - frame.top};
    }

    // A visible child's client area into `memory`, where it lies in the parent's client area.
    bool CopyChild(HDC memory, HWND child) const {
        if (!IsWindowVisible(child)) {
            return true;
        }
        RECT area{};
        GetClientRect(child, &area);
        POINT at{0, 0};
        MapWindowPoints(child, window_, &at, 1);
        HDC dc = GetDC(child);
        const bool copied =
            BitBlt(memory, at.x, at.y, area.right, area.bottom, dc, 0, 0, SRCCOPY) != FALSE;
        ReleaseDC(child, dc);
        return copied;
    }

    static LRESULT CALLBACK Procedure(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_NCCREATE) {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lp);
            SetWindowLongPtrW(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<Win32EditWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self != nullptr) {
            if (msg == WM_CLOSE) {
                // The session ends; the window goes with this object, after effEditClose.
                self->closed_ = true;
                return 0;
            }
            if (msg == WM_DESTROY) {
                self->closed_ = true;
                self->window_ = nullptr;
                SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            }
        }
        return DefWindowProcW(window, msg, wp, lp);
    }

    HINSTANCE instance_ = nullptr;
    HWND window_ = nullptr;
    bool closed_ = false;
};

} // namespace

std::unique_ptr<EditWindow> make_edit_window(int width, int height, const std::string& title) {
    return std::make_unique<Win32EditWindow>(width, height, title);
}

} // namespace tonvo::tools
