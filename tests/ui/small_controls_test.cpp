// The small controls through a headless form and scripted input: the speed button's vetoed
// press, the menu button's glyphs and drop-down, the panel's styling and pixels, the label's
// layout, the push button's clicks and keys, and what toggles the check box (a completed left
// click, Space while focused) and what does not; its look is in the scale wizard's panel image.
#include "golden.h"
#include "ui/artwork.h"
#include "ui/button.h"
#include "ui/check_box.h"
#include "ui/headless/headless_desktop.h"
#include "ui/label.h"
#include "ui/panel.h"
#include "ui/popup_menu.h"
#include "ui/speed_button.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tonvo::ui {
namespace {

const Color kGround = Color::rgb(40, 60, 80);

const Style& style_named(std::string_view name) {
    const Style* s = find_style(name);
    EXPECT_NE(s, nullptr) << name;
    return s != nullptr ? *s : system_style();
}

// The whole form painted afresh.
const Bitmap& repaint(Form& form) {
    form.invalidate();
    form.paint_invalid();
    return form.buffer();
}

// A form painted like the editor: the background tile from the form's origin.
class TiledForm : public Form {
public:
    using Form::Form;
    bool tiled = true;
    void paint(Canvas& canvas, const Rect& area) override {
        if (tiled)
            canvas.draw_tile(area, editor_background(), 0, 0);
        else
            Form::paint(canvas, area);
    }
};

// --- Speed button ---

struct SpeedButtonRig {
    HeadlessDesktop desktop;
    Form form{desktop, 100, 60};
    TQelSpTBXSpeedButton button{&form};
    int clicks = 0;
    bool veto_next = false;
    std::vector<std::string> log;

    SpeedButtonRig() {
        button.set_bounds(Rect::from_size(10, 10, 40, 20));
        button.OnClick = [this](Control&) { ++clicks; };
        form.paint_invalid();
    }
    void veto_presses() {
        button.OnBeforeMouseDown = [this](TQelSpTBXSpeedButton& sender, MouseButton b,
                                          Modifiers shift, int x, int y, bool& cont) {
            log.push_back((&sender == &button ? "" : "other ") +
                          std::string(b == MouseButton::left ? "left " : "right ") +
                          (shift.shift ? "shift " : "") + std::to_string(x) + "," +
                          std::to_string(y) + (cont ? " continue" : " stop"));
            if (veto_next) {
                cont = false;
                veto_next = false;
            }
        };
    }
};

TEST(SpeedButton, DefaultsAndThePressedLookFollowThePointer) {
    SpeedButtonRig rig;
    TQelSpTBXSpeedButton plain(&rig.form);
    EXPECT_EQ(plain.Value, -1);
    EXPECT_EQ(plain.bounds(), Rect::from_size(0, 0, 22, 22));
    EXPECT_FALSE(plain.can_focus());

    // Flat: no face until hot; a pressed face while held on it, raised when dragged off.
    Form& form = rig.form;
    const Color ground = form.color();
    EXPECT_EQ(form.buffer().at(30, 20), ground);
    form.deliver_mouse_move(30, 20);
    form.paint_invalid();
    EXPECT_TRUE(rig.button.hot());
    EXPECT_EQ(form.buffer().at(30, 20), system_style().button_face_hot);
    form.deliver_mouse_down(MouseButton::left, 30, 20);
    form.paint_invalid();
    EXPECT_TRUE(rig.button.pressed());
    EXPECT_EQ(form.buffer().at(30, 20), system_style().button_face_pressed);
    form.deliver_mouse_move(80, 50);
    EXPECT_FALSE(rig.button.pressed());
    form.deliver_mouse_move(31, 21);
    EXPECT_TRUE(rig.button.pressed());
    // The form ends the press (the button is disabled): it no longer looks held.
    rig.button.set_enabled(false);
    EXPECT_FALSE(rig.button.pressed());
    rig.button.set_enabled(true);
    form.deliver_mouse_up(MouseButton::left, 31, 21);
    EXPECT_FALSE(rig.button.pressed());
    EXPECT_EQ(rig.clicks, 0); // the press was lost with the disabling
}

TEST(SpeedButton, AVetoedPressSwallowsItsOwnClickOnce) {
    SpeedButtonRig rig;
    rig.veto_presses();
    rig.veto_next = true;
    rig.form.deliver_mouse_move(15, 12);
    rig.form.deliver_mouse_down(MouseButton::left, 15, 12, Modifiers{.shift = true});
    rig.form.paint_invalid();
    EXPECT_FALSE(rig.button.pressed());
    EXPECT_EQ(rig.form.buffer().at(30, 20), system_style().button_face_hot); // not pressed
    rig.form.deliver_mouse_up(MouseButton::left, 15, 12);
    EXPECT_EQ(rig.clicks, 0);
    ASSERT_EQ(rig.log.size(), 1u);
    EXPECT_EQ(rig.log[0], "left shift 5,2 continue"); // local pixels, Continue starts true

    // Armed again: the next clicks all count.
    click(rig.form, 20, 15);
    click(rig.form, 20, 15);
    EXPECT_EQ(rig.clicks, 2);

    // A vetoed press released off the button makes no click; the next genuine one is not lost.
    rig.veto_next = true;
    rig.form.deliver_mouse_down(MouseButton::left, 20, 15);
    rig.form.deliver_mouse_up(MouseButton::left, 90, 50);
    click(rig.form, 20, 15);
    EXPECT_EQ(rig.clicks, 3);

    // A vetoed right press swallows nothing of the left button's.
    rig.veto_next = true;
    click(rig.form, 20, 15, MouseButton::right);
    click(rig.form, 20, 15);
    EXPECT_EQ(rig.clicks, 4);
    EXPECT_EQ(rig.log.size(), 7u);
}

// --- Menu button ---

struct MenuButtonRig {
    HeadlessDesktop desktop;
    Form form{desktop, 60, 50};
    TQelMenuButton button{&form};

