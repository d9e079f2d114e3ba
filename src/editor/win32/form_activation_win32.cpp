// On Windows the editor's window takes the keyboard focus once it is shown; the Win32 backend,
// which knows the window of each form, supplies the call that does it.
#include "editor/form_activation.h"

#include <atomic>

namespace tonvo::editor {
namespace {

std::atomic<WindowFocusCall> focus_call{nullptr};

} // namespace

void activate_editor_window(ui::Form& form) {
    if (const WindowFocusCall call = focus_call.load(std::memory_order_acquire))
        call(form);
}

void set_window_focus_call(WindowFocusCall call) {
    focus_call.store(call, std::memory_order_release);
}

} // namespace tonvo::editor
