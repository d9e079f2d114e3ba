// What the plug-in asks of the format that hosts it. Each format's adapter implements it and
// hands it to core::Plugin at construction.
#pragma once

#include <cstdint>

namespace tonvo::core {

// The host's transport for one processing block.
struct Transport {
    bool known = false;   // the host gave time information for this block
    bool playing = false; // playback runs
    double sample_position = 0.0;
};

class HostLink {
public:
    // A control change drives the parameter-value entry `index` to `value` (0..127); the
    // adapter scales it to the parameter's range and tells the host. Audio thread; must not
    // block or allocate.
    virtual void control_parameter(int32_t index, uint8_t value) noexcept = 0;
    // Something the open editor shows changed; its next idle call should look. Any thread,
    // the audio thread included: must not block.
    virtual void editor_needs_update() noexcept = 0;
    // The plug-in's state changed through the plug-in itself (the editor, a preset): the host
    // should mark its project as changed. User-interface thread.
    virtual void state_changed() = 0;
    // Every entry of the parameter-value list was set back to its default; the adapter tells
    // the host of each parameter's value. User-interface thread.
    virtual void parameters_reset() = 0;
    // A failure the plug-in caught and went on from (an editor that failed to show the preset
    // name); `where` names the step. Any thread but the audio thread.
    virtual void report_failure(const char* where, const char* message) noexcept = 0;

protected:
    ~HostLink() = default;
};

} // namespace tonvo::core
