// Popup menus: check marks by tag, layout and screen placement, keyboard and mouse navigation
// through the session, choosing, and a golden image of an open menu.
#include "golden.h"
#include "ui/headless/headless_desktop.h"
#include "ui/popup_menu.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tonvo::ui {
namespace {

// Text as boxes: 14-pixel lines, 7 pixels a byte, drawn as a bar in the text's colour.
class BoxText final : public TextPainter {
public:
    int line_height() const override { return 14; }
    int text_width(std::string_view utf8) const override {
        return 7 * static_cast<int>(utf8.size());
    }
    void draw_text(Canvas& canvas, int x, int y, std::string_view utf8,
                   Color color) const override {
        canvas.fill_rect(Rect::from_size(x, y + 3, text_width(utf8), 8), color);
    }
};

const BoxText kText;
constexpr int kItem = 22; // 14 + 8
constexpr int kSeparator = 7;

Point centre(const Rect& r) {
    return Point{r.left + r.width() / 2, r.top + r.height() / 2};
}
void click_item(MenuSession& s, const MenuItem& item) {
    const Point p = centre(s.item_rect(item));
    click(s, p.x, p.y);
}
void hover_item(MenuSession& s, const MenuItem& item) {
    const Point p = centre(s.item_rect(item));
    hover(s, p.x, p.y);
}

TEST(CheckByTag, SetsAndClearsThroughSubmenusWithOrWithoutParents) {
    MenuItem root;
    MenuItem& a = root.add("A", 1);
    MenuItem& b = root.add("B", 2);
    MenuItem& sep = root.add_separator();
    MenuItem& sub = root.add("Sub", 0);
    MenuItem& c = sub.add("C", 2);
    MenuItem& inner = sub.add("Inner", 0);
    MenuItem& d = inner.add("D", 2);
    MenuItem& e = sub.add("E", 3);
    e.Visible = false; // hidden items are walked too
    a.Checked = true;
    sub.Checked = true;

    EXPECT_EQ(check_by_tag(root, 2, false), 3);
    EXPECT_FALSE(a.Checked);
    EXPECT_TRUE(b.Checked && c.Checked && d.Checked);
    EXPECT_FALSE(sub.Checked || inner.Checked || e.Checked);

    EXPECT_EQ(check_by_tag(root, 3, true), 1);
    EXPECT_TRUE(e.Checked && sub.Checked);
    EXPECT_FALSE(b.Checked || c.Checked || d.Checked || inner.Checked);

    // Both submenus above an item two levels down; a separator (Tag 0) never.
    check_by_tag(root, 2, true);
    EXPECT_TRUE(sub.Checked && inner.Checked && d.Checked);
    check_by_tag(root, 0, false);
    EXPECT_FALSE(sep.Checked);

    // From a start item: only what lies below it changes, the start item itself stays.
    HeadlessDesktop desktop;
    TQelPopupMenu menu(desktop, kText);
    MenuItem& m1 = menu.add("one", 5);
    MenuItem& msub = menu.add("sub", 9);
    MenuItem& m2 = msub.add("two", 9);
    MenuItem& m3 = msub.add("three", 5);
    EXPECT_EQ(menu.CheckByTag(9, &msub, true), 1);
    EXPECT_TRUE(m2.Checked);
    EXPECT_FALSE(msub.Checked || m1.Checked || m3.Checked);
    EXPECT_EQ(menu.CheckByTag(5), 2); // from the root
    EXPECT_TRUE(m1.Checked && m3.Checked);
    EXPECT_FALSE(msub.Checked || m2.Checked);
}

// OnPopup has its say before the layout. Hidden items take no space and take their
// separators with them: no line opens or closes the pane and no two lines stand together.
TEST(PopupMenu, OnPopupRunsBeforeLayoutAndHiddenItemsTakeNoSpace) {
    HeadlessDesktop desktop;
    TQelPopupMenu menu(desktop, kText);
    MenuItem& leading = menu.add_separator();
    MenuItem& first = menu.add("First");
    MenuItem& between = menu.add_separator();
    MenuItem& hidden = menu.add("A much longer caption");
    MenuItem& doubled = menu.add_separator();
    MenuItem& last = menu.add("Last", 4);
    menu.add("Hidden too").Visible = false;
    MenuItem& trailing = menu.add_separator();
    int popups = 0;
    menu.OnPopup = [&](TQelPopupMenu& sender) {
        ++popups;
        hidden.Visible = false;
        sender.CheckByTag(4);
    };
    desktop.expect_menu([&](MenuSession& s) {
        ASSERT_EQ(s.pane_count(), 1u);
        const MenuPane& pane = s.pane(0);
        EXPECT_EQ(pane.left(), 300);
        EXPECT_EQ(pane.top(), 200);
        EXPECT_EQ(pane.height(), 2 + 2 * kItem + kSeparator);
        // The width follows the visible captions only ("First", "Last"), not below the minimum.
        EXPECT_EQ(pane.width(), 100);
        EXPECT_EQ(s.item_rect(first), Rect::from_size(301, 201, 98, kItem));
        EXPECT_EQ(s.item_rect(between), Rect::from_size(301, 201 + kItem, 98, kSeparator));
        EXPECT_EQ(s.item_rect(last), Rect::from_size(301, 201 + kItem + kSeparator, 98, kItem));
        for (const MenuItem* gone : {&leading, &hidden, &doubled, &trailing})
            EXPECT_TRUE(s.item_rect(*gone).empty());
        EXPECT_TRUE(last.Checked);
        s.close();
    });
    menu.Popup(300, 200);
    EXPECT_EQ(popups, 1);

    // Wide captions widen the pane: border, gutter, caption, gap, arrow column.
    menu.OnPopup = [&](TQelPopupMenu&) { hidden.Visible = true; };
    desktop.expect_menu([&](MenuSession& s) { EXPECT_EQ(s.pane(0).width(), 2 + 22 + 147 + 28); });
    menu.Popup(300, 200);
    EXPECT_EQ(desktop.menus_shown(), 2);
    EXPECT_EQ(desktop.unanswered_menus(), 1);

    // Nothing visible: no menu at all, but OnPopup still had its say.
    menu.OnPopup = [&](TQelPopupMenu& sender) {
        ++popups;
        for (size_t i = 0; i < sender.items().count(); ++i)
            sender.items().item(i).Visible = false;
    };
    menu.Popup(300, 200);
    EXPECT_EQ(popups, 2);
    EXPECT_EQ(desktop.menus_shown(), 2);
}

// A menu of every kind of row: two usable items around a separator, a disabled and a hidden
// one, and a submenu with a separator of its own.
struct Fixture {
    HeadlessDesktop desktop{Rect{0, 0, 800, 600}};
    TQelPopupMenu menu;
    std::vector<int> clicked;
    MenuItem& a;
    MenuItem& sep;
    MenuItem& off;
    MenuItem& hidden;
    MenuItem& d;
    MenuItem& sub;
    MenuItem& f;
    MenuItem& g;
    MenuItem& h;

