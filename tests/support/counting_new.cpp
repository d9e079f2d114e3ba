// Global allocation functions that count every allocation, for the tests that prove a path
// allocates nothing. Compiled into such a test program on its own, never into a library.
#include "support/allocation_count.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long> allocations{0};
thread_local long threadAllocations = 0;
} // namespace

long tonvo::test::allocation_count() {
    return allocations.load();
}
long tonvo::test::thread_allocation_count() {
    return threadAllocations;
}

void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    ++threadAllocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
