// The list box: where items lie in columns, scrolling that follows the selection, the keys,
// presses and double clicks, and its looks.
#include "ui/golden.h"
#include "ui/headless/headless_desktop.h"
#include "ui/list_box.h"

#include <gtest/gtest.h>

namespace tonvo::ui {
namespace {

struct ListFixture : ::testing::Test {
    HeadlessDesktop desktop;
    Form form{desktop, 320, 120};
    ListBox list{&form};
    int changes = 0;

    void SetUp() override {
        list.set_bounds(Rect{10, 10, 310, 110}); // 300 x 100
        list.set_item_height(20);
        list.set_columns(3);
        list.OnSelectChange = [this](ListBox&) { ++changes; };
    }
    void fill(int n) {
        for (int i = 0; i < n; ++i)
            list.add("Item " + std::to_string(i), 100 + i);
    }
};

TEST_F(ListFixture, ColumnsFillDownwardsAndShrinkForTheScrollBar) {
    fill(15); // 5 rows x 3 columns fit exactly: no scroll bar
    EXPECT_EQ(list.rows(), 5);
    EXPECT_EQ(list.max_scroll(), 0);
    EXPECT_EQ(list.item_at(0, 0), 0);
    EXPECT_EQ(list.item_at(99, 99), 4);
    EXPECT_EQ(list.item_at(100, 0), 5);
    EXPECT_EQ(list.item_at(299, 21), 11);
    EXPECT_EQ(list.item_at(300, 21), -1);

    // One more: the bar takes the bottom, leaving 4 whole rows; 16 items need 4 columns.
    list.add("extra", 0);
    EXPECT_EQ(list.rows(), 4);
    EXPECT_EQ(list.max_scroll(), 1);
    EXPECT_EQ(list.item_at(0, 80), -1); // below the last whole row
    EXPECT_EQ(list.item_at(0, 97), -1); // on the bar
    EXPECT_EQ(list.item_rect(13), Rect::from_size(300, 20, 100, 20));
    list.set_scroll(5);
    EXPECT_EQ(list.scroll(), 1);
    EXPECT_EQ(list.item_at(250, 60), 15);
    EXPECT_EQ(list.item_at(0, 0), 4);
    list.clear();
    EXPECT_EQ(list.scroll(), 0);
    EXPECT_EQ(list.item_at(0, 0), -1);
}

TEST_F(ListFixture, KeysMoveTheSelectionAndScrollingFollowsIt) {
    fill(40); // 4 rows: 10 columns
    list.set_focus();
    // Down from none selects the first; at the ends Up and Right change nothing; after End,
    // column 9 is the last of three shown.
    const struct {
        Key key;
        int selected, scroll, changes;
    } steps[] = {{Key::down, 0, 0, 1}, {Key::up, 0, 0, 1},     {Key::right, 4, 0, 2},
                 {Key::end, 39, 7, 3}, {Key::right, 39, 7, 3}, {Key::left, 35, 7, 4},
                 {Key::home, 0, 0, 5}};
    for (size_t i = 0; i < std::size(steps); ++i) {
        press_key(form, steps[i].key);
        EXPECT_EQ(list.selected(), steps[i].selected) << "step " << i;
        EXPECT_EQ(list.scroll(), steps[i].scroll) << "step " << i;
        EXPECT_EQ(changes, steps[i].changes) << "step " << i;
    }
    list.set_selected(22);
    EXPECT_EQ(list.scroll(), 3); // column 5 brought in from the right
    form.deliver_mouse_wheel(-120, 50, 50);
    form.deliver_mouse_wheel(-120, 50, 50);
    EXPECT_EQ(list.scroll(), 5);
    form.deliver_mouse_wheel(120, 50, 50);
    EXPECT_EQ(list.scroll(), 4);
    list.set_selected(99); // out of range: none
    EXPECT_EQ(list.selected(), -1);

    // One column scrolls by rows; Left and Right move by one.
    list.set_columns(1);
    list.set_selected(12);
    EXPECT_EQ(list.scroll(), 8); // rows 8..12 of 5 shown
    press_key(form, Key::right);
    EXPECT_EQ(list.selected(), 13);
    EXPECT_EQ(list.item_at(10, 0), 9);
    EXPECT_EQ(list.item_at(list.width() - 1, 0), -1); // the bar at the right
}

TEST_F(ListFixture, PressesSelectButTheEmptyAreaKeepsTheSelection) {
    fill(7);
    int doubles = 0;
    list.OnDoubleClick = [&](ListBox&) { ++doubles; };
    click(form, 10 + 150, 10 + 30, MouseButton::right); // column 1, row 1
    EXPECT_EQ(list.selected(), 6);
    click(form, 10 + 150, 10 + 50); // below the last item
    click(form, 10 + 150, 10 + 50);
    EXPECT_EQ(list.selected(), 6);
    EXPECT_EQ(doubles, 1); // the list's own, wherever it lands
    desktop.manual_clock().advance(Millis{1000});
    click(form, 10 + 5, 10 + 5);
    EXPECT_EQ(list.selected(), 0);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(doubles, 1);
}

TEST_F(ListFixture, LooksWithColumnsAndScrollBar) {
    set_active_style(*find_style("Carbon"));
    list.apply_style(active_style());
    fill(9);
    list.add("A name far too long for its column", 0);
    fill(6); // 16 items in 4 rows: a fourth column, off to the right
    list.set_selected(5);
    form.paint_invalid();
    set_active_style(system_style());
    expect_golden(form.buffer(), "list_box_carbon");
}

} // namespace
} // namespace tonvo::ui
