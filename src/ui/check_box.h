// A check box: a small square that shows a tick when `Checked`, with no caption of its own (a
// label beside it names it).
//
// A left click on it (press and release both on it) or Space while it has the keyboard focus
// toggles the mark, then runs OnClick; SetChecked changes the mark without any event. The box
// is drawn in the active style: the edit field's face and border (the focused border while it
// has the focus), the tick in the edit text colour, and the hot face while the pointer is over
// it. It sits at the left of the control, centred vertically.
//
// Thread contract: user-interface thread only.
#pragma once

#include "ui/pressable.h"
#include "ui/style.h"

namespace tonvo::ui {

class CheckBox : public Pressable {
public:
    static constexpr int kBoxSize = 13;

    // Placed at (0, 0), 20 x 20, unchecked; the owner sets the real bounds.
    explicit CheckBox(Control* parent);

    bool Checked() const { return checked_; }
    // Repaints when the value changes; no event.
    void SetChecked(bool checked);

    void apply_style(const Style& style);
    const Style& style() const { return *style_; }

    // The square's rectangle in the control's own pixels.
    Rect box() const;

    bool can_focus() const override { return true; }
    void paint(Canvas& canvas, const Rect& area) override;
    bool key_down(Key key, Modifiers mods) override;
    void click() override;

private:
    const Style* style_;
    bool checked_ = false;
};

} // namespace tonvo::ui
