// Builds whose window system has no edit window yet: the edit command says so.
#include "tonvo_host/edit_window.h"
#include "tonvo_host/hosted_plugin.h"

namespace tonvo::tools {

bool EditWindowAvailable() {
    return false;
}

std::unique_ptr<EditWindow> MakeEditWindow(int, int, const std::string&) {
    throw EHostError("edit: the editor window is not available in this build yet");
}

} // namespace tonvo::tools
