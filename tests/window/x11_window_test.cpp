// What only the X11 backend has, on the fixture of the shared window tests: the XEmbed
// information of the editor's window, what the server sends when a grab takes the pointer, a
// connection broken by the server, dialogs under a window manager, typing through the
// server's keyboard map (a layout's letters, dead keys), the CLIPBOARD selection, and the
// pointer's shape.
#include "editor/note_map_editor.h"
#include "window/window_fixture.h"
#include "window/x11_driver.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

namespace tonvo::test {
namespace {

// Keysyms the tests type.
constexpr xcb_keysym_t kReturn = 0xff0d;
constexpr xcb_keysym_t kEscape = 0xff1b;
constexpr xcb_keysym_t kControl = 0xffe3;
constexpr xcb_keysym_t kEacute = 0xe9;
constexpr xcb_keysym_t kDeadAcute = 0xfe51;

// The shared fixture with the X11 driver's connection.
class X11WindowTest : public EditorWindowTest {
protected:
    void SetUp() override {
        EditorWindowTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        x = X().connection();
        root = X().root_screen();
    }

    X11Driver& X() { return static_cast<X11Driver&>(*driver); }
    // Keys typed with XTest on the watcher's connection `c`, with no host rounds (the host's
    // thread is in the dialog's loop).
    void TypeKeys(xcb_connection_t* c, const std::vector<xcb_keysym_t>& keysyms,
                  xcb_keysym_t modifier = 0) {
        type_keys(c, root, keysyms, modifier);
    }
    // The Save Preset dialog: `act(c, w, dialog)` on a connection of the watcher's
    // own, the pointer over the dialog (keys go to the window under it: no window manager
    // gives focus).
    template <typename Act>
    void InSavePresetDialog(Act act) {
        EditorWindowTest::InSavePresetDialog([&](Watcher& w, const Shown& dialog) {
            xcb_connection_t* c = open_connection();
            if (c == nullptr)
                return Answer(w, dialog, [&] { w.close(dialog); });
            w.pointer_move({dialog.rect.left + 5, dialog.rect.top + 5});
            act(c, w, dialog);
            xcb_disconnect(c);
        });
    }

