// What peer_bench times: one plug-in instance prepared for one workload.
#pragma once

#include "note_streams.h"

#include <cstddef>
#include <vector>

namespace tonvo::bench {

class Runner {
public:
    virtual ~Runner() = default;
    // Plays `count` blocks, going on where the previous call stopped.
    virtual void Run(size_t count) = 0;
};

// Plays `count` blocks of `loop` through `block(first)`, `next` the first note of the next one,
// going round at the end.
template <typename Block>
void play_blocks(const std::vector<Note>& loop, size_t& next, size_t count, Block block) {
    for (size_t i = 0; i < count; ++i) {
        block(next);
        next += kStreamEventsPerBlock;
        next = next >= loop.size() ? 0 : next;
    }
}

} // namespace tonvo::bench
