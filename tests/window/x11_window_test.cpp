// What only the X11 backend has, on the fixture of the shared window tests: the XEmbed
// information of the editor's window, what the server sends when a grab takes the pointer, the
// preset browser closed by a click shorter than its check interval and repainting under its
// menu and confirmation, a connection broken by the server, dialogs under a window manager,
// the keyboard given back by a menu, typing through the server's keyboard map (a layout's
// letters, dead keys), the CLIPBOARD selection, and the pointer's shape.
#include "editor/note_map_editor.h"
#include "ui/golden.h"
#include "window/window_fixture.h"
#include "window/x11_driver.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

namespace tonvo::test {
namespace {

// Keysyms the tests type.
constexpr xcb_keysym_t kReturn = 0xff0d;
constexpr xcb_keysym_t kEscape = 0xff1b;
constexpr xcb_keysym_t kDown = 0xff54;
constexpr xcb_keysym_t kControl = 0xffe3;
constexpr xcb_keysym_t kEacute = 0xe9;
constexpr xcb_keysym_t kDeadAcute = 0xfe51;

// What a watcher on its own connection saw of a dialog: what a window manager reads of it and
// where it is.
struct DialogSeen {
    bool found = false;
    xcb_window_t transientFor = 0;
    // WM_CLASS as sent: instance and class, each ending in a zero byte.
    std::string wmClass;
    // WM_HINTS: its flags and input field; 0 without the property.
    uint32_t hintFlags = 0;
    uint32_t input = 0;
    std::vector<xcb_atom_t> states;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// The shared fixture with the X11 driver's connection and helpers under short names.
class X11WindowTest : public EditorWindowTest {
protected:
    void SetUp() override {
        EditorWindowTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        x = X().connection();
        screen = X().root_screen();
    }