    explicit Fixture(const TextPainter& text = kText)
        : menu(desktop, text), a(add("Alpha", 1)), sep(menu.add_separator()), off(add("Off", 2)),
          hidden(add("Hid", 3)), d(add("Delta", 4)), sub(add("More", 5)),
          f(sub.add("Foxtrot", 6, handler())),
          g((sub.add_separator(), sub.add("Golf", 7, handler()))), h(sub.add("Hotel", 8)) {
        off.Enabled = false;
        hidden.Visible = false;
        h.Enabled = false;
    }
    MenuItem::ClickHandler handler() {
        return [this](MenuItem& sender) { clicked.push_back(sender.Tag); };
    }
    MenuItem& add(const char* caption, int tag) { return menu.add(caption, tag, handler()); }
    // Opens the menu at (x, y) for `script`; what it leaves open the desktop closes, unanswered.
    void popup(int x, int y, HeadlessDesktop::MenuScript script) {
        desktop.expect_menu(std::move(script));
        menu.Popup(x, y);
    }
};

// Key by key: the panes open and the item lit after it; no pane left means the menu closed
// with nothing chosen.
TEST(PopupMenu, KeyboardSkipsWhatCannotBeChosenWrapsAndWalksSubmenus) {
    Fixture m;
    struct Step {
        Key key;
        size_t panes;
        const MenuItem* lit;
    };
    const Step steps[] = {
        {Key::up, 1, &m.sub}, // from nothing: the last usable item
        {Key::down, 1, &m.a},      {Key::down, 1, &m.d},
        {Key::down, 1, &m.sub},    {Key::down, 1, &m.a},
        {Key::up, 1, &m.sub},      {Key::right, 2, &m.f},
        {Key::down, 2, &m.g}, // over the separator; Hotel is disabled
        {Key::down, 2, &m.f},      {Key::left, 1, &m.sub},
        {Key::left, 1, &m.sub}, // nothing to close on the root
        {Key::enter, 2, &m.f},     {Key::escape, 1, &m.sub},
        {Key::escape, 0, nullptr},
    };
    m.popup(10, 10, [&](MenuSession& s) {
        for (size_t i = 0; i < std::size(steps); ++i) {
            SCOPED_TRACE("step " + std::to_string(i));
            press_key(s, steps[i].key);
            ASSERT_EQ(s.pane_count(), steps[i].panes);
            EXPECT_EQ(s.finished(), steps[i].panes == 0);
            EXPECT_EQ(s.highlighted_item(), steps[i].lit);
        }
        EXPECT_EQ(s.chosen(), nullptr);
    });
    EXPECT_TRUE(m.clicked.empty());
    EXPECT_EQ(m.desktop.unanswered_menus(), 0);
}

TEST(PopupMenu, ChoosingRunsOnlyTheChosenHandlerOnceAfterTheMenuClosed) {
    Fixture m;
    bool closed_when_clicked = false;
    m.g.OnClick = [&, record = m.handler()](MenuItem& sender) {
        closed_when_clicked = !m.menu.popped_up();
        record(sender);
        // The handler rebuilds the submenu that held its item and runs on: its own captures
        // must outlive the item.
        m.sub.clear();
        m.sub.add("Rebuilt");
        record(m.a);
    };
    m.popup(10, 10, [&](MenuSession& s) {
        press_key(s, Key::up);
        press_key(s, Key::enter);
        press_key(s, Key::down);
        EXPECT_EQ(s.highlighted_item(), &m.g);
        press_key(s, Key::space);
        EXPECT_TRUE(s.finished());
        EXPECT_EQ(s.chosen(), &m.g);
        press_key(s, Key::enter); // a finished session takes no more input
        EXPECT_TRUE(m.clicked.empty());
    });
    EXPECT_EQ(m.clicked, (std::vector<int>{7, 1}));
    EXPECT_TRUE(closed_when_clicked);
    ASSERT_EQ(m.sub.count(), 1u);

    // An unscripted menu closes with nothing chosen.
    m.menu.Popup(10, 10);
    EXPECT_EQ(m.clicked.size(), 2u);
    EXPECT_EQ(m.desktop.unanswered_menus(), 1);
}

TEST(PopupMenu, MouseChoosesEnabledItemsOnlyAndAPressOutsideCloses) {
    Fixture m;
    m.popup(10, 10, [&](MenuSession& s) {
        click_item(s, m.off);
        const Rect sep_row = s.item_rect(m.sep);
        click(s, sep_row.left + 10, sep_row.top + 3);
        EXPECT_FALSE(s.finished());
        EXPECT_EQ(s.highlighted_item(), nullptr); // disabled items do not light up
        hover_item(s, m.d);
        EXPECT_EQ(s.highlighted_item(), &m.d);
        // The border is no item.
        const Rect pane = s.pane(0).screen_rect();
        click(s, pane.left, pane.top + 5);
        EXPECT_FALSE(s.finished());
        // A press outside closes; the release that follows chooses nothing.
        click(s, pane.right + 5, pane.top + 5);
        EXPECT_TRUE(s.finished());
    });
    EXPECT_TRUE(m.clicked.empty());

    m.popup(10, 10, [&](MenuSession& s) {
        click_item(s, m.sub); // a click on a submenu item opens it, choosing nothing
        ASSERT_EQ(s.pane_count(), 2u);
        EXPECT_FALSE(s.finished());
        click_item(s, m.h);
        EXPECT_FALSE(s.finished());
        click_item(s, m.f);
        EXPECT_EQ(s.chosen(), &m.f);
    });
    EXPECT_EQ(m.clicked, std::vector<int>{6});
}

// A menu that opens over the button pressed to open it has an item under the pointer: the
// release of that press chooses it only when the pointer came onto it after the press.
TEST(PopupMenu, TheReleaseOfTheOpeningClickChoosesOnlyAnItemThePointerMovedOnto) {
    Fixture m;
    const Point press{40, 22}; // on "Alpha" once the menu is open at (10, 10)
    const auto opened_by_press = [&](HeadlessDesktop::MenuScript script) {
        m.desktop.set_pointer(press, MouseButton::left);
        m.popup(10, 10, std::move(script));
    };
    opened_by_press([&](MenuSession& s) {
        // Moved within the row and released: the click only opened the menu.
        hover(s, press.x + 20, press.y + 2);
        s.mouse_up(MouseButton::left, press.x + 20, press.y + 2);
        EXPECT_FALSE(s.finished());
        click_item(s, m.d); // the next click chooses as ever
    });
    opened_by_press([&](MenuSession& s) {
        // Onto another item and back.
        hover_item(s, m.d);
        hover(s, press.x, press.y);
        s.mouse_up(MouseButton::left, press.x, press.y);
        EXPECT_EQ(s.chosen(), &m.a);
    });
    opened_by_press([&](MenuSession& s) {
        // Released on another item, with no move reported before.
        const Point p = centre(s.item_rect(m.d));
        s.mouse_up(MouseButton::left, p.x, p.y);
        EXPECT_EQ(s.chosen(), &m.d);
    });
    EXPECT_EQ(m.clicked, (std::vector<int>{4, 1, 4}));
}

TEST(PopupMenu, HoverOpensSubmenusAfterTheDelayAndForgivesAPathAcrossOtherItems) {
    Fixture m;
    m.popup(10, 10, [&](MenuSession& s) {
        hover_item(s, m.sub);
        EXPECT_EQ(s.pane_count(), 1u);
        advance(m.desktop, s, Millis{240});
        EXPECT_EQ(s.pane_count(), 1u);
        advance(m.desktop, s, Millis{10});
        ASSERT_EQ(s.pane_count(), 2u);
        EXPECT_EQ(&s.pane(1).owner(), &m.sub);
        // The submenu's first row is level with its item, right of the root pane.
        EXPECT_EQ(s.item_rect(m.f).top, s.item_rect(m.sub).top);
        EXPECT_EQ(s.pane(1).left(), s.pane(0).screen_rect().right);

        // On the way to the submenu the pointer crosses another item: the submenu stays
        // open when the pointer gets there in time.
        hover_item(s, m.d);
        EXPECT_EQ(s.highlighted_item(), &m.d);
        advance(m.desktop, s, Millis{100});
        hover_item(s, m.g);
        EXPECT_EQ(s.highlighted_item(), &m.g);
        EXPECT_EQ(s.pane(0).highlighted(), s.pane(0).row_of(&m.sub));
        advance(m.desktop, s, Millis{500});
        EXPECT_EQ(s.pane_count(), 2u);

        // Resting on another item closes it.
        hover_item(s, m.a);
        advance(m.desktop, s, Millis{250});
        EXPECT_EQ(s.pane_count(), 1u);
        EXPECT_EQ(s.highlighted_item(), &m.a);
    });
}

TEST(PopupMenu, PanesStayOnTheScreen) {
    // The root pane is 100 x 97 (2 + 4 * 22 + 7); "Foxtrot" makes the submenu 101 x 75.
    Fixture m;
    m.menu.set_submenu_delay(Millis{0});
    m.popup(790, 590, [&](MenuSession& s) {
        // Opened near the bottom-right corner, it flips to the left of and above the point.
        EXPECT_EQ(s.pane(0).screen_rect(), Rect::from_size(790 - 100, 590 - 97, 100, 97));
        hover_item(s, m.sub);
        ASSERT_EQ(s.pane_count(), 2u);
        // No room on the right: the submenu opens to the left, shifted up to the bottom.
        EXPECT_EQ(s.pane(1).screen_rect(), Rect::from_size(690 - 101, 600 - 75, 101, 75));
    });

    m.popup(100, 550, [&](MenuSession& s) {
        // Near the bottom only: above the point; the submenu opens on the right, its top
        // level with its item (at 453 + 1 + 3 * 22 + 7 = 527) less the border, then shifted up.
        EXPECT_EQ(s.pane(0).screen_rect(), Rect::from_size(100, 550 - 97, 100, 97));
        EXPECT_EQ(s.item_rect(m.sub).top, 527);
        hover_item(s, m.sub);
        EXPECT_EQ(s.pane(1).screen_rect(), Rect::from_size(200, 600 - 75, 101, 75));
    });

    m.popup(850, -40, [&](MenuSession& s) {
        // A point off the screen: held on it.
        EXPECT_EQ(s.pane(0).left(), 700);
        EXPECT_EQ(s.pane(0).top(), 0);
    });

    // Larger than the screen: its top-left corner on the screen's.
    EXPECT_EQ(place_popup(Rect{0, 0, 80, 60}, 40, 30, 100, 75), (Point{0, 0}));
    EXPECT_EQ(place_popup(Rect{10, 20, 800, 600}, 0, 0, 100, 75), (Point{10, 20}));
}

// The fixture's menu in the menu font with the submenu open, "Golf" highlighted and "Alpha"
// checked. The golden image shows the check mark, separators, disabled text, the highlight of
// the open submenu's item and of "Golf", and the arrow: both panes as the screen shows them, on
// white, in a bitmap just holding them. Rows of 22 pixels for the 12-pixel font; the submenu as
// wide as its widest caption needs.
TEST(PopupMenu, InTheMenuFont) {
    Fixture m(menu_text());
    m.a.Checked = true;
    Bitmap shown;
    m.popup(10, 10, [&](MenuSession& s) {
        press_key(s, Key::up);
        press_key(s, Key::right);
        press_key(s, Key::down);
        ASSERT_EQ(s.pane_count(), 2u);
        const Rect all = unite(s.pane(0).screen_rect(), s.pane(1).screen_rect());
        EXPECT_EQ(s.pane(0).height(), 2 + 4 * kItem + kSeparator);
        EXPECT_EQ(s.pane(1).width(),
                  std::max(100, 2 + kItem + menu_text().text_width("Foxtrot") + 28));
        shown = Bitmap(all.width(), all.height(), Color::rgb(255, 255, 255));
        Canvas canvas(shown);
        for (size_t i = 0; i < 2; ++i) {
            const Rect r = shifted(s.pane(i).screen_rect(), -all.left, -all.top);
            canvas.draw_tile(r, s.pane(i).buffer(), r.left, r.top);
        }
    });
    EXPECT_EQ(menu_text().line_height(), 14);
    expect_golden(shown, "popup_menu_open");
}

} // namespace
} // namespace tonvo::ui
