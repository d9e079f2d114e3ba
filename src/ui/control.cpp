#include "ui/control.h"

#include "ui/form.h"

#include <algorithm>

namespace tonvo::ui {

Control::Control(Control* parent) : parent_(parent) {
    if (parent_ != nullptr) {
        form_ = parent_->form_;
        parent_->children_.push_back(this);
    }
}

Control::Control(RootTag, Form& self) : form_(&self) {}

Control::~Control() {
    if (form_ != nullptr && form_ != this) {
        invalidate();
        form_->forget(*this, true);
    }
    for (Control* child : children_)
        child->parent_ = nullptr;
    if (parent_ != nullptr)
        parent_->detach_child(*this);
}

void Control::detach_child(Control& child) {
    children_.erase(std::remove(children_.begin(), children_.end(), &child), children_.end());
}

void Control::set_bounds(const Rect& r) {
    if (r == bounds_)
        return;
    invalidate();
    bounds_ = r;
    invalidate();
    resized();
}

Rect Control::form_rect() const {
    Rect r = bounds_;
    for (const Control* p = parent_; p != nullptr; p = p->parent_) {
        r = Rect::from_size(r.left + p->bounds_.left, r.top + p->bounds_.top, r.width(),
                            r.height());
    }
    return r;
}

bool Control::showing() const {
    for (const Control* c = this; c != nullptr; c = c->parent_)
        if (!c->visible_)
            return false;
    return true;
}

bool Control::usable() const {
    for (const Control* c = this; c != nullptr; c = c->parent_)
        if (!c->visible_ || !c->enabled_)
            return false;
    return true;
}

void Control::set_visible(bool v) {
    if (v == visible_)
        return;
    if (!v)
        invalidate();
    visible_ = v;
    if (v)
        invalidate();
    else if (form_ != nullptr && form_ != this)
        form_->forget(*this, false);
}

void Control::set_enabled(bool e) {
    if (e == enabled_)
        return;
    enabled_ = e;
    invalidate();
    if (!e && form_ != nullptr && form_ != this)
        form_->forget(*this, false);
}

void Control::invalidate() {
    if (form_ != nullptr && showing())
        form_->invalidate_rect(form_rect());
}

void Control::invalidate(const Rect& local) {
    if (form_ == nullptr || !showing())
        return;
    const Rect r = form_rect();
    const Rect part =
        Rect::from_size(r.left + local.left, r.top + local.top, local.width(), local.height());
    form_->invalidate_rect(part.intersect(r));
}

bool Control::focused() const {
    return form_ != nullptr && form_->focus() == this;
}

bool Control::set_focus() {
    return form_ != nullptr && form_->set_focus_to(this);
}

void Control::paint(Canvas&, const Rect&) {}
void Control::mouse_down(MouseButton, int, int, Modifiers) {}
void Control::mouse_move(int, int, Modifiers) {}
void Control::mouse_up(MouseButton, int, int, Modifiers) {}
bool Control::mouse_wheel(int, int, int, Modifiers) {
    return false;
}
bool Control::key_down(Key, Modifiers) {
    return false;
}
bool Control::key_char(char32_t) {
    return false;
}
void Control::focus_changed(bool) {
    invalidate();
}
void Control::click() {
    if (OnClick)
        OnClick(*this);
}

} // namespace tonvo::ui
