#include "ui/menu_item.h"

#include <algorithm>

namespace tonvo::ui {

MenuItem& MenuItem::append(MenuItemKind kind) {
    items_.push_back(std::make_unique<MenuItem>());
    MenuItem& item = *items_.back();
    item.kind_ = kind;
    item.parent_ = this;
    return item;
}

MenuItem& MenuItem::add(std::string caption, int tag, ClickHandler handler) {
    MenuItem& item = append(MenuItemKind::normal);
    item.Caption = std::move(caption);
    item.Tag = tag;
    item.OnClick = std::move(handler);
    return item;
}

MenuItem& MenuItem::add_separator() {
    return append(MenuItemKind::separator);
}

void MenuItem::clear() {
    items_.clear();
}

bool MenuItem::opens_submenu() const {
    return std::any_of(items_.begin(), items_.end(),
                       [](const std::unique_ptr<MenuItem>& i) { return i->Visible; });
}

namespace {
// Returns the number of matches below `parent`; sets `holds_checked` when any item below it
// ends up checked.
int check_below(MenuItem& parent, int value, bool include_parents, bool& holds_checked) {
    int matches = 0;
    for (size_t i = 0; i < parent.count(); ++i) {
        MenuItem& item = parent.item(i);
        bool inner_checked = false;
        matches += check_below(item, value, include_parents, inner_checked);
        const bool match = item.Tag == value && !item.is_separator();
        matches += match ? 1 : 0;
        item.Checked = !item.is_separator() && (match || (include_parents && inner_checked));
        holds_checked = holds_checked || item.Checked || inner_checked;
    }
    return matches;
}
} // namespace

int check_by_tag(MenuItem& start, int value, bool include_parents) {
    bool holds_checked = false;
    return check_below(start, value, include_parents, holds_checked);
}

} // namespace tonvo::ui
