// The editor as a plug-in format hosts it: the editor's side of the plug-in and its life, with
// what the format's editor calls do around them. Opening detaches the highlights, selects the
// skin's style, opens the life and attaches the form's hooks to the plug-in; every idle call of
// the host runs the update the plug-in asked for (highlights handed back, controls, a preset
// name changed on another thread, the lit keys) and then the window's own idle; the destructor
// detaches the hooks before the form goes. The VST 2.4 module chain does the same through its
// own hooks.
//
// Thread contract: user-interface thread, the one that opened it, for everything.
#pragma once

#include "core/editor_life.h"
#include "core/editor_side.h"
#include "core/plugin.h"

#include <cstdint>
#include <memory>

namespace tonvo::core {

class HostedEditor final {
public:
    HostedEditor(Plugin& plugin, EditorLife::FormFactory factory, DialogSize design_size = {},
                 EditorWindowSystem windows = {});
    // The hooks are detached first, then the editor goes (see EditorLife's destructor). Closed
    // inside one of the editor's loops, the editor's side goes after the retired window and
    // form, once the call that runs the loop has returned: they and that call still use it.
    ~HostedEditor();
    HostedEditor(const HostedEditor&) = delete;
    HostedEditor& operator=(const HostedEditor&) = delete;

    // Fails, leaving nothing shown, as EditorLife::open does.
    void open(void* parent_window);
    // One idle call of the host; `update_requested` is the format's editor-update flag, taken
    // by the caller (HostLink::editor_needs_update sets it).
    void idle(bool update_requested);
    int width() const { return life_->width(); }
    int height() const { return life_->height(); }
    std::uintptr_t native_window() const noexcept { return life_->native_window(); }
    EditorHooks* hooks() const noexcept { return life_->hooks(); }
    EditorSide& side() noexcept { return *side_; }

private:
    Plugin& plugin_;
    EditorWindowSystem windows_;
    std::unique_ptr<EditorSide> side_;
    std::unique_ptr<EditorLife> life_;
};

} // namespace tonvo::core
