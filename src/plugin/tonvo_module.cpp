#include "plugin/tonvo_module.h"

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
        EditorFormClass = [this, designSize](TCustomVSTModule&) {
            return std::make_unique<core::EditorLife>(formFactory_, *this, dialogs_, designSize);
        };
    }
}

TTonvoModule::~TTonvoModule() {
    DestroyEditorForm();
}

void TTonvoModule::PrepareClose() {
    if (ModuleEditor* editor = EditorForm()) {
        editor->instance_closing();
    }
    TVSTPlugin::PrepareClose();
}

bool TTonvoModule::PostponeDestruction(std::function<void()>& work) {
    return core::EditorLife::postpone_instance_destruction(work);
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
