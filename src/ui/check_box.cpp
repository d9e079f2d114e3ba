#include "ui/check_box.h"

#include "ui/button.h"
#include "ui/form.h"

namespace tonvo::ui {
namespace {

constexpr int kDefaultSize = 20;
constexpr int kBoxLeft = 2; // room for the focus mark round the box

// The tick: a short stroke down to the bottom third and a long one up to the top right, each
// two pixels thick, inside a box of kBoxSize.
void draw_tick(Canvas& canvas, const Rect& box, Color c) {
    const int x = box.left;
    const int y = box.top;
    for (int t = 0; t < 2; ++t) {
        canvas.line(x + 3, y + 6 + t, x + 5, y + 8 + t, c);
        canvas.line(x + 5, y + 8 + t, x + 9, y + 4 + t, c);
    }
}

} // namespace

CheckBox::CheckBox(Control* parent) : Pressable(parent), style_(&system_style()) {
    set_bounds(Rect::from_size(0, 0, kDefaultSize, kDefaultSize));
}

void CheckBox::SetChecked(bool checked) {
    if (checked == checked_)
        return;
    checked_ = checked;
    invalidate();
}

void CheckBox::apply_style(const Style& style) {
    style_ = &style;
    invalidate();
}

Rect CheckBox::box() const {
    return Rect::from_size(kBoxLeft, (height() - kBoxSize) / 2, kBoxSize, kBoxSize);
}

void CheckBox::paint(Canvas& canvas, const Rect& area) {
    const Style& s = *style_;
    const bool enabled = usable();
    const bool hot = enabled && form() != nullptr && form()->hover() == this;
    const Rect local = box();
    const Rect b = Rect::from_size(area.left + local.left, area.top + local.top, local.width(),
                                   local.height());
    const Color face = pressed() ? s.button_face_pressed : hot ? s.button_face_hot : s.edit_face;
    canvas.fill_rect(b, face);
    canvas.stroke_rect(b, focused() ? s.edit_border_focused : s.edit_border);
    const Color mark = !enabled    ? s.button_text_disabled
                       : pressed() ? s.button_text_pressed
                                   : s.edit_text;
    if (checked_)
        draw_tick(canvas, b, mark);
    if (focused())
        draw_focus_rect(canvas, b.inset(-2).intersect(area), s.window_text);
}

bool CheckBox::key_down(Key key, Modifiers mods) {
    if (key != Key::space || mods.ctrl || mods.alt)
        return false;
    click();
    return true;
}

void CheckBox::click() {
    checked_ = !checked_;
    invalidate();
    Control::click();
}

} // namespace tonvo::ui
