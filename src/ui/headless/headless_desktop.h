// The headless backend: forms render to memory, time moves only when told, and every modal
// window is answered by a script. Tests drive the toolkit through it, and tools use it to
// render forms to PNG files without a display.
//
// Thread contract: one thread.
#pragma once

#include "ui/desktop.h"
#include "ui/form.h"
#include "ui/menu_session.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tonvo::ui {

class HeadlessDesktop final : public Desktop {
public:
    // What a scripted modal window does: drive the form with input until it has a result.
    using ModalScript = std::function<void(Form& form)>;
    // What a scripted popup menu does: drive the session with screen input until it ends.
    using MenuScript = std::function<void(MenuSession& session)>;

    explicit HeadlessDesktop(Rect screen = Rect{0, 0, 1920, 1080}) : screen_(screen) {}

    Clock& clock() override { return clock_; }
    ManualClock& manual_clock() { return clock_; }
    Clipboard& clipboard() override { return clipboard_; }
    Rect screen() override { return screen_; }

    // Queues the script for the next modal window. A modal window with no script left, or one
    // the script leaves open, ends with Cancel; `unanswered()` counts those.
    void expect_modal(ModalScript script) { scripts_.push_back(std::move(script)); }
    ModalResult run_modal(Form& form, Form* owner) override;
    // Moves the clock on; nothing else happens while time passes here.
    void wait(Millis time) override;

    // Queues the script for the next popup menu. A menu with no script left, or one the script
    // leaves open, closes with nothing chosen; `unanswered_menus()` counts those.
    void expect_menu(MenuScript script) { menu_scripts_.push_back(std::move(script)); }
    void run_menu(MenuSession& session) override;

    // The pointer's screen position and the button held (none: no button), as
    // pointer_position and button_down_outside see them; nothing is delivered to any form.
    void set_pointer(Point screen, std::optional<MouseButton> held) {
        pointer_ = screen;
        held_ = held;
    }
    std::optional<Point> pointer_position() override { return pointer_; }
    std::optional<MouseButton> button_down_outside(const Form& form) override;

    // Moves the clock on by `time`, running the form's timers at every `step`, then paints.
    void advance(Form& form, Millis time, Millis step = Millis{10});

    // The captions of the modal windows shown so far, in order.
    const std::vector<std::string>& shown() const { return shown_; }
    int unanswered() const { return unanswered_; }
    int menus_shown() const { return menus_shown_; }
    int unanswered_menus() const { return unanswered_menus_; }
    size_t menu_scripts_left() const { return menu_scripts_.size(); }
    size_t scripts_left() const { return scripts_.size(); }
    // The modal window being served, or null.
    Form* modal() const { return modal_.empty() ? nullptr : modal_.back(); }

private:
    ManualClock clock_;
    MemoryClipboard clipboard_;
    Rect screen_;
    std::deque<ModalScript> scripts_;
    std::vector<std::string> shown_;
    std::vector<Form*> modal_;
    int unanswered_ = 0;
    std::deque<MenuScript> menu_scripts_;
    int menus_shown_ = 0;
    int unanswered_menus_ = 0;
    Point pointer_;
    std::optional<MouseButton> held_;
};

// Scripted input: a complete gesture at form pixels, then the resulting paint pass.
void click(Form& form, int x, int y, MouseButton button = MouseButton::left);
// Every character of `utf8` as typed text; "\b", "\r", "\t" and "\x1B" as the Backspace,
// Enter, Tab and Escape keys.
void type(Form& form, std::string_view utf8);
// One key that is not a character.
void press_key(Form& form, Key key, Modifiers mods = {});

// The same for an open menu, at screen pixels; each ends with the panes painted.
void hover(MenuSession& session, int x, int y);
void click(MenuSession& session, int x, int y, MouseButton button = MouseButton::left);
void press_key(MenuSession& session, Key key);
// Moves the clock on by `time` in `step`s, letting the session run what fell due, then paints.
void advance(HeadlessDesktop& desktop, MenuSession& session, Millis time, Millis step = Millis{10});

} // namespace tonvo::ui