    MenuButtonRig() {
        form.set_position(300, 200);
        button.set_bounds(Rect::from_size(6, 8, 26, 26));
    }
    // A pixel of the glyph's middle bar, or of the gap above it (row 6): the glyph sits
    // centred, at (11, 13) in the form.
    Color bar_pixel(int row = 7) {
        form.paint_invalid();
        return form.buffer().at(11 + 8, 13 + row);
    }
};

TEST(MenuButton, ShowsTheRecolouredGlyphsNormalWhilePressedAndNormalAgain) {
    MenuButtonRig rig;
    TQelMenuButton plain(&rig.form);
    EXPECT_EQ(plain.bounds(), Rect::from_size(0, 0, 26, 26));
    EXPECT_EQ(plain.Value, -1);
    plain.set_visible(false);

    const Style& carbon = style_named("Carbon");
    ASSERT_NE(carbon.button_text, carbon.button_text_pressed);
    rig.button.apply_style(carbon);
    EXPECT_EQ(rig.bar_pixel(), carbon.button_text);
    EXPECT_EQ(rig.bar_pixel(6), rig.form.color());
    rig.form.deliver_mouse_down(MouseButton::left, 20, 20);
    EXPECT_EQ(rig.bar_pixel(), carbon.button_text_pressed);
    rig.form.deliver_mouse_up(MouseButton::left, 20, 20);
    EXPECT_EQ(rig.bar_pixel(), carbon.button_text);

    // Without a custom style the glyph is the black picture as it is.
    rig.button.apply_style(system_style());
    EXPECT_EQ(rig.bar_pixel(), Color::rgb(0, 0, 0));
    for (int i = 0; i < 2; ++i)
        expect_pixels(rig.button.glyph(i), [](int x, int y) { return menu16_glyph().at(x, y); });

    // Disabled: drawn in the style's disabled text colour.
    rig.button.apply_style(carbon);
    rig.button.set_enabled(false);
    EXPECT_EQ(rig.bar_pixel(), carbon.button_text_disabled);
}

// The drop-down opens below the button's left edge with the glyph drawn pressed; the choice
// runs once the menu has closed and the button lets go of the pointer.
TEST(MenuButton, OpensItsMenuBelowOnPressAndLetsGoWhenItCloses) {
    MenuButtonRig rig;
    const Style& luna = style_named("Luna");
    rig.button.apply_style(luna);
    TQelPopupMenu menu(rig.desktop);
    int chosen = 0;
    menu.add("Init", 5, [&](MenuItem& item) { chosen = item.Tag; });
    rig.button.DropDownMenu = &menu;
    int clicks = 0;
    rig.button.OnClick = [&](Control&) { ++clicks; };
    rig.desktop.expect_menu([&](MenuSession& s) {
        EXPECT_EQ(s.pane(0).left(), 300 + 6);
        EXPECT_EQ(s.pane(0).top(), 200 + 8 + 26);
        EXPECT_EQ(rig.bar_pixel(),
                  recolour_black(menu16_glyph(), luna.button_text_pressed).at(8, 7));
        press_key(s, Key::down);
        press_key(s, Key::enter);
    });

    rig.form.deliver_mouse_down(MouseButton::left, 10, 10);
    EXPECT_EQ(rig.desktop.menus_shown(), 1);
    EXPECT_EQ(chosen, 5);
    EXPECT_EQ(rig.bar_pixel(), luna.button_text);
    // The release went to the menu; a stray one reaches nobody, and the next press goes to
    // whatever lies under the pointer.
    EXPECT_EQ(rig.form.capture(), nullptr);
    rig.form.deliver_mouse_up(MouseButton::left, 10, 10);
    EXPECT_EQ(clicks, 0);
    rig.form.deliver_mouse_down(MouseButton::left, 50, 45);
    EXPECT_EQ(rig.form.capture(), &rig.form);
    rig.form.deliver_mouse_up(MouseButton::left, 50, 45);
    EXPECT_EQ(rig.desktop.menus_shown(), 1);

    // A vetoed press opens nothing.
    rig.button.OnBeforeMouseDown = [](TQelSpTBXSpeedButton&, MouseButton, Modifiers, int, int,
                                      bool& cont) { cont = false; };
    click(rig.form, 10, 10);
    EXPECT_EQ(rig.desktop.menus_shown(), 1);
}

TEST(MenuButton, RecolouringChangesOnlyBlackAndKeepsAlpha) {
    Bitmap src(3, 1);
    src.pixel(0, 0) = Color{0, 0, 0, 255};
    src.pixel(1, 0) = Color{0, 0, 0, 90};
    src.pixel(2, 0) = Color::rgb(1, 0, 0);
    const Bitmap out = recolour_black(src, Color::rgb(10, 20, 30, 7));
    EXPECT_EQ(out.at(0, 0), Color::rgb(10, 20, 30, 255));
    EXPECT_EQ(out.at(1, 0), Color::rgb(10, 20, 30, 90));
    EXPECT_EQ(out.at(2, 0), Color::rgb(1, 0, 0));
}

// --- Panel ---

TEST(Panel, StylesColourPlainAndGroupPanelsAndTheirBorders) {
    HeadlessDesktop desktop;
    Form form(desktop, 10, 10);
    for (const Style& s : custom_styles()) {
        const bool light = s.name == "Light";
        TQelGuiPanel plain(&form);
        TQelGuiPanel group(&form);
        group.SetPanelGroupColor(true);
        TQelGuiPanel unstyled(&form);
        unstyled.SetUseStyles(false);
        unstyled.SetPanelColor(Color::rgb(192, 192, 192));
        plain.apply_style(s);
        group.apply_style(s);
        unstyled.apply_style(s);
        EXPECT_EQ(plain.PanelColor(), s.panel) << s.name;
        EXPECT_EQ(group.PanelColor(), light ? s.window : s.panel_group) << s.name;
        EXPECT_EQ(plain.BorderColor(), light ? s.border : s.hint_base) << s.name;
        EXPECT_EQ(group.BorderColor(), plain.BorderColor()) << s.name;
        EXPECT_EQ(unstyled.PanelColor(), Color::rgb(192, 192, 192)) << s.name;
        EXPECT_EQ(unstyled.BorderColor(), Color::rgb(255, 255, 255)) << s.name;
    }
    // The "Light" rule is not the plain rule by accident of the palette.
    const Style& light = style_named("Light");
    EXPECT_NE(light.window, light.panel_group);
    EXPECT_NE(light.border, light.hint_base);

    // No custom style: the panel keeps its own colours.
    TQelGuiPanel panel(&form);
    panel.SetPanelGroupColor(true);
    panel.apply_style(system_style());
    EXPECT_EQ(panel.PanelColor(), Color::rgb(255, 255, 255));
    EXPECT_EQ(panel.BorderColor(), Color::rgb(255, 255, 255));
    EXPECT_EQ(panel.BorderRadius(), 10);
    EXPECT_EQ(panel.BorderWidth(), 1);
    EXPECT_EQ(panel.Alpha(), 255);
    EXPECT_TRUE(panel.Transparent());
}

struct PanelRig {
    HeadlessDesktop desktop;
    TiledForm form{desktop, 120, 80};
    TQelGuiPanel panel{&form};
    Bitmap ground;