    xcb_connection_t* x = nullptr;
    const xcb_screen_t* root = nullptr;
};

TEST_F(X11WindowTest, TheEditorsWindowCarriesItsXEmbedInformation) {
    ASSERT_TRUE(Open());
    const std::vector<uint32_t> xembed =
        words_of(property_of(x, static_cast<xcb_window_t>(editor), intern_atom(x, "_XEMBED_INFO")));
    EXPECT_EQ(xembed, (std::vector<uint32_t>{0, 1})) << "version 0, XEMBED_MAPPED";
}

// What the server sends when another client's grab takes the pointer (this test cannot take
// one while the editor's press holds it): the held key's preview ends.
TEST_F(X11WindowTest, AGrabTakingThePointerEndsAHeldKeysPreview) {
    LoadGoldenState();
    ASSERT_TRUE(HoldD());
    xcb_leave_notify_event_t leave{};
    leave.response_type = XCB_LEAVE_NOTIFY;
    leave.detail = XCB_NOTIFY_DETAIL_NONLINEAR;
    leave.root = root->root;
    leave.event = static_cast<xcb_window_t>(editor);
    leave.state = XCB_BUTTON_MASK_1;
    leave.mode = XCB_NOTIFY_MODE_GRAB;
    leave.same_screen_focus = 1;
    xcb_send_event(x, 0, leave.event, XCB_EVENT_MASK_LEAVE_WINDOW,
                   reinterpret_cast<const char*>(&leave));
    sync_server(x);
    Pump(2);
    EXPECT_EQ(plugin->process(), (std::vector<Delivered>{note_off(0, 62, 100)}))
        << "a grab took the pointer";
    driver->pointer_release(ui::MouseButton::left);
}

TEST_F(X11WindowTest, AConnectionBrokenByTheServerStopsTheEditorQuietly) {
    ASSERT_TRUE(Open(0, 0));
    // The server drops the editor's client, as when it shuts down or runs out of resources.
    xcb_kill_client(x, static_cast<xcb_window_t>(editor));
    sync_server(x);
    Pump(3);
    EXPECT_TRUE(eventually([&] { return driver->children(parent).empty(); }));
    plugin->close_editor();
    ASSERT_TRUE(plugin->open_editor(driver->parent_handle(parent)));
    Pump(2);
    EXPECT_EQ(driver->children(parent).size(), 1u)
        << "the next opening has a connection of its own";
}

TEST_F(X11WindowTest, UnderAWindowManagerDialogsBelongToTheHostsWindowNotItsFrameAndStayAbove) {
    LoadGoldenState();
    const ui::Point apply = state.OnApply();
    ASSERT_NE(apply.x, 0);
    // The host's top-level window with the plug-in's window inside it, as hosts embed editors.
    const auto host_window = static_cast<xcb_window_t>(driver->make_window(100, 100));
    const xcb_window_t inner = xcb_generate_id(x);
    xcb_create_window(x, XCB_COPY_FROM_PARENT, inner, host_window, 0, 0, 700, 300, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, root->root_visual, 0, nullptr);
    xcb_map_window(x, inner);
    sync_server(x);
    ASSERT_TRUE(plugin->open_editor(driver->parent_handle(inner)));
    Pump();
    editor = driver->children(inner).at(0);

    // What a window manager reads of the dialog, answered with its close button.
    struct Seen {
        Shown dialog;
        WindowId owner = 0;
        std::string wm_class;
        std::vector<uint32_t> hints, states;
    };
    const auto watch_dialog = [&] {
        Seen seen;
        EXPECT_TRUE(WhenShown(
            ShownKind::dialog,
            [&](Watcher& w, const Shown& dialog) {
                seen.dialog = dialog;
                seen.owner = w.owner(seen.dialog);
                if (xcb_connection_t* c = open_connection()) {
                    const auto id = static_cast<xcb_window_t>(seen.dialog.id);
                    seen.wm_class = property_of(c, id, XCB_ATOM_WM_CLASS);
                    seen.hints = words_of(property_of(c, id, XCB_ATOM_WM_HINTS));
                    seen.states = words_of(property_of(c, id, intern_atom(c, "_NET_WM_STATE")));
                    xcb_disconnect(c);
                }
                Answer(w, dialog, [&] { w.close(dialog); });
            },
            [&] { driver->click(editor, apply); }));
        return seen;
    };
    // Without a window manager the host's window, the child of the root, owns the dialog (not
    // the plug-in's window inside it).
    EXPECT_EQ(watch_dialog().owner, host_window);

    // A reparenting window manager takes the host's window over: a frame with a title bar
    // around it, the host's window marked managed (WM_STATE, Normal); the user drags the frame.
    const auto frame = static_cast<xcb_window_t>(driver->make_window(100, 80, 700, 320));
    xcb_reparent_window(x, host_window, frame, 0, 20);
    const xcb_atom_t wm_state = intern_atom(x, "WM_STATE");
    const uint32_t normal[] = {1, XCB_NONE};
    xcb_change_property(x, XCB_PROP_MODE_REPLACE, host_window, wm_state, wm_state, 32, 2, normal);
    const uint32_t dragged[] = {250, 130};
    xcb_configure_window(x, frame, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, dragged);
    sync_server(x);
    Pump();

    const Seen managed = watch_dialog();
    EXPECT_EQ(managed.owner, host_window) << "not the frame " << frame;
    EXPECT_LE(std::abs(managed.dialog.centre().x - (250 + 331)), 1) << "centred";
    EXPECT_LE(std::abs(managed.dialog.centre().y - (150 + 128)), 1) << "centred";
    // What window managers group, focus and stack it by: kept above the host, which cannot
    // repaint while the dialog runs.
    EXPECT_EQ(managed.wm_class, std::string("tonvo\0Tonvo\0", 12));
    ASSERT_GE(managed.hints.size(), 2u);
    EXPECT_NE(managed.hints[0] & 1u, 0u) << "WM_HINTS carries the input field";
    EXPECT_EQ(managed.hints[1], 1u);
    std::vector<uint32_t> wanted = {intern_atom(x, "_NET_WM_STATE_ABOVE"),
                                    intern_atom(x, "_NET_WM_STATE_MODAL")};
    std::vector<uint32_t> states = managed.states;
    std::sort(wanted.begin(), wanted.end());
    std::sort(states.begin(), states.end());
    EXPECT_EQ(states, wanted);
}

// A key with é, as a French layout has, mapped before the editor reads the map; a dead acute
// mapped while it is open (the editor follows the change), composing é with e.
TEST_F(X11WindowTest, TypedTextNamesThePresetIncludingLettersOfTheKeyboardLayout) {
    ASSERT_NE(map_spare_key(x, kEacute), 0);
    ASSERT_TRUE(Open());
    ASSERT_NE(map_spare_key(x, kDeadAcute), 0);
    Pump();
    InSavePresetDialog([&](xcb_connection_t* c, Watcher& w, const Shown& dialog) {
        Answer(w, dialog, [&] {
            TypeKeys(c, {'a'}, kControl);
            TypeKeys(c, {'c', 'a', 'f', kEacute, ' ', 'x', 0xff08 /* BackSpace */, kDeadAcute, 'e',
                         'c', 'l', 'a', 'i', 'r', kReturn});
        });
    });
    EXPECT_TRUE(std::filesystem::exists(home.Presets() / u8"caf\u00e9 \u00e9clair.brelwickp"));
}

// The events of `c` until one of `type` comes (up to two seconds): whether `take` took one.
template <typename Take>
bool take_event(xcb_connection_t* c, uint8_t type, Take take) {
    return eventually([&] {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            const Reply<xcb_generic_event_t> owned(event, &std::free);
            if ((event->response_type & 0x7f) == type && take(event))
                return true;
        }
        return false;
    });
}

TEST_F(X11WindowTest, CopyAndPasteGoThroughTheClipboardSelection) {
    LoadGoldenState();
    ASSERT_TRUE(Open());
    // Ctrl+A, Ctrl+C in the dialog: the plug-in owns CLIPBOARD and gives the name it shows.
    std::string copied, targets;
    InSavePresetDialog([&](xcb_connection_t* c, Watcher& w, const Shown& dialog) {
        TypeKeys(c, {'a', 'c'}, kControl);
        const xcb_atom_t clipboard = intern_atom(c, "CLIPBOARD");
        EXPECT_TRUE(eventually([&] {
            const auto owner = own(
                xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, clipboard), nullptr));
            return owner && owner->owner != XCB_NONE;
        })) << "the plug-in took the selection";
        const xcb_window_t mine = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, mine, root->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        const xcb_atom_t property = intern_atom(c, "TEST_PASTE");
        const auto ask = [&](xcb_atom_t target) {
            xcb_convert_selection(c, mine, clipboard, target, property, XCB_CURRENT_TIME);
            xcb_flush(c);
            take_event(c, XCB_SELECTION_NOTIFY, [](xcb_generic_event_t*) { return true; });
            return property_of(c, mine, property);
        };
        copied = ask(intern_atom(c, "UTF8_STRING"));
        targets = ask(intern_atom(c, "TARGETS"));
        Answer(w, dialog, [&] { TypeKeys(c, {kEscape}); });
    });
    EXPECT_EQ(copied, "Major Pentatonic");
    EXPECT_EQ(targets.size(), 3 * sizeof(xcb_atom_t)) << "TARGETS, UTF8_STRING, STRING";

    // Another program's text pasted with Ctrl+V: the plug-in asks the owner, which answers
    // from its own event loop while the dialog waits inside the host's call.
    InSavePresetDialog([&](xcb_connection_t* c, Watcher& w, const Shown& dialog) {
        const xcb_window_t owner = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, owner, root->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        const xcb_atom_t utf8 = intern_atom(c, "UTF8_STRING");
        xcb_set_selection_owner(c, owner, intern_atom(c, "CLIPBOARD"), XCB_CURRENT_TIME);
        TypeKeys(c, {'a'}, kControl);
        TypeKeys(c, {'v'}, kControl);
        const std::string text = "Gr\u00fc\u00df Gott";
        EXPECT_TRUE(take_event(c, XCB_SELECTION_REQUEST, [&](xcb_generic_event_t* event) {
            const auto* request = reinterpret_cast<xcb_selection_request_event_t*>(event);
            union {
                xcb_selection_notify_event_t notify;
                char bytes[32];
            } sent{};
            sent.notify = {XCB_SELECTION_NOTIFY,
                           0,
                           0,
                           request->time,
                           request->requestor,
                           request->selection,
                           request->target,
                           XCB_ATOM_NONE};
            if (request->target == utf8) {
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, request->requestor, request->property,
                                    utf8, 8, static_cast<uint32_t>(text.size()), text.data());
                sent.notify.property = request->property;
            }
            xcb_send_event(c, 0, request->requestor, 0, sent.bytes);
            xcb_flush(c);
            return request->target == utf8;
        })) << "the plug-in asked for the text";
        Answer(w, dialog, [&] { TypeKeys(c, {kReturn}); });
    });
    EXPECT_TRUE(std::filesystem::exists(home.Presets() / u8"Gr\u00fc\u00df Gott.brelwickp"));
}

