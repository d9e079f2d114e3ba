// What the editor does when its window has been shown for a moment: on Windows the form's
// window takes the keyboard focus, so keys and the mouse wheel reach the editor at once. Inside
// a Linux host the editor never takes the keyboard focus: the host keeps its own shortcuts and
// the editor needs no keys there. Each system's version is picked by the build.
//
// Thread contract: user-interface thread only.
#pragma once

#include "ui/form.h"

namespace tonvo::editor {

// Gives the window showing `form` the keyboard focus, where the system's editor does that.
void activate_editor_window(ui::Form& form);

// How a backend focuses the window showing a form; set by the backend that owns those windows
// (none: activation does nothing). Systems whose editor never takes the focus ignore it.
using WindowFocusCall = void (*)(ui::Form& form);
void set_window_focus_call(WindowFocusCall call);

} // namespace tonvo::editor
