#include "ui/timer.h"

#include "ui/form.h"

#include <algorithm>

namespace tonvo::ui {

Timer::Timer(Form& form, Millis interval, std::function<void()> on_timer)
    : form_(&form), interval_(interval), on_timer_(std::move(on_timer)) {
    form_->timers_.push_back(this);
}

Timer::~Timer() {
    if (form_ != nullptr) {
        auto& timers = form_->timers_;
        timers.erase(std::remove(timers.begin(), timers.end(), this), timers.end());
    }
}

void Timer::set_enabled(bool enabled) {
    enabled_ = enabled;
    if (enabled_ && form_ != nullptr)
        due_ = form_->desktop().clock().now() + interval_;
}

void Timer::set_interval(Millis interval) {
    interval_ = interval;
    if (enabled_)
        set_enabled(true);
}

void Timer::fire_if_due(Millis now) {
    // An interval of zero or less never fires, as a stopped timer.
    if (!enabled_ || interval_ <= Millis{0} || now < due_)
        return;
    due_ = now + interval_;
    if (on_timer_)
        on_timer_();
}

} // namespace tonvo::ui
