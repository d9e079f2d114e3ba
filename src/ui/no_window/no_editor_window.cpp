// The backend of a build that cannot show an editor: no window is ever made, so the module
// answers the host's editor opening with 0, and dialogs asked for without an editor answer as
// dismissed boxes.
#include "ui/editor_window.h"

namespace tonvo::ui {

bool editor_windows_available() {
    return false;
}

std::unique_ptr<EditorWindow> open_editor_window(void*) {
    return nullptr;
}

bool postpone_while_windows_busy(std::function<void()>&) {
    return false;
}

Desktop* standalone_desktop() {
    return nullptr;
}

} // namespace tonvo::ui
