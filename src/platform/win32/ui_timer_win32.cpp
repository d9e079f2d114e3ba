#include "platform/ui_timer.h"

#include <algorithm>
#include <utility>
#include <vector>
#include <windows.h>

namespace tonvo::platform {

namespace {

// The thread's timers by id: a thread timer (no window) calls back with its id only.
thread_local std::vector<std::pair<UINT_PTR, std::function<void()>*>> ticks;

void CALLBACK on_timer(HWND, UINT, UINT_PTR id, DWORD) {
    const auto found = std::find_if(ticks.begin(), ticks.end(),
                                    [id](const auto& entry) { return entry.first == id; });
    if (found != ticks.end() && *found->second) {
        try {
            (*found->second)();
        } catch (...) {
            // Nothing unwinds into the message loop.
        }
    }
}

} // namespace

UiTimer::UiTimer(std::function<void()> tick, unsigned interval_ms) : tick_(std::move(tick)) {
    id_ = SetTimer(nullptr, 0, interval_ms, &on_timer);
    if (id_ != 0) {
        ticks.emplace_back(id_, &tick_);
    }
}

UiTimer::~UiTimer() {
    if (id_ == 0) {
        return;
    }
    KillTimer(nullptr, id_);
    ticks.erase(std::remove_if(ticks.begin(), ticks.end(),
                               [this](const auto& entry) { return entry.first == id_; }),
                ticks.end());
}

} // namespace tonvo::platform
