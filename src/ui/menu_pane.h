// One open level of a popup menu: a borderless window of ours showing the visible sub-items of
// one menu item, laid out in rows, with at most one row highlighted.
//
// Layout, from the text's line height h: an item row is h + 8 pixels high, a separator 7; a
// square gutter on the left holds the check mark, a column on the right the submenu arrow,
// and the pane is as wide as its widest caption between them. Hidden items take no space.
//
// Thread contract: user-interface thread only.
#pragma once

#include "ui/form.h"
#include "ui/menu_item.h"
#include "ui/style.h"
#include "ui/text_painter.h"

#include <vector>

namespace tonvo::ui {

struct MenuMetrics {
    int border = 1;
    int item_height = 22;
    int separator_height = 7;
    int gutter = 22;       // check-mark column, left of the caption
    int caption_gap = 8;   // between the caption and the arrow column
    int arrow_column = 20; // right of the caption, also the right padding of every row
    int min_width = 100;

    static MenuMetrics for_text(const TextPainter& text);
};

class MenuPane final : public Form {
public:
    struct Row {
        MenuItem* item;
        int top;    // pane pixels
        int bottom; // exclusive
    };

    // Lays out the visible sub-items of `owner`; the size follows from them.
    MenuPane(Desktop& desktop, MenuItem& owner, const Style& style, const TextPainter& text);

    MenuItem& owner() const { return owner_; }
    const std::vector<Row>& rows() const { return rows_; }
    const MenuMetrics& metrics() const { return metrics_; }
    // The row under a pane pixel (only inside the border), or -1.
    int row_at(int x, int y) const;
    // The row showing `item`, or -1.
    int row_of(const MenuItem* item) const;
    // A row's rectangle in pane pixels, the full width inside the border.
    Rect row_rect(int row) const;
    // The pane's rectangle on the screen.
    Rect screen_rect() const { return Rect::from_size(left(), top(), width(), height()); }

    // -1 for none. Only selectable rows are highlighted; others clear the highlight.
    int highlighted() const { return highlighted_; }
    void set_highlighted(int row);
    // The first or last selectable row, or the next one from `from` in `step` direction (+1,
    // -1), wrapping round; -1 when none is selectable.
    int next_selectable(int from, int step) const;

    void paint(Canvas& canvas, const Rect& area) override;

private:
    // Whether the separator at `index` of `owner` is drawn.
    static bool separates(const MenuItem& owner, size_t index);

    void paint_row(Canvas& canvas, const Rect& area, int row);

    MenuItem& owner_;
    const Style& style_;
    const TextPainter& text_;
    MenuMetrics metrics_;
    std::vector<Row> rows_;
    int highlighted_ = -1;
};

// Where a menu's top-left goes when it is opened at (x, y), a pane of `width` x `height` on
// `screen`: at the point when it fits, else flipped to the left of (or above) the point, and
// in any case shifted so that it stays on the screen (at its top-left when it is larger).
Point place_popup(const Rect& screen, int x, int y, int width, int height);
// Where a submenu goes: right of its parent pane with its first row level with `item` (screen
// rectangle of the item's row), or left of the parent when there is no room on the right,
// shifted up when it would leave the bottom of the screen.
Point place_submenu(const Rect& screen, const Rect& parent, const Rect& item, int width, int height,
                    int border);

} // namespace tonvo::ui
