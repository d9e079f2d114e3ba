#include "ui/x11/x11_editor_window.h"

#include "ui/x11/x11_desktop.h"
#include "ui/x11/x11_input.h"
#include "ui/x11/xcb_util.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <thread>
#include <xcb/xcb.h>

namespace tonvo::ui {

namespace {

constexpr uint32_t kXembedMapped = 1;
constexpr int kConnectTries = 4;
constexpr Millis kConnectRetryDelay{20};

using x11::intern;
using x11::reply;

class X11EditorWindow final : public EditorWindow, private X11Desktop::Sink {
public:
    // Null (the reason on the standard error) when no window can be made in `parent`.
    static std::unique_ptr<X11EditorWindow> open(xcb_window_t parent);
    ~X11EditorWindow() override;

    Desktop& desktop() override { return *desktop_; }
    void show(Form& form) override;
    void forget() override { form_ = nullptr; }
    void idle() override;
    std::uintptr_t native_handle() const override { return window_; }

private:
    X11EditorWindow(xcb_connection_t* c, const xcb_screen_t* screen, X11PixelFormat format,
                    xcb_window_t window)
        : connection_(c), screen_(screen), format_(format), window_(window),
          thread_(std::this_thread::get_id()),
          desktop_(std::make_unique<X11Desktop>(c, screen, format,
                                                static_cast<X11Desktop::Sink&>(*this))) {}

    bool usable() const {
        return std::this_thread::get_id() == thread_ && xcb_connection_has_error(connection_) == 0;
    }
    void take_event(const xcb_generic_event_t& event, bool input) override;
    void repaint() override;
    void deliver_input(const xcb_generic_event_t& event);
    // The form's press is over though no release will reach it (the window went, another
    // grab took the pointer, or the release came while one of our loops ran): the control
    // that held it hears capture_lost. A press still being handled ends after its handler.
    void end_press();
    // Whether `event` ends the form's press that way.
    bool ends_press(const xcb_generic_event_t& event, bool input) const;
    void announce_fixed_size(uint32_t width, uint32_t height);
    // Watches the child of the root holding our window (the host's top-level window, or the
    // window manager's frame around it) for moves.
    void watch_root_child();
    // The form's screen position, for dialogs and menus placed over it.
    void update_position();

    xcb_connection_t* connection_;
    const xcb_screen_t* screen_;
    X11PixelFormat format_;
    xcb_window_t window_;
    // The child of the root holding our window, watched for moves.
    xcb_window_t root_child_ = 0;
    xcb_gcontext_t gc_ = 0;
    std::thread::id thread_;
    std::unique_ptr<X11Desktop> desktop_;
    Form* form_ = nullptr;
    // False once the server destroyed the window (with the host's window).
    bool alive_ = true;
    // Set while the form handles a press.
    bool pressing_ = false;
    std::vector<uint8_t> scratch_;
    // The pointer shape the window shows; none until the first motion.
    std::optional<Cursor> cursor_;
};

std::unique_ptr<X11EditorWindow> X11EditorWindow::open(xcb_window_t parent) {
    // A server may turn a connection away while it still tears down one just closed (Xvfb
    // does, when an editor is closed and opened again at once): a few tries, briefly apart.
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    for (int tries = 1; tries < kConnectTries && xcb_connection_has_error(c) != 0; ++tries) {
        xcb_disconnect(c);
        std::this_thread::sleep_for(kConnectRetryDelay);
        c = xcb_connect(nullptr, nullptr);
    }
    const auto fail = [&](const char* why) -> std::unique_ptr<X11EditorWindow> {
        std::fprintf(stderr, "Tonvo: no editor window: %s\n", why);
        xcb_disconnect(c);
        return nullptr;
    };
    if (xcb_connection_has_error(c) != 0) {
        return fail("no connection to the X server");
    }
    const xcb_setup_t* setup = xcb_get_setup(c);
    const auto attributes =
        reply(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, parent), nullptr));
    const auto geometry = reply(xcb_get_geometry_reply(c, xcb_get_geometry(c, parent), nullptr));
    if (!attributes || !geometry) {
        return fail("the host's window does not exist");
    }
    // The parent's screen is the one whose root it lives under.
    const xcb_screen_t* screen = nullptr;
    for (auto s = xcb_setup_roots_iterator(setup); s.rem != 0; xcb_screen_next(&s)) {
        if (s.data->root == geometry->root) {
            screen = s.data;
        }
    }
    if (screen == nullptr) {
        return fail("the host's window is on no screen of the display");
    }
    // Our window takes the parent's visual, so no colormap of its own is needed.
    X11PixelFormat format;
    format.visual = attributes->visual;
    const xcb_visualtype_t* visual = find_visual(screen, format.visual, &format.depth);
    if (const char* why = check_visual(setup, format.depth, visual); *why != '\0') {
        return fail(why);
    }
    format.swap_bytes = setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST;
    format.max_request_bytes = xcb_get_maximum_request_length(c) * 4;

