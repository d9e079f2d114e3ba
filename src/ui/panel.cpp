#include "ui/panel.h"

#include "ui/form.h"

#include <algorithm>

namespace tonvo::ui {

TQelGuiPanel::TQelGuiPanel(Control* parent) : Control(parent) {}

template <typename T>
void TQelGuiPanel::change(T& field, T value) {
    if (field == value)
        return;
    field = value;
    invalidate();
}

void TQelGuiPanel::SetAlpha(int alpha) {
    change(alpha_, std::clamp(alpha, 0, 255));
}
void TQelGuiPanel::SetBorderColor(Color c) {
    change(border_color_, c);
}
void TQelGuiPanel::SetBorderRadius(int radius) {
    change(border_radius_, std::max(radius, 0));
}
void TQelGuiPanel::SetBorderVisible(bool visible) {
    change(border_visible_, visible);
}
void TQelGuiPanel::SetBorderWidth(int width) {
    change(border_width_, std::max(width, 0));
}
void TQelGuiPanel::SetPanelColor(Color c) {
    change(panel_color_, c);
}
void TQelGuiPanel::SetTransparent(bool transparent) {
    change(transparent_, transparent);
}

void TQelGuiPanel::apply_style(const Style& style) {
    if (!style.custom || !use_styles_)
        return;
    const bool light = style.name == "Light";
    if (panel_group_color_)
        SetPanelColor(light ? style.window : style.panel_group);
    else
        SetPanelColor(style.panel);
    SetBorderColor(light ? style.border : style.hint_base);
}

bool TQelGuiPanel::parent_background(Color& out) const {
    for (const Control* p = parent(); p != nullptr; p = p->parent()) {
        if (const auto* panel = dynamic_cast<const TQelGuiPanel*>(p)) {
            out = panel->PanelColor();
            return true;
        }
        if (const auto* f = dynamic_cast<const Form*>(p)) {
            out = f->color();
            return true;
        }
    }
    return false;
}

// The body and the ring are drawn as two shapes that share their edge (the ring is the outer
// shape less the inset one), so no pixel is covered twice and a translucent border is not
// tinted by the body beneath it.
void TQelGuiPanel::paint(Canvas& canvas, const Rect& area) {
    Color behind;
    if (!transparent_ && parent_background(behind))
        canvas.fill_rect(area, Color{behind.b, behind.g, behind.r, 255});
    const auto alpha = static_cast<uint8_t>(alpha_);
    if (border_visible_ && border_width_ > 0) {
        const Rect inner = area.inset(border_width_);
        if (!inner.empty())
            canvas.fill_round_rect(inner, std::max(border_radius_ - border_width_, 0), panel_color_,
                                   alpha);
        canvas.stroke_round_rect(area, border_radius_, border_width_, border_color_, alpha);
    } else {
        canvas.fill_round_rect(area, border_radius_, panel_color_, alpha);
    }
}

} // namespace tonvo::ui
