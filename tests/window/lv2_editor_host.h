// The LV2 adapter of the window tests: the built bundle loaded through lilv by its URI, one
// plug-in instance per test (tests/lv2/lilv_host.h), and the editor through the bundle's UI
// descriptor in the host's window (ui:parent, instance-access, ui:resize), pumped through its
// idle interface. "Project changed" is the state:StateChanged notice on the output port.
#pragma once

#include "lv2/lilv_host.h"
#include "window/window_driver.h"

#include <lv2/ui/ui.h>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tonvo::test {

class Lv2EditorHost final : public EditorHost {
public:
    Lv2EditorHost();
    ~Lv2EditorHost() override;
    Lv2EditorHost(const Lv2EditorHost&) = delete;
    Lv2EditorHost& operator=(const Lv2EditorHost&) = delete;

    std::string error() const override { return error_; }
    bool opening_in_no_window_succeeds() const override { return false; }
    bool shows_state_failures() const override { return false; }
    bool open_editor(void* parent) override;
    void close_editor() override;
    void idle() override;
    std::optional<ui::Point> editor_size() override { return size_; }
    std::vector<uint8_t> state() override { return instance_.save_block().bytes; }
    bool load_state(const std::vector<uint8_t>& state) override {
        return instance_.restore_block(state) == LV2_STATE_SUCCESS;
    }
    std::vector<Delivered> process() override { return instance_.run(); }
    // Each notice is one "project changed"; the plug-in sends it with the next block.
    size_t automations() override;

private:
    Lv2World world_;
    Lv2Instance instance_{world_, "urn:brelwick:tonvo"};
    const LV2UI_Descriptor* ui_ = nullptr;
    LV2UI_Handle editor_ = nullptr;
    const LV2UI_Idle_Interface* idle_ = nullptr;
    std::optional<ui::Point> size_;
    std::string error_;
};

} // namespace tonvo::test
