// A speed button that shows its caption with a small arrow and opens a drop-down menu on a left
// press, below its left edge: a chooser whose caption names the current choice.
//
// Thread contract: user-interface thread only.
#pragma once

#include "ui/drop_down.h"
#include "ui/speed_button.h"

namespace tonvo::ui {

class DropDownSpeedButton : public TQelSpTBXSpeedButton {
public:
    // With the drop-down arrow on.
    explicit DropDownSpeedButton(Control* parent);

    // Opened on a left press; not owned. Without one the button is a plain speed button.
    DropDown* DropDownMenu = nullptr;

    // The screen point the menu opens at: the button's bottom-left corner.
    Point drop_down_point() const;

protected:
    void pressed_down(MouseButton button) override;
};

} // namespace tonvo::ui
