#include "ui/pressable.h"

#include "ui/form.h"

namespace tonvo::ui {

bool Pressable::pressed() const {
    return held_ && inside_ && form() != nullptr && form()->capture() == this && usable();
}

void Pressable::mouse_down(MouseButton button, int, int, Modifiers) {
    if (button != MouseButton::left)
        return;
    held_ = true;
    inside_ = true;
    invalidate();
}

void Pressable::mouse_move(int x, int y, Modifiers) {
    if (!held_)
        return;
    const bool inside = x >= 0 && y >= 0 && x < width() && y < height();
    if (inside != inside_) {
        inside_ = inside;
        invalidate();
    }
}

void Pressable::mouse_up(MouseButton button, int, int, Modifiers) {
    if (button == MouseButton::left && held_)
        release();
}

void Pressable::capture_lost() {
    release();
}

void Pressable::release() {
    held_ = false;
    inside_ = false;
    invalidate();
}

} // namespace tonvo::ui
