// The edit command's window on X11, over XCB: a top-level window of the root with the title,
// class and fixed size a window manager reads, WM_DELETE_WINDOW taken so the close button ends
// the session instead of the connection. The plug-in opens its own connection for its editor
// window, a child of this one.
//
// Ctrl+C (SIGINT), SIGTERM and SIGHUP close the window as its close button does while it
// exists, so a session ended from the terminal still closes the editor and saves the state.
#include "tonvo_host/edit_window.h"
#include "tonvo_host/hosted_plugin.h"

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <xcb/xcb.h>

namespace tonvo::tools {

namespace {

volatile std::sig_atomic_t interrupted = 0;

extern "C" void on_interrupt(int) {
    interrupted = 1;
}

template <typename T>
struct Freed {
    T* reply = nullptr;
    ~Freed() { std::free(reply); }
    T* operator->() const { return reply; }
    explicit operator bool() const { return reply != nullptr; }
};

// The WM_NORMAL_HINTS fields: flags, then x, y, width, height, min and max size, increments,
// aspects, base size and gravity, each a CARD32.
constexpr uint32_t kMinSize = 1u << 4;
constexpr uint32_t kMaxSize = 1u << 5;
constexpr int kHintFields = 18;

class X11EditWindow final : public EditWindow {
public:
    X11EditWindow(int width, int height, const std::string& title) {
        int screenNumber = 0;
        c_ = xcb_connect(nullptr, &screenNumber);
        if (xcb_connection_has_error(c_) != 0) {
            xcb_disconnect(c_);
            const char* display = std::getenv("DISPLAY");
            throw EHostError(
                display == nullptr || *display == 0
                    ? std::string("edit: cannot open the X display (DISPLAY is not set)")
                    : "edit: cannot open the X display \"" + std::string(display) + "\"");
        }
        xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c_));
        for (int i = 0; i < screenNumber && screens.rem > 1; ++i) {
            xcb_screen_next(&screens);
        }
        screen_ = screens.data;
        protocols_ = Atom("WM_PROTOCOLS");
        deleteWindow_ = Atom("WM_DELETE_WINDOW");
        const xcb_atom_t netName = Atom("_NET_WM_NAME");
        const xcb_atom_t utf8 = Atom("UTF8_STRING");

