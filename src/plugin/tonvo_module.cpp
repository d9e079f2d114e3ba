#include "plugin/tonvo_module.h"

#include "platform/files.h"
#include "presets/skins.h"
#include "ui/editor_window.h"
#include "ui/style.h"

#include <stdexcept>
#include <string>

namespace tonvo {

TonvoModule::TonvoModule(FormFactory factory, PluginServices& services, DialogSize designSize)
    : TVSTPlugin(services), formFactory_(std::move(factory)) {
    SetDialogs(dialogs_);
    if (formFactory_ && ui::editor_windows_available()) {
        EditorFormClass = [this, designSize](TCustomVSTModule&) {
            return std::make_unique<core::EditorLife>(formFactory_, *this, dialogs_, designSize);
        };
    }
}

TonvoModule::~TonvoModule() {
    DestroyEditorForm();
}

void TonvoModule::PrepareClose() {
    if (ModuleEditor* editor = EditorForm()) {
        editor->instance_closing();
    }
    TVSTPlugin::PrepareClose();
}

bool TonvoModule::PostponeDestruction(std::function<void()>& work) {
    return core::EditorLife::postpone_instance_destruction(work);
}

bool TonvoModule::SafeFileExists(const std::filesystem::path& path) {
    return platform::SafeFileExists(path);
}

void TonvoModule::ApplySkin() {
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
