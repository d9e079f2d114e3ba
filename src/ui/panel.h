// `TQelGuiPanel`: a rounded, optionally translucent panel that other controls sit on.
//
// The body is a rounded rectangle of `PanelColor` with corners of `BorderRadius`, framed by a
// ring `BorderWidth` pixels wide in `BorderColor` when `BorderVisible`; both are drawn with the
// overall opacity `Alpha`. A `Transparent` panel paints nothing outside its rounded shape, so
// whatever lies behind it (the form's background picture) shows in the corners and, with an
// `Alpha` below 255, through the body. An opaque one first fills its rectangle with its
// parent's colour.
//
// Styling: `apply_style` is called once by the form after it has built its controls. Under a
// custom style, a panel with `UseStyles` takes the style's panel colour (its panel-group
// colour when `PanelGroupColor`; the window colour in "Light") and the style's hint-base
// colour as its border (the border colour in "Light").
//
// Thread contract: user-interface thread only.
#pragma once

#include "ui/control.h"
#include "ui/style.h"

namespace tonvo::ui {

class TQelGuiPanel : public Control {
public:
    explicit TQelGuiPanel(Control* parent);

    // Every setter repaints the panel when the value changes.
    int Alpha() const { return alpha_; }
    void SetAlpha(int alpha); // held to 0..255
    Color BorderColor() const { return border_color_; }
    void SetBorderColor(Color c);
    int BorderRadius() const { return border_radius_; }
    void SetBorderRadius(int radius); // negative counts as 0
    bool BorderVisible() const { return border_visible_; }
    void SetBorderVisible(bool visible);
    int BorderWidth() const { return border_width_; }
    void SetBorderWidth(int width); // negative counts as 0
    Color PanelColor() const { return panel_color_; }
    void SetPanelColor(Color c);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);
    // Only read by apply_style: which style colour the panel takes.
    bool PanelGroupColor() const { return panel_group_color_; }
    void SetPanelGroupColor(bool group) { panel_group_color_ = group; }
    bool UseStyles() const { return use_styles_; }
    void SetUseStyles(bool use) { use_styles_ = use; }

    void apply_style(const Style& style);

    void paint(Canvas& canvas, const Rect& area) override;

private:
    // The colour an opaque panel fills its rectangle with: the nearest enclosing panel's or
    // form's colour.
    bool parent_background(Color& out) const;
    template <typename T>
    void change(T& field, T value);

    int alpha_ = 255;
    Color border_color_ = Color::rgb(255, 255, 255);
    int border_radius_ = 10;
    bool border_visible_ = true;
    int border_width_ = 1;
    Color panel_color_ = Color::rgb(255, 255, 255);
    bool transparent_ = true;
    bool panel_group_color_ = false;
    bool use_styles_ = true;
};

} // namespace tonvo::ui
