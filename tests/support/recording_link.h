// Stands in for a format's adapter below the format-neutral plug-in: records what the plug-in
// asks of the host.
#pragma once

#include "core/plugin.h"

#include <string>
#include <utility>
#include <vector>

namespace tonvo::test {

class RecordingLink : public core::HostLink {
public:
    void control_parameter(int32_t index, uint8_t value) noexcept override {
        controlled.emplace_back(index, value);
    }
    void editor_needs_update() noexcept override { ++updates; }
    void state_changed() override { ++changes; }
    void parameters_reset() override { ++resets; }
    void report_failure(const char* where, const char* message) noexcept override {
        failures.push_back(std::string(where) + ": " + message);
    }

    std::vector<std::pair<int32_t, uint8_t>> controlled;
    std::vector<std::string> failures;
    int updates = 0;
    int changes = 0;
    int resets = 0;
};

} // namespace tonvo::test
