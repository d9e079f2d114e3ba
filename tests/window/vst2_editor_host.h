// The VST 2.4 adapter of the window tests: the built plug-in library, loaded as a host loads
// it, one instance per test opened through its entry, the editor through the dispatcher.
#pragma once

#include "formats/vst2/vst_abi.h"
#include "support/fake_host.h"
#include "window/window_driver.h"

#include <string>

namespace tonvo::test {

class Vst2EditorHost final : public EditorHost {
public:
    Vst2EditorHost();
    ~Vst2EditorHost() override;
    Vst2EditorHost(const Vst2EditorHost&) = delete;
    Vst2EditorHost& operator=(const Vst2EditorHost&) = delete;

    std::string error() const override { return error_; }

    bool open_editor(void* parent) override { return call(effEditOpen, 0, 0, parent) == 1; }
    void close_editor() override { call(effEditClose); }
    void idle() override { call(effEditIdle); }
    std::optional<ui::Point> editor_size() override;
    std::vector<uint8_t> state() override;
    bool load_state(const std::vector<uint8_t>& state) override;
    std::vector<Delivered> process() override;
    size_t automations() override { return host_.CountCalls(audioMasterAutomate); }

    // The dispatcher, for what only this format has; 0 once the instance is closed.
    intptr_t call(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr);
    AEffect* effect() const { return effect_; }
    // The instance is closed elsewhere (from a host timer): nothing calls it any more.
    void forget_effect() { effect_ = nullptr; }

private:
    FakeHost host_;
    AEffect* effect_ = nullptr;
    std::string error_;
};

} // namespace tonvo::test
