// Time as the toolkit's timers see it. Forms read it on every idle call of their backend; tests
// use a clock they move by hand, so timer behaviour needs no waiting.
#pragma once

#include <chrono>

namespace tonvo::ui {

using Millis = std::chrono::milliseconds;

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary fixed start; never decreases.
    virtual Millis now() const = 0;
};

// The process's steady clock.
class SteadyClock final : public Clock {
public:
    Millis now() const override;
    static SteadyClock& instance();
};

// A clock that stands still until told to move.
class ManualClock final : public Clock {
public:
    Millis now() const override { return now_; }
    void advance(Millis by) { now_ += by; }

private:
    Millis now_{0};
};

} // namespace tonvo::ui
