// The Win32 backend's editor window. The parent pointer of effEditOpen is the host's HWND.
//
// The window is a WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS child of the host's window at
// (0, 0) with the form's size, created and served on the thread that opened it. It paints from
// the form's back buffer with SetDIBitsToDevice (the areas the form repainted are invalidated
// and come back as WM_PAINT), runs the form's timers on a SetTimer timer (the host's idle call
// runs them too), captures the mouse while a button is held, follows the pointer's leaving
// with TrackMouseEvent and sets the form's cursor. Keys reach the form once the window has the
// focus: focus_form_window gives it, for the editor's activation (see form_activation.h).
//
// Nothing here changes process-wide settings (DPI awareness and the like). The window classes
// live as long as a window of this backend does (see win32_support.h).
//
// Thread contract: the thread that opened the window; calls from any other thread are ignored.
#pragma once

#include "ui/editor_window.h"

namespace tonvo::ui {

// Gives the keyboard focus to the window showing `form`, when one of this backend's editor
// windows does; otherwise nothing happens.
void focus_form_window(Form& form);

} // namespace tonvo::ui
