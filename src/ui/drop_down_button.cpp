#include "ui/drop_down_button.h"

namespace tonvo::ui {

DropDownSpeedButton::DropDownSpeedButton(Control* parent) : TQelSpTBXSpeedButton(parent) {
    set_drop_down_arrow(true);
}

Point DropDownSpeedButton::drop_down_point() const {
    const Rect r = form_rect();
    const Form* f = form();
    return f != nullptr ? Point{f->left() + r.left, f->top() + r.bottom} : Point{r.left, r.bottom};
}

// The menu takes the release (its own window or loop gets it), so when it has closed the
// button lets go of the mouse itself; otherwise the form would keep sending presses to it.
void DropDownSpeedButton::pressed_down(MouseButton button) {
    if (button != MouseButton::left || DropDownMenu == nullptr)
        return;
    const Point at = drop_down_point();
    DropDownMenu->Popup(at.x, at.y);
    release();
    if (form() != nullptr && form()->capture() == this)
        form()->cancel_capture();
}

} // namespace tonvo::ui
