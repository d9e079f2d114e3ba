#include "ui/menu_windows.h"

#include "ui/menu_session.h"

namespace tonvo::ui {

bool MenuWindows::sync(MenuSession& session) {
    size_t keep = 0;
    while (keep < shown_.size() && keep < session.pane_count() &&
           shown_[keep].pane == &session.pane(keep)) {
        ++keep;
    }
    while (shown_.size() > keep) {
        system_.destroy_pane(shown_.back().window);
        shown_.pop_back();
    }
    for (size_t level = keep; level < session.pane_count(); ++level) {
        MenuPane& pane = session.pane(level);
        const PaneWindowId window = system_.create_pane(pane);
        if (window == 0) {
            return false;
        }
        pane.invalidate();
        shown_.push_back(Shown{&pane, window});
    }
    return true;
}

void MenuWindows::paint(MenuSession& session) {
    for (size_t level = 0; level < shown_.size() && level < session.pane_count(); ++level) {
        MenuPane& pane = session.pane(level);
        if (shown_[level].pane == &pane) {
            system_.paint_pane(shown_[level].window, pane);
        }
    }
}

int MenuWindows::level_of(const MenuSession& session, PaneWindowId window) const {
    for (size_t level = 0; level < shown_.size(); ++level) {
        if (shown_[level].window != window) {
            continue;
        }
        // The session may have closed the pane since the windows were last synced.
        if (level < session.pane_count() && shown_[level].pane == &session.pane(level)) {
            return static_cast<int>(level);
        }
        return -1;
    }
    return -1;
}

void MenuWindows::clear() {
    while (!shown_.empty()) {
        system_.destroy_pane(shown_.back().window);
        shown_.pop_back();
    }
}

void run_menu_windows(MenuSession& session, MenuWindowSystem& system) {
    MenuWindows windows(system);
    const auto turn_ok = [&] { return windows.sync(session) && system.hold(windows.root()); };
    if (!system.begin() || !turn_ok()) {
        session.close();
    }
    while (!session.finished()) {
        if (!system.serve_events(session, windows)) {
            session.close();
            break;
        }
        if (session.finished()) {
            break;
        }
        session.idle();
        if (session.finished()) {
            break;
        }
        if (!turn_ok()) {
            session.close();
            break;
        }
        windows.paint(session);
        system.end_turn();
    }
    if (!session.finished()) {
        session.close();
    }
    system.release();
    windows.clear();
}

} // namespace tonvo::ui
