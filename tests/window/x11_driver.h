// The window driver on X11: the test's own XCB connection to the private Xvfb that
// run_with_xvfb.sh starts, host windows made there, input made with XTest, pixels read back
// with GetImage. The x11-only cases use its connection and helpers directly.
#pragma once

#include "window/window_driver.h"

#include <string>
#include <vector>
#include <xcb/xcb.h>

namespace tonvo::test {

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;
template <typename T>
Reply<T> own(T* reply) {
    return Reply<T>(reply, &std::free);
}

// What the x11 helpers share: the screen, and the host windows a finder passes over.
struct X11Screen {
    const xcb_screen_t* screen = nullptr;
    std::vector<xcb_window_t> host_windows;
};

// A connection of its own, or null. Xvfb turns a connection away while it still tears down
// one just closed: a few tries.
xcb_connection_t* open_connection();
// A round trip: everything sent before has been handled by the server.
void sync_server(xcb_connection_t* c);
xcb_atom_t intern_atom(xcb_connection_t* c, const char* name);
bool viewable(xcb_connection_t* c, xcb_window_t window);
std::vector<xcb_window_t> children_of(xcb_connection_t* c, xcb_window_t parent);
// What the window manager's close button sends to `window`.
void send_delete(xcb_connection_t* c, xcb_window_t window);
// The raw value of `property` on `window` (up to 256 bytes); empty without it.
std::string property_of(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property);
std::vector<uint32_t> words_of(const std::string& bytes);
// What the server shows of the window, as an opaque bitmap (32 bits a pixel on Xvfb).
ui::Bitmap read_window(xcb_connection_t* c, xcb_window_t window, int width, int height);
// The key code typing `keysym` without modifiers; 0 when none.
uint8_t key_code_of(xcb_connection_t* c, xcb_keysym_t keysym);
// Puts `keysym` on a key code nothing uses (from the top, away from the keys of a real
// keyboard), as a keyboard layout with it would. Returns the code, 0 when none is free.
uint8_t map_spare_key(xcb_connection_t* c, xcb_keysym_t keysym);
// One XTest input on `c` at a root point (motion) or of a button or key code.
void fake_input(xcb_connection_t* c, const xcb_screen_t* screen, uint8_t type, uint8_t detail,
                int at_x = 0, int at_y = 0);
// Presses and releases the keys of `keysyms` on `c`, `modifier` (a keysym, 0: none) held.
void type_keys(xcb_connection_t* c, const xcb_screen_t* screen,
               const std::vector<xcb_keysym_t>& keysyms, xcb_keysym_t modifier = 0);

class X11Driver final : public WindowDriver {
public:
    explicit X11Driver(EditorHost& host);
    ~X11Driver() override;

    std::string skip_reason() override { return skip_; }
    WindowId make_window(int left, int top, int width, int height) override;
    void destroy_window(WindowId window) override;
    void* parent_handle(WindowId window) override {
        return reinterpret_cast<void*>(static_cast<uintptr_t>(window));
    }
    std::vector<WindowId> children(WindowId window) override;
    ui::Rect placement(WindowId child) override;
    bool visible(WindowId window) override {
        return viewable(x_, static_cast<xcb_window_t>(window));
    }
    void pump(int rounds) override;
    ui::Bitmap read(WindowId window, int width, int height) override {
        return read_window(x_, static_cast<xcb_window_t>(window), width, height);
    }
    void damage(WindowId window, int width, int height) override;
    void pointer_to(WindowId window, ui::Point at) override;
    void pointer_press(ui::MouseButton button) override;
    void pointer_release(ui::MouseButton button) override;
    void click(WindowId editor, ui::Point at, ui::MouseButton button) override;
    std::unique_ptr<Watcher> watch() override;
    size_t resources() override;
    bool input_held() override;
    ui::Rect screen() override;

    xcb_connection_t* connection() const { return x_; }
    const xcb_screen_t* root_screen() const { return screen_.screen; }

private:
    // A top-level window with a fill colour (the host's windows are black).
    xcb_window_t make_filled(int left, int top, int width, int height, uint32_t fill);
    // The root point of a point of `window`.
    ui::Point to_root(xcb_window_t window, ui::Point at);
    // XTest input on the test's connection, followed by host rounds.
    void fake(uint8_t type, uint8_t detail, int at_x = 0, int at_y = 0);

    EditorHost& host_;
    std::string skip_;
    xcb_connection_t* x_ = nullptr;
    X11Screen screen_;
};

} // namespace tonvo::test
