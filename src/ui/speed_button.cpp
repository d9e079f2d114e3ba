#include "ui/speed_button.h"

#include "ui/artwork.h"
#include "ui/text.h"

namespace tonvo::ui {
namespace {

constexpr int kFaceRadius = 3;
constexpr int kArrowRoom = 10; // taken from the right of the face for the drop-down arrow

// A small downward triangle, 5 pixels wide and 3 high, centred on (cx, cy).
void draw_arrow(Canvas& canvas, int cx, int cy, Color c) {
    for (int row = 0; row < 3; ++row)
        canvas.hline(cx - 2 + row, cx + 2 - row, cy - 1 + row, c);
}

} // namespace

TQelSpTBXSpeedButton::TQelSpTBXSpeedButton(Control* parent)
    : Pressable(parent), style_(&system_style()), font_(Typeface::regular, 12) {
    set_bounds(Rect::from_size(0, 0, kDefaultSize, kDefaultSize));
}

void TQelSpTBXSpeedButton::set_caption(std::string caption) {
    if (caption == caption_)
        return;
    caption_ = std::move(caption);
    invalidate();
}

void TQelSpTBXSpeedButton::set_font(Font font) {
    font_ = std::move(font);
    invalidate();
}

void TQelSpTBXSpeedButton::set_drop_down_arrow(bool arrow) {
    if (arrow == drop_down_arrow_)
        return;
    drop_down_arrow_ = arrow;
    invalidate();
}

void TQelSpTBXSpeedButton::apply_style(const Style& style) {
    style_ = &style;
    invalidate();
}

bool TQelSpTBXSpeedButton::hot() const {
    return form() != nullptr && form()->hover() == this && usable();
}

void TQelSpTBXSpeedButton::paint(Canvas& canvas, const Rect& area) {
    const Style& s = *style_;
    const bool down = pressed();
    if (down || hot()) {
        canvas.fill_round_rect(area, kFaceRadius, down ? s.button_face_pressed : s.button_face_hot);
        canvas.stroke_round_rect(area, kFaceRadius, 1, s.button_border);
    }
    const Color text = !usable() ? s.button_text_disabled
                       : down    ? s.button_text_pressed
                                 : s.button_text;
    Rect content = area;
    if (drop_down_arrow_ && area.width() > kArrowRoom) {
        content.right -= kArrowRoom;
        draw_arrow(canvas, content.right + kArrowRoom / 2, area.top + area.height() / 2, text);
    }
    paint_content(canvas, content, text);
}

void TQelSpTBXSpeedButton::paint_content(Canvas& canvas, const Rect& area, Color text) {
    if (caption_.empty())
        return;
    const int x = area.left + (area.width() - font_.text_width(caption_)) / 2;
    const int y = area.top + (area.height() - font_.height()) / 2;
    draw_text(canvas, font_, x, y, caption_, text);
}

void TQelSpTBXSpeedButton::mouse_down(MouseButton button, int x, int y, Modifiers mods) {
    if (OnBeforeMouseDown) {
        bool proceed = true;
        OnBeforeMouseDown(*this, button, mods, x, y, proceed);
        if (!proceed) {
            if (button == MouseButton::left)
                swallow_click_ = true;
            return;
        }
    }
    if (button == MouseButton::left)
        swallow_click_ = false;
    Pressable::mouse_down(button, x, y, mods);
    pressed_down(button);
}

void TQelSpTBXSpeedButton::click() {
    if (swallow_click_) {
        swallow_click_ = false;
        return;
    }
    Control::click();
}

// --- TQelMenuButton ---

Point TQelSpTBXSpeedButton::drop_down_point() const {
    const Rect r = form_rect();
    const Form* f = form();
    return f != nullptr ? Point{f->left() + r.left, f->top() + r.bottom} : Point{r.left, r.bottom};
}

// The menu opens while the button shows its pressed look. The popup takes the release (its
// own window or loop gets it), so when it has closed the button lets go of the mouse itself:
// otherwise the form would keep sending the next press to it.
void TQelSpTBXSpeedButton::pressed_down(MouseButton button) {
    if (button != MouseButton::left || DropDownMenu == nullptr)
        return;
    const Point at = drop_down_point();
    DropDownMenu->Popup(at.x, at.y);
    release();
    if (form() != nullptr && form()->capture() == this)
        form()->cancel_capture();
}

TQelMenuButton::TQelMenuButton(Control* parent) : TQelSpTBXSpeedButton(parent) {
    set_bounds(Rect::from_size(0, 0, kDefaultSize, kDefaultSize));
    glyphs_[0] = menu16_glyph();
    glyphs_[1] = menu16_glyph();
}

void TQelMenuButton::apply_style(const Style& style) {
    if (style.custom) {
        glyphs_[0] = recolour_black(menu16_glyph(), style.button_text);
        glyphs_[1] = recolour_black(menu16_glyph(), style.button_text_pressed);
    } else {
        glyphs_[0] = menu16_glyph();
        glyphs_[1] = menu16_glyph();
    }
    TQelSpTBXSpeedButton::apply_style(style);
}

void TQelMenuButton::paint_content(Canvas& canvas, const Rect& area, Color text) {
    const Bitmap& g = glyphs_[pressed() ? 1 : 0];
    const int x = area.left + (area.width() - g.width()) / 2;
    const int y = area.top + (area.height() - g.height()) / 2;
    if (!usable())
        canvas.draw_glyph(g, x, y, text);
    else
        canvas.draw_tile(Rect::from_size(x, y, g.width(), g.height()), g, x, y);
}

Bitmap recolour_black(const Bitmap& source, Color c) {
    Bitmap out = source;
    for (int y = 0; y < out.height(); ++y) {
        Color* row = out.row(y);
        for (int x = 0; x < out.width(); ++x)
            if (row[x].r == 0 && row[x].g == 0 && row[x].b == 0)
                row[x] = Color{c.b, c.g, c.r, row[x].a};
    }
    return out;
}

} // namespace tonvo::ui
