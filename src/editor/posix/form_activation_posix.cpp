// Inside a Linux host the editor leaves the keyboard focus where the host put it.
#include "editor/form_activation.h"

namespace tonvo::editor {

void ActivateEditorWindow(ui::Form&) {}

void SetWindowFocusCall(WindowFocusCall) {}

} // namespace tonvo::editor
