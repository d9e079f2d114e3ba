#include "ui/win32/win32_desktop.h"

#include "base/utf.h"
#include "ui/form.h"

#include <cstring>

namespace tonvo::ui {

std::string Win32Clipboard::text() {
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(owner_)) {
        return {};
    }
    std::string out;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            // Never past the block, even when its text lacks the terminating zero.
            const size_t most = GlobalSize(data) / sizeof(wchar_t);
            size_t length = 0;
            while (length < most && chars[length] != L'\0') {
                ++length;
            }
            out = base::narrow(std::wstring_view(chars, length));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return out;
}

void Win32Clipboard::set_text(std::string_view text) {
    const std::wstring wide = base::widen(text);
    if (!OpenClipboard(owner_)) {
        return;
    }
    EmptyClipboard();
    const size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
        if (void* target = GlobalLock(block)) {
            std::memcpy(target, wide.c_str(), bytes);
            GlobalUnlock(block);
            if (SetClipboardData(CF_UNICODETEXT, block) == nullptr) {
                GlobalFree(block);
            }
        } else {
            GlobalFree(block);
        }
    }
    CloseClipboard();
}

Clock& Win32Desktop::clock() {
    return SteadyClock::instance();
}

Rect Win32Desktop::screen() {
    HMONITOR monitor = editor_ != nullptr ? MonitorFromWindow(editor_, MONITOR_DEFAULTTONEAREST)
                                          : MonitorFromWindow(nullptr, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (monitor == nullptr || !GetMonitorInfoW(monitor, &info)) {
        return Rect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    return Rect{info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
}

bool Win32Desktop::pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

void Win32Desktop::editor_gone() {
    editor_ = nullptr;
    sink_ = nullptr;
    editor_gone_ = true;
    clipboard_ = Win32Clipboard(nullptr);
}

void Win32Desktop::repaint_shown() {
    for (const OpenDialog& dialog : dialogs_) {
        invalidate_areas(dialog.window, dialog.form->paint_invalid());
    }
    if (sink_ != nullptr) {
        sink_->repaint();
    }
}

std::optional<Point> Win32Desktop::pointer_position() {
    POINT p;
    if (!GetCursorPos(&p)) {
        return std::nullopt;
    }
    return Point{p.x, p.y};
}

} // namespace tonvo::ui
