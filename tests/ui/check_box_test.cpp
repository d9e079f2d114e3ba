// The check box through a headless form: what toggles it (a completed left click, Space while
// focused) and what does not. Its look is in the scale wizard's panel image.
#include "ui/check_box.h"
#include "ui/headless/headless_desktop.h"

#include <gtest/gtest.h>

namespace tonvo::ui {
namespace {

TEST(CheckBox, ClicksAndSpaceToggle) {
    HeadlessDesktop desktop;
    Form form{desktop, 120, 40};
    CheckBox box{&form};
    box.set_bounds(Rect::from_size(10, 6, 20, 28));
    int clicks = 0;
    box.OnClick = [&](Control&) { ++clicks; };

    press_key(form, Key::space); // not focused yet
    click(form, 15, 20);
    EXPECT_TRUE(box.Checked());
    EXPECT_EQ(form.focus(), &box);
    press_key(form, Key::space);
    EXPECT_FALSE(box.Checked());
    press_key(form, Key::space, Modifiers{.ctrl = true});
    press_key(form, Key::enter);
    EXPECT_FALSE(box.Checked());
    EXPECT_EQ(clicks, 2);

    // Pressed, dragged off and released elsewhere: no change, and the held look ends. Nor
    // does the right button, code, or a click on a disabled box raise anything.
    form.deliver_mouse_down(MouseButton::left, 15, 20);
    EXPECT_TRUE(box.pressed());
    form.deliver_mouse_move(80, 20);
    EXPECT_FALSE(box.pressed());
    form.deliver_mouse_up(MouseButton::left, 80, 20);
    click(form, 15, 20, MouseButton::right);
    EXPECT_FALSE(box.Checked());
    box.SetChecked(true);
    box.set_enabled(false);
    click(form, 15, 20);
    EXPECT_TRUE(box.Checked());
    EXPECT_EQ(clicks, 2);
}

} // namespace
} // namespace tonvo::ui
