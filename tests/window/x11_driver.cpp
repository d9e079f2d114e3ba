#include "window/x11_driver.h"

#include "window/window_fixture.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>
#include <xcb/xtest.h>

namespace tonvo::test {

TempHome home;

namespace {

constexpr xcb_keysym_t kShift = 0xffe1;

// The keysym of a key that is no text.
xcb_keysym_t keysym_of(ui::Key key) {
    switch (key) {
    case ui::Key::enter: return 0xff0d;
    case ui::Key::escape: return 0xff1b;
    case ui::Key::tab: return 0xff09;
    case ui::Key::backspace: return 0xff08;
    case ui::Key::del: return 0xffff;
    case ui::Key::left: return 0xff51;
    case ui::Key::up: return 0xff52;
    case ui::Key::right: return 0xff53;
    case ui::Key::down: return 0xff54;
    case ui::Key::home: return 0xff50;
    case ui::Key::end: return 0xff57;
    case ui::Key::page_up: return 0xff55;
    case ui::Key::page_down: return 0xff56;
    case ui::Key::space: return 0x20;
    }
    return 0;
}

// The core keyboard mapping of `c`: its first key code, symbols per code, and symbols.
struct Mapping {
    uint8_t first = 0;
    int per = 0;
    std::vector<xcb_keysym_t> symbols;
};
Mapping read_mapping(xcb_connection_t* c) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    const auto count = static_cast<uint8_t>(setup->max_keycode - setup->min_keycode + 1);
    const auto mapping = own(xcb_get_keyboard_mapping_reply(
        c, xcb_get_keyboard_mapping(c, setup->min_keycode, count), nullptr));
    if (!mapping || mapping->keysyms_per_keycode == 0)
        return {};
    const xcb_keysym_t* symbols = xcb_get_keyboard_mapping_keysyms(mapping.get());
    return {setup->min_keycode,
            mapping->keysyms_per_keycode,
            {symbols, symbols + xcb_get_keyboard_mapping_keysyms_length(mapping.get())}};
}

// The core button number of a toolkit button.
uint8_t button_number(ui::MouseButton button) {
    return button == ui::MouseButton::left ? 1 : button == ui::MouseButton::middle ? 2 : 3;
}

// The first viewable top-level window that is a menu pane (override-redirect) or a dialog
// (_NET_WM_WINDOW_TYPE_DIALOG) other than `other` and the host's, waiting up to ten seconds;
// 0 when none shows.
xcb_window_t find_window(xcb_connection_t* c, const X11Screen& s, bool dialog,
                         xcb_rectangle_t* where, xcb_window_t other) {
    const xcb_atom_t type = intern_atom(c, "_NET_WM_WINDOW_TYPE");
    const xcb_atom_t dialog_type = intern_atom(c, "_NET_WM_WINDOW_TYPE_DIALOG");
    xcb_window_t found = 0;
    eventually(
        [&] {
            const auto tree =
                own(xcb_query_tree_reply(c, xcb_query_tree(c, s.screen->root), nullptr));
            const xcb_window_t* ids = tree ? xcb_query_tree_children(tree.get()) : nullptr;
            for (int i = 0; tree && i < xcb_query_tree_children_length(tree.get()); ++i) {
                const auto a = own(xcb_get_window_attributes_reply(
                    c, xcb_get_window_attributes(c, ids[i]), nullptr));
                if (!a || a->map_state != XCB_MAP_STATE_VIEWABLE || ids[i] == other ||
                    std::find(s.host_windows.begin(), s.host_windows.end(), ids[i]) !=
                        s.host_windows.end())
                    continue;
                bool match = false;
                if (dialog) {
                    const auto value = own(xcb_get_property_reply(
                        c, xcb_get_property(c, 0, ids[i], type, XCB_ATOM_ATOM, 0, 1), nullptr));
                    match = value && xcb_get_property_value_length(value.get()) == 4 &&
                            *static_cast<xcb_atom_t*>(xcb_get_property_value(value.get())) ==
                                dialog_type;
                } else {
                    match = a->override_redirect != 0 && a->_class == XCB_WINDOW_CLASS_INPUT_OUTPUT;
                }
                if (!match)
                    continue;
                found = ids[i];
                const auto g = own(xcb_get_geometry_reply(c, xcb_get_geometry(c, ids[i]), nullptr));
                if (g && where != nullptr)
                    *where = {g->x, g->y, g->width, g->height};
            }
            return found != 0;
        },
        1000);
    return found;
}

class X11Watcher final : public Watcher {
public:
    explicit X11Watcher(const X11Screen& screen) : c_(open_connection()), screen_(screen) {}
    ~X11Watcher() override {
        if (c_ != nullptr)
            xcb_disconnect(c_);
    }

