#include "window/lv2_editor_host.h"

#include <dlfcn.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/urid/urid.h>

namespace tonvo::test {

std::unique_ptr<EditorHost> make_editor_host() {
    return std::make_unique<Lv2EditorHost>();
}

// The UI descriptor comes from the library lilv loaded for the instance.
Lv2EditorHost::Lv2EditorHost() {
    if (!instance_.made()) {
        error_ = "lilv made no instance of the bundle";
        return;
    }
    void* library = dlopen(TONVO_LV2_BUNDLE "/Tonvo.so", RTLD_NOW | RTLD_NOLOAD);
    const auto entry =
        library != nullptr
            ? reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(library, "lv2ui_descriptor"))
            : nullptr;
    ui_ = entry != nullptr ? entry(0) : nullptr;
    if (library != nullptr) {
        dlclose(library); // lilv's own reference keeps it loaded
    }
    if (ui_ == nullptr) {
        error_ = "the bundle's library has no UI descriptor";
    }
}

Lv2EditorHost::~Lv2EditorHost() {
    close_editor();
}

bool Lv2EditorHost::open_editor(void* parent) {
    close_editor();
    LV2UI_Resize resize{this, [](LV2UI_Feature_Handle self, int width, int height) {
                            static_cast<Lv2EditorHost*>(self)->size_ = ui::Point{width, height};
                            return 0;
                        }};
    const LV2_Feature map_feature{LV2_URID__map, world_.map_feature()};
    const LV2_Feature parent_feature{LV2_UI__parent, parent};
    const LV2_Feature instance_feature{LV2_INSTANCE_ACCESS_URI, instance_.handle()};
    const LV2_Feature resize_feature{LV2_UI__resize, &resize};
    const LV2_Feature* features[] = {&map_feature, &parent_feature, &instance_feature,
                                     &resize_feature, nullptr};
    LV2UI_Widget widget = nullptr;
    editor_ = ui_->instantiate(ui_, "urn:brelwick:tonvo", TONVO_LV2_BUNDLE "/", nullptr, nullptr,
                               &widget, features);
    idle_ = static_cast<const LV2UI_Idle_Interface*>(ui_->extension_data(LV2_UI__idleInterface));
    return editor_ != nullptr && widget != nullptr && idle_ != nullptr;
}

void Lv2EditorHost::close_editor() {
    if (editor_ != nullptr) {
        ui_->cleanup(editor_);
        editor_ = nullptr;
    }
}

void Lv2EditorHost::idle() {
    if (editor_ != nullptr) {
        idle_->idle(editor_);
    }
}

size_t Lv2EditorHost::automations() {
    instance_.run();
    return static_cast<size_t>(instance_.state_changed_notices());
}

} // namespace tonvo::test
