#include "plugin/tonvo_module.h"

#include "editor/editor_shell.h"
#include "platform/files.h"
#include "presets/skins.h"
#include "ui/editor_window.h"
#include "ui/style.h"

#include <stdexcept>
#include <string>

namespace tonvo {

TTonvoModule::TTonvoModule(TFormFactory factory, TPluginServices& services, TDialogSize designSize)
    : TVSTPlugin(services), formFactory_(std::move(factory)) {
    SetDialogs(dialogs_);
    if (formFactory_ && ui::editor_windows_available()) {
        SetPluginEditorClass([this, designSize] {
            return std::make_unique<editor::EditorShell>(
                [this](ui::Desktop& desktop) { return formFactory_(desktop, *this); }, dialogs_,
                designSize);
        });
        // Closing the editor from inside its own menu or dialog (the host's timers still fire
        // there) would destroy the form under the call that runs the loop: it hides instead,
        // and goes once that call has returned.
        OnEditClose = [this](bool& destroyForm) {
            if (auto* shell = dynamic_cast<editor::EditorShell*>(EditorForm());
                shell != nullptr && shell->HideInsideLoop()) {
                destroyForm = false;
                CloseEditorAfterLoop();
            }
        };
    }
}

TTonvoModule::~TTonvoModule() {
    *alive_ = false;
    DestroyEditorForm();
}

void TTonvoModule::CloseEditorAfterLoop() {
    std::function<void()> work = [this, alive = alive_] {
        if (!*alive) {
            return;
        }
        if (auto* shell = dynamic_cast<editor::EditorShell*>(EditorForm());
            shell != nullptr && shell->HiddenAfterLoop()) {
            DestroyEditorForm();
        }
    };
    // No loop under way any more (it was the last thing running): the editor goes now.
    if (!ui::postpone_while_windows_busy(work)) {
        work();
    }
}

void TTonvoModule::PrepareClose() {
    if (auto* shell = dynamic_cast<editor::EditorShell*>(EditorForm())) {
        shell->HideInsideLoop();
    }
    TVSTPlugin::PrepareClose();
}

bool TTonvoModule::PostponeDestruction(std::function<void()>& work) {
    return ui::postpone_while_windows_busy(work);
}

bool TTonvoModule::SafeFileExists(const std::filesystem::path& path) {
    return platform::SafeFileExists(path);
}

void TTonvoModule::ApplySkin() {
    const std::string_view name = SkinFor(Style).StyleName;
    try {
        const ui::Style* style = ui::find_style(name);
        if (style == nullptr) {
            throw std::runtime_error("Style \"" + std::string(name) + "\" not found");
        }
        ui::set_active_style(*style);
    } catch (const std::exception& failure) {
        Dialogs().Warning("Load Skin", FailureText("Error loading skin.", failure.what()));
    }
}

} // namespace tonvo
