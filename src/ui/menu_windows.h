// The loop every window backend runs for a popup menu, written once: one window per open pane
// of the session, kept in step with the session's panes after every turn and repainted from
// them, until the session is finished. A backend supplies a MenuWindowSystem: how the menu
// holds the pointer and the keys, how a pane's window is made, painted and destroyed, how the
// pending events reach the session, and how a turn ends (its other windows repainted, a short
// wait). The behaviour of the menu itself stays in MenuSession.
//
// Thread contract: user-interface thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tonvo::ui {

class MenuPane;
class MenuSession;
class MenuWindows;

// A backend's window, opaque here (an X11 window id, an HWND); 0 is none.
using PaneWindowId = std::uintptr_t;

class MenuWindowSystem {
public:
    virtual ~MenuWindowSystem() = default;
    // Before any pane shows: takes what the menu must hold from its start (X11 grabs the
    // pointer here, so that no press reaches a pane the menu does not see). False: the menu
    // cannot run and closes at once.
    virtual bool begin() = 0;
    // Makes and shows a borderless window over the pane's screen rectangle; 0 when none can
    // be made (the menu then closes).
    virtual PaneWindowId create_pane(MenuPane& pane) = 0;
    virtual void destroy_pane(PaneWindowId window) = 0;
    // Shows in the window what the pane repainted (its invalid region).
    virtual void paint_pane(PaneWindowId window, MenuPane& pane) = 0;
    // After every turn's sync, with the root pane's window: takes the input there when it
    // does not hold it yet. False: the menu cannot hold the input and closes.
    virtual bool hold(PaneWindowId root) = 0;
    // Serves the pending events to the session (`windows` names the pane a window shows).
    // False: the menu must close (the program quits, another window took the input, the
    // editor went).
    virtual bool serve_events(MenuSession& session, const MenuWindows& windows) = 0;
    // The end of a turn: the backend's other windows repainted, requests sent, a short wait.
    virtual void end_turn() = 0;
    // Once the session is finished, before the panes' windows go: gives back what begin and
    // hold took.
    virtual void release() = 0;
};

// The windows showing a session's panes, root first; each destroyed with its pane.
class MenuWindows {
public:
    explicit MenuWindows(MenuWindowSystem& system) : system_(system) {}
    MenuWindows(const MenuWindows&) = delete;
    MenuWindows& operator=(const MenuWindows&) = delete;
    ~MenuWindows() { clear(); }

    // Makes the windows match the session's panes: those of closed panes go (innermost first),
    // new panes get a window each. False when a window could not be made.
    bool sync(MenuSession& session);
    // Shows what every pane with a window repainted.
    void paint(MenuSession& session);
    // The level of the open pane that `window` shows, or -1: also for the window of a pane the
    // session has closed since the last sync.
    int level_of(const MenuSession& session, PaneWindowId window) const;
    size_t count() const { return shown_.size(); }
    // The root pane's window; 0 when none shows.
    PaneWindowId root() const { return shown_.empty() ? 0 : shown_.front().window; }
    // Destroys every window, innermost first.
    void clear();

private:
    struct Shown {
        const MenuPane* pane;
        PaneWindowId window;
    };
    MenuWindowSystem& system_;
    std::vector<Shown> shown_;
};

// Shows the session's panes through `system` and serves it until it is finished; it is
// closed (nothing chosen) when the input cannot be held, a window cannot be made or the
// backend ends the menu. Every window is gone, and the input given back, on return.
void run_menu_windows(MenuSession& session, MenuWindowSystem& system);

} // namespace tonvo::ui
