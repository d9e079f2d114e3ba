// What the Win32 backend's windows share: the DLL's own module handle, our window classes
// (registered with that handle under names carrying it, so two copies of the DLL in one
// process never meet), the window procedure that hands messages to a C++ object and lets
// nothing unwind into Windows, the blit of a back buffer, and keyboard and text conversion.
//
// Thread contract: the user-interface thread (the host's thread that opened the editor).
#pragma once

#include "ui/bitmap.h"
#include "ui/input.h"
#include "ui/rect.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace tonvo::ui {

class Form;

// The module this code lives in (the plug-in's DLL, or the program it is linked into).
HMODULE own_module();

enum class WindowKind { editor, menu, dialog };

// The registered class name of a kind of window of this module.
const wchar_t* class_name(WindowKind kind);

// Keeps our window classes registered while any instance lives: the first registers them,
// the last unregisters them (a class is only unregistered once none of its windows is left).
class WindowClasses {
public:
    WindowClasses();
    ~WindowClasses();
    WindowClasses(const WindowClasses&) = delete;
    WindowClasses& operator=(const WindowClasses&) = delete;
};

// A window's messages, served by an object of ours. Exceptions never leave message():
// the procedure catches them and answers as DefWindowProcW would.
class WindowHandler {
public:
    virtual ~WindowHandler() = default;
    virtual LRESULT message(HWND window, UINT msg, WPARAM wp, LPARAM lp) = 0;
};

// Creates a window of one of our classes served by `handler` (which must outlive it, or be
// detached with detach_handler first); null on failure.
HWND create_window(WindowKind kind, DWORD ex_style, DWORD style, int left, int top, int width,
                   int height, HWND parent, WindowHandler& handler);
// The window stops calling its handler (used before the handler goes).
void detach_handler(HWND window);
// Detaches the window's handler, then destroys the window.
void destroy_window(HWND window);
// Marks the areas (client pixels) of the window for its next WM_PAINT, without erasing.
void invalidate_areas(HWND window, const std::vector<Rect>& areas);

// Copies `area` (buffer pixels, clipped to the buffer) of `bitmap` to the same place of `dc`.
void blit(HDC dc, const Bitmap& bitmap, RECT area);

// The keys the toolkit knows, from a virtual key code.
std::optional<Key> key_of(WPARAM virtual_key);
// The modifier keys held now.
Modifiers current_modifiers();
// The modifier keys of a mouse message's wParam (Alt from the keyboard state).
Modifiers mouse_modifiers(WPARAM wp);

// Turns WM_CHAR's UTF-16 units into characters: a high surrogate waits for its low one; a
// lone surrogate becomes U+FFFD. Returns 0 when nothing is complete yet.
class CharDecoder {
public:
    char32_t take(wchar_t unit);

private:
    wchar_t high_ = 0;
};
// Whether a typed character goes to the form as text: Backspace, Tab, Enter and Escape come
// as keys only.
bool is_typed_text(char32_t ch);
// Serves a key message (WM_KEYDOWN, WM_SYSKEYDOWN, WM_CHAR) to a form; false when the message
// is not one of those.
bool deliver_key_message(Form& form, CharDecoder& chars, UINT msg, WPARAM wp);

} // namespace tonvo::ui
