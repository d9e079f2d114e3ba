// One program of a module: its name and, for modules that keep programs as chunks, the byte
// stream its chunk handlers fill and read; otherwise one stored value per parameter.
#pragma once

#include "engine/memory_stream.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tonvo {

class TVstProgram {
public:
    static constexpr size_t kMaxDisplayName = 50;

    const std::string& DisplayName() const noexcept { return displayName_; }
    void SetDisplayName(std::string name) {
        if (name.size() > kMaxDisplayName) {
            name.resize(kMaxDisplayName);
        }
        displayName_ = std::move(name);
    }

    MemoryStream Chunk;
    std::vector<float> ParameterValues;

    // Handlers (program, program index, isPreset); an unbound handler is skipped.
    std::function<void(TVstProgram& program, int32_t index, bool isPreset)> OnStoreChunk;
    std::function<void(TVstProgram& program, int32_t index, bool isPreset)> OnLoadChunk;

private:
    std::string displayName_ = "Init";
};

} // namespace tonvo
