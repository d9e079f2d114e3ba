// The keyboard control in a headless form, placed away from the form's corner so that a mix-up
// of control and form pixels shows: key areas, hit tests, the events of presses and glides, the
// redraw timer, and the drawn pixels.
#include "ui/headless/headless_desktop.h"
#include "ui/midi_keys.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tonvo::ui {
namespace {

using K = TGuiSingleKey;

// The editor's keyboard: one octave from note 0 at 431 x 184, at (10, 20) in its form. Events
// are logged as short words, "on 0", "off 0", ...
struct Keyboard : ::testing::Test {
    static constexpr int kX = 10;
    static constexpr int kY = 20;
    HeadlessDesktop desktop;
    Form form{desktop, 460, 220};
    TQelGuiMidiKeys keys{&form};
    std::vector<std::string> log;

    Keyboard() {
        keys.set_bounds(Rect::from_size(kX, kY, 431, 184));
        keys.SetBaseOctave(0);
        keys.SetNumOctaves(1);
        keys.OnNoteOn = [this](TQelGuiMidiKeys&, int k, float velocity) {
            EXPECT_EQ(velocity, 1.0f);
            log.push_back("on " + std::to_string(k));
        };
        keys.OnNoteOff = [this](TQelGuiMidiKeys&, int k) {
            log.push_back("off " + std::to_string(k));
        };
        form.paint_invalid();
    }
    void down(int x, int y, MouseButton b = MouseButton::left) {
        form.deliver_mouse_down(b, kX + x, kY + y);
    }
    void move(int x, int y) { form.deliver_mouse_move(kX + x, kY + y); }
    void up(int x, int y, MouseButton b = MouseButton::left) {
        form.deliver_mouse_up(b, kX + x, kY + y);
    }
    // The events since the last call, comma-separated.
    std::string events() {
        std::string all;
        for (const std::string& e : log)
            all += (all.empty() ? "" : ", ") + e;
        log.clear();
        return all;
    }
    bool pressed(int k) const { return keys.Keys()[k].has(K::Pressed); }
    Color at(int x, int y) const { return form.buffer().at(kX + x, kY + y); }
};

TEST_F(Keyboard, OneOctaveAreasAreExact) {
    struct Area {
        int key, left, right, bottom;
    };
    const Area expected[] = {
        {0, 1, 60, 183},    {2, 62, 122, 183},  {4, 124, 183, 183},  {5, 185, 245, 183},
        {7, 247, 306, 183}, {9, 308, 368, 183}, {11, 370, 429, 183}, {1, 36, 72, 116},
        {3, 110, 146, 116}, {6, 221, 257, 116}, {8, 288, 324, 116},  {10, 356, 392, 116},
    };
    for (const Area& a : expected) {
        const K& key = keys.Keys()[a.key];
        EXPECT_EQ(key.KeyNr, a.key);
        EXPECT_TRUE(key.has(K::Visible)) << a.key;
        EXPECT_EQ(key.has(K::IsBlack), a.bottom == 116) << a.key;
        EXPECT_EQ(key.Left, a.left) << a.key;
        EXPECT_EQ(key.Right, a.right) << a.key;
        EXPECT_EQ(key.Top, 1) << a.key;
        EXPECT_EQ(key.Bottom, a.bottom) << a.key;
    }
    for (int k = 12; k < TQelGuiMidiKeys::kKeyCount; ++k) {
        const K& key = keys.Keys()[k];
        EXPECT_FALSE(key.has(K::Visible)) << k;
        EXPECT_EQ(key.Left, -1);
        EXPECT_EQ(key.Bottom, -1);
        EXPECT_TRUE(key.area().empty());
    }
}

TEST_F(Keyboard, OtherRangesKeepTheGapsAndRoundHalvesToEven) {
    // Two octaves from note 48 and the closing C: 15 white keys, each one pixel apart.
    ASSERT_TRUE(keys.SetBaseOctave(4));
    ASSERT_TRUE(keys.SetNumOctaves(2));
    keys.SetIncludeLastOctave(true);
    keys.set_bounds(Rect::from_size(kX, kY, 300, 100));
    EXPECT_FALSE(keys.Keys()[47].has(K::Visible));
    EXPECT_FALSE(keys.Keys()[73].has(K::Visible));
    int right = -1;
    for (int k = 48; k <= 72; ++k) {
        const K& key = keys.Keys()[k];
        ASSERT_TRUE(key.has(K::Visible)) << k;
        if (key.has(K::IsBlack)) {
            EXPECT_EQ(key.Bottom, 63) << k; // nearest(99 * 0.63 + 1)
            EXPECT_GT(key.Left, keys.Keys()[k - 1].Left) << k;
            EXPECT_LT(key.Right, keys.Keys()[k + 1].Right) << k;
            continue;
        }
        EXPECT_EQ(key.Left, right + 2) << k;
        EXPECT_GT(key.Right, key.Left + 15) << k;
        right = key.Right;
    }
    EXPECT_EQ(right, 298);

    // At 405 pixels, one octave and the closing C: fw = 50.5 exactly, so 1.5 fw, 3 fw and
    // 5 fw end on halves, which go to the even neighbour.
    ASSERT_TRUE(keys.SetBaseOctave(0));
    ASSERT_TRUE(keys.SetNumOctaves(1));
    keys.set_bounds(Rect::from_size(kX, kY, 405, 100));
    EXPECT_EQ(keys.Keys()[0].Right, 49);  // 50.5 -> 50
    EXPECT_EQ(keys.Keys()[4].Right, 151); // 151.5 -> 152
    EXPECT_EQ(keys.Keys()[7].Right, 251); // 252.5 -> 252
    EXPECT_TRUE(keys.Keys()[12].has(K::Visible));
    EXPECT_FALSE(keys.Keys()[13].has(K::Visible));
}

TEST_F(Keyboard, RangeSettersKeepTheSumBelowEleven) {
    keys.SetKeyPressed(5);
    EXPECT_FALSE(keys.SetBaseOctave(10)); // 10 + 1
    EXPECT_TRUE(keys.SetBaseOctave(9));
    EXPECT_FALSE(keys.SetNumOctaves(2));
    EXPECT_FALSE(keys.SetBaseOctave(-1));
    EXPECT_EQ(keys.BaseOctave(), 9);
    EXPECT_EQ(keys.NumOctaves(), 1);
    EXPECT_TRUE(keys.Keys()[108].has(K::Visible));
    EXPECT_FALSE(keys.Keys()[0].has(K::Visible));
    EXPECT_TRUE(pressed(5)); // key states outlive the range
    // No octaves at all: no keys, no hits, nothing drawn but the background and border.
    EXPECT_TRUE(keys.SetNumOctaves(0));
    EXPECT_EQ(keys.KeyAtPos(100, 50, true), -1);
}

TEST_F(Keyboard, HitTests) {
    struct Hit {
        int x, y;
        bool vertical;
        int key;
    };
    const Hit hits[] = {
        {184, 50, true, -1},  // between E and F
        {61, 50, true, 1},    // C# over the gap between C and D
        {61, 150, true, -1},  // the gap below it
        {50, 116, true, 1},   // C#'s last row
        {50, 117, true, 0},   // then C
        {30, 150, true, 0},   //
        {429, 100, true, 11}, // B's last column
        {0, 100, true, -1},   // the frame
        {430, 100, true, -1}, //
        {50, 300, false, 1},  // below the keyboard only the column counts
        {30, -5, false, 0},   //
        {30, -5, true, -1},   //
    };
    for (const Hit& h : hits)
        EXPECT_EQ(keys.KeyAtPos(h.x, h.y, h.vertical), h.key) << h.x << ", " << h.y;
    EXPECT_FALSE(keys.IsPointInKey(50, 50, true, 0)); // the black key wins
    EXPECT_TRUE(keys.IsPointInKey(50, 150, true, 0));
    EXPECT_FALSE(keys.IsPointInKey(50, 150, true, 134));

    // Presses on the frame, a gap or the border row produce nothing.
    for (const auto& [x, y] : {std::pair{0, 100}, {430, 100}, {30, 0}, {30, 183}, {184, 50}}) {
        down(x, y);
        up(x, y);
    }
    EXPECT_EQ(events(), "");
}

TEST_F(Keyboard, LeftPressGlideAndRelease) {
    down(30, 150);
    EXPECT_EQ(events(), "on 0");
    EXPECT_TRUE(keys.Keys()[0].has(K::MouseHeld));
    EXPECT_TRUE(keys.drag().active);
    EXPECT_EQ(keys.drag().start_key, 0);
    move(40, 140); // same key
    move(90, 150);
    EXPECT_EQ(events(), "off 0, on 2");
    EXPECT_EQ(keys.drag().current_key, 2);
    // Above the keyboard the column still plays; at x = 50 that is C#, not C.
    move(90, -30);
    move(50, -30);
    EXPECT_EQ(events(), "off 2, on 1");
    move(184, 50); // the gap: only a release
    EXPECT_EQ(events(), "off 1");
    move(200, 250);
    up(200, 250);
    EXPECT_EQ(events(), "on 5, off 5");
    EXPECT_FALSE(keys.drag().active);
    for (int k = 0; k < 12; ++k)
        EXPECT_FALSE(pressed(k)) << k;
}

TEST_F(Keyboard, RightPressIsReleasedAtOnceAndItsDragPlaysNothing) {
    down(150, 150, MouseButton::right);
    EXPECT_EQ(events(), "on 4, off 4");
    EXPECT_FALSE(pressed(4));
    EXPECT_EQ(keys.Keys()[4].Flags & (K::MouseHeld | K::Latched), 0);
    move(200, 150);
    move(50, 50);
    up(50, 50, MouseButton::right);
    EXPECT_EQ(events(), "");
    EXPECT_FALSE(keys.drag().active);
}

TEST_F(Keyboard, OnFireNoteOnCanVetoMousePresses) {
    std::vector<int> asked;
    keys.OnFireNoteOn = [&](TQelGuiMidiKeys&, int k, bool& go_on) {
        EXPECT_TRUE(go_on);
        asked.push_back(k);
        go_on = k != 0;
    };
    down(30, 150);
    EXPECT_EQ(events(), "");
    EXPECT_FALSE(pressed(0));
    move(90, 150);
    EXPECT_EQ(events(), "on 2");
    up(90, 150);
    EXPECT_EQ(events(), "off 2");
    EXPECT_EQ(asked, (std::vector<int>{0, 2}));
    // Not asked for presses that are not the mouse's.
    keys.KeyNoteOn(0, K::Pressed);
    EXPECT_EQ(events(), "on 0");
    EXPECT_EQ(asked.size(), 2u);
}

TEST_F(Keyboard, SetKeyPressedAndReleasedRaiseNothing) {
    down(30, 150);
    EXPECT_EQ(events(), "on 0");
    keys.SetKeyReleased(0);
    EXPECT_TRUE(pressed(0)); // the mouse holds it
    keys.SetKeyReleased(0, true);
    EXPECT_FALSE(pressed(0));
    up(30, 150);
    EXPECT_EQ(events(), ""); // already released: no second note-off

    keys.SetKeyPressed(7);
    EXPECT_TRUE(pressed(7));
    keys.SetKeyReleased(7);
    EXPECT_FALSE(pressed(7));
    keys.SetKeyPressed(133);
    keys.SetKeyPressed(-1);
    keys.SetKeyPressed(1000);
    EXPECT_FALSE(keys.Keys()[133].has(K::Pressed));
    EXPECT_EQ(events(), "");
}

TEST_F(Keyboard, MouseKeysLetGoWithoutDraggingAndWhenTheCaptureEnds) {
    keys.SetAllowKeyDragging(false);
    down(30, 150);
    up(30, 150);
    EXPECT_EQ(events(), "on 0, off 0");

    keys.SetAllowKeyDragging(true);
    down(90, 150);
    form.cancel_capture(); // the window lost the mouse
    EXPECT_EQ(events(), "on 2, off 2");
    EXPECT_FALSE(keys.drag().active);

    down(90, 150);
    keys.set_enabled(false);
    EXPECT_EQ(events(), "on 2, off 2");
}

TEST_F(Keyboard, HoverMarksAndCursor) {
    keys.OnKeyMouseEnter = [this](TQelGuiMidiKeys&, int k) {
        log.push_back("enter " + std::to_string(k));
    };
    keys.OnKeyMouseLeave = [this](TQelGuiMidiKeys&, int k) {
        log.push_back("leave " + std::to_string(k));
    };
    move(30, 150);
    move(35, 150);
    EXPECT_EQ(events(), "enter 0");
    EXPECT_EQ(form.current_cursor(), Cursor::hand_point);
    move(61, 150);
    EXPECT_EQ(events(), "leave 0");
    EXPECT_EQ(form.current_cursor(), Cursor::arrow);
    keys.SetCursorKeys(Cursor::arrow);
    move(50, 50);
    EXPECT_EQ(form.current_cursor(), Cursor::arrow);
    form.deliver_mouse_leave();
    EXPECT_EQ(events(), "enter 1, leave 1");
    // A press starts a drag, which clears the hover marks.
    move(90, 150);
    down(90, 150);
    EXPECT_EQ(events(), "enter 2, on 2, leave 2");
    EXPECT_FALSE(keys.Keys()[2].has(K::Hovered));
}

TEST_F(Keyboard, OutsideChangesRepaintOnTheTimersTick) {
    ManualClock& clock = desktop.manual_clock();
    ASSERT_TRUE(form.invalid_region().empty());
    keys.SetKeyPressed(0);
    EXPECT_TRUE(form.invalid_region().empty());
    EXPECT_TRUE(keys.redraw_pending());
    clock.advance(Millis{49});
    form.idle();
    EXPECT_TRUE(form.invalid_region().empty());
    clock.advance(Millis{1});
    form.idle();
    EXPECT_EQ(form.invalid_region().bounds(), keys.form_rect());
    EXPECT_FALSE(keys.redraw_pending());
    form.paint_invalid();
    EXPECT_EQ(at(30, 150), keys.WhiteKeyPressedColor());
    // Nothing pending, nothing invalidated.
    clock.advance(Millis{50});
    form.idle();
    EXPECT_TRUE(form.invalid_region().empty());
    // A mouse press repaints at once.
    down(90, 150);
    EXPECT_EQ(form.invalid_region().bounds(), keys.form_rect());
}

TEST(KeyColors, StylesAndDarkening) {
    EXPECT_EQ(from_tcolor(5548526), Color::rgb(238, 169, 84));
    EXPECT_EQ(darken(Color::rgb(238, 169, 84), 15), Color::rgb(202, 144, 71));
    EXPECT_EQ(darken(Color::rgb(248, 248, 248), 10), Color::rgb(223, 223, 223)); // 24.8 -> 25
    EXPECT_EQ(darken(Color::rgb(10, 30, 50), 15), Color::rgb(8, 25, 42)); // 1.5 -> 2, 4.5 -> 5

    // Black pressed colours: the white ones less 15 %, worked out by hand.
    struct Style {
        const char* name;
        Color border, white_pressed, black_pressed;
    };
    const Color grey = Color::rgb(130, 130, 130);
    const Color untouched = Color::rgb(192, 192, 192);
    const Style styles[] = {
        {"Carbon", Color::rgb(58, 58, 58), Color::rgb(114, 167, 41), Color::rgb(97, 142, 35)},
        {"Amakrits", Color::rgb(48, 48, 48), Color::rgb(24, 156, 136), Color::rgb(20, 133, 116)},
        {"Light", grey, Color::rgb(162, 199, 228), Color::rgb(138, 169, 194)},
        {"Luna", grey, Color::rgb(238, 169, 84), Color::rgb(202, 144, 71)},
        {"Smokey Quartz Velto", grey, Color::rgb(247, 140, 97), Color::rgb(210, 119, 82)},
        {"", Color::rgb(0, 0, 0), untouched, untouched},
        {"luna", Color::rgb(0, 0, 0), untouched, untouched},
    };
    HeadlessDesktop desktop;
    Form form{desktop, 100, 100};
    for (const Style& s : styles) {
        TQelGuiMidiKeys keys{&form};
        EXPECT_EQ(keys.BlackKeyHoverColor(), Color::rgb(102, 102, 102));
        keys.apply_style(s.name);
        EXPECT_EQ(keys.BorderColor(), s.border) << s.name;
        EXPECT_EQ(keys.WhiteKeyPressedColor(), s.white_pressed) << s.name;
        EXPECT_EQ(keys.BlackKeyPressedColor(), s.black_pressed) << s.name;
        EXPECT_EQ(keys.BlackKeyHoverColor(), Color::rgb(51, 51, 51));
        EXPECT_EQ(keys.WhiteKeyHoverColor(), Color::rgb(248, 248, 248));
        EXPECT_EQ(keys.CursorKeys(), Cursor::hand_point);
    }
}

TEST_F(Keyboard, DrawsTheLunaKeyboard) {
    keys.apply_style("Luna");
    keys.SetKeyPressed(0);
    keys.SetKeyPressed(3);
    move(90, 150); // hovered D looks as it always does
    form.paint_invalid();
    const Color pressed_white = Color::rgb(238, 169, 84);
    const Color pressed_black = Color::rgb(202, 144, 71);
    const Color white = Color::rgb(248, 248, 248);
    const Color black = Color::rgb(51, 51, 51);
    const Color separator = Color::rgb(0, 0, 0);
    const Color border = Color::rgb(130, 130, 130);
    struct Pixel {
        int x, y;
        Color c;
    };
    const Pixel pixels[] = {
        {1, 183, border},         {1, 1, pressed_white}, {60, 182, pressed_white},
        {30, 150, pressed_white}, {61, 150, separator},  {61, 50, black},
        {36, 116, black},         {72, 1, black},        {36, 117, pressed_white},
        {73, 50, white},          {90, 150, white},      {110, 116, pressed_black},
        {146, 1, pressed_black},  {147, 1, white},       {184, 150, separator},
        {0, 0, border},           {430, 183, border},    {200, 0, border},
        {430, 90, border},        {429, 182, white},
    };
    for (const Pixel& p : pixels)
        EXPECT_EQ(at(p.x, p.y), p.c) << p.x << ", " << p.y;
    // Outside the control the form stays as it was.
    EXPECT_EQ(at(-1, 0), form.color());
    EXPECT_EQ(at(431, 183), form.color());

    // Rendering into a bitmap gives the very pixels painted into the form.
    const Bitmap alone = keys.render_bitmap();
    ASSERT_EQ(alone.width(), 431);
    ASSERT_EQ(alone.height(), 184);
    int differ = 0;
    for (int y = 0; y < 184; ++y)
        for (int x = 0; x < 431; ++x)
            differ += alone.at(x, y) != at(x, y);
    EXPECT_EQ(differ, 0);
}

TEST_F(Keyboard, OnDrawKeyFollowsEachVisibleKey) {
    std::vector<int> order;
    std::vector<Color> fonts;
    keys.OnDrawKey = [&](TQelGuiMidiKeys& sender, TGuiSingleKey key, Canvas& canvas,
                         const Rect& area) {
        EXPECT_EQ(area, keys.form_rect());
        order.push_back(key.KeyNr);
        fonts.push_back(sender.font_color());
        // A mark near each key's bottom-left corner, in key pixels offset by the area.
        canvas.fill_rect(Rect::from_size(area.left + key.Left + 2, area.top + key.Bottom - 3, 2, 2),
                         sender.font_color());
    };
    keys.invalidate();
    form.paint_invalid();
    EXPECT_EQ(order, (std::vector<int>{0, 2, 1, 4, 3, 5, 7, 6, 9, 8, 11, 10}));
    for (size_t i = 0; i < order.size(); ++i) {
        const bool black = keys.Keys()[order[i]].has(K::IsBlack);
        EXPECT_EQ(fonts[i], black ? Color::rgb(223, 223, 223) : Color::rgb(51, 51, 51));
    }
    EXPECT_EQ(at(3, 180), Color::rgb(51, 51, 51));     // C's mark
    EXPECT_EQ(at(38, 113), Color::rgb(223, 223, 223)); // C#'s mark
}

} // namespace
} // namespace tonvo::ui
