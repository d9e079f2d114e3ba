// The keyboard control in a headless form, placed away from the form's corner so that a mix-up
// of control and form pixels shows: key areas, hit tests, the events of presses and glides, the
// redraw timer, and the drawn pixels.
#include "golden.h"
#include "ui/headless/headless_desktop.h"
#include "ui/midi_keys.h"
#include "ui/text.h"

#include <cctype>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace tonvo::ui {
namespace {

using K = TGuiSingleKey;

// The editor's keyboard: one octave from note 0 at 431 x 184, at (10, 20) in its form. Events
// are logged as short words, "on 0", "off 0", ...
struct Rig {
    static constexpr int kX = 10;
    static constexpr int kY = 20;
    HeadlessDesktop desktop;
    Form form{desktop, 460, 220};
    TQelGuiMidiKeys keys{&form};
    std::string log;

    Rig() {
        keys.set_bounds(Rect::from_size(kX, kY, 431, 184));
        keys.SetBaseOctave(0);
        keys.SetNumOctaves(1);
        keys.OnNoteOn = [this](TQelGuiMidiKeys&, int k, float velocity) {
            EXPECT_EQ(velocity, 1.0f);
            note("on", k);
        };
        keys.OnNoteOff = [this](TQelGuiMidiKeys&, int k) { note("off", k); };
        form.paint_invalid();
    }
    void down(int x, int y, MouseButton b = MouseButton::left) {
        form.deliver_mouse_down(b, kX + x, kY + y);
    }
    void move(int x, int y) { form.deliver_mouse_move(kX + x, kY + y); }
    void up(int x, int y, MouseButton b = MouseButton::left) {
        form.deliver_mouse_up(b, kX + x, kY + y);
    }
    void note(const char* what, int k) {
        log += (log.empty() ? "" : ", ") + (what + (" " + std::to_string(k)));
    }
    // The events since the last call, comma-separated.
    std::string events() { return std::exchange(log, {}); }
    Color at(int x, int y) const { return form.buffer().at(kX + x, kY + y); }
};

struct Keyboard : ::testing::Test, Rig {};

TEST_F(Keyboard, OneOctaveAreasAreExact) {
    const int expected[][4] = {
        {0, 1, 60, 183},    {2, 62, 122, 183},  {4, 124, 183, 183},  {5, 185, 245, 183},
        {7, 247, 306, 183}, {9, 308, 368, 183}, {11, 370, 429, 183}, {1, 36, 72, 116},
        {3, 110, 146, 116}, {6, 221, 257, 116}, {8, 288, 324, 116},  {10, 356, 392, 116},
    };
    for (const auto& [k, left, right, bottom] : expected) {
        const K& key = keys.Keys()[k];
        EXPECT_EQ(key.Flags, bottom == 116 ? K::IsBlack | K::Visible : K::Visible) << k;
        EXPECT_EQ(key.area(), (Rect{left, 1, right + 1, bottom + 1})) << k;
    }
    for (int k = 12; k < TQelGuiMidiKeys::kKeyCount; ++k)
        EXPECT_TRUE(keys.Keys()[k].Flags < K::Visible && keys.Keys()[k].Left == -1) << k;
}

TEST_F(Keyboard, OtherRangesKeepTheGapsAndRoundHalvesToEven) {
    // Two octaves from note 48 and the closing C at 300 x 100: 15 white keys one pixel apart.
    ASSERT_TRUE(keys.SetBaseOctave(4));
    ASSERT_TRUE(keys.SetNumOctaves(2));
    keys.SetIncludeLastOctave(true);
    keys.set_bounds(Rect::from_size(kX, kY, 300, 100));
    EXPECT_FALSE(keys.Keys()[47].has(K::Visible) || keys.Keys()[73].has(K::Visible));
    int right = -1;
    for (int k = 48; k <= 72; ++k) {
        const K& key = keys.Keys()[k];
        ASSERT_TRUE(key.has(K::Visible)) << k;
        if (key.has(K::IsBlack)) {
            EXPECT_EQ(key.Bottom, 63) << k; // nearest(99 * 0.63 + 1)
            EXPECT_GT(key.Left, keys.Keys()[k - 1].Left) << k;
            EXPECT_LT(key.Right, keys.Keys()[k + 1].Right) << k;
        } else {
            EXPECT_EQ(key.Left, right + 2) << k;
            right = key.Right;
        }
    }
    EXPECT_EQ(right, 298);

    // 405 pixels, one octave and the closing C: fw = 50.5, so 1, 3 and 5 fw end on halves,
    // which go to the even neighbour.
    ASSERT_TRUE(keys.SetBaseOctave(0));
    ASSERT_TRUE(keys.SetNumOctaves(1));
    keys.set_bounds(Rect::from_size(kX, kY, 405, 100));
    EXPECT_EQ(keys.Keys()[0].Right, 49);  // 50.5 -> 50
    EXPECT_EQ(keys.Keys()[4].Right, 151); // 151.5 -> 152
    EXPECT_EQ(keys.Keys()[7].Right, 251); // 252.5 -> 252

    // The range setters keep BaseOctave + NumOctaves below 11; key states outlive the range.
    keys.SetKeyPressed(5);
    EXPECT_FALSE(keys.SetBaseOctave(10));
    EXPECT_TRUE(keys.SetBaseOctave(9));
    EXPECT_FALSE(keys.SetNumOctaves(2));
    EXPECT_FALSE(keys.SetBaseOctave(-1));
    EXPECT_EQ(keys.BaseOctave() * 10 + keys.NumOctaves(), 91);
    EXPECT_TRUE(keys.Keys()[108].has(K::Visible) && keys.Keys()[5].has(K::Pressed));
    EXPECT_TRUE(keys.SetNumOctaves(0)); // only the closing C, across the whole width
    EXPECT_EQ(keys.KeyAtPos(100, 50, false), 108);
}

TEST_F(Keyboard, HitTests) {
    const std::tuple<int, int, bool, int> hits[] = {
        {184, 50, true, -1}, {61, 50, true, 1},    {61, 150, true, -1},  // E|F, C# over C|D
        {50, 116, true, 1},  {50, 117, true, 0},   {30, 150, true, 0},   // C#'s last row
        {0, 100, true, -1},  {429, 100, true, 11}, {430, 100, true, -1}, // the frame
        {50, 300, false, 1}, {30, -5, false, 0},   {30, -5, true, -1},   // only the column
    };
    for (const auto& [x, y, vertical, key] : hits)
        EXPECT_EQ(keys.KeyAtPos(x, y, vertical), key) << x << ", " << y;
    EXPECT_FALSE(keys.IsPointInKey(50, 50, true, 0)); // the black key wins
    EXPECT_TRUE(keys.IsPointInKey(50, 150, true, 0));
    EXPECT_FALSE(keys.IsPointInKey(50, 150, true, 134));
}

// Event sequences, each on a fresh keyboard. Steps: d/D press left/right, m move, u/U release
// left/right, l pointer leaves, c the form ends the capture, n dragging off, v veto key x in
// OnFireNoteOn (which logs "ask k"), k KeyNoteOn(x, Pressed), o KeyNoteOff(x),
// p SetKeyPressed(x), r/R SetKeyReleased(x) without/with force.
TEST(KeyboardEvents, Sequences) {
    struct Step {
        char what;
        int x, y;
        const char* events;
    };
    // clang-format off
    const std::vector<std::vector<Step>> sequences = {
        // A glide releases the old key before pressing the new one; above and below the
        // keyboard the column plays (x = 50 is C#); a gap only releases.
        {{'d', 30, 150, "on 0"}, {'m', 40, 140, ""}, {'m', 90, 150, "off 0, on 2"},
         {'m', 90, -30, ""}, {'m', 50, -30, "off 2, on 1"}, {'m', 184, 50, "off 1"},
         {'m', 200, 250, "on 5"}, {'u', 200, 250, "off 5"}},
        // The right button's note is released at once; its drag plays nothing.
        {{'D', 150, 150, "on 4, off 4"}, {'m', 200, 150, ""}, {'m', 50, 50, ""},
         {'U', 50, 50, ""}},
        // The frame, the border row and a gap produce nothing.
        {{'d', 0, 100, ""}, {'u', 0, 100, ""}, {'d', 430, 100, ""}, {'u', 430, 100, ""},
         {'d', 30, 0, ""}, {'u', 30, 0, ""}, {'d', 30, 183, ""}, {'u', 30, 183, ""},
         {'d', 184, 50, ""}, {'u', 184, 50, ""}},
        // A vetoed mouse press changes nothing; presses not made by the mouse are not asked.
        {{'v', 0, 0, ""}, {'d', 30, 150, "ask 0"}, {'m', 90, 150, "ask 2, on 2"},
         {'u', 90, 150, "off 2"}, {'k', 0, 0, "on 0"}, {'o', 0, 0, "off 0"}},
        // Outside releases leave a key the mouse holds unless forced, and raise nothing.
        {{'d', 30, 150, "on 0"}, {'r', 0, 0, ""}, {'u', 30, 150, "off 0"},
         {'d', 90, 150, "on 2"}, {'R', 2, 0, ""}, {'u', 90, 150, ""},
         {'p', 7, 0, ""}, {'r', 7, 0, ""}, {'p', 133, 0, ""}, {'p', -1, 0, ""}},
        // Without dragging, and when the form ends the capture, the mouse's keys let go.
        {{'n', 0, 0, ""}, {'d', 30, 150, "on 0"}, {'u', 30, 150, "off 0"}},
        {{'d', 90, 150, "on 2"}, {'c', 0, 0, "off 2"}},
        // Hover marks; a press starts a drag, which clears them.
        {{'m', 30, 150, "enter 0"}, {'m', 35, 150, ""}, {'m', 61, 150, "leave 0"},
         {'m', 50, 50, "enter 1"}, {'l', 0, 0, "leave 1"}, {'m', 90, 150, "enter 2"},
         {'d', 90, 150, "on 2, leave 2"}, {'u', 90, 150, "off 2"}},
    };
    // clang-format on
    for (const auto& sequence : sequences) {
        Rig rig;
        TQelGuiMidiKeys& keys = rig.keys;
        keys.OnKeyMouseEnter = [&rig](TQelGuiMidiKeys&, int k) { rig.note("enter", k); };
        keys.OnKeyMouseLeave = [&rig](TQelGuiMidiKeys&, int k) { rig.note("leave", k); };
        int veto = -1;
        for (const Step& s : sequence) {
            switch (s.what) {
            case 'd': rig.down(s.x, s.y); break;
            case 'D': rig.down(s.x, s.y, MouseButton::right); break;
            case 'm': rig.move(s.x, s.y); break;
            case 'u': rig.up(s.x, s.y); break;
            case 'U': rig.up(s.x, s.y, MouseButton::right); break;
            case 'l': rig.form.deliver_mouse_leave(); break;
            case 'c': rig.form.cancel_capture(); break;
            case 'n': keys.SetAllowKeyDragging(false); break;
            case 'k': keys.KeyNoteOn(s.x, K::Pressed); break;
            case 'o': keys.KeyNoteOff(s.x); break;
            case 'p': keys.SetKeyPressed(s.x); break;
            case 'r': keys.SetKeyReleased(s.x); break;
            case 'R': keys.SetKeyReleased(s.x, true); break;
            case 'v':
                veto = s.x;
                keys.OnFireNoteOn = [&](TQelGuiMidiKeys&, int k, bool& go_on) {
                    EXPECT_TRUE(go_on);
                    rig.note("ask", k);
                    go_on = k != veto;
                };
                break;
            }
            EXPECT_EQ(rig.events(), s.events) << s.what << " " << s.x << ", " << s.y;
        }
        EXPECT_FALSE(keys.drag().active);
        for (const K& key : keys.Keys())
            EXPECT_EQ(key.Flags & ~(K::IsBlack | K::Visible), 0) << +key.KeyNr;
    }
}

TEST_F(Keyboard, CursorOverKeys) {
    move(30, 150);
    EXPECT_EQ(form.current_cursor(), Cursor::hand_point);
    move(61, 150);
    EXPECT_EQ(form.current_cursor(), Cursor::arrow);
    keys.SetCursorKeys(Cursor::arrow); // the editor's choice
    move(30, 150);
    EXPECT_EQ(form.current_cursor(), Cursor::arrow);
    down(30, 150);
    keys.set_enabled(false); // ends the press as a lost capture does
    EXPECT_EQ(events(), "on 0, off 0");
}

TEST_F(Keyboard, OutsideChangesRepaintOnTheTimersTick) {
    // The invalid region after the clock moved on by `ms` and the timers ran.
    auto after = [this](int ms) {
        desktop.manual_clock().advance(Millis{ms});
        form.idle();
        return form.invalid_region().bounds();
    };
    keys.SetKeyPressed(0);
    EXPECT_TRUE(keys.redraw_pending());
    EXPECT_EQ(after(0), Rect{});
    EXPECT_EQ(after(49), Rect{});
    EXPECT_EQ(after(1), shifted(keys.Keys()[0].area(), kX, kY)); // only the changed key
    EXPECT_FALSE(keys.redraw_pending());
    form.paint_invalid();
    EXPECT_EQ(at(30, 150), keys.WhiteKeyPressedColor());
    keys.SetKeyPressed(0); // no change, nothing to repaint
    EXPECT_EQ(after(50), Rect{});
    // A mouse press repaints its key at once; a colour change repaints everything.
    down(90, 150);
    EXPECT_EQ(form.invalid_region().bounds(), shifted(keys.Keys()[2].area(), kX, kY));
    keys.SetBorderColor(Color::rgb(1, 2, 3));
    EXPECT_EQ(form.invalid_region().bounds(), keys.form_rect());
}

TEST_F(Keyboard, PerKeyRepaintsLookLikeAFullRepaint) {
    // Labels drawn by the owner blend over the key fills, so a key painted twice or in another
    // order under the clip would show.
    const Font font(Typeface::bold, 12);
    keys.OnDrawKey = [&font](TQelGuiMidiKeys& sender, TGuiSingleKey key, Canvas& canvas,
                             const Rect& area) {
        draw_text(canvas, font, area.left + key.Left + 4, area.top + key.Bottom - 20,
                  std::to_string(key.KeyNr), sender.font_color());
    };
    keys.apply_style("Carbon");
    form.paint_invalid();
    const std::vector<std::function<void()>> steps = {
        [&] { keys.SetKeyPressed(4); },  // E, under the edges of D# and F#
        [&] { keys.SetKeyPressed(6); },  // F#, over F and G
        [&] { down(50, 50); },           // C# by the mouse
        [&] { move(90, 150); },          // glide to D
        [&] { up(90, 150); },            //
        [&] { keys.SetKeyReleased(4); }, //
        [&] { move(110, 50); },          // hover D#
    };
    for (size_t i = 0; i < steps.size(); ++i) {
        steps[i]();
        desktop.advance(form, Millis{50});
        const Bitmap per_key = form.buffer();
        form.invalidate();
        form.paint_invalid();
        expect_pixels(
            per_key, [&](int x, int y) { return form.buffer().at(x, y); },
            "step " + std::to_string(i));
    }
}

TEST(KeyColors, StylesDarkeningAndTheLookOfEachStyle) {
    EXPECT_EQ(darken(Color::rgb(248, 248, 248), 10), Color::rgb(223, 223, 223)); // 24.8 -> 25
    EXPECT_EQ(darken(Color::rgb(10, 30, 50), 15), Color::rgb(8, 25, 42)); // 1.5 -> 2, 4.5 -> 5

    // Black pressed colours: the white ones less 15 %, worked out by hand.
    const Color grey = Color::rgb(130, 130, 130);
    const Color untouched = Color::rgb(192, 192, 192);
    const std::tuple<std::string_view, Color, Color, Color> styles[] = {
        {"Carbon", Color::rgb(58, 58, 58), Color::rgb(114, 167, 41), Color::rgb(97, 142, 35)},
        {"Amakrits", Color::rgb(48, 48, 48), Color::rgb(24, 156, 136), Color::rgb(20, 133, 116)},
        {"Light", grey, Color::rgb(162, 199, 228), Color::rgb(138, 169, 194)},
        {"Luna", grey, Color::rgb(238, 169, 84), Color::rgb(202, 144, 71)},
        {"Smokey Quartz Velto", grey, Color::rgb(247, 140, 97), Color::rgb(210, 119, 82)},
        {"", Color::rgb(0, 0, 0), untouched, untouched},
        {"luna", Color::rgb(0, 0, 0), untouched, untouched},
    };
    for (const auto& [name, border, white_pressed, black_pressed] : styles) {
        Rig rig;
        TQelGuiMidiKeys& keys = rig.keys;
        EXPECT_EQ(keys.BlackKeyHoverColor(), Color::rgb(102, 102, 102));
        keys.apply_style(name);
        EXPECT_EQ(keys.BorderColor(), border) << name;
        EXPECT_EQ(keys.WhiteKeyPressedColor(), white_pressed) << name;
        EXPECT_EQ(keys.BlackKeyPressedColor(), black_pressed) << name;
        // Hovering never changes a key's look.
        EXPECT_EQ(keys.BlackKeyHoverColor(), keys.BlackKeyColor());
        EXPECT_EQ(keys.WhiteKeyHoverColor(), keys.WhiteKeyColor());
        if (white_pressed == untouched)
            continue;
        // The editor's keyboard in each custom style with a white and a black key pressed (E,
        // F#): its golden image is named after the style, "midi_keys_smokey_quartz_velto".
        std::string golden = "midi_keys_";
        for (const char c : name)
            golden +=
                c == ' ' ? '_' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        keys.SetKeyPressed(4);
        keys.SetKeyPressed(6);
        expect_golden(keys.render_bitmap(), golden);
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
    // clang-format off
    const std::tuple<int, int, Color> pixels[] = {
        {1, 1, pressed_white}, {60, 182, pressed_white}, {36, 117, pressed_white},   // C
        {61, 150, separator}, {184, 150, separator},                                 // gaps
        {61, 50, black}, {36, 116, black}, {72, 1, black},                           // C#
        {73, 50, white}, {90, 150, white}, {147, 1, white}, {429, 182, white},       // D, E, B
        {110, 116, pressed_black}, {146, 1, pressed_black},                          // D#
        {0, 0, border}, {1, 183, border}, {430, 183, border}, {200, 0, border}, {430, 90, border},
    };
    // clang-format on
    for (const auto& [x, y, colour] : pixels)
        EXPECT_EQ(at(x, y), colour) << x << ", " << y;
    // Outside the control the form stays as it was.
    EXPECT_EQ(at(-1, 0), form.color());
    EXPECT_EQ(at(431, 183), form.color());

    // Rendering into a bitmap gives the very pixels painted into the form.
    const Bitmap alone = keys.render_bitmap();
    ASSERT_EQ(alone.width(), 431);
    ASSERT_EQ(alone.height(), 184);
    expect_pixels(alone, [&](int x, int y) { return at(x, y); });
}

TEST_F(Keyboard, OnDrawKeyFollowsEachVisibleKey) {
    const Color light = Color::rgb(223, 223, 223); // white keys' colour less 10 %
    const Color dark = Color::rgb(51, 51, 51);     // black keys' colour
    std::vector<int> order;
    keys.OnDrawKey = [&](TQelGuiMidiKeys& sender, TGuiSingleKey key, Canvas& canvas,
                         const Rect& area) {
        EXPECT_EQ(area, keys.form_rect());
        EXPECT_EQ(sender.font_color(), key.has(K::IsBlack) ? light : dark) << +key.KeyNr;
        order.push_back(key.KeyNr);
        // A mark near each key's bottom-left corner, in key pixels offset by the area.
        canvas.fill_rect(Rect::from_size(area.left + key.Left + 2, area.top + key.Bottom - 3, 2, 2),
                         sender.font_color());
    };
    keys.invalidate();
    form.paint_invalid();
    EXPECT_EQ(order, (std::vector<int>{0, 2, 1, 4, 3, 5, 7, 6, 9, 8, 11, 10}));
    EXPECT_EQ(at(3, 180), dark);   // C's mark
    EXPECT_EQ(at(38, 113), light); // C#'s mark
}

} // namespace
} // namespace tonvo::ui
