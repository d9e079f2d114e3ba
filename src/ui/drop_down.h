// What a menu button opens: a popup menu shown with its top-left at a screen point. The popup
// may run modally; when Popup returns the menu has closed.
#pragma once

namespace tonvo::ui {

class DropDown {
public:
    virtual ~DropDown() = default;
    virtual void Popup(int x, int y) = 0;
};

} // namespace tonvo::ui
