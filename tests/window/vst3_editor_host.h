// The VST 3 adapter of the window tests: Tonvo.vst3 through the test VST 3 host
// (tests/vst3/vst3_host.h), one instance per test, the editor as the controller's view attached
// to the host's window, inside a host frame whose run loop pumps it; "project changed" is the
// plug-in's setDirty.
#pragma once

#include "vst3/vst3_host.h"
#include "window/window_driver.h"

#include <optional>
#include <string>
#include <vector>

namespace tonvo::test {

class Vst3EditorHost final : public EditorHost {
public:
    Vst3EditorHost();
    ~Vst3EditorHost() override;

    std::string error() const override { return error_; }
    // An opening in a parent that is no window makes no editor, as in LV2 and CLAP; a state
    // that fails to load is refused to the host, which answers itself.
    bool opening_in_no_window_succeeds() const override { return false; }
    bool shows_state_failures() const override { return false; }
    bool open_editor(void* parent) override;
    void close_editor() override;
    void idle() override { frame_.fire_timers(); }
    std::optional<ui::Point> editor_size() override;
    std::vector<uint8_t> state() override { return host_.save(); }
    bool load_state(const std::vector<uint8_t>& state) override { return host_.load(state); }
    std::vector<Delivered> process() override { return host_.process(); }
    size_t automations() override { return static_cast<size_t>(host_.handler().dirty); }

private:
    Vst3Host host_;
    Frame frame_;
    IPlugView* view_ = nullptr;
    // Hosts close a view in either order: removed() then setFrame(nullptr), or the frame first.
    // Closes alternate between the two.
    bool frame_goes_first_ = false;
    std::string error_;
};

} // namespace tonvo::test
