#include "ui/win32/win32_support.h"

#include "ui/form.h"
#include "ui/win32/win32_unwind.h"

#include <algorithm>
#include <cwchar>

namespace tonvo::ui {

namespace {

// How many WindowClasses live; the classes are registered while it is above zero.
int class_users = 0;

// "Tonvo.Editor.<module handle>" and the like, made once.
struct ClassNames {
    wchar_t names[3][64] = {};

    ClassNames() {
        const auto module = reinterpret_cast<uintptr_t>(own_module());
        const wchar_t* kinds[3] = {L"Editor", L"Menu", L"Dialog"};
        for (int i = 0; i < 3; ++i) {
            std::swprintf(names[i], 64, L"Tonvo.%ls.%llx", kinds[i],
                          static_cast<unsigned long long>(module));
        }
    }
};

const ClassNames& names() {
    static const ClassNames made;
    return made;
}

LRESULT CALLBACK window_procedure(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    // What the message's handling destroys in a nested call waits for it to return.
    const BusyScope busy;
    try {
        if (msg == WM_NCCREATE) {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lp);
            SetWindowLongPtrW(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        if (auto* handler =
                reinterpret_cast<WindowHandler*>(GetWindowLongPtrW(window, GWLP_USERDATA))) {
            return handler->message(window, msg, wp, lp);
        }
    } catch (...) {
        // Nothing unwinds into Windows or the host: the message gets the default answer.
    }
    return DefWindowProcW(window, msg, wp, lp);
}

} // namespace

HMODULE own_module() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&own_module), &module);
    return module;
}

const wchar_t* class_name(WindowKind kind) {
    return names().names[static_cast<int>(kind)];
}

WindowClasses::WindowClasses() {
    if (class_users++ > 0) {
        return;
    }
    for (const WindowKind kind : {WindowKind::editor, WindowKind::menu, WindowKind::dialog}) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        // Menus and dialogs are ours alone; CS_DBLCLKS is left out: the form counts double
        // clicks itself from plain presses.
        wc.style = kind == WindowKind::menu ? CS_SAVEBITS : 0;
        wc.lpfnWndProc = &window_procedure;
        wc.hInstance = own_module();
        wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
        wc.lpszClassName = class_name(kind);
        // Fails harmlessly when a class of that name is still registered (its windows live).
        RegisterClassExW(&wc);
    }
}

WindowClasses::~WindowClasses() {
    if (--class_users > 0) {
        return;
    }
    for (const WindowKind kind : {WindowKind::editor, WindowKind::menu, WindowKind::dialog}) {
        UnregisterClassW(class_name(kind), own_module());
    }
}

HWND create_window(WindowKind kind, DWORD ex_style, DWORD style, int left, int top, int width,
                   int height, HWND parent, WindowHandler& handler) {
    return CreateWindowExW(ex_style, class_name(kind), L"", style, left, top, std::max(1, width),
                           std::max(1, height), parent, nullptr, own_module(), &handler);
}

void detach_handler(HWND window) {
    if (window != nullptr) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    }
}

void destroy_window(HWND window) {
    detach_handler(window);
    DestroyWindow(window);
}

void invalidate_areas(HWND window, const std::vector<Rect>& areas) {
    for (const Rect& area : areas) {
        const RECT r{area.left, area.top, area.right, area.bottom};
        InvalidateRect(window, &r, FALSE);
    }
}

void blit(HDC dc, const Bitmap& bitmap, RECT area) {
    area.left = std::max<LONG>(area.left, 0);
    area.top = std::max<LONG>(area.top, 0);
    area.right = std::min<LONG>(area.right, bitmap.width());
    area.bottom = std::min<LONG>(area.bottom, bitmap.height());
    if (area.right <= area.left || area.bottom <= area.top) {
        return;
    }
    // A top-down DIB of the whole buffer; only the area's rows are passed.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = bitmap.width();
    info.bmiHeader.biHeight = -(area.bottom - area.top);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    const auto rows = static_cast<UINT>(area.bottom - area.top);
    SetDIBitsToDevice(dc, area.left, area.top, static_cast<DWORD>(area.right - area.left), rows,
                      area.left, 0, 0, rows, bitmap.row(area.top), &info, DIB_RGB_COLORS);
}

std::optional<Key> key_of(WPARAM virtual_key) {
    switch (virtual_key) {
    case VK_RETURN: return Key::enter;
    case VK_ESCAPE: return Key::escape;
    case VK_TAB: return Key::tab;
    case VK_BACK: return Key::backspace;
    case VK_DELETE: return Key::del;
    case VK_LEFT: return Key::left;
    case VK_RIGHT: return Key::right;
    case VK_UP: return Key::up;
    case VK_DOWN: return Key::down;
    case VK_HOME: return Key::home;
    case VK_END: return Key::end;
    case VK_PRIOR: return Key::page_up;
    case VK_NEXT: return Key::page_down;
    case VK_SPACE: return Key::space;
    default: return std::nullopt;
    }
}

Modifiers current_modifiers() {
    return Modifiers{GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0,
                     GetKeyState(VK_MENU) < 0};
}

Modifiers mouse_modifiers(WPARAM wp) {
    return Modifiers{(wp & MK_SHIFT) != 0, (wp & MK_CONTROL) != 0, GetKeyState(VK_MENU) < 0};
}

char32_t CharDecoder::take(wchar_t unit) {
    const auto u = static_cast<char32_t>(unit);
    if (u >= 0xD800 && u <= 0xDBFF) {
        const bool lone = high_ != 0;
        high_ = unit;
        return lone ? U'\xFFFD' : 0;
    }
    if (u >= 0xDC00 && u <= 0xDFFF) {
        if (high_ == 0) {
            return U'\xFFFD';
        }
        const char32_t ch =
            0x10000 + ((static_cast<char32_t>(high_) - 0xD800) << 10) + (u - 0xDC00);
        high_ = 0;
        return ch;
    }
    high_ = 0;
    return u;
}

bool is_typed_text(char32_t ch) {
    return ch != 0 && ch != U'\b' && ch != U'\t' && ch != U'\r' && ch != U'\n' && ch != 0x1B;
}

bool deliver_key_message(Form& form, CharDecoder& chars, UINT msg, WPARAM wp) {
    switch (msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (const auto key = key_of(wp)) {
            form.deliver_key_down(*key, current_modifiers());
        }
        return true;
    case WM_CHAR:
        if (const char32_t ch = chars.take(static_cast<wchar_t>(wp)); is_typed_text(ch)) {
            // Space came as a key already; as text it goes on to the edits.
            form.deliver_key_char(ch);
        }
        return true;
    default: return false;
    }
}

} // namespace tonvo::ui
