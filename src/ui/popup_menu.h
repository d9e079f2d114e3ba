// The popup menu of the editor's forms: a tree of items the form builds in code, shown at a
// screen point by Popup, drawn by us in the active style.
//
// Thread contract: user-interface thread only.
#pragma once

#include "ui/desktop.h"
#include "ui/drop_down.h"
#include "ui/menu_item.h"
#include "ui/style.h"
#include "ui/text_painter.h"

#include <functional>

namespace tonvo::ui {

class TQelPopupMenu : public DropDown {
public:
    // Text in the menus' own font (menu_text()), or in `text`, which must outlive the menu.
    explicit TQelPopupMenu(Desktop& desktop, const Style& style = system_style())
        : TQelPopupMenu(desktop, menu_text(), style) {}
    TQelPopupMenu(Desktop& desktop, const TextPainter& text, const Style& style = system_style());
    TQelPopupMenu(const TQelPopupMenu&) = delete;
    TQelPopupMenu& operator=(const TQelPopupMenu&) = delete;

    // The root of the item tree; its sub-items are the menu's first level.
    MenuItem& items() { return root_; }
    MenuItem& add(std::string caption, int tag = 0, MenuItem::ClickHandler handler = {}) {
        return root_.add(std::move(caption), tag, std::move(handler));
    }
    MenuItem& add_separator() { return root_.add_separator(); }

    const Style& style() const { return *style_; }
    void apply_style(const Style& style) { style_ = &style; }
    // How long the pointer rests on an item before its submenu opens (0: at once).
    Millis submenu_delay() const { return submenu_delay_; }
    void set_submenu_delay(Millis delay) { submenu_delay_ = delay; }

    // Runs every time the menu is about to open, before it is laid out: the place to hide
    // items, set check marks or rebuild a submenu.
    std::function<void(TQelPopupMenu& sender)> OnPopup;

    // Opens the menu at screen point (x, y) and returns when it has closed. The chosen item's
    // OnClick runs after every menu window is gone. A menu with no visible item does not open;
    // a call while the menu is already open is ignored.
    void Popup(int x, int y) override;
    // True while Popup runs.
    bool popped_up() const { return open_; }

    // check_by_tag (menu_item.h) from `start`, or from the root when it is null.
    int CheckByTag(int value, MenuItem* start = nullptr, bool include_parents = false);

private:
    Desktop& desktop_;
    const TextPainter& text_;
    const Style* style_;
    Millis submenu_delay_{250};
    MenuItem root_;
    bool open_ = false;
};

} // namespace tonvo::ui