    PanelRig() {
        form.set_color(kGround);
        panel.set_bounds(Rect::from_size(10, 10, 100, 60));
        panel.SetAlpha(220);
        panel.SetBorderRadius(5);
        panel.SetBorderVisible(false);
        ground = Bitmap(120, 80);
        Canvas canvas(ground);
        canvas.draw_tile(ground.bounds(), editor_background(), 0, 0);
    }
    Color paint_at(int x, int y) { return repaint(form).at(x, y); }
};

TEST(Panel, TranslucentBodyOverTheBackgroundAndCornersThatShowIt) {
    PanelRig rig;
    const Color white = Color::rgb(255, 255, 255);
    // Transparent: the corner keeps the tile; the body is white over the tile at 220.
    EXPECT_EQ(rig.paint_at(10, 10), rig.ground.at(10, 10));
    EXPECT_EQ(rig.paint_at(109, 69), rig.ground.at(109, 69));
    for (const auto& [x, y] : {std::pair{60, 40}, std::pair{61, 41}, std::pair{10, 40}})
        EXPECT_EQ(rig.paint_at(x, y), blend(rig.ground.at(x, y), white, 220)) << x << "," << y;
    // Opaque: the corner takes the form's colour and the body lies over that.
    rig.panel.SetTransparent(false);
    EXPECT_EQ(rig.paint_at(10, 10), kGround);
    EXPECT_EQ(rig.paint_at(60, 40), blend(kGround, white, 220));
    // A nested opaque panel takes its parent panel's colour.
    TQelGuiPanel inner(&rig.panel);
    inner.set_bounds(Rect::from_size(20, 20, 30, 20));
    inner.SetTransparent(false);
    inner.SetPanelColor(Color::rgb(0, 0, 0));
    inner.SetAlpha(0);
    EXPECT_EQ(rig.paint_at(30, 30), white);
    // Alpha 0 draws nothing at all.
    rig.panel.SetTransparent(true);
    rig.panel.SetAlpha(0);
    inner.set_visible(false);
    EXPECT_EQ(rig.paint_at(60, 40), rig.ground.at(60, 40));
}

TEST(Panel, BorderRingBlendsOnceOverTheBackground) {
    PanelRig rig;
    const Color red = Color::rgb(200, 0, 0);
    rig.panel.SetBorderVisible(true);
    rig.panel.SetBorderWidth(2);
    rig.panel.SetBorderColor(red);
    rig.panel.SetPanelColor(Color::rgb(0, 0, 255));
    // The ring's straight parts: the border over the tile, not over the body.
    for (const auto& [x, y] : {std::pair{10, 40}, std::pair{11, 40}, std::pair{60, 69}})
        EXPECT_EQ(rig.paint_at(x, y), blend(rig.ground.at(x, y), red, 220)) << x << "," << y;
    EXPECT_EQ(rig.paint_at(12, 40), blend(rig.ground.at(12, 40), Color::rgb(0, 0, 255), 220));
    // Hidden or zero width: the body reaches the edge.
    rig.panel.SetBorderWidth(0);
    EXPECT_EQ(rig.paint_at(10, 40), blend(rig.ground.at(10, 40), Color::rgb(0, 0, 255), 220));
}

// --- Label ---

// The box of the pixels that differ from the form's colour.
Rect ink(const Form& form) {
    Rect box{form.width(), form.height(), 0, 0};
    for (int y = 0; y < form.height(); ++y)
        for (int x = 0; x < form.width(); ++x)
            if (form.buffer().at(x, y) != form.color())
                box = Rect{std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                           std::max(box.bottom, y + 1)};
    return box;
}

struct LabelRig {
    HeadlessDesktop desktop;
    Form form{desktop, 220, 60};
    Label label{&form};

