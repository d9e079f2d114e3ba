// The window tests' view of the system, so that one suite runs on every window backend: an
// EditorHost opens the real plug-in's editor as a plug-in format's host does (the VST 2.4 one
// in vst2_editor_host.h; LV2, CLAP and VST 3 adapters implement the same), and a WindowDriver
// makes the host's windows, drives the system's pointer, reads pixels back and hands watcher
// threads a Watcher. Menus and dialogs run loops inside the plug-in's call, so a test answers
// them from a watcher thread while the host's thread waits in that call.
#pragma once

#include "support/fake_host.h"
#include "ui/bitmap.h"
#include "ui/input.h"
#include "ui/rect.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tonvo::test {

// How the editor under test is opened and its plug-in looked at, as a format's host does it.
class EditorHost {
public:
    virtual ~EditorHost() = default;
    // Why no instance could be made; empty when it was.
    virtual std::string error() const = 0;
    // Where the formats differ on purpose. VST 2.4: an opening in a parent that is no window
    // still answers 1 (the form exists; only its window is refused), and a state that fails to
    // load is shown in the "Load Preset" box. LV2: such an opening makes no UI at all, and a
    // failed restore goes to the host's log and the host's own answer.
    virtual bool opening_in_no_window_succeeds() const { return true; }
    virtual bool shows_state_failures() const { return true; }
    // Opens the editor in the host's window `parent` (its native handle): whether the plug-in
    // took the opening.
    virtual bool open_editor(void* parent) = 0;
    virtual void close_editor() = 0;
    // The host's idle call to an open editor.
    virtual void idle() = 0;
    // The editor's size (width, height) as the host reads it; none when it tells none.
    virtual std::optional<ui::Point> editor_size() = 0;
    // The plug-in's saved state, and a state loaded into it (false: refused).
    virtual std::vector<uint8_t> state() = 0;
    virtual bool load_state(const std::vector<uint8_t>& state) = 0;
    // One audio block: the MIDI events the plug-in sent in it.
    virtual std::vector<Delivered> process() = 0;
    // How many parameter changes the plug-in has reported to the host so far.
    virtual size_t automations() = 0;
};

// A window of the system's (an X11 window id, an HWND); 0 is none.
using WindowId = std::uintptr_t;

enum class ShownKind { menu, dialog };

// A top-level window of the plug-in's: its id, its client area on the screen, what it is.
struct Shown {
    WindowId id = 0;
    ui::Rect rect;
    ShownKind kind = ShownKind::menu;
    explicit operator bool() const { return id != 0; }
    ui::Point centre() const {
        return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    }
};

// One key typed: a key that is no text, or a character.
struct Stroke {
    std::optional<ui::Key> key;
    char32_t ch = 0;
};
inline Stroke key(ui::Key k) {
    return Stroke{k, 0};
}
// The characters of `text` as strokes, one each.
inline std::vector<Stroke> strokes(std::u32string_view text) {
    std::vector<Stroke> out;
    for (const char32_t ch : text) {
        out.push_back(Stroke{std::nullopt, ch});
    }
    return out;
}

// What a watcher thread uses; made on that thread, used there only.
class Watcher {
public:
    virtual ~Watcher() = default;
    // The first shown menu pane or dialog other than `other`, waiting up to ten seconds;
    // empty when none shows.
    virtual Shown find(ShownKind kind, WindowId other = 0) = 0;
    virtual bool visible(WindowId window) = 0;
    // A click on `target` at a screen point, given the way the backend reaches a window that
    // holds the pointer most surely (XTest; messages posted to the window on Win32).
    virtual void click_at(const Shown& target, ui::Point screen,
                          ui::MouseButton button = ui::MouseButton::left) = 0;
    virtual void move_over(const Shown& target, ui::Point screen) = 0;
    // The system's own pointer, as the user moves it (XTest, SendInput).
    virtual void pointer_move(ui::Point screen) = 0;
    virtual void pointer_press(ui::MouseButton button) = 0;
    // Also waits, on Win32, until the host's thread holds the mouse no more.
    virtual void pointer_release(ui::MouseButton button) = 0;
    // Keys typed into `target` as the user's keyboard types them (a menu takes them wherever
    // the pointer is; a dialog gets the keyboard as under no window manager, or in front).
    virtual void type(const Shown& target, const std::vector<Stroke>& keys) = 0;
    // The window manager's close button of a dialog.
    virtual void close(const Shown& dialog) = 0;
    // What the window shows now.
    virtual ui::Bitmap read(const Shown& target) = 0;
    // The window with the frame and title bar the system draws around it, on the screen.
    virtual ui::Rect frame(const Shown& target) = 0;
    // The window a dialog belongs to, as the window manager reads it.
    virtual WindowId owner(const Shown& dialog) = 0;
    // The last resort for a window that does not go: its loop ends, so that a failing test
    // never leaves the host's thread waiting.
    virtual void force_away(const Shown& target) = 0;
};

class WindowDriver {
public:
    virtual ~WindowDriver() = default;
    // Why these tests cannot run here; empty when they can.
    virtual std::string skip_reason() = 0;

    // A host's top-level window with its client area at (left, top), shown.
    virtual WindowId make_window(int left, int top, int width = 700, int height = 300) = 0;
    virtual void destroy_window(WindowId window) = 0;
    // The handle the host passes to the editor's opening.
    virtual void* parent_handle(WindowId window) = 0;
    // The plug-in's windows inside the host's window.
    virtual std::vector<WindowId> children(WindowId window) = 0;
    // Where a child lies in its parent's client area, and whether it shows.
    virtual ui::Rect placement(WindowId child) = 0;
    virtual bool visible(WindowId window) = 0;
    // The host's loop for a while, with an idle call to the editor each round.
    virtual void pump(int rounds = 5) = 0;
    // What the window shows, and its pixels spoilt as another window over it leaves them.
    virtual ui::Bitmap read(WindowId window, int width, int height) = 0;
    virtual void damage(WindowId window, int width, int height) = 0;

    // The system's pointer on the host's thread, each followed by host rounds: moved to a
    // point of `window`, a button pressed and released there.
    virtual void pointer_to(WindowId window, ui::Point at) = 0;
    virtual void pointer_press(ui::MouseButton button) = 0;
    virtual void pointer_release(ui::MouseButton button) = 0;
    // A click on the editor's window at `at` (the quickest way the backend has; a menu or
    // dialog it opens runs before this returns).
    virtual void click(WindowId editor, ui::Point at,
                       ui::MouseButton button = ui::MouseButton::left) = 0;

    virtual std::unique_ptr<Watcher> watch() = 0;
    // What the process holds of the system (its open files); 0 where that is not counted.
    virtual size_t resources() = 0;
    // Whether a window of the plug-in's still holds the pointer or the keyboard (a grab, the
    // mouse captured).
    virtual bool input_held() = 0;
    // The screen's work area, in pixels.
    virtual ui::Rect screen() = 0;
};

// The backend's driver, for the editor that `host` opens.
std::unique_ptr<WindowDriver> make_window_driver(EditorHost& host);
// The host of the format under test, one instance (each test program links one format's).
std::unique_ptr<EditorHost> make_editor_host();

} // namespace tonvo::test