    Shown find(ShownKind kind, WindowId other) override {
        if (c_ == nullptr)
            return {};
        xcb_rectangle_t where{};
        const xcb_window_t found = find_window(c_, screen_, kind == ShownKind::dialog, &where,
                                               static_cast<xcb_window_t>(other));
        if (found == 0)
            return {};
        return Shown{found, ui::Rect::from_size(where.x, where.y, where.width, where.height), kind};
    }
    bool visible(WindowId window) override {
        return c_ != nullptr && viewable(c_, static_cast<xcb_window_t>(window));
    }
    void click_at(const Shown&, ui::Point screen, ui::MouseButton button) override {
        pointer_move(screen);
        pointer_press(button);
        pointer_release(button);
    }
    void move_over(const Shown&, ui::Point screen) override { pointer_move(screen); }
    void pointer_move(ui::Point screen) override { fake(XCB_MOTION_NOTIFY, 0, screen.x, screen.y); }
    void pointer_press(ui::MouseButton button) override {
        fake(XCB_BUTTON_PRESS, button_number(button));
    }
    void pointer_release(ui::MouseButton button) override {
        fake(XCB_BUTTON_RELEASE, button_number(button));
    }
    void type(const Shown& target, const std::vector<Stroke>& keys) override {
        if (c_ == nullptr)
            return;
        // Keys go to the window under the pointer (no window manager gives focus); a menu
        // holds the keyboard wherever the pointer is.
        if (target.kind == ShownKind::dialog)
            pointer_move({target.rect.left + 5, target.rect.top + 5});
        for (const Stroke& stroke : keys) {
            if (stroke.key) {
                type_keys(c_, screen_.screen, {keysym_of(*stroke.key)});
                continue;
            }
            // Latin-1 characters are their own keysyms; a capital is Shift and its letter.
            const bool capital = stroke.ch >= U'A' && stroke.ch <= U'Z';
            const auto keysym = static_cast<xcb_keysym_t>(capital ? stroke.ch + 32 : stroke.ch);
            if (key_code_of(c_, keysym) == 0)
                map_spare_key(c_, keysym);
            type_keys(c_, screen_.screen, {keysym}, capital ? kShift : 0);
        }
    }
    void close(const Shown& dialog) override {
        if (c_ != nullptr)
            send_delete(c_, static_cast<xcb_window_t>(dialog.id));
    }
    ui::Bitmap read(const Shown& target) override {
        return read_window(c_, static_cast<xcb_window_t>(target.id), target.rect.width(),
                           target.rect.height());
    }
    // No window manager draws frames here.
    ui::Rect frame(const Shown& target) override { return target.rect; }
    WindowId owner(const Shown& dialog) override {
        const auto words = words_of(
            property_of(c_, static_cast<xcb_window_t>(dialog.id), XCB_ATOM_WM_TRANSIENT_FOR));
        return words.size() == 1 ? words[0] : 0;
    }
    void force_away(const Shown& target) override {
        if (c_ == nullptr)
            return;
        xcb_kill_client(c_, static_cast<xcb_window_t>(target.id));
        xcb_flush(c_);
    }

private:
    void fake(uint8_t type, uint8_t detail, int at_x = 0, int at_y = 0) {
        if (c_ != nullptr)
            fake_input(c_, screen_.screen, type, detail, at_x, at_y);
    }

    xcb_connection_t* c_;
    const X11Screen& screen_;
};

} // namespace

xcb_connection_t* open_connection() {
    xcb_connection_t* c = nullptr;
    const bool made = eventually([&] {
        if (c != nullptr)
            xcb_disconnect(c);
        c = xcb_connect(nullptr, nullptr);
        return xcb_connection_has_error(c) == 0;
    });
    if (!made) {
        xcb_disconnect(c);
        return nullptr;
    }
    return c;
}

