#include "formats/lv2/editor_ui.h"

#include "formats/lv2/features.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <lv2/instance-access/instance-access.h>
#include <utility>

namespace tonvo::lv2 {

EditorUi::EditorUi(Instance& instance, core::EditorLife::FormFactory factory)
    : instance_(instance), editor_(instance.plugin(), std::move(factory)) {}

std::unique_ptr<EditorUi> EditorUi::create(core::EditorLife::FormFactory factory,
                                           const LV2_Feature* const* features,
                                           LV2UI_Widget* widget) {
    void* parent = find_feature(features, LV2_UI__parent);
    auto* instance = static_cast<Instance*>(find_feature(features, LV2_INSTANCE_ACCESS_URI));
    if (parent == nullptr || instance == nullptr || widget == nullptr) {
        std::fprintf(stderr, "Tonvo: no editor: the host gives no %s\n",
                     parent == nullptr ? "parent window (ui:parent)"
                                       : "plug-in instance (instance-access)");
        return nullptr;
    }
    std::unique_ptr<EditorUi> ui(new EditorUi(*instance, std::move(factory)));
    ui->editor_.open(parent);
    const std::uintptr_t window = ui->editor_.native_window();
    if (window == 0) {
        std::fprintf(stderr, "Tonvo: no editor: its window could not be made\n");
        return nullptr;
    }
    *widget = reinterpret_cast<LV2UI_Widget>(window);
    if (auto* resize = static_cast<LV2UI_Resize*>(find_feature(features, LV2_UI__resize))) {
        resize->ui_resize(resize->handle, ui->editor_.width(), ui->editor_.height());
    }
    return ui;
}

int EditorUi::idle() {
    editor_.idle(instance_.take_editor_update());
    return 0;
}

} // namespace tonvo::lv2
