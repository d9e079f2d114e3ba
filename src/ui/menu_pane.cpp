#include "ui/menu_pane.h"

#include <algorithm>

namespace tonvo::ui {

MenuMetrics MenuMetrics::for_text(const TextPainter& text) {
    MenuMetrics m;
    m.item_height = std::max(text.line_height(), 8) + 8;
    m.gutter = m.item_height;
    return m;
}

// A separator shows only between two visible items: hidden items take their lines with them,
// so no two lines stand together and none opens or closes a pane. Of a run of separators with
// items on both sides, the first shows.
bool MenuPane::separates(const MenuItem& owner, size_t index) {
    bool item_before = false;
    for (size_t i = index; i-- > 0;) {
        const MenuItem& before = owner.item(i);
        if (!before.Visible)
            continue;
        if (before.is_separator())
            return false;
        item_before = true;
        break;
    }
    if (!item_before)
        return false;
    for (size_t i = index + 1; i < owner.count(); ++i) {
        const MenuItem& after = owner.item(i);
        if (after.Visible && !after.is_separator())
            return true;
    }
    return false;
}

MenuPane::MenuPane(Desktop& desktop, MenuItem& owner, const Style& style, const TextPainter& text)
    : Form(desktop, 0, 0), owner_(owner), style_(style), text_(text),
      metrics_(MenuMetrics::for_text(text)) {
    int y = metrics_.border;
    int widest = 0;
    for (size_t i = 0; i < owner.count(); ++i) {
        MenuItem& item = owner.item(i);
        if (!item.Visible || (item.is_separator() && !separates(owner, i)))
            continue;
        const int h = item.is_separator() ? metrics_.separator_height : metrics_.item_height;
        rows_.push_back(Row{&item, y, y + h});
        y += h;
        if (!item.is_separator())
            widest = std::max(widest, text.text_width(item.Caption));
    }
    const int width =
        std::max(metrics_.min_width, 2 * metrics_.border + metrics_.gutter + widest +
                                         metrics_.caption_gap + metrics_.arrow_column);
    set_client_size(width, y + metrics_.border);
}

int MenuPane::row_at(int x, int y) const {
    if (x < metrics_.border || x >= width() - metrics_.border)
        return -1;
    for (size_t i = 0; i < rows_.size(); ++i)
        if (y >= rows_[i].top && y < rows_[i].bottom)
            return static_cast<int>(i);
    return -1;
}

int MenuPane::row_of(const MenuItem* item) const {
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].item == item)
            return static_cast<int>(i);
    return -1;
}

Rect MenuPane::row_rect(int row) const {
    if (row < 0 || static_cast<size_t>(row) >= rows_.size())
        return Rect{};
    const Row& r = rows_[static_cast<size_t>(row)];
    return Rect{metrics_.border, r.top, width() - metrics_.border, r.bottom};
}

void MenuPane::set_highlighted(int row) {
    if (row < 0 || static_cast<size_t>(row) >= rows_.size() ||
        !rows_[static_cast<size_t>(row)].item->selectable())
        row = -1;
    if (row == highlighted_)
        return;
    invalidate_rect(row_rect(highlighted_));
    highlighted_ = row;
    invalidate_rect(row_rect(highlighted_));
}

int MenuPane::next_selectable(int from, int step) const {
    const int n = static_cast<int>(rows_.size());
    if (n == 0)
        return -1;
    int at = from;
    if (at < 0 || at >= n)
        at = step > 0 ? n - 1 : 0; // so the first step lands on the first or last row
    for (int tried = 0; tried < n; ++tried) {
        at = (at + step + n) % n;
        if (rows_[static_cast<size_t>(at)].item->selectable())
            return at;
    }
    return -1;
}

void MenuPane::paint(Canvas& canvas, const Rect& area) {
    canvas.fill_rect(area, style_.menu_face);
    canvas.stroke_rect(area, style_.menu_border, metrics_.border);
    for (size_t i = 0; i < rows_.size(); ++i)
        paint_row(canvas, area, static_cast<int>(i));
}

void MenuPane::paint_row(Canvas& canvas, const Rect& area, int row) {
    const Row& r = rows_[static_cast<size_t>(row)];
    const MenuMetrics& m = metrics_;
    const int left = area.left + m.border;
    const int right = area.right - m.border; // exclusive
    const int top = area.top + r.top;
    if (r.item->is_separator()) {
        canvas.hline(left + m.gutter, right - 4, top + m.separator_height / 2,
                     style_.menu_separator);
        return;
    }
    const bool lit = row == highlighted_;
    if (lit)
        canvas.fill_rect(Rect{left + 2, top, right - 2, area.top + r.bottom},
                         style_.menu_highlight);
    const Color ink = !r.item->Enabled ? style_.menu_text_disabled
                      : lit            ? style_.menu_highlight_text
                                       : style_.menu_text;
    const int cy = top + m.item_height / 2;
    if (r.item->Checked) {
        // A tick two pixels thick: down-right from the left arm, then up to the right.
        const int cx = left + m.gutter / 2;
        for (int t = 0; t < 2; ++t) {
            canvas.line(cx - 4, cy - 1 + t, cx - 1, cy + 2 + t, ink);
            canvas.line(cx - 1, cy + 2 + t, cx + 4, cy - 3 + t, ink);
        }
    }
    text_.draw_text(canvas, left + m.gutter, top + (m.item_height - text_.line_height()) / 2,
                    r.item->Caption, ink);
    if (r.item->opens_submenu()) {
        // A right-pointing triangle, 4 columns wide and 7 rows high at the tip's base.
        const int x0 = right - m.arrow_column / 2 - 2;
        for (int i = 0; i < 4; ++i)
            canvas.vline(x0 + i, cy - 3 + i, cy + 3 - i, ink);
    }
}

namespace {
// `at` when the span fits before `hi`, else `instead`; then held inside [lo, hi).
int fit(int at, int instead, int size, int lo, int hi) {
    if (int64_t{at} + size > hi)
        at = instead;
    if (int64_t{at} + size > hi)
        at = hi - size;
    return std::max(at, lo);
}
} // namespace

Point place_popup(const Rect& screen, int x, int y, int width, int height) {
    return Point{fit(x, x - width, width, screen.left, screen.right),
                 fit(y, y - height, height, screen.top, screen.bottom)};
}

Point place_submenu(const Rect& screen, const Rect& parent, const Rect& item, int width, int height,
                    int border) {
    const int top = item.top - border;
    return Point{fit(parent.right, parent.left - width, width, screen.left, screen.right),
                 fit(top, screen.bottom - height, height, screen.top, screen.bottom)};
}

} // namespace tonvo::ui