void sync_server(xcb_connection_t* c) {
    own(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

xcb_atom_t intern_atom(xcb_connection_t* c, const char* name) {
    const auto answer = own(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr));
    return answer ? answer->atom : xcb_atom_t{XCB_ATOM_NONE};
}

bool viewable(xcb_connection_t* c, xcb_window_t window) {
    const auto a =
        own(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
    return a && a->map_state == XCB_MAP_STATE_VIEWABLE;
}

std::vector<xcb_window_t> children_of(xcb_connection_t* c, xcb_window_t parent) {
    const auto tree = own(xcb_query_tree_reply(c, xcb_query_tree(c, parent), nullptr));
    if (!tree)
        return {};
    const xcb_window_t* ids = xcb_query_tree_children(tree.get());
    return {ids, ids + xcb_query_tree_children_length(tree.get())};
}

void send_delete(xcb_connection_t* c, xcb_window_t window) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = intern_atom(c, "WM_PROTOCOLS");
    message.data.data32[0] = intern_atom(c, "WM_DELETE_WINDOW");
    xcb_send_event(c, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
    xcb_flush(c);
}

std::string property_of(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property) {
    const auto value = own(xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 64), nullptr));
    if (!value)
        return {};
    return {static_cast<const char*>(xcb_get_property_value(value.get())),
            static_cast<size_t>(xcb_get_property_value_length(value.get()))};
}

std::vector<uint32_t> words_of(const std::string& bytes) {
    std::vector<uint32_t> words(bytes.size() / 4);
    std::memcpy(words.data(), bytes.data(), words.size() * 4);
    return words;
}

ui::Bitmap read_window(xcb_connection_t* c, xcb_window_t window, int width, int height) {
    ui::Bitmap out(width, height);
    const auto image = own(xcb_get_image_reply(c,
                                               xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window,
                                                             0, 0, static_cast<uint16_t>(width),
                                                             static_cast<uint16_t>(height), ~0u),
                                               nullptr));
    if (!image || xcb_get_image_data_length(image.get()) != width * height * 4) {
        ADD_FAILURE() << "the window's image could not be read";
        return out;
    }
    const uint8_t* data = xcb_get_image_data(image.get());
    for (int y = 0; y < height; ++y)
        for (int col = 0; col < width; ++col, data += 4)
            out.pixel(col, y) = ui::Color{data[0], data[1], data[2], 255};
    return out;
}

uint8_t key_code_of(xcb_connection_t* c, xcb_keysym_t keysym) {
    const Mapping m = read_mapping(c);
    for (size_t i = 0; m.per != 0 && i < m.symbols.size(); i += m.per)
        if (m.symbols[i] == keysym)
            return static_cast<uint8_t>(m.first + i / m.per);
    return 0;
}

uint8_t map_spare_key(xcb_connection_t* c, xcb_keysym_t keysym) {
    const Mapping m = read_mapping(c);
    for (size_t i = m.symbols.size(); m.per != 0 && i >= static_cast<size_t>(m.per);) {
        i -= m.per;
        if (std::any_of(m.symbols.begin() + i, m.symbols.begin() + i + m.per,
                        [](xcb_keysym_t k) { return k != 0; }))
            continue;
        const auto code = static_cast<uint8_t>(m.first + i / m.per);
        std::vector<xcb_keysym_t> row(static_cast<size_t>(m.per), 0);
        row[0] = keysym;
        xcb_change_keyboard_mapping(c, 1, code, static_cast<uint8_t>(m.per), row.data());
        sync_server(c);
        return code;
    }
    return 0;
}

void fake_input(xcb_connection_t* c, const xcb_screen_t* screen, uint8_t type, uint8_t detail,
                int at_x, int at_y) {
    xcb_test_fake_input(c, type, detail, XCB_CURRENT_TIME, screen->root, static_cast<int16_t>(at_x),
                        static_cast<int16_t>(at_y), 0);
    sync_server(c);
}

void type_keys(xcb_connection_t* c, const xcb_screen_t* screen,
               const std::vector<xcb_keysym_t>& keysyms, xcb_keysym_t modifier) {
    const uint8_t held = modifier != 0 ? key_code_of(c, modifier) : 0;
    if (held != 0)
        fake_input(c, screen, XCB_KEY_PRESS, held);
    for (const xcb_keysym_t keysym : keysyms) {
        const uint8_t code = key_code_of(c, keysym);
        if (code == 0) {
            ADD_FAILURE() << "no key types keysym " << std::hex << keysym;
            continue;
        }
        fake_input(c, screen, XCB_KEY_PRESS, code);
        fake_input(c, screen, XCB_KEY_RELEASE, code);
    }
    if (held != 0)
        fake_input(c, screen, XCB_KEY_RELEASE, held);
}

X11Driver::X11Driver(EditorHost& host) : host_(host) {
    if (const char* why = std::getenv("TONVO_X11_SKIP")) {
        skip_ = why;
        return;
    }
    x_ = open_connection();
    if (x_ == nullptr) {
        skip_ = "no X server at DISPLAY";
        return;
    }
    screen_.screen = xcb_setup_roots_iterator(xcb_get_setup(x_)).data;
}

X11Driver::~X11Driver() {
    if (x_ != nullptr)
        xcb_disconnect(x_);
}

