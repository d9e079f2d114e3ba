#include "ui/x11/x11_clipboard.h"

#include "ui/text.h"
#include "ui/x11/xcb_util.h"

#include <thread>
#include <vector>

namespace tonvo::ui {

namespace {

// The request header of ChangeProperty and some room, in bytes: a text longer than one
// request allows is refused rather than sent in pieces (INCR).
constexpr uint32_t kChangePropertyHeader = 32;
constexpr std::chrono::milliseconds kPollStep{2};

std::string latin1_of(std::string_view utf8) {
    std::string out;
    for (size_t pos = 0; pos < utf8.size();) {
        const char32_t ch = decode_utf8(utf8, pos);
        out.push_back(ch <= 0xff ? static_cast<char>(ch) : '?');
    }
    return out;
}

std::string utf8_of_latin1(std::string_view latin1) {
    std::string out;
    for (const char c : latin1) {
        const auto ch = static_cast<unsigned char>(c);
        if (ch < 0x80) {
            out.push_back(static_cast<char>(ch));
        } else {
            out.push_back(static_cast<char>(0xc0 | (ch >> 6)));
            out.push_back(static_cast<char>(0x80 | (ch & 0x3f)));
        }
    }
    return out;
}

} // namespace

X11Clipboard::X11Clipboard(xcb_connection_t* connection, const xcb_screen_t* screen,
                           std::function<xcb_timestamp_t()> time,
                           std::function<void(xcb_generic_event_t*)> keep)
    : connection_(connection), time_(std::move(time)), keep_(std::move(keep)) {
    window_ = xcb_generate_id(connection_);
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, screen->root, -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    clipboard_ = x11::intern(connection_, "CLIPBOARD");
    utf8_ = x11::intern(connection_, "UTF8_STRING");
    targets_ = x11::intern(connection_, "TARGETS");
    incr_ = x11::intern(connection_, "INCR");
    property_ = x11::intern(connection_, "TONVO_CLIPBOARD");
}

X11Clipboard::~X11Clipboard() {
    if (xcb_connection_has_error(connection_) == 0) {
        xcb_destroy_window(connection_, window_);
    }
}

void X11Clipboard::set_text(std::string_view text) {
    const xcb_timestamp_t time = time_();
    xcb_set_selection_owner(connection_, window_, clipboard_, time != 0 ? time : XCB_CURRENT_TIME);
    const auto owner = x11::reply(xcb_get_selection_owner_reply(
        connection_, xcb_get_selection_owner(connection_, clipboard_), nullptr));
    owned_ = owner && owner->owner == window_;
    // Without the selection the text stays nowhere: a paste asks whoever holds it.
    text_ = owned_ ? std::string(text) : std::string();
}

std::string X11Clipboard::text() {
    if (owned_) {
        return text_;
    }
    if (xcb_connection_has_error(connection_) != 0 || clipboard_ == XCB_ATOM_NONE) {
        return {};
    }
    const xcb_timestamp_t time = time_();
    xcb_delete_property(connection_, window_, property_);
    xcb_convert_selection(connection_, window_, clipboard_, utf8_, property_,
                          time != 0 ? time : XCB_CURRENT_TIME);
    xcb_flush(connection_);
    const auto end = std::chrono::steady_clock::now() + kAnswerTime;
    while (std::chrono::steady_clock::now() < end && xcb_connection_has_error(connection_) == 0) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
            if ((event->response_type & 0x7f) == XCB_SELECTION_NOTIFY) {
                const auto* notify = reinterpret_cast<xcb_selection_notify_event_t*>(event);
                if (notify->requestor == window_ && notify->selection == clipboard_) {
                    const bool refused = notify->property == XCB_ATOM_NONE;
                    std::free(event);
                    return refused ? std::string() : read_answer();
                }
            }
            if (take_event(*event)) {
                std::free(event);
            } else {
                keep_(event);
            }
        }
        std::this_thread::sleep_for(kPollStep);
    }
    return {};
}

std::string X11Clipboard::read_answer() {
    const auto value =
        x11::reply(xcb_get_property_reply(connection_,
                                          xcb_get_property(connection_, 1, window_, property_,
                                                           XCB_GET_PROPERTY_TYPE_ANY, 0, 0x1000000),
                                          nullptr));
    if (!value || value->format != 8 || value->bytes_after != 0) {
        return {};
    }
    const std::string_view bytes(static_cast<const char*>(xcb_get_property_value(value.get())),
                                 static_cast<size_t>(xcb_get_property_value_length(value.get())));
    if (value->type == utf8_) {
        return std::string(bytes);
    }
    if (value->type == XCB_ATOM_STRING) {
        return utf8_of_latin1(bytes);
    }
    // INCR and anything else.
    return {};
}

bool X11Clipboard::take_event(const xcb_generic_event_t& event) {
    switch (event.response_type & 0x7f) {
    case XCB_SELECTION_REQUEST:
        answer(reinterpret_cast<const xcb_selection_request_event_t&>(event));
        return true;
    case XCB_SELECTION_CLEAR: {
        const auto& clear = reinterpret_cast<const xcb_selection_clear_event_t&>(event);
        if (clear.owner == window_ && clear.selection == clipboard_) {
            owned_ = false;
            text_.clear();
        }
        return true;
    }
    default: return false;
    }
}

void X11Clipboard::answer(const xcb_selection_request_event_t& request) {
    // Old clients name no property: the target is the property then.
    const xcb_atom_t property =
        request.property != XCB_ATOM_NONE ? request.property : request.target;
    const uint32_t limit = xcb_get_maximum_request_length(connection_) * 4;
    bool served = false;
    if (owned_ && request.owner == window_ && request.selection == clipboard_) {
        if (request.target == targets_) {
            const xcb_atom_t targets[] = {targets_, utf8_, XCB_ATOM_STRING};
            xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, request.requestor, property,
                                XCB_ATOM_ATOM, 32, 3, targets);
            served = true;
        } else if (request.target == utf8_ || request.target == XCB_ATOM_STRING) {
            const std::string data = request.target == utf8_ ? text_ : latin1_of(text_);
            if (data.size() + kChangePropertyHeader < limit) {
                xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, request.requestor, property,
                                    request.target, 8, static_cast<uint32_t>(data.size()),
                                    data.data());
                served = true;
            }
        }
    }
    // SendEvent takes 32 bytes, more than the event's structure holds.
    union {
        xcb_selection_notify_event_t notify;
        char bytes[32];
    } sent{};
    xcb_selection_notify_event_t& notify = sent.notify;
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = request.time;
    notify.requestor = request.requestor;
    notify.selection = request.selection;
    notify.target = request.target;
    notify.property = served ? property : xcb_atom_t{XCB_ATOM_NONE};
    xcb_send_event(connection_, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT, sent.bytes);
    xcb_flush(connection_);
}

} // namespace tonvo::ui
