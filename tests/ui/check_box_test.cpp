// The check box through a headless form: what toggles it (a completed left click, Space while
// focused) and what does not, and how it looks.
#include "golden.h"
#include "ui/check_box.h"
#include "ui/headless/headless_desktop.h"
#include "ui/style.h"

#include <gtest/gtest.h>

namespace tonvo::ui {
namespace {

struct CheckBoxRig {
    HeadlessDesktop desktop;
    Form form{desktop, 120, 40};
    CheckBox box{&form};
    int clicks = 0;

    CheckBoxRig() {
        box.set_bounds(Rect::from_size(10, 6, 20, 28));
        box.OnClick = [this](Control&) { ++clicks; };
        form.paint_invalid();
    }
};

TEST(CheckBox, OnlyACompletedLeftClickToggles) {
    CheckBoxRig rig;
    click(rig.form, 15, 20);
    EXPECT_TRUE(rig.box.Checked());
    EXPECT_EQ(rig.clicks, 1);
    EXPECT_EQ(rig.form.focus(), &rig.box);
    click(rig.form, 15, 20);
    EXPECT_FALSE(rig.box.Checked());

    // Pressed, dragged off and released elsewhere: no change, and the held look ends.
    rig.form.deliver_mouse_down(MouseButton::left, 15, 20);
    EXPECT_TRUE(rig.box.pressed());
    rig.form.deliver_mouse_move(80, 20);
    EXPECT_FALSE(rig.box.pressed());
    rig.form.deliver_mouse_up(MouseButton::left, 80, 20);
    click(rig.form, 15, 20, MouseButton::right);
    EXPECT_FALSE(rig.box.Checked());
    EXPECT_EQ(rig.clicks, 2);

    // Set from code: no event. Disabled: the click goes nowhere.
    rig.box.SetChecked(true);
    rig.box.set_enabled(false);
    click(rig.form, 15, 20);
    EXPECT_TRUE(rig.box.Checked());
    EXPECT_EQ(rig.clicks, 2);
}

TEST(CheckBox, SpaceTogglesWhileFocused) {
    CheckBoxRig rig;
    press_key(rig.form, Key::space); // not focused yet
    EXPECT_FALSE(rig.box.Checked());
    ASSERT_TRUE(rig.box.set_focus());
    press_key(rig.form, Key::space);
    EXPECT_TRUE(rig.box.Checked());
    press_key(rig.form, Key::space, Modifiers{.ctrl = true});
    press_key(rig.form, Key::enter);
    EXPECT_TRUE(rig.box.Checked());
    press_key(rig.form, Key::space);
    EXPECT_FALSE(rig.box.Checked());
    EXPECT_EQ(rig.clicks, 2);
}

TEST(CheckBox, Looks) {
    set_active_style(*find_style("Carbon"));
    HeadlessDesktop desktop;
    Form form{desktop, 74, 28};
    form.set_color(Color::rgb(40, 60, 80));
    CheckBox plain{&form}, checked{&form}, focused{&form};
    int left = 2;
    for (CheckBox* b : {&plain, &checked, &focused}) {
        b->apply_style(active_style());
        b->set_bounds(Rect::from_size(left, 0, 20, 28));
        left += 24;
    }
    checked.SetChecked(true);
    focused.SetChecked(true);
    focused.set_focus();
    form.paint_invalid();
    expect_golden(form.buffer(), "check_box");
    set_active_style(system_style());
}

} // namespace
} // namespace tonvo::ui
