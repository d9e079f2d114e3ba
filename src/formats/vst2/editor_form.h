// The editor as the module chain holds it: the "editor form" the host's editor requests act on.
// The module's EditorFormClass makes one at the first effEditOpen; effEditClose destroys it
// (unless OnEditClose keeps it). The plug-in's real one is core::EditorLife, which owns the
// window and the form and decides what a close or a re-opening inside one of the editor's own
// loops does; the chain only calls it.
//
// Thread contract: user-interface thread, the thread that opened it. The chain never passes it
// an idle call from any other thread.
#pragma once

#include <functional>
#include <memory>

namespace tonvo {

class TCustomVSTModule;
class EditorHooks;

class ModuleEditor {
public:
    virtual ~ModuleEditor() = default;
    // The client size: the form's once shown, the design size before.
    virtual int width() const = 0;
    virtual int height() const = 0;
    // Shows the editor in the host's window (never null here): at (0, 0) with its own size,
    // borderless and redrawn. Opening again in the same window shows the same form again; in
    // another window the editor is rebuilt there. A failure throws and leaves nothing open.
    virtual void open(void* parentWindow) = 0;
    // Every effEditIdle of the host, flagged or not: timers, pending paint and, on a real
    // window, its events.
    virtual void idle() {}
    // effClose came: whatever of the editor runs under the close ends (a dialog as Cancel) and
    // the window hides; the editor goes with the module. Never fails.
    virtual void instance_closing() noexcept {}
    // The hooks of the form shown now, for the plug-in module; null when there is none.
    virtual EditorHooks* hooks() const noexcept { return nullptr; }
};

// Makes the editor for its owner; empty while the module has no editor form class.
using ModuleEditorFactory = std::function<std::unique_ptr<ModuleEditor>(TCustomVSTModule& owner)>;

} // namespace tonvo
