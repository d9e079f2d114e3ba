// The LV2 adapter's editor: the plug-in's editor as an X11 UI, a child of the host's window
// (ui:parent), on the instance the host shares with it (instance-access), pumped from the
// host's idle calls (ui:idleInterface), its fixed size told through ui:resize where the host
// offers it and through the window's size hints.
//
// Thread contract: the host's user-interface thread, the one that made it, for everything.
#pragma once

#include "core/hosted_editor.h"
#include "formats/lv2/instance.h"

#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>
#include <memory>

namespace tonvo::lv2 {

class EditorUi final {
public:
    // The editor shown in the host's window, its window in `widget`; null, with the reason on
    // the standard error, when the host gives no parent window or no instance, or the editor
    // cannot be shown.
    static std::unique_ptr<EditorUi> create(core::EditorLife::FormFactory factory,
                                            const LV2_Feature* const* features,
                                            LV2UI_Widget* widget);
    // One idle call of the host; always 0 (the editor has no close of its own).
    int idle();

private:
    EditorUi(Instance& instance, core::EditorLife::FormFactory factory);

    Instance& instance_;
    core::HostedEditor editor_;
};

} // namespace tonvo::lv2
