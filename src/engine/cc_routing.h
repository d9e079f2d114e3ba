// The MIDI CC assignments and the table the audio thread routes control changes by.
//
// The user-interface thread changes the assignments and rebuilds the table from them, and a
// host restoring or saving state on a worker thread may do the same meanwhile: the assignments
// and each rebuild are guarded by a lock of their own, which the audio thread never takes; it
// only reads the table. Each controller number has one atomic bit set (bit i =
// parameter-value entry i), so a control change needs no lock and never sees half a routing:
// a rebuild stores each controller's whole set in one step, and the audio thread sees the new
// assignments from its next event.
#pragma once

#include "engine/midi_cc_list.h"
#include "engine/parameter_values.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace tonvo {

class CCRouting {
public:
    // Parameter-value entries past this many cannot be driven by a controller.
    static constexpr size_t kRoutedParameters = 64;

    // A copy taken under the lock. Any thread but the audio thread, as the two below.
    TMidiCCList Assignments() const;
    // Replaces the assignments and rebuilds the table against the parameter values' names.
    void SetAssignments(const std::vector<TMidiCCItem>& assignments,
                        const TVSTParameterValues& values);
    // No assignments; every controller drives nothing.
    void Clear(const TVSTParameterValues& values);

    // The parameter-value entries the controller drives, one bit each. Audio thread.
    uint64_t Routes(uint8_t controller) const noexcept {
        return table_[controller & 0x7F].load(std::memory_order_acquire);
    }

private:
    void Rebuild(const TVSTParameterValues& values) noexcept;

    mutable std::mutex lock_;
    TMidiCCList assignments_;
    std::array<std::atomic<uint64_t>, 128> table_{};
};

} // namespace tonvo
