// A repeating timer of a form, fired from the form's idle pass when its interval has passed on
// the form's clock. A late pass fires a timer once, never a burst to catch up.
//
// Thread contract: user-interface thread only.
#pragma once

#include "ui/clock.h"

#include <functional>

namespace tonvo::ui {

class Form;

class Timer {
public:
    Timer(Form& form, Millis interval, std::function<void()> on_timer);
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    bool enabled() const { return enabled_; }
    // Starting counts the interval from now; stopping forgets the due time.
    void set_enabled(bool enabled);
    void start() { set_enabled(true); }
    void stop() { set_enabled(false); }
    Millis interval() const { return interval_; }
    // A running timer starts its interval again.
    void set_interval(Millis interval);

private:
    friend class Form;
    void fire_if_due(Millis now);

    Form* form_;
    Millis interval_;
    std::function<void()> on_timer_;
    bool enabled_ = false;
    Millis due_{0};
};

} // namespace tonvo::ui
