// Inside a Linux host the editor leaves the keyboard focus where the host put it.
#include "editor/form_activation.h"

namespace tonvo::editor {

void activate_editor_window(ui::Form&) {}

void set_window_focus_call(WindowFocusCall) {}

} // namespace tonvo::editor
