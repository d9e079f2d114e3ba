#include "engine/cc_routing.h"

namespace tonvo {

TMidiCCList CCRouting::Assignments() const {
    const std::lock_guard<std::mutex> guard(lock_);
    return assignments_;
}

void CCRouting::SetAssignments(const std::vector<TMidiCCItem>& assignments,
                               const TVSTParameterValues& values) {
    const std::lock_guard<std::mutex> guard(lock_);
    assignments_.SetAssignments(assignments);
    Rebuild(values);
}

void CCRouting::Clear(const TVSTParameterValues& values) {
    const std::lock_guard<std::mutex> guard(lock_);
    assignments_.Clear();
    Rebuild(values);
}

// Under the lock. An assignment whose name has no parameter-value entry drives nothing.
void CCRouting::Rebuild(const TVSTParameterValues& values) noexcept {
    std::array<uint64_t, 128> routes{};
    for (const TMidiCCItem& item : assignments_.Items()) {
        const int32_t index = values.IndexOfName(item.Name);
        if (item.CC >= 0 && item.CC < 128 && index >= 0 &&
            static_cast<size_t>(index) < kRoutedParameters) {
            routes[static_cast<size_t>(item.CC)] |= uint64_t{1} << index;
        }
    }
    for (size_t cc = 0; cc < routes.size(); ++cc) {
        table_[cc].store(routes[cc], std::memory_order_release);
    }
}

} // namespace tonvo