    LabelRig() {
        label.set_font(Font(Typeface::bold, 13));
        label.set_caption("Tonvo");
        label.set_auto_size(false);
        label.set_bounds(Rect::from_size(10, 10, 200, 40));
    }
    Rect drawn() {
        repaint(form);
        return ink(form);
    }
};

TEST(Label, AlignsEachLineAndCentresVertically) {
    LabelRig rig;
    const Rect left = rig.drawn();
    ASSERT_FALSE(left.empty());
    EXPECT_EQ(rig.form.buffer().at(left.left, left.top).a, 255);
    const int room = 200 - rig.label.font().text_width("Tonvo");
    rig.label.set_alignment(Alignment::centre);
    EXPECT_EQ(rig.drawn(), shifted(left, room / 2, 0));
    rig.label.set_alignment(Alignment::right);
    EXPECT_EQ(rig.drawn(), shifted(left, room, 0));
    rig.label.set_vertical_centre(true);
    EXPECT_EQ(rig.drawn(), shifted(left, room, (40 - rig.label.font().height()) / 2));
    // Each line of several is aligned on its own.
    rig.label.set_caption("Tonvo\nTonvo Tonvo");
    rig.label.set_vertical_centre(false);
    EXPECT_EQ(rig.drawn().left,
              10 + 200 - rig.label.font().text_width("Tonvo Tonvo") + (left.left - 10));
}

TEST(Label, AutoSizeAndWordWrapFollowTheText) {
    LabelRig rig;
    Label& label = rig.label;
    const Font& font = label.font();
    label.set_auto_size(true);
    EXPECT_EQ(label.bounds(), Rect::from_size(10, 10, font.text_width("Tonvo"), font.height()));
    label.set_caption("ab\r\nTonvo\n");
    EXPECT_EQ(label.bounds(), Rect::from_size(10, 10, font.text_width("Tonvo"), 3 * font.height()));

    // Wrapping at the width of two words: greedy, the breaking spaces dropped.
    label.set_word_wrap(true);
    label.set_bounds(Rect::from_size(10, 10, font.text_width("aaa bbb"), 5));
    label.set_caption("aaa bbb ccc");
    EXPECT_EQ(label.lines(), (std::vector<std::string_view>{"aaa bbb", "ccc"}));
    EXPECT_EQ(label.height(), 2 * font.height());
    // Narrower than a word: one word a line, never an empty one.
    label.set_bounds(Rect::from_size(10, 10, 3, 5));
    EXPECT_EQ(label.lines(), (std::vector<std::string_view>{"aaa", "bbb", "ccc"}));
    EXPECT_EQ(label.height(), 3 * font.height());
    label.set_caption("  aaa  bbb");
    EXPECT_EQ(label.lines(), (std::vector<std::string_view>{"  aaa", "bbb"}));
    // A space that fits before the break is dropped too.
    label.set_bounds(Rect::from_size(10, 10, font.text_width("aaa "), 5));
    label.set_caption("aaa  bbb");
    EXPECT_EQ(label.lines(), (std::vector<std::string_view>{"aaa", "bbb"}));
}

// --- Button ---

// A dialog form: Enter and Escape left over go to its default and cancel buttons.
class DialogForm : public Form {
public:
    using Form::Form;
    bool key_down(Key key, Modifiers) override { return press_dialog_button(*this, key); }
};

struct DialogRig {
    HeadlessDesktop desktop;
    DialogForm form{desktop, 200, 40};
    Button ok{&form};
    Button cancel{&form};
    Button other{&form};
    std::vector<std::string> clicked;

