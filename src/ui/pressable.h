// A control that looks pressed while the left button holds it with the pointer on it: the
// press tracking the push button and the check box share. The form turns a press and release
// on the control into click(); this only keeps what the face shows.
//
// Thread contract: user-interface thread only.
#pragma once

#include "ui/control.h"

namespace tonvo::ui {

class Pressable : public Control {
public:
    using Control::Control;

    // Held with the left button and the pointer on it. Read from the form as well, so a press
    // the form ended (the control was hidden or disabled, the window lost the mouse) never
    // leaves it looking held.
    bool pressed() const;

    void mouse_down(MouseButton button, int x, int y, Modifiers mods) override;
    void mouse_move(int x, int y, Modifiers mods) override;
    void mouse_up(MouseButton button, int x, int y, Modifiers mods) override;
    void mouse_enter() override { invalidate(); }
    void mouse_leave() override { invalidate(); }
    void capture_lost() override;

protected:
    // Ends the pressed look, as when the button is released.
    void release();

private:
    bool held_ = false;
    bool inside_ = false;
};

} // namespace tonvo::ui
