// `TQelSpTBXSpeedButton`: a flat button that never takes the keyboard focus, and
// `TQelMenuButton`, the speed button that shows the menu icon.
//
// A speed button with a `DropDownMenu` opens it on a left press, below its left edge (the
// scale wizard's choosers, the main menu's button).
//
// A speed button shows no face until the pointer is over it (hot), then a face while the left
// button is held on it (pressed; dragging off shows it raised again). It clicks on a left
// press and release on it, as every control does.
//
// `OnBeforeMouseDown` runs first on every press and may veto it by setting `Continue` to
// false: that press then does nothing (no pressed look) and the click it would end in is
// swallowed, once. Only that click: if the pointer is released elsewhere no click comes, and
// the next press that is let through arms the button again, so a later genuine click is never
// lost.
//
// Thread contract: user-interface thread only.
#pragma once

#include "ui/bitmap.h"
#include "ui/drop_down.h"
#include "ui/font.h"
#include "ui/form.h"
#include "ui/pressable.h"
#include "ui/style.h"

#include <functional>
#include <string>

namespace tonvo::ui {

class TQelSpTBXSpeedButton : public Pressable {
public:
    static constexpr int kDefaultSize = 22;

    // Placed at (0, 0) with the default size; the owner sets the real bounds.
    explicit TQelSpTBXSpeedButton(Control* parent);

    const std::string& caption() const { return caption_; }
    void set_caption(std::string caption);
    // The caption's font; regular 12 pixels until set.
    const Font& font() const { return font_; }
    void set_font(Font font);
    // A small arrow at the right, for buttons that open a menu.
    bool drop_down_arrow() const { return drop_down_arrow_; }
    void set_drop_down_arrow(bool arrow);

    // Free for the owner: a choice the button stands for.
    int Value = -1;

    // Opened on a left press; not owned. Without one the button only clicks.
    DropDown* DropDownMenu = nullptr;
    // The screen point the menu opens at: the button's bottom-left corner.
    Point drop_down_point() const;

    std::function<void(TQelSpTBXSpeedButton& Sender, MouseButton Button, Modifiers Shift, int X,
                       int Y, bool& Continue)>
        OnBeforeMouseDown;

    // Later styles replace earlier ones; the system look is the default.
    virtual void apply_style(const Style& style);
    const Style& style() const { return *style_; }

    // The pointer is over it (pressed() tells the held look).
    bool hot() const;

    void paint(Canvas& canvas, const Rect& area) override;
    void mouse_down(MouseButton button, int x, int y, Modifiers mods) override;
    void click() override;

protected:
    // The press was let through; `pressed()` is already true for a left press. Opens the
    // drop-down menu, if any.
    virtual void pressed_down(MouseButton button);
    // What is drawn on the face: the caption, centred, in `text`.
    virtual void paint_content(Canvas& canvas, const Rect& area, Color text);

private:
    const Style* style_;
    std::string caption_;
    Font font_;
    bool drop_down_arrow_ = false;
    bool swallow_click_ = false;
};

class TQelMenuButton : public TQelSpTBXSpeedButton {
public:
    static constexpr int kDefaultSize = 26;

    explicit TQelMenuButton(Control* parent);

    // Under a custom style the two glyphs are "menu16" with its black recoloured to the
    // style's button text and pressed button text; otherwise both are "menu16" as it is.
    void apply_style(const Style& style) override;
    // 0 normally, 1 while pressed.
    const Bitmap& glyph(int index) const { return glyphs_[index == 0 ? 0 : 1]; }

protected:
    void paint_content(Canvas& canvas, const Rect& area, Color text) override;

private:
    Bitmap glyphs_[2];
};

// `source` with every pixel of colour 0 (black, whatever its alpha) given colour `c`, its alpha
// kept.
Bitmap recolour_black(const Bitmap& source, Color c);

} // namespace tonvo::ui
