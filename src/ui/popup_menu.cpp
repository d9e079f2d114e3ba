#include "ui/popup_menu.h"

#include "ui/menu_session.h"

namespace tonvo::ui {

TQelPopupMenu::TQelPopupMenu(Desktop& desktop, const TextPainter& text, const Style& style)
    : desktop_(desktop), text_(text), style_(&style) {}

void TQelPopupMenu::Popup(int x, int y) {
    if (open_)
        return;
    open_ = true;
    if (OnPopup)
        OnPopup(*this);
    MenuItem* chosen = nullptr;
    {
        MenuSession session(desktop_, root_, *style_, text_, submenu_delay_);
        if (session.open(x, y)) {
            desktop_.run_menu(session);
            session.close(); // a backend that returned early leaves nothing chosen
            chosen = session.chosen();
        }
    }
    open_ = false;
    if (chosen == nullptr || !chosen->OnClick)
        return;
    // A copy: the handler may clear the submenu that holds its own item.
    const MenuItem::ClickHandler handler = chosen->OnClick;
    handler(*chosen);
}

int TQelPopupMenu::CheckByTag(int value, MenuItem* start, bool include_parents) {
    return check_by_tag(start != nullptr ? *start : root_, value, include_parents);
}

} // namespace tonvo::ui