    X11Driver& X() { return static_cast<X11Driver&>(*driver); }
    intptr_t Call(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr) {
        return plugin->call(opcode, index, value, ptr);
    }
    intptr_t Open(xcb_window_t parent) {
        return Call(effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<uintptr_t>(parent)));
    }
    std::vector<uint8_t> Chunk() { return plugin->state(); }
    std::vector<Delivered> Process() { return plugin->process(); }
    void Sync() { test::Sync(x); }
    xcb_window_t MakeWindow(int left, int top, int width, int height, uint32_t fill = 0) {
        return X().make_filled(left, top, width, height, fill);
    }
    std::vector<xcb_window_t> Children(xcb_window_t parent) { return test::Children(x, parent); }
    ui::Bitmap Read(xcb_window_t window, int width, int height) {
        return ReadWindow(x, window, width, height);
    }
    // Whether the `w` x `h` area at (ax, ay) of `a` differs from the one at (bx, by) of `b`.
    static bool Differs(const ui::Bitmap& a, int ax, int ay, const ui::Bitmap& b, int bx, int by,
                        int w, int h) {
        for (int y = 0; y < h; ++y)
            for (int col = 0; col < w; ++col)
                if (!(a.pixel(ax + col, ay + y) == b.pixel(bx + col, by + y)))
                    return true;
        return false;
    }
    // Pointer and key input made with XTest on `c`, each followed (with `idle`) by host calls.
    void Fake(xcb_connection_t* c, uint8_t type, uint8_t detail, int at_x = 0, int at_y = 0,
              bool idle = true) {
        test::Fake(c, screen, type, detail, at_x, at_y);
        if (idle)
            Pump(2);
    }
    void Click(int at_x, int at_y) {
        Fake(x, XCB_MOTION_NOTIFY, 0, at_x, at_y);
        Fake(x, XCB_BUTTON_PRESS, 1);
        Fake(x, XCB_BUTTON_RELEASE, 1);
    }
    // A press and release of `button` at a root point, on `c`.
    void ClickAt(xcb_connection_t* c, int at_x, int at_y, uint8_t button = 1) {
        Fake(c, XCB_MOTION_NOTIFY, 0, at_x, at_y, false);
        Fake(c, XCB_BUTTON_PRESS, button, 0, 0, false);
        Fake(c, XCB_BUTTON_RELEASE, button, 0, 0, false);
    }
    void Type(xcb_connection_t* c, const std::vector<xcb_keysym_t>& keysyms,
              xcb_keysym_t modifier = 0) {
        test::Type(c, screen, keysyms, modifier);
    }
    uint8_t MapSpareKey(xcb_keysym_t keysym) { return test::MapSpareKey(x, keysym); }
    xcb_window_t FindWindow(xcb_connection_t* c, bool dialog, xcb_rectangle_t* where = nullptr) {
        return test::FindWindow(c, X().screen_info(), dialog, where);
    }
    // On a watcher thread, while the host's thread serves a menu or dialog inside its idle
    // call: `act` on `window` until it goes; as a last resort its client is cut off, so that
    // a failing test never leaves the host's thread waiting.
    template <typename Act>
    void Answer(xcb_connection_t* c, xcb_window_t window, Act act) {
        for (int i = 0; i < 5; ++i) {
            act();
            if (Eventually([&] { return !Viewable(c, window); }, 100))
                return;
        }
        ADD_FAILURE() << "the window did not go";
        xcb_kill_client(c, window);
        xcb_flush(c);
    }
    // The Save Preset dialog, from the main menu by keys (Init, Load Preset, Save Preset), with
    // `act` run on the watcher's connection while the dialog shows under the pointer.
    template <typename Act>
    void InSavePresetDialog(const ui::Point& menu_button, Act act) {
        bool shown = false;
        std::thread watcher([&] {
            xcb_connection_t* w = Connect();
            if (w == nullptr)
                return;
            const xcb_window_t menu = FindWindow(w, false);
            if (menu != 0)
                Answer(w, menu, [&] { Type(w, {kDown, kDown, kDown, kReturn}); });
            xcb_rectangle_t where{};
            const xcb_window_t dialog = menu != 0 ? FindWindow(w, true, &where) : 0;
            if (dialog != 0) {
                shown = true;
                // Keys go to the window under the pointer (no window manager gives focus).
                Fake(w, XCB_MOTION_NOTIFY, 0, where.x + 5, where.y + 5, false);
                act(w, dialog);
            }
            xcb_disconnect(w);
        });
        Click(100 + menu_button.x, 100 + menu_button.y);
        watcher.join();
        EXPECT_TRUE(shown) << "no Save Preset dialog appeared";
        Pump();
    }
    // On a watcher thread while the host's thread serves a dialog: finds the dialog on a
    // connection of its own, reads it, and answers it with Enter or (with_enter false) the
    // window manager's close button.
    DialogSeen WatchDialog(bool with_enter) {
        DialogSeen seen;
        xcb_connection_t* c = Connect();
        if (c == nullptr)
            return seen;
        const xcb_window_t dialog = FindWindow(c, true);
        if (dialog == 0) {
            xcb_disconnect(c);
            return seen;
        }
        seen.found = true;
        if (const auto owner = Words(Property(c, dialog, XCB_ATOM_WM_TRANSIENT_FOR));
            owner.size() == 1)
            seen.transientFor = owner[0];
        seen.wmClass = Property(c, dialog, XCB_ATOM_WM_CLASS);
        if (const auto hints = Words(Property(c, dialog, XCB_ATOM_WM_HINTS)); hints.size() >= 2) {
            seen.hintFlags = hints[0];
            seen.input = hints[1];
        }
        seen.states = Words(Property(c, dialog, Atom(c, "_NET_WM_STATE")));
        const auto geometry = Own(xcb_get_geometry_reply(c, xcb_get_geometry(c, dialog), nullptr));
        if (geometry) {
            seen.left = geometry->x;
            seen.top = geometry->y;
            seen.width = geometry->width;
            seen.height = geometry->height;
        }
        Answer(c, dialog, [&] {
            if (with_enter) {
                // Keys go to the window under the pointer (no window manager gives focus).
                Fake(c, XCB_MOTION_NOTIFY, 0, seen.left + 5, seen.top + 5, false);
                Type(c, {kReturn});
            } else {
                // The window manager's close button.
                xcb_client_message_event_t message{};
                message.response_type = XCB_CLIENT_MESSAGE;
                message.format = 32;
                message.window = dialog;
                message.type = Atom(c, "WM_PROTOCOLS");
                message.data.data32[0] = Atom(c, "WM_DELETE_WINDOW");
                xcb_send_event(c, 0, dialog, XCB_EVENT_MASK_NO_EVENT,
                               reinterpret_cast<const char*>(&message));
                xcb_flush(c);
            }
        });
        xcb_disconnect(c);
        return seen;
    }

