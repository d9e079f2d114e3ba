// Windows only: a repeating timer on the message loop of the thread that made it. `tick` runs
// there every `interval_ms` milliseconds, from the loop's dispatch of WM_TIMER, until the timer
// goes. For adapters whose host gives the editor neither an idle call nor a timer (VST 3 on
// Windows). Thread contract: the thread that made it, for everything.
#pragma once

#include <cstdint>
#include <functional>

namespace tonvo::platform {

class UiTimer final {
public:
    UiTimer(std::function<void()> tick, unsigned interval_ms);
    ~UiTimer();
    UiTimer(const UiTimer&) = delete;
    UiTimer& operator=(const UiTimer&) = delete;

    // False when the system gave no timer.
    bool running() const noexcept { return id_ != 0; }

private:
    std::function<void()> tick_;
    std::uintptr_t id_ = 0;
};

} // namespace tonvo::platform
