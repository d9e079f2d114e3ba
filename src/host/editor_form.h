// The editor form as the framework sees it: something that shows itself inside the host's
// window and has a client size. The editor layer provides the real one.
#pragma once

#include <functional>
#include <memory>

namespace tonvo {

class TCustomVSTModule;

class TVSTEditorForm {
public:
    virtual ~TVSTEditorForm() = default;
    virtual int ClientWidth() const = 0;
    virtual int ClientHeight() const = 0;
    // Parent it to the host's window, make it visible and borderless at (0, 0) with its own
    // size, and have it redrawn.
    virtual void ShowInParent(void* parentWindow) = 0;
    // The host's mouse wheel should act on the control under the mouse.
    virtual void FocusControlUnderCursor() {}
    // Every effEditIdle of the host, whether or not the editor-update flag is set: timers,
    // pending paint and, on a real window, its events.
    virtual void EditIdle() {}
};

// Makes the editor form for its owner; empty while the module has no editor form class.
using TEditorFormClass = std::function<std::unique_ptr<TVSTEditorForm>(TCustomVSTModule& owner)>;

} // namespace tonvo