    DialogRig() {
        ok.set_bounds(Rect::from_size(10, 10, 50, 20));
        ok.set_default(true);
        ok.set_modal_result(ModalResult::ok);
        cancel.set_bounds(Rect::from_size(70, 10, 50, 20));
        cancel.set_cancel(true);
        cancel.set_modal_result(ModalResult::cancel);
        other.set_bounds(Rect::from_size(130, 10, 50, 20));
        for (auto [b, name] : {std::pair{&ok, "ok"}, {&cancel, "cancel"}, {&other, "other"}})
            b->OnClick = [this, n = std::string(name)](Control& sender) {
                clicked.push_back(
                    n + (sender.form()->modal_result() == ModalResult::none ? "" : " with result"));
            };
    }
};

TEST(Button, ClicksSetTheFormsModalResultBeforeOnClick) {
    DialogRig rig;
    rig.desktop.expect_modal([&](Form& f) {
        click(f, 150, 20); // no result: the dialog stays open
        EXPECT_EQ(f.modal_result(), ModalResult::none);
        click(f, 20, 20);
    });
    EXPECT_EQ(rig.form.show_modal(nullptr), ModalResult::ok);
    EXPECT_EQ(rig.clicked, (std::vector<std::string>{"other", "ok with result"}));
    EXPECT_EQ(rig.desktop.unanswered(), 0);
}

TEST(Button, KeysPressTheFocusedTheDefaultAndTheCancelButton) {
    DialogRig rig;
    ASSERT_TRUE(rig.other.set_focus());
    press_key(rig.form, Key::space);
    press_key(rig.form, Key::enter); // the focused button, not the default one
    EXPECT_EQ(rig.clicked, (std::vector<std::string>{"other", "other"}));
    press_key(rig.form, Key::escape);
    EXPECT_EQ(rig.form.modal_result(), ModalResult::cancel);
    rig.form.set_modal_result(ModalResult::none);
    rig.form.set_focus_to(nullptr);
    press_key(rig.form, Key::enter);
    EXPECT_EQ(rig.form.modal_result(), ModalResult::ok);
    // A disabled default button is not pressed, and other keys press nothing.
    rig.form.set_modal_result(ModalResult::none);
    rig.ok.set_enabled(false);
    press_key(rig.form, Key::enter);
    press_key(rig.form, Key::tab);
    EXPECT_EQ(rig.form.modal_result(), ModalResult::none);
    EXPECT_EQ(rig.clicked.size(), 4u);

    // The focused button shows the dotted focus mark three pixels in.
    repaint(rig.form);
    const Color face = system_style().button_face;
    EXPECT_EQ(rig.form.buffer().at(133, 13), face);
    rig.cancel.set_focus();
    rig.form.paint_invalid();
    EXPECT_EQ(rig.form.buffer().at(73, 13), system_style().button_text);
    EXPECT_EQ(rig.form.buffer().at(74, 13), face);
    EXPECT_EQ(rig.form.buffer().at(73, 14), face);
    EXPECT_EQ(rig.form.buffer().at(73, 15), system_style().button_text);
}

// --- Golden images: each control on the editor's background in two styles ---

TEST(Golden, SmallControlsInTwoStyles) {
    for (const char* name : {"Carbon", "Light"}) {
        const Style& style = style_named(name);
        const std::string suffix = name == std::string_view("Carbon") ? "_carbon" : "_light";
        // A small form for each: the editor's background for panels, the style's window colour
        // for the rest (a "Light" text is dark, made for a light ground).
        HeadlessDesktop desktop;
        TiledForm panels(desktop, 80, 40), speed(desktop, 90, 30), menu(desktop, 30, 30),
            labels(desktop, 120, 30), buttons(desktop, 90, 30);
        for (TiledForm* form : {&panels, &speed, &menu, &labels, &buttons}) {
            form->set_color(style.window);
            form->tiled = form == &panels;
        }
        TQelGuiPanel panel(&panels);
        panel.set_bounds(Rect::from_size(4, 4, 72, 32));
        panel.SetAlpha(220);
        panel.SetBorderRadius(6);
        TQelGuiPanel group(&panel);
        group.set_bounds(Rect::from_size(36, 8, 30, 16));
        group.SetPanelGroupColor(true);
        TQelSpTBXSpeedButton speed_button(&speed);
        speed_button.set_bounds(Rect::from_size(3, 2, 84, 26));
        speed_button.set_caption("Preset");
        speed_button.set_font(Font(Typeface::bold, 13));
        speed_button.set_drop_down_arrow(true);
        TQelMenuButton menu_button(&menu);
        menu_button.set_bounds(Rect::from_size(2, 2, 26, 26));
        Label label(&labels);
        label.set_auto_size(false);
        label.set_bounds(Rect::from_size(2, 2, 116, 26));
        label.set_alignment(Alignment::centre);
        label.set_vertical_centre(true);
        label.set_font(Font(Typeface::regular, 11));
        label.set_caption("Transpose +12");
        Button button(&buttons);
        button.set_bounds(Rect::from_size(5, 3, 80, 24));
        button.set_caption("OK");
        button.set_default(true);
        panel.apply_style(style);
        group.apply_style(style);
        speed_button.apply_style(style);
        menu_button.apply_style(style);
        label.apply_style(style);
        button.apply_style(style);
        button.set_focus();
        speed.deliver_mouse_move(20, 10); // hot
        expect_golden(repaint(panels), "panel" + suffix);
        expect_golden(repaint(speed), "speed_button" + suffix);
        expect_golden(repaint(menu), "menu_button" + suffix);
        expect_golden(repaint(labels), "label" + suffix);
        expect_golden(repaint(buttons), "button" + suffix);
    }
}

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