// What the server shows as the pointer now (XFixes): the shape, its hot spot and pixels.
struct CursorImage {
    int width = 0, height = 0, xhot = 0, yhot = 0;
    std::vector<uint32_t> pixels;
    friend bool operator==(const CursorImage&, const CursorImage&) = default;
};

CursorImage shown_cursor(xcb_connection_t* c) {
    const auto image =
        own(xcb_xfixes_get_cursor_image_reply(c, xcb_xfixes_get_cursor_image(c), nullptr));
    if (!image)
        return {};
    const uint32_t* pixels = xcb_xfixes_get_cursor_image_cursor_image(image.get());
    return {image->width,
            image->height,
            image->xhot,
            image->yhot,
            {pixels, pixels + xcb_xfixes_get_cursor_image_cursor_image_length(image.get())}};
}

TEST_F(X11WindowTest, TheEditorShowsTheArrowTheFormAsksFor) {
    const auto version = own(xcb_xfixes_query_version_reply(
        x, xcb_xfixes_query_version(x, XCB_XFIXES_MAJOR_VERSION, XCB_XFIXES_MINOR_VERSION),
        nullptr));
    if (!version || version->major_version < 1)
        GTEST_SKIP() << "the server cannot show its cursor (XFixes)";
    const ui::Point key = state.OnKey(0);
    const ui::Point apply = state.OnApply();
    ASSERT_NE(key.x, 0);

    // What left_ptr of the cursor font looks like here, shown over a window of ours.
    const xcb_font_t font = xcb_generate_id(x);
    xcb_open_font(x, font, 6, "cursor");
    const xcb_cursor_t cursor = xcb_generate_id(x);
    xcb_create_glyph_cursor(x, cursor, font, font, 68, 69, 0, 0, 0, 0xffff, 0xffff, 0xffff);
    const WindowId window = driver->make_window(1000, 600, 50, 50);
    xcb_change_window_attributes(x, static_cast<xcb_window_t>(window), XCB_CW_CURSOR, &cursor);
    driver->pointer_to(window, {20, 20});
    const CursorImage arrow = shown_cursor(x);
    driver->destroy_window(window);
    xcb_free_cursor(x, cursor);
    xcb_close_font(x, font);
    ASSERT_FALSE(arrow.pixels.empty());

    // The host's window shows the root's cursor, until the editor covers it with its own.
    parent = driver->make_window(100, 100);
    driver->pointer_to(parent, key);
    ASSERT_NE(shown_cursor(x), arrow);
    ASSERT_TRUE(plugin->open_editor(driver->parent_handle(parent)));
    Pump();
    // This editor's keys ask for the arrow too (no hand), as its buttons do.
    driver->pointer_to(parent, {key.x + 1, key.y});
    EXPECT_EQ(shown_cursor(x), arrow) << "over a key";
    driver->pointer_to(parent, apply);
    EXPECT_EQ(shown_cursor(x), arrow) << "over a button";
}

} // namespace
} // namespace tonvo::test
