// An open popup menu: its panes (one window per open level, the root first), the highlight,
// and what the user chose. The session holds all the menu's behaviour; a backend only shows
// the panes, routes input to the session in screen coordinates, and calls idle() until the
// session is finished (see Desktop::run_menu).
//
// Mouse: hovering an enabled item highlights it; after the submenu delay (on the desktop's
// clock) the submenu of the hovered item opens and any deeper one closes. A left release on
// an enabled item chooses it (or opens its submenu at once); disabled items and separators do
// nothing; a press outside every pane closes the menu with nothing chosen.
// The release of the click that opened the menu (a left release before any left press of the
// session) acts only on an item the pointer moved onto after the menu opened: a menu that
// opens over its button (flipped up near the bottom of the screen) leaves an item under the
// pointer, and a plain click on the button must not choose it.
// Keys act on the innermost pane: Up and Down move through the selectable items, wrapping;
// Right, Enter or Space on an item with a submenu opens it with its first item highlighted;
// Enter or Space on another item chooses it; Left closes the innermost submenu, Escape too,
// and Escape on the root closes the menu.
//
// After any call the set of panes may have changed: a backend compares panes() with the
// windows it shows, and paints each pane's invalid region (or calls paint()).
//
// Thread contract: user-interface thread only.
#pragma once

#include "ui/menu_pane.h"

#include <memory>
#include <optional>
#include <vector>

namespace tonvo::ui {

class MenuSession {
public:
    MenuSession(Desktop& desktop, MenuItem& root, const Style& style, const TextPainter& text,
                Millis submenu_delay = Millis{250});
    MenuSession(const MenuSession&) = delete;
    MenuSession& operator=(const MenuSession&) = delete;
    ~MenuSession();

    // Opens the root pane at screen point (x, y), kept on the screen. False (and finished)
    // when the root has no visible item.
    bool open(int x, int y);

    bool finished() const { return finished_; }
    // The item chosen, once finished; null when the menu was dismissed.
    MenuItem* chosen() const { return chosen_; }
    // Ends the session with nothing chosen and closes every pane.
    void close();

    // --- The open panes, root first ---
    size_t pane_count() const { return panes_.size(); }
    MenuPane& pane(size_t level) const { return *panes_[level]; }
    // The innermost pane whose screen rectangle holds the point, or -1 (outside the menu).
    int pane_at(int x, int y) const;
    // The screen rectangle of the row showing `item` in an open pane; empty when none does.
    Rect item_rect(const MenuItem& item) const;
    // The item highlighted in the innermost pane that has one, or null.
    MenuItem* highlighted_item() const;

    // --- Input, in screen pixels ---
    void mouse_move(int x, int y);
    void mouse_down(MouseButton button, int x, int y);
    void mouse_up(MouseButton button, int x, int y);
    void key_down(Key key);
    // Runs a due submenu open or close. The backend calls it from its idle handling.
    void idle();
    // Paints every pane's invalid region.
    void paint();

private:
    struct Pending {
        size_t level;
        int row;
        Millis due;
    };

    void hover(size_t level, int row);
    // Opens (or, with no submenu there, only closes deeper panes for) the row of a pane now.
    void settle(size_t level, int row);
    void open_submenu(size_t level, int row, bool select_first);
    void close_from(size_t level);
    void finish(MenuItem* chosen);
    // The row of `level` under a screen point, or -1.
    int row_under(size_t level, int x, int y) const;
    // The item of the row under a screen point in the innermost pane there, or null.
    const MenuItem* item_at(int x, int y) const;
    // Notes where the pointer is now, for the release of the opening click.
    void track_pointer(int x, int y);
    MenuItem& row_item(size_t level, int row) const;

    Desktop& desktop_;
    MenuItem& root_;
    const Style& style_;
    const TextPainter& text_;
    Millis submenu_delay_;
    std::vector<std::unique_ptr<MenuPane>> panes_;
    std::optional<Pending> pending_;
    MenuItem* chosen_ = nullptr;
    bool finished_ = false;
    // The release of the click that opened the menu may still come: no left press yet.
    bool opening_release_ = true;
    // The item under the pointer where it was last seen (null: none), once that is known,
    // and whether the pointer came onto it after the menu opened.
    const MenuItem* under_ = nullptr;
    bool under_known_ = false;
    bool moved_onto_ = false;
};

} // namespace tonvo::ui
