#include "ui/win32/win32_unwind.h"

#include <mutex>
#include <utility>
#include <vector>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace tonvo::ui {

namespace {

// This thread's frames of ours under way. Only threads that run our windows or loops touch it.
thread_local int busy_depth = 0;

struct Postponed {
    DWORD thread;
    std::function<void()> work;
};

// The postponed work of every thread, in the order it came; each thread runs its own.
std::mutex postponed_lock;
std::vector<Postponed>& postponed() {
    static std::vector<Postponed> list;
    return list;
}

// Takes this thread's postponed work out of the list, oldest first.
std::vector<std::function<void()>> take_postponed() {
    const DWORD thread = GetCurrentThreadId();
    std::vector<std::function<void()>> taken;
    const std::lock_guard<std::mutex> hold(postponed_lock);
    std::vector<Postponed>& list = postponed();
    for (auto it = list.begin(); it != list.end();) {
        if (it->thread == thread) {
            taken.push_back(std::move(it->work));
            it = list.erase(it);
        } else {
            ++it;
        }
    }
    return taken;
}

} // namespace

BusyScope::BusyScope() noexcept {
    ++busy_depth;
}

BusyScope::~BusyScope() {
    if (--busy_depth > 0) {
        return;
    }
    // The work may open windows or loops again (their frames count anew) and postpone more.
    try {
        for (std::vector<std::function<void()>> taken = take_postponed(); !taken.empty();
             taken = take_postponed()) {
            for (std::function<void()>& work : taken) {
                try {
                    work();
                } catch (...) {
                    // Nothing unwinds into Windows or the host; the next piece still runs.
                }
            }
        }
    } catch (...) {
        // Taking the list failed (no memory): what is left runs at the next outermost return.
    }
}

bool postpone_while_busy(std::function<void()>& work) {
    if (busy_depth == 0) {
        return false;
    }
    const std::lock_guard<std::mutex> hold(postponed_lock);
    postponed().push_back({GetCurrentThreadId(), std::move(work)});
    return true;
}

} // namespace tonvo::ui
