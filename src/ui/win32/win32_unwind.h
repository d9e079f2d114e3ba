// Work that must wait until the Win32 backend's code has left the call stack of this thread.
//
// Our loops (popup menus, modal dialogs) dispatch every message of the thread, so the host's
// timers and windows call into the plug-in while a window procedure or a loop of ours is still
// under way further down the stack. Whatever such a call would destroy (the editor's form and
// window, the whole instance) must outlive those frames: it is handed to postpone_while_busy and
// runs when the outermost of them returns.
//
// Thread contract: any thread; each thread counts its own frames.
#pragma once

#include <functional>

namespace tonvo::ui {

// Marks a window procedure or a loop of ours as under way for as long as it lives. The
// outermost one runs the work postponed meanwhile when it goes (never throwing).
class BusyScope {
public:
    BusyScope() noexcept;
    ~BusyScope();
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
};

// True, with `work` taken to run when the outermost BusyScope of this thread goes, while one
// lives; false, with `work` left to the caller, when none does.
bool postpone_while_busy(std::function<void()>& work);

} // namespace tonvo::ui
