// The editor form the plug-in module shows when the host opens its editor.
#pragma once

#include "editor/plugin_editor_form.h"
#include "engine/editor_module.h"
#include "ui/desktop.h"

#include <memory>

namespace tonvo::editor {

// A TfrmEditor on `module`, in the visual style active now; the module outlives it.
std::unique_ptr<PluginEditorForm> CreateEditorForm(ui::Desktop& desktop, TEditorModule& module);

} // namespace tonvo::editor
