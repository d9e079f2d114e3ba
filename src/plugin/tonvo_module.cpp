#include "plugin/tonvo_module.h"

#include "ui/editor_window.h"

namespace tonvo {

namespace {

// The editor's life as the module chain holds its editor.
class ChainEditor final : public ModuleEditor {
public:
    explicit ChainEditor(std::unique_ptr<core::EditorLife> life) : life_(std::move(life)) {}
    int width() const override { return life_->width(); }
    int height() const override { return life_->height(); }
    void open(void* parentWindow) override { life_->open(parentWindow); }
    void idle() override { life_->idle(); }
    void instance_closing() noexcept override { life_->instance_closing(); }
    EditorHooks* hooks() const noexcept override { return life_->hooks(); }

private:
    std::unique_ptr<core::EditorLife> life_;
};

} // namespace

TonvoModule::TonvoModule(FormFactory factory, PluginServices& services, DialogSize designSize)
    : TVSTPlugin(services), formFactory_(std::move(factory)) {
    SetDialogs(editorSide_.dialogs());
    if (formFactory_ && ui::editor_windows_available()) {
        EditorFormClass = [this, designSize](TCustomVSTModule&) {
            return std::make_unique<ChainEditor>(editorSide_.make_editor(formFactory_, designSize));
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

} // namespace tonvo