        window_ = xcb_generate_id(c_);
        const uint32_t values[] = {screen_->black_pixel, XCB_EVENT_MASK_STRUCTURE_NOTIFY};
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, window_, screen_->root, 0, 0, Side(width),
                          Side(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen_->root_visual,
                          XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
        const auto length = static_cast<uint32_t>(title.size());
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, window_, XCB_ATOM_WM_NAME, XCB_ATOM_STRING,
                            8, length, title.data());
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, window_, netName, utf8, 8, length,
                            title.data());
        static const char kClass[] = "tonvo-host\0tonvo-host";
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, window_, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING,
                            8, sizeof kClass, kClass);
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, window_, protocols_, XCB_ATOM_ATOM, 32, 1,
                            &deleteWindow_);
        SetSizeHints(width, height);
        xcb_flush(c_);

        interrupted = 0;
        struct sigaction action {};
        action.sa_handler = &on_interrupt;
        sigemptyset(&action.sa_mask);
        for (size_t i = 0; i < std::size(kSignals); ++i) {
            sigaction(kSignals[i], &action, &saved_[i]);
        }
    }

    ~X11EditWindow() override {
        for (size_t i = 0; i < std::size(kSignals); ++i) {
            sigaction(kSignals[i], &saved_[i], nullptr);
        }
        if (!destroyed_) {
            xcb_destroy_window(c_, window_);
            xcb_flush(c_);
        }
        xcb_disconnect(c_);
    }

    void* Handle() const override {
        return reinterpret_cast<void*>(static_cast<uintptr_t>(window_));
    }

    void Resize(int width, int height) override {
        SetSizeHints(width, height);
        const uint32_t size[] = {Side(width), Side(height)};
        xcb_configure_window(c_, window_, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
        xcb_flush(c_);
    }

    void Show() override {
        xcb_map_window(c_, window_);
        xcb_flush(c_);
    }

    bool Pump() override {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c_)) {
            const uint8_t type = event->response_type & 0x7F;
            if (type == XCB_CLIENT_MESSAGE) {
                const auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
                if (message->window == window_ && message->type == protocols_ &&
                    message->format == 32 && message->data.data32[0] == deleteWindow_) {
                    closed_ = true;
                }
            } else if (type == XCB_DESTROY_NOTIFY) {
                const auto* destroyed = reinterpret_cast<xcb_destroy_notify_event_t*>(event);
                if (destroyed->window == window_) {
                    destroyed_ = closed_ = true;
                }
            }
            // Errors (type 0) and everything else: nothing to do.
            std::free(event);
        }
        if (xcb_connection_has_error(c_) != 0) {
            lost_ = destroyed_ = closed_ = true;
        }
        if (interrupted != 0) {
            closed_ = true;
        }
        return closed_;
    }

    bool Lost() const override { return lost_; }

    ui::Bitmap ReadBack() override {
        const Freed<xcb_get_geometry_reply_t> geometry{
            xcb_get_geometry_reply(c_, xcb_get_geometry(c_, window_), nullptr)};
        if (!geometry) {
            throw EHostError("edit: the window is gone, nothing to read back");
        }
        const int width = geometry->width;
        const int height = geometry->height;
        const Freed<xcb_get_image_reply_t> image{
            xcb_get_image_reply(c_,
                                xcb_get_image(c_, XCB_IMAGE_FORMAT_Z_PIXMAP, window_, 0, 0,
                                              geometry->width, geometry->height, ~0u),
                                nullptr)};
        // The server refuses windows that are not viewable (minimised, say).
        if (!image) {
            throw EHostError("edit: the window could not be read back (is it shown?)");
        }
        const xcb_visualtype_t* visual = Visual(image->visual);
        if (BitsPerPixel(image->depth) != 32 || visual == nullptr ||
            xcb_get_image_data_length(image.reply) != width * height * 4) {
            throw EHostError("edit: the screen's pixel format is not 32-bit true colour");
        }
        const Channel red(visual->red_mask), green(visual->green_mask), blue(visual->blue_mask);
        if (!red.valid || !green.valid || !blue.valid) {
            throw EHostError("edit: the screen's pixel format is not 8 bits a channel");
        }
        const bool lsbFirst = xcb_get_setup(c_)->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST;
        const uint8_t* data = xcb_get_image_data(image.reply);
        ui::Bitmap out(width, height);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x, data += 4) {
                const uint32_t pixel =
                    lsbFirst ? data[0] | data[1] << 8 | data[2] << 16 | uint32_t{data[3]} << 24
                             : uint32_t{data[0]} << 24 | data[1] << 16 | data[2] << 8 | data[3];
                out.pixel(x, y) = ui::Color::rgb(red.Of(pixel), green.Of(pixel), blue.Of(pixel));
            }
        }
        return out;
    }

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

    // One colour channel of a true-colour visual: 8 bits at some shift.
    struct Channel {
        explicit Channel(uint32_t mask) {
            while (mask != 0 && (mask & 1u) == 0) {
                mask >>= 1;
                ++shift;
            }
            valid = mask == 0xFF;
        }
        uint8_t Of(uint32_t pixel) const { return static_cast<uint8_t>(pixel >> shift); }
        int shift = 0;
        bool valid = false;
    };

    static uint16_t Side(int length) {
        return static_cast<uint16_t>(length < 1 ? 1 : length > 32767 ? 32767 : length);
    }

    xcb_atom_t Atom(const char* name) {
        const Freed<xcb_intern_atom_reply_t> reply{xcb_intern_atom_reply(
            c_, xcb_intern_atom(c_, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr)};
        return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    }

    // Minimum and maximum both the size: the window manager offers no resizing.
    void SetSizeHints(int width, int height) {
        uint32_t hints[kHintFields] = {};
        hints[0] = kMinSize | kMaxSize;
        hints[5] = hints[7] = Side(width);
        hints[6] = hints[8] = Side(height);
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, window_, XCB_ATOM_WM_NORMAL_HINTS,
                            XCB_ATOM_WM_SIZE_HINTS, 32, kHintFields, hints);
    }

    int BitsPerPixel(uint8_t depth) const {
        for (auto formats = xcb_setup_pixmap_formats_iterator(xcb_get_setup(c_)); formats.rem > 0;
             xcb_format_next(&formats)) {
            if (formats.data->depth == depth) {
                return formats.data->bits_per_pixel;
            }
        }
        return 0;
    }

    const xcb_visualtype_t* Visual(xcb_visualid_t id) const {
        for (auto depths = xcb_screen_allowed_depths_iterator(screen_); depths.rem > 0;
             xcb_depth_next(&depths)) {
            for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem > 0;
                 xcb_visualtype_next(&visuals)) {
                if (visuals.data->visual_id == id &&
                    visuals.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR) {
                    return visuals.data;
                }
            }
        }
        return nullptr;
    }

    xcb_connection_t* c_ = nullptr;
    const xcb_screen_t* screen_ = nullptr;
    xcb_window_t window_ = 0;
    xcb_atom_t protocols_ = XCB_ATOM_NONE;
    xcb_atom_t deleteWindow_ = XCB_ATOM_NONE;
    bool closed_ = false;
    bool destroyed_ = false;
    bool lost_ = false;
    struct sigaction saved_[std::size(kSignals)]{};
};

} // namespace

std::unique_ptr<EditWindow> make_edit_window(int width, int height, const std::string& title) {
    return std::make_unique<X11EditWindow>(width, height, title);
}

} // namespace tonvo::tools
