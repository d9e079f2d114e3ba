// The LV2 adapter of the window tests: the built bundle's library, loaded as an LV2 host loads
// it, one plug-in instance per test through its descriptor, the editor through the UI
// descriptor in the host's window (ui:parent, instance-access, ui:resize), pumped through its
// idle interface. "Project changed" is the state:StateChanged notice on the output port.
#pragma once

#include "window/window_driver.h"

#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>
#include <map>
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
    std::optional<ui::Point> editor_size() override;
    std::vector<uint8_t> state() override;
    bool load_state(const std::vector<uint8_t>& state) override;
    std::vector<Delivered> process() override;
    size_t automations() override;

private:
    LV2_URID map(const char* uri);

    std::map<std::string, LV2_URID> ids_;
    LV2_URID_Map map_{};
    LV2_Feature map_feature_{};
    const LV2_Descriptor* plugin_ = nullptr;
    const LV2UI_Descriptor* ui_ = nullptr;
    LV2_Handle instance_ = nullptr;
    const LV2_State_Interface* state_ = nullptr;
    LV2UI_Handle editor_ = nullptr;
    const LV2UI_Idle_Interface* idle_ = nullptr;
    std::optional<ui::Point> size_;
    std::vector<uint64_t> input_;
    std::vector<uint64_t> output_;
    size_t notices_ = 0;
    std::string error_;
};

} // namespace tonvo::test