    xcb_connection_t* x = nullptr;
    const xcb_screen_t* screen = nullptr;
};

TEST_F(X11WindowTest, TheEditorsWindowCarriesItsXEmbedInformation) {
    const xcb_window_t parent = MakeWindow(100, 100, 700, 300);
    ASSERT_EQ(Open(parent), 1);
    Pump();
    const std::vector<xcb_window_t> children = Children(parent);
    ASSERT_EQ(children.size(), 1u);
    const auto info =
        Own(xcb_get_property_reply(x,
                                   xcb_get_property(x, 0, children[0], Atom(x, "_XEMBED_INFO"),
                                                    XCB_GET_PROPERTY_TYPE_ANY, 0, 2),
                                   nullptr));
    ASSERT_TRUE(info);
    ASSERT_EQ(xcb_get_property_value_length(info.get()), 8);
    const auto* xembed = static_cast<const uint32_t*>(xcb_get_property_value(info.get()));
    EXPECT_EQ(xembed[0], 0u);
    EXPECT_EQ(xembed[1], 1u) << "XEMBED_MAPPED";
    Call(effEditClose);
}

// What the server sends when another client's grab takes the pointer (this test cannot take
// one while the editor's press holds it): the held key's preview ends.
TEST_F(X11WindowTest, AGrabTakingThePointerEndsAHeldKeysPreview) {
    GoldenState state;
    LoadGoldenState(state);
    const ui::Point d = state.OnKey(2);
    ASSERT_NE(d.x, 0);
    const xcb_window_t parent = MakeWindow(100, 100, 700, 300);
    ASSERT_EQ(Open(parent), 1);
    Pump();
    Process();
    Fake(x, XCB_MOTION_NOTIFY, 0, 100 + d.x, 100 + d.y);
    Fake(x, XCB_BUTTON_PRESS, 1);
    EXPECT_EQ(Process(), (std::vector<Delivered>{NoteOn(0, 62, 100)}));
    const std::vector<xcb_window_t> children = Children(parent);
    ASSERT_EQ(children.size(), 1u);
    xcb_leave_notify_event_t leave{};
    leave.response_type = XCB_LEAVE_NOTIFY;
    leave.detail = XCB_NOTIFY_DETAIL_NONLINEAR;
    leave.root = screen->root;
    leave.event = children[0];
    leave.state = XCB_BUTTON_MASK_1;
    leave.mode = XCB_NOTIFY_MODE_GRAB;
    leave.same_screen_focus = 1;
    xcb_send_event(x, 0, children[0], XCB_EVENT_MASK_LEAVE_WINDOW,
                   reinterpret_cast<const char*>(&leave));
    Sync();
    Pump(2);
    EXPECT_EQ(Process(), (std::vector<Delivered>{NoteOff(0, 62, 100)}))
        << "a grab took the pointer";
    Fake(x, XCB_BUTTON_RELEASE, 1);
    Call(effEditClose);
}

TEST_F(X11WindowTest, AMenuGivesTheKeyboardBackWhenItCloses) {
    GoldenState state;
    const ui::Point c = state.OnKey(0);
    ASSERT_NE(c.x, 0);
    const xcb_window_t parent = MakeWindow(100, 100, 700, 300);
    ASSERT_EQ(Open(parent), 1);
    Pump();
    std::thread typist([&] {
        xcb_connection_t* w = Connect();
        if (w == nullptr)
            return;
        if (const xcb_window_t menu = FindWindow(w, false); menu != 0)
            Answer(w, menu, [&] { Type(w, {kDown, kEscape}); });
        else
            ADD_FAILURE() << "no menu pane appeared";
        xcb_disconnect(w);
    });
    Fake(x, XCB_MOTION_NOTIFY, 0, 100 + c.x, 100 + c.y);
    Fake(x, XCB_BUTTON_PRESS, 3);
    Fake(x, XCB_BUTTON_RELEASE, 3);
    typist.join();
    Pump();
    const auto grab =
        Own(xcb_grab_keyboard_reply(x,
                                    xcb_grab_keyboard(x, 0, screen->root, XCB_CURRENT_TIME,
                                                      XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                                    nullptr));
    ASSERT_TRUE(grab);
    EXPECT_EQ(grab->status, XCB_GRAB_STATUS_SUCCESS);
    xcb_ungrab_keyboard(x, XCB_CURRENT_TIME);
    Call(effEditClose);
}

// The browser closes with Cancel on a short click on the bare screen or on the editor itself.
// The server delivers a press to the window under the pointer; the editor's own drops it with
// the rest of its input while the browser runs.
TEST_F(X11WindowTest, AClickOutsideThePresetBrowserClosesIt) {
    GoldenState state;
    LoadGoldenState(state);
    const ui::Point presets = state.OnPresets();
    ASSERT_NE(presets.x, 0);
    const xcb_window_t parent = MakeWindow(100, 100, 700, 300);
    ASSERT_EQ(Open(parent), 1);
    Pump();
    const std::vector<uint8_t> before = Chunk();

    // The bare screen, and the editor's left edge (the browser is 32 pixels narrower).
    for (const ui::Point outside : {ui::Point{1200, 700}, ui::Point{100 + 5, 100 + 100}}) {
        bool found = false;
        bool went = false;
        std::thread watcher([&] {
            xcb_connection_t* c = Connect();
            if (c == nullptr)
                return;
            xcb_rectangle_t where{};
            const xcb_window_t dialog = FindWindow(c, true, &where);
            found = dialog != 0;
            if (found) {
                // Once the browser shows, a click shorter than the browser's check interval.
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                Fake(c, XCB_MOTION_NOTIFY, 0, outside.x, outside.y, false);
                Fake(c, XCB_BUTTON_PRESS, 1, 0, 0, false);
                std::this_thread::sleep_for(std::chrono::milliseconds(30));
                Fake(c, XCB_BUTTON_RELEASE, 1, 0, 0, false);
                went = Eventually([&] { return !Viewable(c, dialog); });
                // Else its Cancel button, so that a failure leaves no dialog behind.
                if (!went)
                    Answer(c, dialog, [&] {
                        ClickAt(c, where.x + where.width - 53, where.y + where.height - 23);
                    });
            }
            xcb_disconnect(c);
        });
        Click(100 + presets.x, 100 + presets.y);
        watcher.join();
        Pump();
        ASSERT_TRUE(found) << "no browser appeared";
        EXPECT_TRUE(went) << "a click at " << outside.x << "," << outside.y
                          << " left the browser open";
    }
    EXPECT_EQ(Chunk(), before) << "Cancel loads nothing";
    Call(effEditClose);
}

// A right click in the browser selects the item and opens the list's menu over it; Delete asks
// in a box over the browser. The browser's window shows the new selection under the menu, and
// no leftover of the menu under the box.
TEST_F(X11WindowTest, TheBrowserRepaintsUnderItsMenuAndItsConfirmation) {
    GoldenState state;
    LoadGoldenState(state);
    std::filesystem::copy_file(home.Presets() / "Major Pentatonic.brelwickp",
                               home.Presets() / "Another.brelwickp",
                               std::filesystem::copy_options::overwrite_existing);
    const ui::Point presets = state.OnPresets();
    ASSERT_NE(presets.x, 0);
    const xcb_window_t parent = MakeWindow(100, 100, 700, 300);
    ASSERT_EQ(Open(parent), 1);
    Pump();

    // "Another" and "Major Pentatonic" down the first column (items 20 high from 36, the list
    // 12 from the left), the second selected; a strip left of the point where the menu opens
    // shows both rows.
    constexpr int kItemX = 62;
    constexpr int kStripLeft = 14;
    constexpr int kStripTop = 38;
    constexpr int kStripWidth = kItemX - 2 - kStripLeft;
    constexpr int kStripHeight = 36;
    bool selected_shown = false;
    bool menu_gone = false;
    bool asked = false;
    std::thread watcher([&] {
        xcb_connection_t* c = Connect();
        if (c == nullptr)
            return;
        xcb_rectangle_t where{};
        const xcb_window_t browser = FindWindow(c, true, &where);
        if (browser == 0) {
            ADD_FAILURE() << "no browser appeared";
            xcb_disconnect(c);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const ui::Bitmap before = Read(browser, where.width, where.height);
        ClickAt(c, where.x + kItemX, where.y + 46, 3);
        xcb_rectangle_t pane{};
        const xcb_window_t menu = FindWindow(c, false, &pane);
        if (menu != 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            const ui::Bitmap under_menu = Read(browser, where.width, where.height);
            selected_shown = Differs(before, kStripLeft, kStripTop, under_menu, kStripLeft,
                                     kStripTop, kStripWidth, kStripHeight);
            // Delete, the second row, lit under the pointer as the press leaves it.
            Fake(c, XCB_MOTION_NOTIFY, 0, pane.x + 30, pane.y + 1 + 22 + 11, false);
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            const ui::Bitmap shown_menu = Read(menu, pane.width, pane.height);
            Fake(c, XCB_BUTTON_PRESS, 1, 0, 0, false);
            Fake(c, XCB_BUTTON_RELEASE, 1, 0, 0, false);
            xcb_window_t box = 0;
            asked = Eventually([&] { return (box = FindWindow(c, true)) != browser; });
            if (asked) {
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                const ui::Bitmap under_box = Read(browser, where.width, where.height);
                menu_gone = Differs(shown_menu, 2, 2, under_box, pane.x - where.x + 2,
                                    pane.y - where.y + 2, 80, 50);
                xcb_rectangle_t at{};
                FindWindow(c, true, &at);
                Answer(c, box, [&] {
                    Fake(c, XCB_MOTION_NOTIFY, 0, at.x + 5, at.y + 5, false);
                    Type(c, {kEscape});
                });
            }
        }
        Answer(c, browser,
               [&] { ClickAt(c, where.x + where.width - 53, where.y + where.height - 23); });
        xcb_disconnect(c);
    });
    Click(100 + presets.x, 100 + presets.y);
    watcher.join();
    Pump();
    EXPECT_TRUE(selected_shown) << "the new selection was not painted while the menu ran";
    ASSERT_TRUE(asked) << "no confirmation appeared";
    EXPECT_TRUE(menu_gone) << "the menu's picture stayed on the browser under the box";
    EXPECT_TRUE(std::filesystem::exists(home.Presets() / "Another.brelwickp")) << "No keeps it";
    Call(effEditClose);
}

TEST_F(X11WindowTest, AConnectionBrokenByTheServerStopsTheEditorQuietly) {
    const xcb_window_t parent = MakeWindow(0, 0, 700, 300);
    ASSERT_EQ(Open(parent), 1);
    Pump(2);
    const std::vector<xcb_window_t> children = Children(parent);
    ASSERT_EQ(children.size(), 1u);
    // The server drops the editor's client, as when it shuts down or runs out of resources.
    xcb_kill_client(x, children[0]);
    Sync();
    Pump(3);
    EXPECT_TRUE(Eventually([&] { return Children(parent).empty(); }));
    Call(effEditClose);
    ASSERT_EQ(Open(parent), 1);
    Pump(2);
    EXPECT_EQ(Children(parent).size(), 1u) << "the next opening has a connection of its own";
    Call(effEditClose);
}

TEST_F(X11WindowTest, UnderAWindowManagerDialogsBelongToTheHostsWindowNotItsFrameAndStayAbove) {
    GoldenState state;
    LoadGoldenState(state);
    const ui::Point apply = state.OnApply();
    ASSERT_NE(apply.x, 0);
    // The host's top-level window with the plug-in's window inside it, as hosts embed editors.
    const xcb_window_t host_window = MakeWindow(100, 100, 700, 300);
    const xcb_window_t parent = xcb_generate_id(x);
    xcb_create_window(x, XCB_COPY_FROM_PARENT, parent, host_window, 0, 0, 700, 300, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
    xcb_map_window(x, parent);
    Sync();
    ASSERT_EQ(Open(parent), 1);
    Pump();

    // Without a window manager the host's window, the child of the root, owns the dialog (not
    // the plug-in's window inside it).
    DialogSeen plain;
    std::thread first([&] { plain = WatchDialog(false); });
    Click(100 + apply.x, 100 + apply.y);
    first.join();
    ASSERT_TRUE(plain.found) << "no dialog window appeared";
    EXPECT_EQ(plain.transientFor, host_window);
    Pump();

    // A reparenting window manager takes the host's window over: a frame with a title bar
    // around it, the host's window marked managed (WM_STATE, Normal); the user drags the frame.
    const xcb_window_t frame = MakeWindow(100, 80, 700, 320);
    xcb_reparent_window(x, host_window, frame, 0, 20);
    const xcb_atom_t wm_state = Atom(x, "WM_STATE");
    const uint32_t normal[] = {1, XCB_NONE};
    xcb_change_property(x, XCB_PROP_MODE_REPLACE, host_window, wm_state, wm_state, 32, 2, normal);
    const uint32_t dragged[] = {250, 130};
    xcb_configure_window(x, frame, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, dragged);
    Sync();
    Pump();

    DialogSeen managed;
    std::thread second([&] { managed = WatchDialog(false); });
    Click(250 + apply.x, 150 + apply.y);
    second.join();
    ASSERT_TRUE(managed.found) << "no dialog window appeared";
    EXPECT_EQ(managed.transientFor, host_window) << "not the frame " << frame;
    EXPECT_LE(std::abs(managed.left + managed.width / 2 - (250 + 331)), 1) << "centred";
    EXPECT_LE(std::abs(managed.top + managed.height / 2 - (150 + 128)), 1) << "centred";
    // What window managers group, focus and stack it by: kept above the host, which cannot
    // repaint while the dialog runs.
    EXPECT_EQ(managed.wmClass, std::string("tonvo\0Tonvo\0", 12));
    EXPECT_NE(managed.hintFlags & 1u, 0u) << "WM_HINTS carries the input field";
    EXPECT_EQ(managed.input, 1u);
    std::vector<xcb_atom_t> wanted = {Atom(x, "_NET_WM_STATE_ABOVE"),
                                      Atom(x, "_NET_WM_STATE_MODAL")};
    std::sort(wanted.begin(), wanted.end());
    std::sort(managed.states.begin(), managed.states.end());
    EXPECT_EQ(managed.states, wanted);
    Pump();
    Call(effEditClose);
}

TEST_F(X11WindowTest, TypedTextNamesThePresetIncludingLettersOfTheKeyboardLayout) {
    GoldenState state;
    const ui::Point button = state.OnMenuButton();
    ASSERT_NE(button.x, 0);
    // A key with é, as a French layout has, mapped before the editor reads the map; a dead
    // acute mapped while it is open (the editor follows the change), composing é with e.
    ASSERT_NE(MapSpareKey(kEacute), 0);
    const xcb_window_t parent = MakeWindow(100, 100, 700, 300);
    ASSERT_EQ(Open(parent), 1);
    Pump();
    ASSERT_NE(MapSpareKey(kDeadAcute), 0);
    Pump();

    InSavePresetDialog(button, [&](xcb_connection_t* w, xcb_window_t dialog) {
        Answer(w, dialog, [&] {
            Type(w, {'a'}, kControl);
            Type(w, {'c', 'a', 'f', kEacute, ' ', 'x', 0xff08 /* BackSpace */, kDeadAcute, 'e', 'c',
                     'l', 'a', 'i', 'r', kReturn});
        });
    });
    EXPECT_TRUE(std::filesystem::exists(home.Presets() / u8"caf\u00e9 \u00e9clair.brelwickp"));
    Call(effEditClose);
}

TEST_F(X11WindowTest, CopyAndPasteGoThroughTheClipboardSelection) {
    GoldenState state;
    LoadGoldenState(state);
    const ui::Point button = state.OnMenuButton();
    ASSERT_NE(button.x, 0);
    const xcb_window_t parent = MakeWindow(100, 100, 700, 300);
    ASSERT_EQ(Open(parent), 1);
    Pump();

    // Ctrl+A, Ctrl+C in the dialog: the plug-in owns CLIPBOARD and gives the name it shows.
    std::string copied;
    std::string targets_seen;
    InSavePresetDialog(button, [&](xcb_connection_t* w, xcb_window_t dialog) {
        Type(w, {'a', 'c'}, kControl);
        const xcb_atom_t clipboard = Atom(w, "CLIPBOARD");
        EXPECT_TRUE(Eventually([&] {
            const auto owner = Own(
                xcb_get_selection_owner_reply(w, xcb_get_selection_owner(w, clipboard), nullptr));
            return owner && owner->owner != XCB_NONE;
        })) << "the plug-in took the selection";
        const xcb_window_t mine = xcb_generate_id(w);
        xcb_create_window(w, XCB_COPY_FROM_PARENT, mine, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        const xcb_atom_t property = Atom(w, "TEST_PASTE");
        const auto ask = [&](xcb_atom_t target) {
            xcb_convert_selection(w, mine, clipboard, target, property, XCB_CURRENT_TIME);
            xcb_flush(w);
            std::string got;
            Eventually([&] {
                while (xcb_generic_event_t* event = xcb_poll_for_event(w)) {
                    const Reply<xcb_generic_event_t> owned(event, &std::free);
                    const auto* notify = reinterpret_cast<xcb_selection_notify_event_t*>(event);
                    if ((event->response_type & 0x7f) != XCB_SELECTION_NOTIFY)
                        continue;
                    if (notify->property == XCB_ATOM_NONE)
                        return true;
                    const auto value = Own(xcb_get_property_reply(
                        w,
                        xcb_get_property(w, 1, mine, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 4096),
                        nullptr));
                    if (value)
                        got.assign(static_cast<const char*>(xcb_get_property_value(value.get())),
                                   static_cast<size_t>(xcb_get_property_value_length(value.get())));
                    return true;
                }
                return false;
            });
            return got;
        };
        copied = ask(Atom(w, "UTF8_STRING"));
        targets_seen = ask(Atom(w, "TARGETS"));
        Answer(w, dialog, [&] { Type(w, {kEscape}); });
    });
    EXPECT_EQ(copied, "Major Pentatonic");
    EXPECT_EQ(targets_seen.size(), 3 * sizeof(xcb_atom_t)) << "TARGETS, UTF8_STRING, STRING";

    // Another program's text pasted with Ctrl+V: the plug-in asks the owner, which answers
    // from its own event loop while the dialog waits.
    InSavePresetDialog(button, [&](xcb_connection_t* w, xcb_window_t dialog) {
        const xcb_window_t owner = xcb_generate_id(w);
        xcb_create_window(w, XCB_COPY_FROM_PARENT, owner, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        const xcb_atom_t clipboard = Atom(w, "CLIPBOARD");
        const xcb_atom_t utf8 = Atom(w, "UTF8_STRING");
        xcb_set_selection_owner(w, owner, clipboard, XCB_CURRENT_TIME);
        const std::string text = "Gr\u00fc\u00df Gott";
        bool served = false;
        const auto serve = [&] {
            while (xcb_generic_event_t* event = xcb_poll_for_event(w)) {
                const Reply<xcb_generic_event_t> owned(event, &std::free);
                if ((event->response_type & 0x7f) != XCB_SELECTION_REQUEST)
                    continue;
                const auto* request = reinterpret_cast<xcb_selection_request_event_t*>(event);
                union {
                    xcb_selection_notify_event_t notify;
                    char bytes[32];
                } sent{};
                sent.notify.response_type = XCB_SELECTION_NOTIFY;
                sent.notify.time = request->time;
                sent.notify.requestor = request->requestor;
                sent.notify.selection = request->selection;
                sent.notify.target = request->target;
                if (request->target == utf8) {
                    xcb_change_property(w, XCB_PROP_MODE_REPLACE, request->requestor,
                                        request->property, utf8, 8,
                                        static_cast<uint32_t>(text.size()), text.data());
                    sent.notify.property = request->property;
                    served = true;
                }
                xcb_send_event(w, 0, request->requestor, 0, sent.bytes);
                xcb_flush(w);
            }
            return served;
        };
        Type(w, {'a'}, kControl);
        // The paste waits inside the host's idle call: the owner answers from here.
        const uint8_t v = KeyCode(w, 'v');
        const uint8_t control = KeyCode(w, kControl);
        Fake(w, XCB_KEY_PRESS, control, 0, 0, false);
        Fake(w, XCB_KEY_PRESS, v, 0, 0, false);
        Fake(w, XCB_KEY_RELEASE, v, 0, 0, false);
        Fake(w, XCB_KEY_RELEASE, control, 0, 0, false);
        EXPECT_TRUE(Eventually(serve)) << "the plug-in asked for the text";
        Answer(w, dialog, [&] { Type(w, {kReturn}); });
    });
    EXPECT_TRUE(std::filesystem::exists(home.Presets() / u8"Gr\u00fc\u00df Gott.brelwickp"));
    Call(effEditClose);
}

// What the server shows as the pointer now (XFixes): the shape, its hot spot and pixels.
struct CursorImage {
    int width = 0;
    int height = 0;
    int xhot = 0;
    int yhot = 0;
    std::vector<uint32_t> pixels;
    friend bool operator==(const CursorImage&, const CursorImage&) = default;
};

CursorImage ShownCursor(xcb_connection_t* c) {
    CursorImage out;
    const auto image =
        Own(xcb_xfixes_get_cursor_image_reply(c, xcb_xfixes_get_cursor_image(c), nullptr));
    if (!image)
        return out;
    out.width = image->width;
    out.height = image->height;
    out.xhot = image->xhot;
    out.yhot = image->yhot;
    const uint32_t* pixels = xcb_xfixes_get_cursor_image_cursor_image(image.get());
    out.pixels.assign(pixels,
                      pixels + xcb_xfixes_get_cursor_image_cursor_image_length(image.get()));
    return out;
}

TEST_F(X11WindowTest, TheEditorShowsTheArrowTheFormAsksFor) {
    const auto version = Own(xcb_xfixes_query_version_reply(
        x, xcb_xfixes_query_version(x, XCB_XFIXES_MAJOR_VERSION, XCB_XFIXES_MINOR_VERSION),
        nullptr));
    if (!version || version->major_version < 1)
        GTEST_SKIP() << "the server cannot show its cursor (XFixes)";
    GoldenState state;
    const ui::Point key = state.OnKey(0);
    const ui::Point apply = state.OnApply();
    ASSERT_NE(key.x, 0);

    // What left_ptr of the cursor font looks like here, shown over a window of ours.
    const xcb_font_t font = xcb_generate_id(x);
    xcb_open_font(x, font, 6, "cursor");
    const xcb_cursor_t cursor = xcb_generate_id(x);
    xcb_create_glyph_cursor(x, cursor, font, font, 68, 69, 0, 0, 0, 0xffff, 0xffff, 0xffff);
    const xcb_window_t window = MakeWindow(1000, 600, 50, 50);
    xcb_change_window_attributes(x, window, XCB_CW_CURSOR, &cursor);
    Fake(x, XCB_MOTION_NOTIFY, 0, 1020, 620, false);
    const CursorImage arrow = ShownCursor(x);
    xcb_destroy_window(x, window);
    xcb_free_cursor(x, cursor);
    xcb_close_font(x, font);
    ASSERT_FALSE(arrow.pixels.empty());

    // The host's window shows the root's cursor, until the editor covers it with its own.
    const xcb_window_t parent = MakeWindow(100, 100, 700, 300);
    Fake(x, XCB_MOTION_NOTIFY, 0, 100 + key.x, 100 + key.y, false);
    ASSERT_NE(ShownCursor(x), arrow);
    ASSERT_EQ(Open(parent), 1);
    Pump();
    // This editor's keys ask for the arrow too (no hand), as its buttons do.
    Fake(x, XCB_MOTION_NOTIFY, 0, 100 + key.x + 1, 100 + key.y);
    EXPECT_EQ(ShownCursor(x), arrow) << "over a key";
    Fake(x, XCB_MOTION_NOTIFY, 0, 100 + apply.x, 100 + apply.y);
    EXPECT_EQ(ShownCursor(x), arrow) << "over a button";
    Call(effEditClose);
}

} // namespace
} // namespace tonvo::test
