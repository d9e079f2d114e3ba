// The control tree under a form: where input goes, focus, painting only what is invalid,
// timers on the form's clock, and the headless desktop's modal scripts.
#include "ui/form.h"
#include "ui/headless/headless_desktop.h"
#include "ui/timer.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace tonvo::ui {
namespace {

// Writes every event it gets into a shared log, as "name:event x,y".
class Probe : public Control {
public:
    Probe(Control* parent, std::string name, Rect bounds, std::vector<std::string>& log,
          bool focusable = false)
        : Control(parent), name_(std::move(name)), log_(log), focusable_(focusable) {
        set_bounds(bounds);
        OnClick = [this](Control&) { note("click"); };
    }
    bool can_focus() const override { return focusable_; }
    void mouse_down(MouseButton, int x, int y, Modifiers) override { note("down", x, y); }
    void mouse_move(int x, int y, Modifiers) override { note("move", x, y); }
    void mouse_up(MouseButton, int x, int y, Modifiers) override { note("up", x, y); }
    void mouse_enter() override { note("enter"); }
    void mouse_leave() override { note("leave"); }
    bool key_char(char32_t ch) override {
        note(std::string("char ") + static_cast<char>(ch));
        return ch != 'p'; // 'p' goes on to the parent
    }
    void focus_changed(bool has) override { note(has ? "focus" : "blur"); }
    void double_click(int x, int y) override {
        if (log_doubles)
            note("double", x, y);
    }
    bool mouse_wheel(int delta, int x, int y, Modifiers) override {
        note("wheel " + std::to_string(delta), x, y);
        return takes_wheel;
    }
    void paint(Canvas& canvas, const Rect& area) override { canvas.fill_rect(area, colour); }

