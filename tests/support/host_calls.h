// What a host does through the plug-in's effect record: the state got and set (effGetChunk and
// effSetChunk, index 1 a preset's block, 0 the bank's) and a processing call.
#pragma once

#include "formats/vst2/vst_abi.h"

#include <cstdint>
#include <vector>

namespace tonvo::test {

// The state block the plug-in hands out; empty when it hands out none.
inline std::vector<uint8_t> chunk_of(AEffect* effect, int32_t index = 1) {
    void* data = nullptr;
    const intptr_t size = effect->dispatcher(effect, effGetChunk, index, 0, &data, 0.0f);
    const auto* bytes = static_cast<const uint8_t*>(data);
    return size > 0 && bytes != nullptr ? std::vector<uint8_t>(bytes, bytes + size)
                                        : std::vector<uint8_t>{};
}

// `chunk` handed to the plug-in: what it answers (0 refuses).
inline intptr_t load_chunk(AEffect* effect, std::vector<uint8_t> chunk, int32_t index = 1) {
    return effect->dispatcher(effect, effSetChunk, index, static_cast<intptr_t>(chunk.size()),
                              chunk.data(), 0.0f);
}

// One processReplacing call of `frames` (at most 64) into two buffers of the host's.
inline void process_block(AEffect* effect, int32_t frames = 64) {
    float left[64] = {};
    float right[64] = {};
    float* outputs[2] = {left, right};
    effect->processReplacing(effect, nullptr, outputs, frames);
}

} // namespace tonvo::test
