#include "ui/list_box.h"

#include "ui/text.h"

#include <algorithm>

namespace tonvo::ui {
namespace {

int ceil_div(int a, int b) {
    return (a + b - 1) / b;
}

} // namespace

ListBox::ListBox(Control* parent)
    : Control(parent), font_(Typeface::regular, 12), style_(&system_style()) {}

void ListBox::add(std::string text, int value) {
    items_.push_back(Item{std::move(text), value});
    invalidate();
}

void ListBox::clear() {
    items_.clear();
    selected_ = -1;
    scroll_ = 0;
    invalidate();
}

void ListBox::set_selected(int index) {
    if (index < 0 || index >= count())
        index = -1;
    if (index >= 0)
        make_visible(index);
    if (index == selected_)
        return;
    selected_ = index;
    invalidate();
    if (OnSelectChange)
        OnSelectChange(*this);
}

void ListBox::set_item_height(int height) {
    item_height_ = std::max(height, 1);
    set_scroll(scroll_);
    invalidate();
}

void ListBox::set_columns(int columns) {
    columns_ = std::max(columns, 1);
    set_scroll(0);
    invalidate();
}

bool ListBox::scroll_bar_shown() const {
    const int full_rows = std::max(height() / item_height_, 1);
    return count() > full_rows * columns_;
}

Rect ListBox::client() const {
    if (!scroll_bar_shown())
        return Rect{0, 0, width(), height()};
    if (columns_ > 1)
        return Rect{0, 0, width(), std::max(height() - kScrollBarSize, 0)};
    return Rect{0, 0, std::max(width() - kScrollBarSize, 0), height()};
}

int ListBox::rows() const {
    return std::max(client().height() / item_height_, 1);
}

int ListBox::column_width() const {
    return client().width() / columns_;
}

int ListBox::scroll_units() const {
    return columns_ > 1 ? ceil_div(count(), rows()) : count();
}

int ListBox::max_scroll() const {
    return std::max(scroll_units() - (columns_ > 1 ? columns_ : rows()), 0);
}

void ListBox::set_scroll(int offset) {
    offset = std::clamp(offset, 0, max_scroll());
    if (offset == scroll_)
        return;
    scroll_ = offset;
    invalidate();
}

Rect ListBox::item_rect(int index) const {
    if (columns_ == 1)
        return Rect::from_size(0, (index - scroll_) * item_height_, client().width(), item_height_);
    const int r = rows();
    return Rect::from_size((index / r - scroll_) * column_width(), (index % r) * item_height_,
                           column_width(), item_height_);
}

int ListBox::item_at(int x, int y) const {
    const Rect c = client();
    if (!c.contains(x, y))
        return -1;
    int index = 0;
    if (columns_ == 1) {
        index = scroll_ + y / item_height_;
    } else {
        const int column = x / std::max(column_width(), 1);
        const int row = y / item_height_;
        if (column >= columns_ || row >= rows())
            return -1; // the strip right of the last column, or below the last whole row
        index = (scroll_ + column) * rows() + row;
    }
    return index < count() ? index : -1;
}

void ListBox::make_visible(int index) {
    if (index < 0 || index >= count())
        return;
    const int unit = columns_ > 1 ? index / rows() : index;
    const int shown = columns_ > 1 ? columns_ : rows();
    if (unit < scroll_)
        set_scroll(unit);
    else if (unit >= scroll_ + shown)
        set_scroll(unit - shown + 1);
}

void ListBox::set_font(Font font) {
    font_ = font;
    invalidate();
}

void ListBox::apply_style(const Style& style) {
    style_ = &style;
    invalidate();
}

Color ListBox::item_face(bool selected) const {
    return selected ? style_->selection : style_->edit_face;
}

Color ListBox::item_text(bool selected) const {
    return selected ? style_->selection_text : style_->edit_text;
}

Rect ListBox::track() const {
    if (!scroll_bar_shown())
        return Rect{};
    if (columns_ > 1)
        return Rect{0, height() - kScrollBarSize, width(), height()};
    return Rect{width() - kScrollBarSize, 0, width(), height()};
}

Rect ListBox::thumb() const {
    const Rect t = track();
    if (t.empty())
        return t;
    const int units = std::max(scroll_units(), 1);
    const int shown = columns_ > 1 ? columns_ : rows();
    const bool across = columns_ > 1;
    const int length = across ? t.width() : t.height();
    // Never shorter than it is thick, unless the whole track is.
    const int size = std::min(std::max(length * shown / units, kScrollBarSize), length);
    const int room = length - size;
    const int max = max_scroll();
    const int at = max > 0 ? room * scroll_ / max : 0;
    return across ? Rect{t.left + at, t.top, t.left + at + size, t.bottom}
                  : Rect{t.left, t.top + at, t.right, t.top + at + size};
}

void ListBox::paint(Canvas& canvas, const Rect& area) {
    const Rect c = client();
    canvas.fill_rect(area, item_face(false));
    canvas.push_clip(Rect::from_size(area.left + c.left, area.top + c.top, c.width(), c.height()));
    const int first = columns_ > 1 ? scroll_ * rows() : scroll_;
    const int last = columns_ > 1 ? (scroll_ + columns_) * rows() : scroll_ + rows() + 1;
    for (int i = first; i < std::min(last, count()); ++i) {
        const Rect local = item_rect(i);
        const Rect r = Rect::from_size(area.left + local.left, area.top + local.top, local.width(),
                                       local.height());
        canvas.push_clip(r);
        if (!canvas.clip().empty()) {
            if (OnDrawItem)
                OnDrawItem(*this, i, canvas, r, i == selected_);
            else
                paint_default(i, canvas, r, i == selected_);
        }
        canvas.pop_clip();
    }
    canvas.pop_clip();
    const Rect t = track();
    if (!t.empty()) {
        const Rect th = thumb();
        canvas.fill_rect(
            Rect::from_size(area.left + t.left, area.top + t.top, t.width(), t.height()),
            style_->button_face);
        canvas.fill_rect(Rect::from_size(area.left + th.left + 1, area.top + th.top + 1,
                                         th.width() - 2, th.height() - 2),
                         style_->button_text_disabled);
    }
}

void ListBox::paint_default(int index, Canvas& canvas, Rect r, bool selected) {
    canvas.fill_rect(r, item_face(selected));
    const int y = r.top + (r.height() - font_.height()) / 2;
    draw_text(canvas, font_, r.left + 2, y, items_[static_cast<size_t>(index)].text,
              item_text(selected));
}

void ListBox::select_by_user(int index) {
    if (count() == 0)
        return;
    set_selected(std::clamp(index, 0, count() - 1));
}

void ListBox::mouse_down(MouseButton button, int x, int y, Modifiers) {
    if (button == MouseButton::middle)
        return;
    if (button == MouseButton::left && track().contains(x, y)) {
        // A press beside the thumb pages towards it.
        const Rect th = thumb();
        const int page = columns_ > 1 ? columns_ : rows();
        const bool before = columns_ > 1 ? x < th.left : y < th.top;
        const bool after = columns_ > 1 ? x >= th.right : y >= th.bottom;
        if (before || after)
            set_scroll(scroll_ + (before ? -page : page));
        return;
    }
    const int index = item_at(x, y);
    if (index >= 0)
        set_selected(index);
}

void ListBox::double_click(int, int) {
    if (OnDoubleClick)
        OnDoubleClick(*this);
}

bool ListBox::mouse_wheel(int delta, int, int, Modifiers) {
    if (delta == 0)
        return false;
    set_scroll(scroll_ + (delta > 0 ? -1 : 1));
    return true;
}

bool ListBox::key_down(Key key, Modifiers) {
    const int step = columns_ > 1 ? rows() : 1;
    const int from = selected_;
    switch (key) {
    case Key::up: select_by_user(from < 0 ? 0 : from - 1); return true;
    case Key::down: select_by_user(from < 0 ? 0 : from + 1); return true;
    case Key::left: select_by_user(from < 0 ? 0 : from - step); return true;
    case Key::right: select_by_user(from < 0 ? 0 : from + step); return true;
    case Key::home: select_by_user(0); return true;
    case Key::end: select_by_user(count() - 1); return true;
    default: return false;
    }
}

void ListBox::resized() {
    set_scroll(scroll_);
    make_visible(selected_);
}

} // namespace tonvo::ui