    Color colour = Color::rgb(200, 0, 0);
    bool log_doubles = false;
    bool takes_wheel = false;

private:
    void note(const std::string& what) { log_.push_back(name_ + ":" + what); }
    void note(const std::string& what, int x, int y) {
        note(what + " " + std::to_string(x) + "," + std::to_string(y));
    }
    std::string name_;
    std::vector<std::string>& log_;
    bool focusable_;
};

using Log = std::vector<std::string>;

struct FormFixture : ::testing::Test {
    HeadlessDesktop desktop;
    Form form{desktop, 200, 100};
    Log log;
    // panel (10,10)-(110,60) holding a (5,5)-(45,25) and b (50,5)-(90,25), both focusable.
    Probe panel{&form, "panel", Rect{10, 10, 110, 60}, log};
    Probe a{&panel, "a", Rect{5, 5, 45, 25}, log, true};
    Probe b{&panel, "b", Rect{50, 5, 90, 25}, log, true};
};

TEST_F(FormFixture, InputGoesToTheDeepestUsableControlInItsOwnPixels) {
    EXPECT_EQ(form.control_at(16, 16), &a);
    EXPECT_EQ(form.control_at(12, 12), &panel);
    EXPECT_EQ(form.control_at(150, 90), &form);

    // A press captures: the move and the release outside still reach a, in a's pixels, and a
    // release outside is no click.
    form.deliver_mouse_down(MouseButton::left, 16, 16);
    form.deliver_mouse_move(150, 90);
    form.deliver_mouse_up(MouseButton::left, 150, 90);
    EXPECT_EQ(log, (Log{"a:focus", "a:down 1,1", "a:move 135,75", "a:up 135,75"}));
    EXPECT_EQ(form.capture(), nullptr);

    log.clear();
    click(form, 17, 18);
    EXPECT_EQ(log, (Log{"a:enter", "a:move 2,3", "a:down 2,3", "a:up 2,3", "a:click"}));

    // Disabled or hidden, b passes the mouse to its parent.
    log.clear();
    b.set_enabled(false);
    click(form, 70, 20);
    b.set_enabled(true);
    b.set_visible(false);
    click(form, 70, 20);
    EXPECT_EQ(log, (Log{"a:leave", "panel:enter", "panel:move 60,10", "panel:down 60,10",
                        "panel:up 60,10", "panel:click", "panel:move 60,10", "panel:down 60,10",
                        "panel:up 60,10", "panel:click"}));
}

TEST_F(FormFixture, OnlyALeftPressAndReleaseOnTheSameControlClick) {
    click(form, 16, 16, MouseButton::right);
    form.deliver_mouse_down(MouseButton::left, 16, 16);
    form.deliver_mouse_down(MouseButton::right, 70, 20); // second button: still a's capture
    form.deliver_mouse_up(MouseButton::right, 70, 20);
    EXPECT_EQ(form.capture(), &a);
    form.deliver_mouse_up(MouseButton::left, 17, 17);
    EXPECT_EQ(std::count(log.begin(), log.end(), "a:click"), 1);
    EXPECT_EQ(std::count(log.begin(), log.end(), "b:down 20,15"), 0);
}

TEST_F(FormFixture, FocusMovesWithTabAndKeysBubbleToTheParent) {
    EXPECT_FALSE(panel.set_focus()); // not focusable
    EXPECT_TRUE(a.set_focus());
    press_key(form, Key::tab);
    EXPECT_EQ(form.focus(), &b);
    press_key(form, Key::tab, Modifiers{.shift = true});
    EXPECT_EQ(form.focus(), &a);
    type(form, "xp");
    EXPECT_EQ(log, (Log{"a:focus", "a:blur", "b:focus", "b:blur", "a:focus", "a:char x", "a:char p",
                        "panel:char p"}));

    // Hiding the focused control's parent takes the focus away with an event; the hidden
    // control cannot take it back.
    log.clear();
    panel.set_visible(false);
    EXPECT_EQ(form.focus(), nullptr);
    EXPECT_FALSE(a.set_focus());
    EXPECT_EQ(log, (Log{"a:blur"}));
}

TEST_F(FormFixture, TheWheelGoesToTheFocusedControlThenUpToItsParents) {
    panel.takes_wheel = true;
    form.deliver_mouse_wheel(120, 16, 16); // nothing focused: the control under the pointer
    a.set_focus();
    log.clear();
    form.deliver_mouse_wheel(-120, 70, 20); // over b, but a has the focus
    EXPECT_EQ(log, (Log{"a:wheel -120 55,5", "panel:wheel -120 60,10"}));
}

TEST_F(FormFixture, AControlThatGoesAwayLeavesNothingPointingAtIt) {
    auto extra = std::make_unique<Probe>(&form, "extra", Rect{150, 10, 190, 50}, log, true);
    form.deliver_mouse_move(160, 20);
    form.deliver_mouse_down(MouseButton::left, 160, 20);
    ASSERT_EQ(form.capture(), extra.get());
    ASSERT_EQ(form.focus(), extra.get());
    ASSERT_EQ(form.hover(), extra.get());
    extra.reset();
    EXPECT_EQ(form.capture(), nullptr);
    EXPECT_EQ(form.focus(), nullptr);
    EXPECT_EQ(form.hover(), nullptr);
    EXPECT_EQ(form.children().size(), 1u);
    // The rest of the gesture lands nowhere and does not crash.
    form.deliver_mouse_move(161, 21);
    form.deliver_mouse_up(MouseButton::left, 161, 21);
}

TEST_F(FormFixture, PaintingCoversTheInvalidAreasOnly) {
    form.paint_invalid();
    EXPECT_TRUE(form.invalid_region().empty());
    EXPECT_EQ(form.buffer().at(16, 16), a.colour);

    // A change of colour without invalidating is not seen; invalidating b repaints b alone.
    a.colour = b.colour = Color::rgb(0, 0, 200);
    b.invalidate();
    ASSERT_EQ(form.invalid_region().size(), 1u);
    EXPECT_EQ(form.invalid_region()[0], (Rect{60, 15, 100, 35}));
    const std::vector<Rect> painted = form.paint_invalid();
    EXPECT_EQ(painted, (std::vector<Rect>{Rect{60, 15, 100, 35}}));
    EXPECT_EQ(form.buffer().at(16, 16), Color::rgb(200, 0, 0));
    EXPECT_EQ(form.buffer().at(60, 15), Color::rgb(0, 0, 200));

    // A part of a control, clipped to it.
    a.invalidate(Rect{30, 10, 100, 100});
    EXPECT_EQ(form.invalid_region()[0], (Rect{45, 25, 55, 35}));
}

TEST(Region, KeepsNoCoveredRectanglesAndCollapsesWhenFull) {
    Region region;
    region.add(Rect{0, 0, 10, 10});
    region.add(Rect{2, 2, 5, 5}); // inside: nothing new
    region.add(Rect{});
    EXPECT_EQ(region.size(), 1u);
    region.add(Rect{-5, -5, 20, 20}); // covers the first
    EXPECT_EQ(region.size(), 1u);
    EXPECT_EQ(region[0], (Rect{-5, -5, 20, 20}));
    for (int i = 0; i < 8; ++i)
        region.add(Rect::from_size(100 + 20 * i, 0, 10, 10));
    EXPECT_EQ(region.size(), 1u);
    EXPECT_EQ(region[0], (Rect{-5, -5, 250, 20}));
}

TEST(Timer, FiresOnTheFormsClockOncePerDueInterval) {
    HeadlessDesktop desktop;
    Form form(desktop, 10, 10);
    int ticks = 0;
    Timer timer(form, Millis{50}, [&] { ++ticks; });
    desktop.advance(form, Millis{200});
    EXPECT_EQ(ticks, 0); // not started

    timer.start();
    desktop.advance(form, Millis{49}, Millis{1});
    EXPECT_EQ(ticks, 0);
    desktop.advance(form, Millis{1});
    EXPECT_EQ(ticks, 1);
    // A late idle call fires once, not once per missed interval.
    desktop.manual_clock().advance(Millis{500});
    form.idle();
    form.idle();
    EXPECT_EQ(ticks, 2);

    // A new interval counts from now; a stopped or zero-interval timer never fires.
    desktop.advance(form, Millis{30});
    timer.set_interval(Millis{100});
    desktop.advance(form, Millis{90});
    EXPECT_EQ(ticks, 2);
    desktop.advance(form, Millis{10});
    EXPECT_EQ(ticks, 3);
    timer.set_interval(Millis{0});
    desktop.advance(form, Millis{300});
    timer.set_interval(Millis{10});
    timer.stop();
    desktop.advance(form, Millis{300});
    EXPECT_EQ(ticks, 3);
}

TEST(DoubleClick, ASecondLeftPressSoonAndCloseOnTheSameControl) {
    HeadlessDesktop desktop;
    Form form(desktop, 200, 100);
    std::vector<std::string> log;
    Probe a(&form, "a", Rect{0, 0, 100, 100}, log);
    Probe b(&form, "b", Rect{100, 0, 200, 100}, log);
    a.log_doubles = b.log_doubles = true;
    auto doubles = [&] { return std::count(log.begin(), log.end(), "a:double 14,10"); };
    auto press = [&](int x, int y, Millis after, MouseButton button = MouseButton::left) {
        desktop.manual_clock().advance(after);
        form.deliver_mouse_down(button, x, y);
        form.deliver_mouse_up(button, x, y);
    };

    press(10, 10, Millis{0});
    press(14, 10, Millis{500}); // at the limits of time and distance
    ASSERT_EQ(doubles(), 1);
    EXPECT_EQ(log[log.size() - 4], "a:down 14,10"); // the press itself comes first
    press(14, 10, Millis{10});                      // a third press starts a new pair
    EXPECT_EQ(doubles(), 1);
    press(14, 10, Millis{10});
    EXPECT_EQ(doubles(), 2);

    log.clear();
    press(10, 10, Millis{1000});
    press(10, 10, Millis{501});                     // too late
    press(10, 15, Millis{100});                     // too far
    press(10, 15, Millis{100}, MouseButton::right); // right presses neither count nor break it
    press(98, 15, Millis{10});                      // far again
    press(102, 15, Millis{10});                     // close, but on another control
    for (const std::string& entry : log)
        EXPECT_EQ(entry.find("double"), std::string::npos) << entry;
}

TEST(Modal, ScriptsAnswerModalFormsAndAnUnansweredOneIsCancelled) {
    HeadlessDesktop desktop;
    Form owner(desktop, 300, 200);
    Form dialog(desktop, 100, 50);
    dialog.set_caption("Question");
    desktop.expect_modal([](Form& f) { f.set_modal_result(ModalResult::yes); });
    desktop.expect_modal([](Form&) {});
    EXPECT_EQ(dialog.show_modal(&owner), ModalResult::yes);
    EXPECT_EQ(dialog.show_modal(&owner), ModalResult::cancel);
    EXPECT_EQ(dialog.show_modal(nullptr), ModalResult::cancel);
    EXPECT_EQ(desktop.unanswered(), 2);
    EXPECT_EQ(desktop.shown(), (std::vector<std::string>{"Question", "Question", "Question"}));
}

TEST(Placement, CentresOverTheOwnerRoundingTowardZero) {
    EXPECT_EQ(centred_over(Rect{100, 50, 400, 251}, 100, 50), (Point{200, 125}));
    // A dialog wider than its owner: (100 - 301) / 2 = -100, not -101.
    EXPECT_EQ(centred_over(Rect{0, 0, 100, 100}, 301, 100), (Point{-100, 0}));
}

} // namespace
} // namespace tonvo::ui
