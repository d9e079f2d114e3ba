// A list box: a list of text items, each with an integer value, of which one (or none) is
// selected, drawn in rows of a fixed height.
//
// With one column the items run down the control and it scrolls by whole rows, with a thin
// scroll bar at the right while they do not all fit. With several columns (of equal width:
// the client width divided by their number) the items run down the first column, then go on at
// the top of the next; the list scrolls sideways by whole columns, with a thin scroll bar
// along the bottom while they do not all fit.
//
// Left and right presses select the item under the pointer; a press on the empty area keeps
// the selection. Up and Down move by one item, Left and Right by one column (one item with a
// single column), Home and End go to the ends; the wheel scrolls. Every change of selection
// by the user or by set_selected runs OnSelectChange and scrolls the item into view.
//
// Thread contract: user-interface thread only.
#pragma once

#include "ui/control.h"
#include "ui/font.h"
#include "ui/style.h"

#include <functional>
#include <string>
#include <vector>

namespace tonvo::ui {

class ListBox : public Control {
public:
    static constexpr int kScrollBarSize = 6;

    struct Item {
        std::string text;
        int value = 0;
    };
    // Draws one item into `item_rect` (back-buffer pixels, the canvas clipped to it and to the
    // list); item_face() and item_text() give the colours the list would use.
    using DrawItem = std::function<void(ListBox& sender, int index, Canvas& canvas, Rect item_rect,
                                        bool selected)>;

    explicit ListBox(Control* parent);

    // --- Items ---
    void add(std::string text, int value = 0);
    // Removes every item; the selection becomes none and the scroll offset 0.
    void clear();
    int count() const { return static_cast<int>(items_.size()); }
    const Item& item(int index) const { return items_[static_cast<size_t>(index)]; }

    // The selected index, -1 for none. Setting one outside the items selects none.
    int selected() const { return selected_; }
    void set_selected(int index);

    // --- Geometry ---
    int item_height() const { return item_height_; }
    void set_item_height(int height); // at least 1
    int columns() const { return columns_; }
    void set_columns(int columns); // at least 1
    // Rows that fit in one column (at least 1).
    int rows() const;
    // The first column (several columns) or the first row (one column) shown.
    int scroll() const { return scroll_; }
    void set_scroll(int offset); // held to 0..max_scroll()
    int max_scroll() const;
    // The item under a point in the list's pixels, -1 for none.
    int item_at(int x, int y) const;
    // Where an item lies in the list's pixels now (may lie outside the list when scrolled
    // away).
    Rect item_rect(int index) const;
    // Scrolls as little as needed to show the item whole.
    void make_visible(int index);

    // --- Looks ---
    const Font& font() const { return font_; }
    void set_font(Font font);
    void apply_style(const Style& style);
    Color item_face(bool selected) const;
    Color item_text(bool selected) const;

    DrawItem OnDrawItem;
    std::function<void(ListBox& sender)> OnSelectChange;
    std::function<void(ListBox& sender)> OnDoubleClick;

    bool can_focus() const override { return true; }
    void paint(Canvas& canvas, const Rect& area) override;
    void mouse_down(MouseButton button, int x, int y, Modifiers mods) override;
    void double_click(int x, int y) override;
    bool mouse_wheel(int delta, int x, int y, Modifiers mods) override;
    bool key_down(Key key, Modifiers mods) override;
    void resized() override;

private:
    bool scroll_bar_shown() const;
    // The part of the list the items are drawn in: all of it less the scroll bar.
    Rect client() const;
    int column_width() const;
    int scroll_units() const; // columns, or rows with one column
    // The scroll bar's track (button face) and thumb (disabled-text grey, which stands out
    // from the face in every style), in the list's pixels.
    Rect track() const;
    Rect thumb() const;
    void select_by_user(int index);
    void paint_default(int index, Canvas& canvas, Rect r, bool selected);

    std::vector<Item> items_;
    int selected_ = -1;
    int item_height_ = 16;
    int columns_ = 1;
    int scroll_ = 0;
    Font font_;
    const Style* style_;
};

} // namespace tonvo::ui
