#include "ui/form.h"

#include "ui/timer.h"

#include <algorithm>
#include <cstdlib>

namespace tonvo::ui {
namespace {

void collect_focusable(Control& control, std::vector<Control*>& out) {
    for (Control* child : control.children()) {
        if (!child->visible() || !child->enabled())
            continue;
        if (child->can_focus())
            out.push_back(child);
        collect_focusable(*child, out);
    }
}

} // namespace

Form::Form(Desktop& desktop, int width, int height) : Control(RootTag{}, *this), desktop_(desktop) {
    painted_.reserve(Region::kMaxRects);
    set_client_size(width, height);
}

Form::~Form() {
    // Controls and timers normally go before the form (they are its members); any left over
    // must not reach back into it.
    for (Timer* timer : timers_)
        timer->form_ = nullptr;
    std::vector<Control*> todo(children().begin(), children().end());
    while (!todo.empty()) {
        Control* c = todo.back();
        todo.pop_back();
        c->form_ = nullptr;
        todo.insert(todo.end(), c->children_.begin(), c->children_.end());
    }
    for (Control* child : children())
        child->parent_ = nullptr;
}

void Form::set_client_size(int width, int height) {
    buffer_.resize(width, height, color_);
    set_bounds(Rect{0, 0, buffer_.width(), buffer_.height()});
    invalid_.clear();
    invalid_.add(buffer_.bounds());
}

void Form::set_color(Color c) {
    color_ = c;
    invalidate();
}

const std::vector<Rect>& Form::paint_invalid() {
    painted_.clear();
    // Painting may invalidate again; that waits for the next pass.
    const Region todo = invalid_;
    invalid_.clear();
    Canvas canvas(buffer_);
    for (const Rect& r : todo) {
        painted_.push_back(r);
        canvas.push_clip(r);
        paint_tree(*this, canvas, 0, 0);
        canvas.pop_clip();
    }
    return painted_;
}

void Form::paint_tree(Control& control, Canvas& canvas, int origin_x, int origin_y) {
    const Rect& b = control.bounds();
    const Rect area = Rect::from_size(origin_x + b.left, origin_y + b.top, b.width(), b.height());
    canvas.push_clip(area);
    if (!canvas.clip().empty()) {
        control.paint(canvas, area);
        for (Control* child : control.children())
            if (child->visible())
                paint_tree(*child, canvas, area.left, area.top);
    }
    canvas.pop_clip();
}

void Form::paint(Canvas& canvas, const Rect& area) {
    canvas.fill_rect(area, color_);
}

Control* Form::control_at(int x, int y) {
    Control* found = this;
    int local_x = x;
    int local_y = y;
    for (bool descended = true; descended;) {
        descended = false;
        const auto& kids = found->children();
        for (auto it = kids.rbegin(); it != kids.rend(); ++it) {
            Control* c = *it;
            if (c->visible() && c->enabled() && c->bounds().contains(local_x, local_y)) {
                local_x -= c->bounds().left;
                local_y -= c->bounds().top;
                found = c;
                descended = true;
                break;
            }
        }
    }
    return found;
}

namespace {
void to_local(const Control& c, int& x, int& y) {
    const Rect r = c.form_rect();
    x -= r.left;
    y -= r.top;
}
} // namespace

void Form::deliver_mouse_down(MouseButton button, int x, int y, Modifiers mods) {
    Control* target = capture_ != nullptr ? capture_ : control_at(x, y);
    if (capture_ == nullptr) {
        capture_ = target;
        pressed_left_ = false;
    }
    ++buttons_down_;
    if (button == MouseButton::left)
        pressed_left_ = true;
    if (target->can_focus())
        set_focus_to(target);
    if (capture_ != target) // focus handling removed it
        return;
    bool double_click = false;
    if (button == MouseButton::left) {
        const Millis now = desktop_.clock().now();
        double_click = first_press_ == target && now - first_press_time_ <= kDoubleClickTime &&
                       std::abs(x - first_press_x_) <= kDoubleClickDistance &&
                       std::abs(y - first_press_y_) <= kDoubleClickDistance;
        // A third press starts a new pair rather than making a second double click.
        first_press_ = double_click ? nullptr : target;
        first_press_time_ = now;
        first_press_x_ = x;
        first_press_y_ = y;
    }
    to_local(*target, x, y);
    target->mouse_down(button, x, y, mods);
    if (capture_ == target && target->OnMouseDown)
        target->OnMouseDown(*target, button, x, y);
    if (double_click && capture_ == target)
        target->double_click(x, y);
}

void Form::deliver_mouse_move(int x, int y, Modifiers mods) {
    Control* target = capture_;
    if (target == nullptr) {
        target = control_at(x, y);
        if (target != hover_) {
            if (hover_ != nullptr)
                hover_->mouse_leave();
            hover_ = target;
            target->mouse_enter();
            if (hover_ != target)
                return;
        }
    }
    to_local(*target, x, y);
    target->mouse_move(x, y, mods);
}

void Form::deliver_mouse_up(MouseButton button, int x, int y, Modifiers mods) {
    Control* target = capture_;
    if (target == nullptr)
        return; // no press of ours to end
    buttons_down_ = std::max(buttons_down_ - 1, 0);
    const bool was_click = button == MouseButton::left && pressed_left_;
    if (button == MouseButton::left)
        pressed_left_ = false;
    to_local(*target, x, y);
    target->mouse_up(button, x, y, mods);
    if (capture_ == target && target->OnMouseUp)
        target->OnMouseUp(*target, button, x, y);
    if (capture_ != target)
        return; // the control went away or was hidden
    if (buttons_down_ == 0)
        capture_ = nullptr;
    if (was_click && x >= 0 && y >= 0 && x < target->width() && y < target->height() &&
        target->usable())
        target->click();
}

void Form::deliver_mouse_leave() {
    if (hover_ != nullptr) {
        Control* old = hover_;
        hover_ = nullptr;
        old->mouse_leave();
    }
}

void Form::cancel_capture() {
    Control* old = capture_;
    capture_ = nullptr;
    buttons_down_ = 0;
    pressed_left_ = false;
    if (old != nullptr)
        old->capture_lost();
}

void Form::deliver_mouse_wheel(int delta, int x, int y, Modifiers mods) {
    Control* target = focus_ != nullptr ? focus_ : control_at(x, y);
    for (Control* c = target; c != nullptr; c = c->parent()) {
        int local_x = x;
        int local_y = y;
        to_local(*c, local_x, local_y);
        if (c->mouse_wheel(delta, local_x, local_y, mods))
            break;
    }
    mouse_wheel_done(x, y);
}

void Form::deliver_key_down(Key key, Modifiers mods) {
    for (Control* c = focus_ != nullptr ? focus_ : this; c != nullptr; c = c->parent())
        if (c->key_down(key, mods))
            return;
    if (key == Key::tab)
        focus_next(mods.shift);
}

void Form::deliver_key_char(char32_t ch) {
    for (Control* c = focus_ != nullptr ? focus_ : this; c != nullptr; c = c->parent())
        if (c->key_char(ch))
            return;
}

bool Form::set_focus_to(Control* control) {
    if (control == focus_)
        return true;
    if (control != nullptr &&
        (control->form() != this || !control->can_focus() || !control->usable()))
        return false;
    Control* old = focus_;
    focus_ = control;
    if (old != nullptr)
        old->focus_changed(false);
    if (focus_ == control && control != nullptr)
        control->focus_changed(true);
    return focus_ == control;
}

bool Form::focus_next(bool backwards) {
    std::vector<Control*> order;
    collect_focusable(*this, order);
    if (order.empty())
        return false;
    auto it = std::find(order.begin(), order.end(), focus_);
    size_t next = 0;
    if (it != order.end()) {
        const size_t at = static_cast<size_t>(it - order.begin());
        next = backwards ? (at + order.size() - 1) % order.size() : (at + 1) % order.size();
    } else if (backwards) {
        next = order.size() - 1;
    }
    return set_focus_to(order[next]);
}

void Form::forget(Control& control, bool dying) {
    // The control and everything below it lose focus, capture and hover.
    auto within = [&control](const Control* c) {
        for (; c != nullptr; c = c->parent())
            if (c == &control)
                return true;
        return false;
    };
    if (within(focus_)) {
        Control* old = focus_;
        focus_ = nullptr;
        if (!dying)
            old->focus_changed(false);
    }
    if (within(capture_)) {
        if (dying) { // its own part is already destroyed: nothing to tell it
            capture_ = nullptr;
            buttons_down_ = 0;
            pressed_left_ = false;
        } else {
            cancel_capture();
        }
    }
    if (within(hover_))
        hover_ = nullptr;
    if (within(first_press_))
        first_press_ = nullptr;
}

void Form::idle() {
    const Millis now = desktop_.clock().now();
    for (size_t i = 0; i < timers_.size(); ++i)
        timers_[i]->fire_if_due(now);
}

Cursor Form::current_cursor() const {
    const Control* c = capture_ != nullptr ? capture_ : hover_;
    return c != nullptr ? c->cursor() : cursor();
}

ModalResult Form::show_modal(Form* owner) {
    modal_result_ = ModalResult::none;
    return desktop_.run_modal(*this, owner);
}

Point centred_over(const Rect& owner, int width, int height) {
    return Point{owner.left + (owner.width() - width) / 2,
                 owner.top + (owner.height() - height) / 2};
}

Point moved_onto(const Rect& area, Point at, int width, int height) {
    const auto onto = [](int start, int size, int lo, int hi) {
        if (int64_t{start} + size > hi)
            start = static_cast<int>(std::max<int64_t>(int64_t{hi} - size, lo));
        return std::max(start, lo);
    };
    return Point{onto(at.x, width, area.left, area.right),
                 onto(at.y, height, area.top, area.bottom)};
}

} // namespace tonvo::ui
