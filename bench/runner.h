// What peer_bench times: one plug-in instance prepared for one workload.
#pragma once

#include <cstddef>

namespace tonvo::bench {

class Runner {
public:
    virtual ~Runner() = default;
    // Plays `count` blocks, going on where the previous call stopped.
    virtual void Run(size_t count) = 0;
};

} // namespace tonvo::bench