    const xcb_window_t window = xcb_generate_id(c);
    const uint32_t values[] = {XCB_BACK_PIXMAP_NONE, 0,
                               XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_BUTTON_PRESS |
                                   XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_POINTER_MOTION |
                                   XCB_EVENT_MASK_LEAVE_WINDOW | XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    const xcb_void_cookie_t made = xcb_create_window_checked(
        c, format.depth, window, parent, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
        format.visual, XCB_CW_BACK_PIXMAP | XCB_CW_BORDER_PIXEL | XCB_CW_EVENT_MASK, values);
    if (xcb_generic_error_t* error = xcb_request_check(c, made)) {
        std::free(error);
        return fail("the window could not be made in the host's window");
    }
    const xcb_atom_t xembed = intern(c, "_XEMBED_INFO");
    if (xembed != XCB_ATOM_NONE) {
        const uint32_t info[] = {0, kXembedMapped};
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, xembed, xembed, 32, 2, info);
    }
    std::unique_ptr<X11EditorWindow> made_window(new X11EditorWindow(c, screen, format, window));
    made_window->desktop_->set_owner_window(window);
    made_window->watch_root_child();
    made_window->gc_ = xcb_generate_id(c);
    xcb_create_gc(c, made_window->gc_, window, 0, nullptr);
    xcb_map_window(c, window);
    xcb_flush(c);
    return made_window;
}

X11EditorWindow::~X11EditorWindow() {
    form_ = nullptr;
    if (xcb_connection_has_error(connection_) == 0) {
        // The window may be gone with the host's: the error that brings is never read.
        xcb_free_gc(connection_, gc_);
        if (alive_) {
            xcb_destroy_window(connection_, window_);
        }
        xcb_flush(connection_);
    }
    desktop_.reset();
    xcb_disconnect(connection_);
}

void X11EditorWindow::show(Form& form) {
    if (!usable()) {
        return;
    }
    form_ = &form;
    const uint32_t size[] = {static_cast<uint32_t>(std::max(1, form.width())),
                             static_cast<uint32_t>(std::max(1, form.height()))};
    xcb_configure_window(connection_, window_, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                         size);
    announce_fixed_size(size[0], size[1]);
    update_position();
    form.invalidate();
    repaint();
    xcb_flush(connection_);
}

// WM_NORMAL_HINTS with the minimum and maximum both at the form's size: a host that embeds
// the window (an LV2 host's socket) reads its size, and that it does not resize, from them.
void X11EditorWindow::announce_fixed_size(uint32_t width, uint32_t height) {
    constexpr uint32_t kMinSize = 1U << 4;
    constexpr uint32_t kMaxSize = 1U << 5;
    constexpr uint32_t kBaseSize = 1U << 8;
    // flags, x, y, width, height, min w/h, max w/h, increments, aspects, base w/h, gravity
    uint32_t hints[18] = {};
    hints[0] = kMinSize | kMaxSize | kBaseSize;
    hints[5] = hints[7] = hints[15] = width;
    hints[6] = hints[8] = hints[16] = height;
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window_, XCB_ATOM_WM_NORMAL_HINTS,
                        XCB_ATOM_WM_SIZE_HINTS, 32, 18, hints);
}

