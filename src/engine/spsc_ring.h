// A fixed-size single-producer single-consumer FIFO. Storage is made at construction; Push and
// Pop never allocate, never block and report a full or empty ring by their return value.
//
// Thread contract: exactly one thread pushes and exactly one thread pops.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>

namespace tonvo {

template <typename T, size_t Capacity>
class SpscRing {
    static_assert(Capacity >= 2 && (Capacity & (Capacity - 1)) == 0,
                  "capacity must be a power of two");

public:
    // Producer side; false when the ring is full (the item is not stored).
    bool Push(const T& item) noexcept {
        const size_t head = head_.load(std::memory_order_relaxed);
        if (head - tail_.load(std::memory_order_acquire) == Capacity) {
            return false;
        }
        slots_[head & (Capacity - 1)] = item;
        head_.store(head + 1, std::memory_order_release);
        return true;
    }

    // Consumer side; false when the ring is empty.
    bool Pop(T& item) noexcept {
        const size_t tail = tail_.load(std::memory_order_relaxed);
        if (tail == head_.load(std::memory_order_acquire)) {
            return false;
        }
        item = slots_[tail & (Capacity - 1)];
        tail_.store(tail + 1, std::memory_order_release);
        return true;
    }

private:
    std::array<T, Capacity> slots_{};
    alignas(64) std::atomic<size_t> head_{0};
    alignas(64) std::atomic<size_t> tail_{0};
};

} // namespace tonvo
