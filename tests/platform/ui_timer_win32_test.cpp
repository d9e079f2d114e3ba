// The message-loop timer: it ticks while the thread's loop dispatches, and a timer that has
// gone ticks no more, while another keeps ticking.
#include "platform/ui_timer.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace tonvo::platform {
namespace {

// Dispatches the thread's messages until `done` or about two seconds have passed.
template <typename Done>
void pump(Done done) {
    const ULONGLONG until = GetTickCount64() + 2000;
    while (!done() && GetTickCount64() < until) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        }
        Sleep(1);
    }
}

TEST(UiTimer, TicksOnTheLoopUntilItGoes) {
    int first = 0;
    int second = 0;
    auto timer = std::make_unique<UiTimer>([&] { ++first; }, 5);
    const UiTimer other([&] { ++second; }, 5);
    ASSERT_TRUE(timer->running() && other.running());
    pump([&] { return first >= 3 && second >= 3; });
    EXPECT_GE(first, 3);
    timer.reset();
    const int stopped_at = first;
    const int other_at = second;
    pump([&] { return second >= other_at + 3; });
    EXPECT_EQ(first, stopped_at) << "a timer that went ticked again";
    EXPECT_GE(second, other_at + 3) << "the other timer stopped with it";
}

} // namespace
} // namespace tonvo::platform
