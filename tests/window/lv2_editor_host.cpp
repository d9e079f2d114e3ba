#include "window/lv2_editor_host.h"

#include <cstring>
#include <dlfcn.h>
#include <lv2/atom/atom.h>
#include <lv2/atom/util.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/midi/midi.h>

namespace tonvo::test {

namespace {

constexpr uint32_t kOutputBytes = 32768;

struct Library {
    void* handle = dlopen(TONVO_LV2_LIBRARY, RTLD_NOW | RTLD_LOCAL);
};
Library& library() {
    static Library loaded;
    return loaded;
}

} // namespace

std::unique_ptr<EditorHost> make_editor_host() {
    return std::make_unique<Lv2EditorHost>();
}

Lv2EditorHost::Lv2EditorHost() : input_(64), output_(kOutputBytes / 8) {
    if (library().handle == nullptr) {
        error_ = dlerror();
        return;
    }
    const auto plugin_entry =
        reinterpret_cast<LV2_Descriptor_Function>(dlsym(library().handle, "lv2_descriptor"));
    const auto ui_entry =
        reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(library().handle, "lv2ui_descriptor"));
    plugin_ = plugin_entry != nullptr ? plugin_entry(0) : nullptr;
    ui_ = ui_entry != nullptr ? ui_entry(0) : nullptr;
    if (plugin_ == nullptr || ui_ == nullptr) {
        error_ = "the library has no plug-in or no UI descriptor";
        return;
    }
    map_ = {this, [](LV2_URID_Map_Handle self, const char* uri) {
                return static_cast<Lv2EditorHost*>(self)->map(uri);
            }};
    map_feature_ = {LV2_URID__map, &map_};
    const LV2_Feature* features[] = {&map_feature_, nullptr};
    instance_ = plugin_->instantiate(plugin_, 48000.0, TONVO_LV2_BUNDLE "/", features);
    if (instance_ == nullptr) {
        error_ = "the plug-in made no instance";
        return;
    }
    state_ = static_cast<const LV2_State_Interface*>(plugin_->extension_data(LV2_STATE__interface));
    plugin_->connect_port(instance_, 0, input_.data());
    plugin_->connect_port(instance_, 1, output_.data());
    auto* in = reinterpret_cast<LV2_Atom_Sequence*>(input_.data());
    in->atom = {sizeof(LV2_Atom_Sequence_Body), map(LV2_ATOM__Sequence)};
    in->body = {0, 0};
    plugin_->activate(instance_);
}

Lv2EditorHost::~Lv2EditorHost() {
    close_editor();
    if (instance_ != nullptr) {
        plugin_->deactivate(instance_);
        plugin_->cleanup(instance_);
    }
}

LV2_URID Lv2EditorHost::map(const char* uri) {
    return ids_.emplace(uri, static_cast<LV2_URID>(ids_.size() + 1)).first->second;
}

bool Lv2EditorHost::open_editor(void* parent) {
    close_editor();
    LV2UI_Resize resize{this, [](LV2UI_Feature_Handle self, int width, int height) {
                            static_cast<Lv2EditorHost*>(self)->size_ = ui::Point{width, height};
                            return 0;
                        }};
    const LV2_Feature parent_feature{LV2_UI__parent, parent};
    const LV2_Feature instance_feature{LV2_INSTANCE_ACCESS_URI, instance_};
    const LV2_Feature resize_feature{LV2_UI__resize, &resize};
    const LV2_Feature* features[] = {&map_feature_, &parent_feature, &instance_feature,
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

std::optional<ui::Point> Lv2EditorHost::editor_size() {
    return size_;
}

std::vector<uint8_t> Lv2EditorHost::state() {
    std::vector<uint8_t> saved;
    const auto store = [](LV2_State_Handle into, uint32_t, const void* value, size_t size, uint32_t,
                          uint32_t) {
        const auto* bytes = static_cast<const uint8_t*>(value);
        static_cast<std::vector<uint8_t>*>(into)->assign(bytes, bytes + size);
        return LV2_STATE_SUCCESS;
    };
    if (instance_ != nullptr) {
        state_->save(instance_, store, &saved, 0, nullptr);
    }
    return saved;
}

bool Lv2EditorHost::load_state(const std::vector<uint8_t>& state) {
    struct From {
        const std::vector<uint8_t>* bytes;
        LV2_URID chunk;
    } from{&state, map(LV2_ATOM__Chunk)};
    const auto retrieve = [](LV2_State_Handle handle, uint32_t, size_t* size, uint32_t* type,
                             uint32_t* flags) -> const void* {
        const auto* self = static_cast<const From*>(handle);
        *size = self->bytes->size();
        *type = self->chunk;
        *flags = LV2_STATE_IS_POD;
        return self->bytes->data();
    };
    return instance_ != nullptr &&
           state_->restore(instance_, retrieve, &from, 0, nullptr) == LV2_STATE_SUCCESS;
}

std::vector<Delivered> Lv2EditorHost::process() {
    std::vector<Delivered> delivered;
    if (instance_ == nullptr) {
        return delivered;
    }
    auto* out = reinterpret_cast<LV2_Atom_Sequence*>(output_.data());
    out->atom = {kOutputBytes, map(LV2_ATOM__Chunk)};
    plugin_->run(instance_, 256);
    LV2_ATOM_SEQUENCE_FOREACH(out, event) {
        if (event->body.type == map(LV2_MIDI__MidiEvent)) {
            const auto* bytes = reinterpret_cast<const uint8_t*>(event + 1);
            delivered.push_back({bytes[0], event->body.size > 1 ? bytes[1] : uint8_t{0},
                                 event->body.size > 2 ? bytes[2] : uint8_t{0},
                                 static_cast<int32_t>(event->time.frames)});
        } else {
            ++notices_; // the output carries nothing else than state:StateChanged
        }
    }
    return delivered;
}

// Each notice is one "project changed"; the plug-in sends it with the next block.
size_t Lv2EditorHost::automations() {
    process();
    return notices_;
}

} // namespace tonvo::test
