#include "ui/menu_session.h"

namespace tonvo::ui {

MenuSession::MenuSession(Desktop& desktop, MenuItem& root, const Style& style,
                         const TextPainter& text, Millis submenu_delay)
    : desktop_(desktop), root_(root), style_(style), text_(text), submenu_delay_(submenu_delay) {}

MenuSession::~MenuSession() = default;

bool MenuSession::open(int x, int y) {
    if (finished_ || !panes_.empty())
        return !finished_;
    if (!root_.opens_submenu()) {
        finish(nullptr);
        return false;
    }
    auto pane = std::make_unique<MenuPane>(desktop_, root_, style_, text_);
    const Point at = place_popup(desktop_.screen(), x, y, pane->width(), pane->height());
    pane->set_position(at.x, at.y);
    panes_.push_back(std::move(pane));
    if (const std::optional<Point> p = desktop_.pointer_position()) {
        under_ = item_at(p->x, p->y);
        under_known_ = true;
    }
    return true;
}

void MenuSession::close() {
    finish(nullptr);
}

void MenuSession::finish(MenuItem* chosen) {
    if (finished_)
        return;
    finished_ = true;
    chosen_ = chosen;
    pending_.reset();
    close_from(0);
}

int MenuSession::pane_at(int x, int y) const {
    for (size_t i = panes_.size(); i-- > 0;)
        if (panes_[i]->screen_rect().contains(x, y))
            return static_cast<int>(i);
    return -1;
}

Rect MenuSession::item_rect(const MenuItem& item) const {
    for (const auto& pane : panes_) {
        const int row = pane->row_of(&item);
        if (row >= 0) {
            const Rect r = pane->row_rect(row);
            return Rect::from_size(pane->left() + r.left, pane->top() + r.top, r.width(),
                                   r.height());
        }
    }
    return Rect{};
}

MenuItem* MenuSession::highlighted_item() const {
    for (size_t i = panes_.size(); i-- > 0;)
        if (panes_[i]->highlighted() >= 0)
            return &row_item(i, panes_[i]->highlighted());
    return nullptr;
}

MenuItem& MenuSession::row_item(size_t level, int row) const {
    return *panes_[level]->rows()[static_cast<size_t>(row)].item;
}

int MenuSession::row_under(size_t level, int x, int y) const {
    const MenuPane& p = *panes_[level];
    return p.row_at(x - p.left(), y - p.top());
}

const MenuItem* MenuSession::item_at(int x, int y) const {
    const int level = pane_at(x, y);
    if (level < 0)
        return nullptr;
    const int row = row_under(static_cast<size_t>(level), x, y);
    return row < 0 ? nullptr : &row_item(static_cast<size_t>(level), row);
}

void MenuSession::track_pointer(int x, int y) {
    const MenuItem* item = item_at(x, y);
    if (under_known_ && item != under_)
        moved_onto_ = true;
    under_ = item;
    under_known_ = true;
}

void MenuSession::mouse_move(int x, int y) {
    if (finished_)
        return;
    track_pointer(x, y);
    const int level = pane_at(x, y);
    if (level < 0)
        return; // the highlight stays where it was, as does any open submenu
    hover(static_cast<size_t>(level), row_under(static_cast<size_t>(level), x, y));
}

void MenuSession::hover(size_t level, int row) {
    // Reaching a pane keeps the path to it lit and drops a change pending further out.
    for (size_t k = 0; k < level; ++k)
        panes_[k]->set_highlighted(panes_[k]->row_of(&panes_[k + 1]->owner()));
    if (pending_ && pending_->level < level)
        pending_.reset();

    MenuPane& pane = *panes_[level];
    if (row >= 0 && !row_item(level, row).selectable())
        row = -1;
    if (row == pane.highlighted())
        return;
    pane.set_highlighted(row);
    if (row >= 0 && level + 1 < panes_.size() &&
        &panes_[level + 1]->owner() == &row_item(level, row)) {
        pending_.reset(); // back on the item whose submenu is open
        return;
    }
    if (submenu_delay_ <= Millis{0}) {
        pending_.reset();
        settle(level, row);
        return;
    }
    pending_ = Pending{level, row, desktop_.clock().now() + submenu_delay_};
}

void MenuSession::settle(size_t level, int row) {
    if (level >= panes_.size())
        return;
    if (row >= 0 && row_item(level, row).opens_submenu()) {
        if (level + 1 < panes_.size() && &panes_[level + 1]->owner() == &row_item(level, row))
            return;
        open_submenu(level, row, false);
    } else {
        close_from(level + 1);
    }
}

void MenuSession::idle() {
    if (finished_ || !pending_ || desktop_.clock().now() < pending_->due)
        return;
    const Pending p = *pending_;
    pending_.reset();
    settle(p.level, p.row);
}

void MenuSession::mouse_down(MouseButton button, int x, int y) {
    if (finished_)
        return;
    if (button == MouseButton::left)
        opening_release_ = false;
    track_pointer(x, y);
    const int level = pane_at(x, y);
    if (level < 0) {
        close();
        return;
    }
    const size_t l = static_cast<size_t>(level);
    const int row = row_under(l, x, y);
    if (row >= 0 && row_item(l, row).selectable() && row_item(l, row).opens_submenu()) {
        hover(l, row);
        pending_.reset();
        settle(l, row);
    }
}

void MenuSession::mouse_up(MouseButton button, int x, int y) {
    if (finished_ || button != MouseButton::left)
        return;
    if (opening_release_) {
        opening_release_ = false;
        // Released where the press left the pointer (or where it is not known to have come
        // from elsewhere): the click only opened the menu.
        const MenuItem* item = item_at(x, y);
        if (!under_known_ || (item == under_ && !moved_onto_))
            return;
    }
    const int level = pane_at(x, y);
    if (level < 0)
        return;
    const size_t l = static_cast<size_t>(level);
    const int row = row_under(l, x, y);
    if (row < 0)
        return;
    MenuItem& item = row_item(l, row);
    if (!item.selectable())
        return;
    if (item.opens_submenu()) {
        hover(l, row);
        pending_.reset();
        settle(l, row);
        return;
    }
    finish(&item);
}

void MenuSession::key_down(Key key) {
    if (finished_ || panes_.empty())
        return;
    pending_.reset();
    const size_t level = panes_.size() - 1;
    MenuPane& pane = *panes_[level];
    const int row = pane.highlighted();
    switch (key) {
    case Key::up:
    case Key::down: {
        const int next = pane.next_selectable(row, key == Key::down ? 1 : -1);
        if (next >= 0)
            pane.set_highlighted(next);
        return;
    }
    case Key::right:
    case Key::enter:
    case Key::space:
        if (row < 0)
            return;
        if (row_item(level, row).opens_submenu())
            open_submenu(level, row, true);
        else if (key != Key::right)
            finish(&row_item(level, row));
        return;
    case Key::left:
        if (level > 0)
            close_from(level);
        return;
    case Key::escape:
        if (level > 0)
            close_from(level);
        else
            close();
        return;
    default: return;
    }
}

void MenuSession::open_submenu(size_t level, int row, bool select_first) {
    close_from(level + 1);
    MenuPane& parent = *panes_[level];
    parent.set_highlighted(row);
    MenuItem& item = row_item(level, row);
    auto pane = std::make_unique<MenuPane>(desktop_, item, style_, text_);
    const Rect r = parent.row_rect(row);
    const Rect item_screen =
        Rect::from_size(parent.left() + r.left, parent.top() + r.top, r.width(), r.height());
    const Point at = place_submenu(desktop_.screen(), parent.screen_rect(), item_screen,
                                   pane->width(), pane->height(), pane->metrics().border);
    pane->set_position(at.x, at.y);
    if (select_first)
        pane->set_highlighted(pane->next_selectable(-1, 1));
    panes_.push_back(std::move(pane));
}

void MenuSession::close_from(size_t level) {
    if (level < panes_.size())
        panes_.erase(panes_.begin() + static_cast<std::ptrdiff_t>(level), panes_.end());
    if (pending_ && pending_->level >= panes_.size())
        pending_.reset();
}

void MenuSession::paint() {
    for (auto& pane : panes_)
        pane->paint_invalid();
}

} // namespace tonvo::ui
