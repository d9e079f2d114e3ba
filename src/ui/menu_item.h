// The items of a popup menu: a tree of captions, check marks and click handlers the forms build
// in code. An item with sub-items opens a submenu.
//
// Items are owned by their parent and never move, so the reference `add` returns stays valid
// until the item is removed by `clear` on its parent (or the menu goes away).
//
// Thread contract: user-interface thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tonvo::ui {

enum class MenuItemKind { normal, separator };

class MenuItem {
public:
    using ClickHandler = std::function<void(MenuItem& sender)>;

    MenuItem() = default;
    MenuItem(const MenuItem&) = delete;
    MenuItem& operator=(const MenuItem&) = delete;

    std::string Caption;
    int Tag = 0;
    bool Checked = false;
    bool Visible = true;
    bool Enabled = true;
    // Runs when the item is chosen, after the menu has closed. Several items may share one
    // handler that tells them apart by the sender's Tag.
    ClickHandler OnClick;

    MenuItemKind kind() const { return kind_; }
    bool is_separator() const { return kind_ == MenuItemKind::separator; }
    MenuItem* parent() const { return parent_; }

    // --- Sub-items ---
    // Appends a normal item and returns it for the caller to keep.
    MenuItem& add(std::string caption, int tag = 0, ClickHandler handler = {});
    MenuItem& add_separator();
    // Removes (and destroys) every sub-item; references to them become invalid.
    void clear();
    size_t count() const { return items_.size(); }
    MenuItem& item(size_t index) const { return *items_[index]; }
    bool has_items() const { return !items_.empty(); }
    // True when the item opens a submenu: at least one sub-item is visible. An item whose
    // sub-items are all hidden acts as a plain item.
    bool opens_submenu() const;
    // Can be highlighted by the mouse or the keyboard: visible, enabled, not a separator.
    bool selectable() const { return Visible && Enabled && !is_separator(); }

private:
    MenuItem& append(MenuItemKind kind);

    MenuItemKind kind_ = MenuItemKind::normal;
    MenuItem* parent_ = nullptr;
    std::vector<std::unique_ptr<MenuItem>> items_;
};

// Sets the check mark on every item below `start` (not `start` itself), through every submenu,
// whose Tag equals `value`, and removes it from every other one. Separators never carry one.
// With `include_parents`, an item whose submenu holds a checked item is checked too, at every
// level up to `start`. Returns the number of items whose Tag matched.
int check_by_tag(MenuItem& start, int value, bool include_parents);

} // namespace tonvo::ui
