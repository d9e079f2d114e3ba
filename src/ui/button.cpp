#include "ui/button.h"

#include "ui/form.h"
#include "ui/text.h"

namespace tonvo::ui {
namespace {

constexpr int kFaceRadius = 3;
constexpr int kFocusInset = 3;

Button* find_dialog_button(Control& root, bool want_default) {
    for (Control* child : root.children()) {
        if (!child->visible() || !child->enabled())
            continue;
        if (auto* b = dynamic_cast<Button*>(child)) {
            if (want_default ? b->is_default() : b->is_cancel())
                return b;
        }
        if (Button* found = find_dialog_button(*child, want_default))
            return found;
    }
    return nullptr;
}

} // namespace

Button::Button(Control* parent)
    : Pressable(parent), font_(Typeface::regular, 12), style_(&system_style()) {
    set_bounds(Rect::from_size(0, 0, kDefaultWidth, kDefaultHeight));
}

void Button::set_caption(std::string caption) {
    if (caption == caption_)
        return;
    caption_ = std::move(caption);
    invalidate();
}

void Button::set_font(Font font) {
    font_ = std::move(font);
    invalidate();
}

void Button::set_default(bool on) {
    if (on == default_)
        return;
    default_ = on;
    invalidate();
}

void Button::apply_style(const Style& style) {
    style_ = &style;
    invalidate();
}

void Button::paint(Canvas& canvas, const Rect& area) {
    const Style& s = *style_;
    const bool enabled = usable();
    const bool down = pressed();
    const bool hot = enabled && form() != nullptr && form()->hover() == this;
    const Color face = down ? s.button_face_pressed : hot ? s.button_face_hot : s.button_face;
    canvas.fill_round_rect(area, kFaceRadius, face);
    // The default button, and the focused one, wear the accent on their border.
    const bool marked = enabled && (default_ || focused());
    canvas.stroke_round_rect(area, kFaceRadius, marked ? 2 : 1,
                             marked ? s.edit_border_focused : s.button_border);
    const Color text = !enabled ? s.button_text_disabled
                       : down   ? s.button_text_pressed
                                : s.button_text;
    const int x = area.left + (area.width() - font_.text_width(caption_)) / 2;
    const int y = area.top + (area.height() - font_.height()) / 2;
    draw_text(canvas, font_, x, y, caption_, text);
    if (focused())
        draw_focus_rect(canvas, area.inset(kFocusInset), text);
}

bool Button::key_down(Key key, Modifiers mods) {
    if ((key == Key::space || key == Key::enter) && !mods.ctrl && !mods.alt) {
        click();
        return true;
    }
    return false;
}

void Button::click() {
    if (modal_result_ != ModalResult::none && form() != nullptr)
        form()->set_modal_result(modal_result_);
    Control::click();
}

bool press_dialog_button(Control& root, Key key) {
    if (key != Key::enter && key != Key::escape)
        return false;
    Button* b = find_dialog_button(root, key == Key::enter);
    if (b == nullptr)
        return false;
    b->click();
    return true;
}

void draw_focus_rect(Canvas& canvas, const Rect& r, Color c) {
    if (r.empty())
        return;
    // Dots on even steps round the edge; the corners share the pattern of both sides.
    for (int x = r.left; x < r.right; x += 2) {
        canvas.fill_rect(Rect::from_size(x, r.top, 1, 1), c);
        canvas.fill_rect(Rect::from_size(x, r.bottom - 1, 1, 1), c);
    }
    for (int y = r.top; y < r.bottom; y += 2) {
        canvas.fill_rect(Rect::from_size(r.left, y, 1, 1), c);
        canvas.fill_rect(Rect::from_size(r.right - 1, y, 1, 1), c);
    }
}

} // namespace tonvo::ui
