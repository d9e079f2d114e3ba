#include "window/vst2_editor_host.h"

#include "support/host_calls.h"
#include "tonvo_host/plugin_library.h"

namespace tonvo::test {

namespace {
tools::PluginLibrary& library() {
    static tools::PluginLibrary loaded(TONVO_PLUGIN_PATH);
    return loaded;
}
} // namespace

std::unique_ptr<EditorHost> make_editor_host() {
    return std::make_unique<Vst2EditorHost>();
}

Vst2EditorHost::Vst2EditorHost() {
    if (!library().Loaded()) {
        error_ = library().Error();
        return;
    }
    const tools::PluginMain entry = library().Entry("VSTPluginMain");
    effect_ = entry != nullptr ? entry(&FakeHost::Callback) : nullptr;
    if (effect_ == nullptr) {
        error_ = "the plug-in made no instance";
        return;
    }
    call(effOpen);
}

Vst2EditorHost::~Vst2EditorHost() {
    if (effect_ != nullptr) {
        call(effClose);
    }
}

intptr_t Vst2EditorHost::call(int32_t opcode, int32_t index, intptr_t value, void* ptr) {
    return effect_ != nullptr ? effect_->dispatcher(effect_, opcode, index, value, ptr, 0.0f) : 0;
}

std::optional<ui::Point> Vst2EditorHost::editor_size() {
    ERect* rect = nullptr;
    if (call(effEditGetRect, 0, 0, &rect) != 1 || rect == nullptr) {
        return std::nullopt;
    }
    return ui::Point{rect->right - rect->left, rect->bottom - rect->top};
}

std::vector<uint8_t> Vst2EditorHost::state() {
    return effect_ != nullptr ? chunk_of(effect_) : std::vector<uint8_t>{};
}

bool Vst2EditorHost::load_state(const std::vector<uint8_t>& state) {
    return effect_ != nullptr && load_chunk(effect_, state) == static_cast<intptr_t>(state.size());
}

std::vector<Delivered> Vst2EditorHost::process() {
    host_.Forget();
    if (effect_ != nullptr) {
        process_block(effect_);
    }
    return host_.Events();
}

} // namespace tonvo::test