xcb_window_t X11Driver::make_filled(int left, int top, int width, int height, uint32_t fill) {
    const xcb_window_t window = xcb_generate_id(x_);
    const uint32_t values[] = {fill, 1};
    xcb_create_window(x_, XCB_COPY_FROM_PARENT, window, screen_.screen->root,
                      static_cast<int16_t>(left), static_cast<int16_t>(top),
                      static_cast<uint16_t>(width), static_cast<uint16_t>(height), 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen_.screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(x_, window);
    sync_server(x_);
    screen_.host_windows.push_back(window);
    return window;
}

WindowId X11Driver::make_window(int left, int top, int width, int height) {
    return make_filled(left, top, width, height, 0);
}

void X11Driver::destroy_window(WindowId window) {
    xcb_destroy_window(x_, static_cast<xcb_window_t>(window));
    sync_server(x_);
}

std::vector<WindowId> X11Driver::children(WindowId window) {
    const std::vector<xcb_window_t> ids = children_of(x_, static_cast<xcb_window_t>(window));
    return {ids.begin(), ids.end()};
}

ui::Rect X11Driver::placement(WindowId child) {
    const auto g = own(xcb_get_geometry_reply(
        x_, xcb_get_geometry(x_, static_cast<xcb_window_t>(child)), nullptr));
    return g ? ui::Rect::from_size(g->x, g->y, g->width, g->height) : ui::Rect{};
}

void X11Driver::pump(int rounds) {
    for (int i = 0; i < rounds; ++i) {
        host_.idle();
        sync_server(x_);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void X11Driver::damage(WindowId window, int width, int height) {
    // A white window over the editor and gone again: the server keeps nothing of what it
    // covered (no backing store).
    const ui::Point at = to_root(static_cast<xcb_window_t>(window), {0, 0});
    const xcb_window_t cover = make_filled(at.x, at.y, width, height, 0xffffff);
    xcb_destroy_window(x_, cover);
    sync_server(x_);
}

ui::Point X11Driver::to_root(xcb_window_t window, ui::Point at) {
    const auto moved = own(xcb_translate_coordinates_reply(
        x_,
        xcb_translate_coordinates(x_, window, screen_.screen->root, static_cast<int16_t>(at.x),
                                  static_cast<int16_t>(at.y)),
        nullptr));
    return moved ? ui::Point{moved->dst_x, moved->dst_y} : at;
}

void X11Driver::fake(uint8_t type, uint8_t detail, int at_x, int at_y) {
    fake_input(x_, screen_.screen, type, detail, at_x, at_y);
    pump(2);
}

void X11Driver::pointer_to(WindowId window, ui::Point at) {
    const ui::Point root = to_root(static_cast<xcb_window_t>(window), at);
    fake(XCB_MOTION_NOTIFY, 0, root.x, root.y);
}

void X11Driver::pointer_press(ui::MouseButton button) {
    fake(XCB_BUTTON_PRESS, button_number(button));
}

void X11Driver::pointer_release(ui::MouseButton button) {
    fake(XCB_BUTTON_RELEASE, button_number(button));
}

void X11Driver::click(WindowId editor, ui::Point at, ui::MouseButton button) {
    pointer_to(editor, at);
    pointer_press(button);
    pointer_release(button);
}

std::unique_ptr<Watcher> X11Driver::watch() {
    return std::make_unique<X11Watcher>(screen_);
}

size_t X11Driver::resources() {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

bool X11Driver::input_held() {
    const xcb_window_t root = screen_.screen->root;
    const auto keyboard = own(xcb_grab_keyboard_reply(
        x_,
        xcb_grab_keyboard(x_, 0, root, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
        nullptr));
    const auto pointer = own(xcb_grab_pointer_reply(
        x_,
        xcb_grab_pointer(x_, 0, root, 0, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE,
                         XCB_NONE, XCB_CURRENT_TIME),
        nullptr));
    xcb_ungrab_keyboard(x_, XCB_CURRENT_TIME);
    xcb_ungrab_pointer(x_, XCB_CURRENT_TIME);
    sync_server(x_);
    return !keyboard || keyboard->status != XCB_GRAB_STATUS_SUCCESS || !pointer ||
           pointer->status != XCB_GRAB_STATUS_SUCCESS;
}

ui::Rect X11Driver::screen() {
    return ui::Rect::from_size(0, 0, screen_.screen->width_in_pixels,
                               screen_.screen->height_in_pixels);
}

std::unique_ptr<WindowDriver> make_window_driver(EditorHost& host) {
    return std::make_unique<X11Driver>(host);
}

} // namespace tonvo::test
