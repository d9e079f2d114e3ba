// The shipped plug-in module: the note-mapping module with its editor. The editor's side of
// the plug-in (what the forms use, the dialogs, the preset commands, the skin) is the core's
// (core::EditorSide); this module makes the editor's life when the host opens the editor, tells
// it of the instance's close and postpones its own destruction through it.
//
// The editor form comes from a factory given at construction; the module has an editor form
// class only when this build can make editor windows and a factory was given, so a build
// without windows answers the host's editor opening with 0.
//
// Thread contract: as TVSTPlugin.
#pragma once

#include "core/editor_side.h"
#include "formats/vst2/plugin.h"

#include <functional>
#include <memory>

namespace tonvo {

class TonvoModule final : public TVSTPlugin {
public:
    using FormFactory = core::EditorLife::FormFactory;

    // Construct through TVSTModule::Create<TonvoModule>(report, factory, ...). The design size
    // is what the editor reports before its form exists.
    explicit TonvoModule(FormFactory factory = {},
                         PluginServices& services = PluginServices::Defaults(),
                         DialogSize designSize = {});
    // The editor goes first: it uses the dialogs and the highlight gate.
    ~TonvoModule() override;

    // What the editor's forms use of the plug-in.
    core::EditorSide& editor_side() noexcept { return editorSide_; }

    void ApplySkin() override { editorSide_.apply_skin(); }

protected:
    // A menu or dialog of the editor's that runs under the close ends first (as Cancel).
    void PrepareClose() override;
    // While a window procedure or loop of the editor's is still under way below the close.
    bool PostponeDestruction(std::function<void()>& work) override;

private:
    FormFactory formFactory_;
    core::EditorSide editorSide_{plugin_core()};
};

} // namespace tonvo
