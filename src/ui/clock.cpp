#include "ui/clock.h"

namespace tonvo::ui {

Millis SteadyClock::now() const {
    return std::chrono::duration_cast<Millis>(std::chrono::steady_clock::now().time_since_epoch());
}

SteadyClock& SteadyClock::instance() {
    static SteadyClock clock;
    return clock;
}

} // namespace tonvo::ui
