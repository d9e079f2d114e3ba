// The editor form the plug-in module shows when the host opens its editor.
#pragma once

#include "editor/editor_base.h"
#include "engine/editor_link.h"
#include "ui/desktop.h"

#include <memory>

namespace tonvo::editor {

// A TfrmEditor on `module`, in the visual style active now; the module outlives it.
std::unique_ptr<TfrmVSTEditorBase> create_editor_form(ui::Desktop& desktop, EditorLink& module);

} // namespace tonvo::editor
