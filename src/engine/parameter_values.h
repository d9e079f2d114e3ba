// Per parameter name, the default and current value the module reports to the host while it
// keeps its programs as chunks. Entry i belongs to the module's parameter i. Made at creation
// and never resized, so the audio thread may read current values while others set them.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <string>

namespace tonvo {

struct TVSTParameterValue {
    TVSTParameterValue(float defaultValue, std::string name)
        : DefaultValue(defaultValue), Name(std::move(name)), CurrentValue(defaultValue) {}

    const float DefaultValue;
    const std::string Name;
    std::atomic<float> CurrentValue;
};

class TVSTParameterValues {
public:
    // Creation only.
    TVSTParameterValue& Add(float defaultValue, std::string name) {
        return items_.emplace_back(defaultValue, std::move(name));
    }
    int32_t Count() const noexcept { return static_cast<int32_t>(items_.size()); }
    TVSTParameterValue& Item(int32_t index) { return items_.at(static_cast<size_t>(index)); }
    const TVSTParameterValue& Item(int32_t index) const {
        return items_.at(static_cast<size_t>(index));
    }

    // Index of the first entry with exactly this name; fails with
    // "TVSTParameterValues.FindByName - No match: <name>".
    int32_t FindByName(const std::string& name) const;
    // Like FindByName, but -1 instead of failing.
    int32_t IndexOfName(const std::string& name) const noexcept;

private:
    std::deque<TVSTParameterValue> items_; // stable addresses, atomics are not movable
};

} // namespace tonvo