void X11EditorWindow::watch_root_child() {
    // Moves of the host's top-level window move us on the screen without telling our window:
    // the ConfigureNotify of the child of the root keeps the form's screen position (where
    // dialogs and menus go) right. Under a reparenting window manager that child is the
    // frame, the window that really moves (the host's window keeps its place inside it).
    // A window watched before keeps its selection: its ReparentNotify tells when the host's
    // window goes into another frame or out of it.
    const xcb_window_t child = desktop_->root_child();
    if (child == 0 || child == root_child_) {
        return;
    }
    root_child_ = child;
    const uint32_t mask[] = {XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    xcb_change_window_attributes(connection_, root_child_, XCB_CW_EVENT_MASK, mask);
}

void X11EditorWindow::update_position() {
    const auto at = reply(xcb_translate_coordinates_reply(
        connection_, xcb_translate_coordinates(connection_, window_, screen_->root, 0, 0),
        nullptr));
    if (at && form_ != nullptr) {
        form_->set_position(at->dst_x, at->dst_y);
    }
}

void X11EditorWindow::idle() {
    if (!usable()) {
        return;
    }
    while (xcb_generic_event_t* event = desktop_->poll_event()) {
        if (!desktop_->take_shared(*event)) {
            take_event(*event, true);
        }
        std::free(event);
        if (!usable()) {
            return;
        }
    }
    if (form_ != nullptr) {
        form_->idle();
    }
    repaint();
    xcb_flush(connection_);
}

void X11EditorWindow::repaint() {
    if (form_ == nullptr) {
        return;
    }
    const std::vector<Rect>& areas = form_->paint_invalid();
    if (!alive_) {
        return;
    }
    for (const Rect& area : areas) {
        put_area(connection_, window_, gc_, format_, form_->buffer(), area, scratch_);
    }
}

void X11EditorWindow::take_event(const xcb_generic_event_t& event, bool input) {
    switch (event.response_type & 0x7f) {
    case 0:
        // An error: requests on a window that has vanished; nothing to do.
        break;
    case XCB_EXPOSE: {
        const auto& e = reinterpret_cast<const xcb_expose_event_t&>(event);
        if (e.window == window_ && form_ != nullptr) {
            form_->invalidate_rect(Rect::from_size(e.x, e.y, e.width, e.height));
        }
        break;
    }
    case XCB_DESTROY_NOTIFY: {
        const auto& e = reinterpret_cast<const xcb_destroy_notify_event_t&>(event);
        if (e.window == window_) {
            alive_ = false;
            end_press();
        }
        break;
    }
    case XCB_CONFIGURE_NOTIFY:
        // The host moved its window: dialogs and menus go over where the editor is now.
        if (const xcb_window_t moved =
                reinterpret_cast<const xcb_configure_notify_event_t&>(event).window;
            moved == window_ || (moved == root_child_ && moved != 0)) {
            update_position();
        }
        break;
    case XCB_REPARENT_NOTIFY:
        // A window manager framed the host's window after the editor opened (hosts often
        // map their window only then), or took its frame away: what moves changed. Rare
        // enough to look again at every one.
        watch_root_child();
        update_position();
        break;
    default:
        if (form_ == nullptr || !alive_) {
            break;
        }
        if (ends_press(event, input)) {
            end_press();
        } else if (input) {
            deliver_input(event);
        }
        break;
    }
}

bool X11EditorWindow::ends_press(const xcb_generic_event_t& event, bool input) const {
    const std::optional<XcbInput> read = read_input(event);
    if (!read || read->window != window_) {
        return false;
    }
    // A release dropped while a loop of ours runs, as all input then, but the press is over;
    // or a grab took the pointer (a menu of ours, or another client's): the release goes there.
    return (read->kind == XcbInput::Kind::release && !input) ||
           (read->kind == XcbInput::Kind::leave && read->mode == XCB_NOTIFY_MODE_GRAB);
}

void X11EditorWindow::end_press() {
    if (form_ != nullptr && !pressing_) {
        form_->cancel_capture();
    }
}

void X11EditorWindow::deliver_input(const xcb_generic_event_t& event) {
    const std::optional<XcbInput> input = read_input(event);
    if (!input) {
        return;
    }
    switch (input->kind) {
    case XcbInput::Kind::press: {
        // The root position of the press, for a menu or dialog it opens.
        form_->set_position(input->root.x - input->at.x, input->root.y - input->at.y);
        const int loops = desktop_->loops_run();
        pressing_ = true;
        ui::deliver_input(*form_, *input, nullptr);
        pressing_ = false;
        if (form_ != nullptr && desktop_->loops_run() != loops) {
            // A menu or dialog took the release: the press is over for the form.
            form_->cancel_capture();
        }
        break;
    }
    case XcbInput::Kind::move:
        ui::deliver_input(*form_, *input, nullptr);
        if (form_ != nullptr) {
            desktop_->show_cursor(window_, form_->current_cursor(), cursor_);
        }
        break;
    case XcbInput::Kind::leave:
        // Leaving while a button is held keeps the press (the implicit grab goes on).
        if (input->mode == XCB_NOTIFY_MODE_NORMAL &&
            (input->state & (XCB_BUTTON_MASK_1 | XCB_BUTTON_MASK_2 | XCB_BUTTON_MASK_3)) == 0) {
            ui::deliver_input(*form_, *input, nullptr);
        }
        break;
    case XcbInput::Kind::release:
    case XcbInput::Kind::wheel: ui::deliver_input(*form_, *input, nullptr); break;
    case XcbInput::Kind::key:
        // The editor takes no keys inside the host's window (only its menus and dialogs do).
        break;
    }
}

} // namespace

bool editor_windows_available() {
    return true;
}

std::unique_ptr<EditorWindow> open_editor_window(void* parent) {
    const auto id = static_cast<xcb_window_t>(reinterpret_cast<uintptr_t>(parent));
    if (id == XCB_NONE) {
        return nullptr;
    }
    return X11EditorWindow::open(id);
}

bool postpone_while_windows_busy(std::function<void()>&) {
    // The X11 loops serve our own windows only: the host cannot call in meanwhile.
    return false;
}

Desktop* standalone_desktop() {
    // Without an editor there is no connection: a dialog then answers as dismissed.
    return nullptr;
}

} // namespace tonvo::ui
