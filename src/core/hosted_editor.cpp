#include "core/hosted_editor.h"

#include <functional>
#include <memory>
#include <utility>

namespace tonvo::core {

HostedEditor::HostedEditor(Plugin& plugin, EditorLife::FormFactory factory, DialogSize design_size,
                           EditorWindowSystem windows)
    : plugin_(plugin), windows_(windows), side_(std::make_unique<EditorSide>(plugin)),
      life_(std::make_unique<EditorLife>(std::move(factory), *side_, side_->dialogs(), design_size,
                                         windows)) {}

HostedEditor::~HostedEditor() {
    plugin_.detach_editor();
    life_.reset();
    // The work owns the side: it goes when the work does, now when nothing was postponed.
    try {
        std::function<void()> work = [side = std::shared_ptr<EditorSide>(std::move(side_))] {};
        static_cast<void>(windows_.postpone(work));
    } catch (...) {
        // No memory to hand it on: the side is kept for good rather than freed under the call.
        static_cast<void>(side_.release());
    }
}

void HostedEditor::open(void* parent_window) {
    plugin_.detach_editor();
    side_->apply_skin();
    life_->open(parent_window);
    if (EditorHooks* editor = life_->hooks()) {
        plugin_.attach_editor(editor);
    }
}

// The update goes before the window's idle, so what it changed is painted by the same call.
void HostedEditor::idle(bool update_requested) {
    if (update_requested) {
        plugin_.highlights().Resync();
        if (EditorHooks* editor = life_->hooks()) {
            editor->UpdateControls();
            if (plugin_.take_pending_preset_name()) {
                editor->UpdatePresetName();
            }
            editor->RefreshHighlights();
        }
    }
    life_->idle();
}

} // namespace tonvo::core
