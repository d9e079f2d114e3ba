// The CLAP adapter of the window tests: Tonvo.clap through the test CLAP host
// (tests/clap/clap_host.h), one instance per test, the editor through its gui extension
// embedded in the host's window (create, set_parent), pumped by the host's timer; "project
// changed" is the plug-in's mark_dirty.
#pragma once

#include "clap/clap_host.h"
#include "window/window_driver.h"

#include <optional>
#include <string>
#include <vector>

namespace tonvo::test {

class ClapEditorHost final : public EditorHost {
public:
    ClapEditorHost();
    ~ClapEditorHost() override;

    std::string error() const override { return error_; }
    // An opening in a parent that is no window makes no editor, as in LV2; a state that fails
    // to load is refused to the host, which answers itself.
    bool opening_in_no_window_succeeds() const override { return false; }
    bool shows_state_failures() const override { return false; }
    bool open_editor(void* parent) override;
    void close_editor() override;
    void idle() override { host_.fire_timers(); }
    std::optional<ui::Point> editor_size() override;
    std::vector<uint8_t> state() override { return host_.save(); }
    bool load_state(const std::vector<uint8_t>& state) override { return host_.load(state); }
    std::vector<Delivered> process() override { return host_.process(); }
    size_t automations() override { return static_cast<size_t>(host_.dirty_marks()); }

private:
    const clap_plugin_gui* gui() const { return host_.extension<clap_plugin_gui>(CLAP_EXT_GUI); }

    ClapHost host_;
    bool created_ = false;
    std::string error_;
};

} // namespace tonvo::test
