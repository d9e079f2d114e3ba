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

// Whether the `area` of `a` differs from the same area of `b`, each moved by its offset.
inline bool differs(const ui::Bitmap& a, ui::Point a_at, const ui::Bitmap& b, ui::Point b_at,
                    const ui::Rect& area) {
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (!(a.pixel(a_at.x + x, a_at.y + y) == b.pixel(b_at.x + x, b_at.y + y)))
                return true;
    return false;
}

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
    std::vector<Delivered> Process() { return plugin->process(); }
    void sync_server() { test::sync_server(x); }
    xcb_window_t MakeWindow(int left, int top, int width, int height, uint32_t fill = 0) {
        return X().make_filled(left, top, width, height, fill);
    }
    std::vector<xcb_window_t> children_of(xcb_window_t parent) {
        return test::children_of(x, parent);
    }
    // Pointer and key input made with XTest on `c`, each followed (with `idle`) by host calls.
    void fake_input(xcb_connection_t* c, uint8_t type, uint8_t detail, int at_x = 0, int at_y = 0,
                    bool idle = true) {
        test::fake_input(c, screen, type, detail, at_x, at_y);
        if (idle)
            Pump(2);
    }
    void Click(int at_x, int at_y) {
        fake_input(x, XCB_MOTION_NOTIFY, 0, at_x, at_y);
        fake_input(x, XCB_BUTTON_PRESS, 1);
        fake_input(x, XCB_BUTTON_RELEASE, 1);
    }
    void type_keys(xcb_connection_t* c, const std::vector<xcb_keysym_t>& keysyms,
                   xcb_keysym_t modifier = 0) {
        test::type_keys(c, screen, keysyms, modifier);
    }
    uint8_t map_spare_key(xcb_keysym_t keysym) { return test::map_spare_key(x, keysym); }
    xcb_window_t find_window(xcb_connection_t* c, bool dialog, xcb_rectangle_t* where = nullptr) {
        return test::find_window(c, X().screen_info(), dialog, where);
    }
    // On a watcher thread, while the host's thread serves a menu or dialog inside its idle
    // call: `act` on `window` until it goes; as a last resort its client is cut off, so that
    // a failing test never leaves the host's thread waiting.
    using EditorWindowTest::Answer;
    template <typename Act>
    void Answer(xcb_connection_t* c, xcb_window_t window, Act act) {
        for (int i = 0; i < 5; ++i) {
            act();
            if (Eventually([&] { return !viewable(c, window); }, 100))
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
            xcb_connection_t* w = open_connection();
            if (w == nullptr)
                return;
            const xcb_window_t menu = find_window(w, false);
            if (menu != 0)
                Answer(w, menu, [&] { type_keys(w, {kDown, kDown, kDown, kReturn}); });
            xcb_rectangle_t where{};
            const xcb_window_t dialog = menu != 0 ? find_window(w, true, &where) : 0;
            if (dialog != 0) {
                shown = true;
                // Keys go to the window under the pointer (no window manager gives focus).
                fake_input(w, XCB_MOTION_NOTIFY, 0, where.x + 5, where.y + 5, false);
                act(w, dialog);
            }
            xcb_disconnect(w);
        });
        Click(100 + menu_button.x, 100 + menu_button.y);
        watcher.join();
        EXPECT_TRUE(shown) << "no Save Preset dialog appeared";
        Pump();
    }
    // On a watcher thread while the host's thread serves a dialog: finds the dialog, reads
    // what a window manager reads of it (on a connection of its own), and answers it with the
    // window manager's close button.
    DialogSeen WatchDialog(Watcher& w) {
        DialogSeen seen;
        const Shown dialog = w.find(ShownKind::dialog);
        if (!dialog)
            return seen;
        seen.found = true;
        seen.transientFor = static_cast<xcb_window_t>(w.owner(dialog));
        seen.left = dialog.rect.left;
        seen.top = dialog.rect.top;
        seen.width = dialog.rect.width();
        seen.height = dialog.rect.height();
        if (xcb_connection_t* c = open_connection()) {
            const auto id = static_cast<xcb_window_t>(dialog.id);
            seen.wmClass = property_of(c, id, XCB_ATOM_WM_CLASS);
            if (const auto hints = words_of(property_of(c, id, XCB_ATOM_WM_HINTS));
                hints.size() >= 2) {
                seen.hintFlags = hints[0];
                seen.input = hints[1];
            }
            seen.states = words_of(property_of(c, id, intern_atom(c, "_NET_WM_STATE")));
            xcb_disconnect(c);
        }
        Answer(w, dialog, [&] { w.close(dialog); });
        return seen;
    }

    xcb_connection_t* x = nullptr;
    const xcb_screen_t* screen = nullptr;
};

TEST_F(X11WindowTest, TheEditorsWindowCarriesItsXEmbedInformation) {
    const xcb_window_t parent = MakeWindow(100, 100, 700, 300);
    ASSERT_EQ(Open(parent), 1);
    Pump();
    const std::vector<xcb_window_t> children = children_of(parent);
    ASSERT_EQ(children.size(), 1u);
    const auto info = Own(
        xcb_get_property_reply(x,
                               xcb_get_property(x, 0, children[0], intern_atom(x, "_XEMBED_INFO"),
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
    fake_input(x, XCB_MOTION_NOTIFY, 0, 100 + d.x, 100 + d.y);
    fake_input(x, XCB_BUTTON_PRESS, 1);
    EXPECT_EQ(Process(), (std::vector<Delivered>{NoteOn(0, 62, 100)}));
    const std::vector<xcb_window_t> children = children_of(parent);
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
    sync_server();
    Pump(2);
    EXPECT_EQ(Process(), (std::vector<Delivered>{NoteOff(0, 62, 100)}))
        << "a grab took the pointer";
    fake_input(x, XCB_BUTTON_RELEASE, 1);
    Call(effEditClose);
}

TEST_F(X11WindowTest, AMenuGivesTheKeyboardBackWhenItCloses) {
    GoldenState state;
    const ui::Point c = state.OnKey(0);
    ASSERT_NE(c.x, 0);
    WindowId editor = 0;
    OpenIn(100, 100, &editor);
    ASSERT_NE(editor, 0u);
    WhileWatching(
        [&](Watcher& w) {
            if (const Shown pane = w.find(ShownKind::menu))
                Answer(w, pane, [&] { w.type(pane, {key(ui::Key::down), key(ui::Key::escape)}); });
            else
                ADD_FAILURE() << "no menu pane appeared";
        },
        [&] { driver->click(editor, c, ui::MouseButton::right); });
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

// The browser closes with Cancel on a short click on the bare screen or on the editor itself
// (the browser is 32 pixels narrower than the editor: its left edge shows). The server delivers
// a press to the window under the pointer; the editor's own drops it with the rest of its
// input while the browser runs.
TEST_F(X11WindowTest, AClickOutsideThePresetBrowserClosesIt) {
    GoldenState state;
    LoadGoldenState(state);
    const ui::Point presets = state.OnPresets();
    ASSERT_NE(presets.x, 0);
    WindowId editor = 0;
    OpenIn(100, 100, &editor);
    ASSERT_NE(editor, 0u);
    const std::vector<uint8_t> before = plugin->state();

    for (const ui::Point outside : {ui::Point{1200, 700}, ui::Point{100 + 5, 100 + 100}}) {
        Shown browser;
        bool went = false;
        WhileWatching(
            [&](Watcher& w) {
                browser = w.find(ShownKind::dialog);
                if (!browser)
                    return;
                // Once the browser shows, a click shorter than the browser's check interval.
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                w.pointer_move(outside);
                w.pointer_press(ui::MouseButton::left);
                std::this_thread::sleep_for(std::chrono::milliseconds(30));
                w.pointer_release(ui::MouseButton::left);
                went = Eventually([&] { return !w.visible(browser.id); });
                // Else its Cancel button, so that a failure leaves no dialog behind.
                if (!went)
                    Answer(w, browser, [&] {
                        w.click_at(browser, {browser.rect.right - 53, browser.rect.bottom - 23});
                    });
            },
            [&] { driver->click(editor, presets); });
        Pump();
        ASSERT_TRUE(browser) << "no browser appeared";
        EXPECT_TRUE(went) << "a click at " << outside.x << "," << outside.y
                          << " left the browser open";
    }
    EXPECT_EQ(plugin->state(), before) << "Cancel loads nothing";
    plugin->close_editor();
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
    WindowId editor = 0;
    OpenIn(100, 100, &editor);
    ASSERT_NE(editor, 0u);

    // "Another" and "Major Pentatonic" down the first column (items 20 high from 36, the list
    // 12 from the left), the second selected; a strip left of the point where the menu opens
    // shows both rows.
    constexpr int kItemX = 62;
    constexpr ui::Rect kStrip = ui::Rect::from_size(14, 38, kItemX - 2 - 14, 36);
    bool selected_shown = false;
    bool menu_gone = false;
    bool asked = false;
    WhileWatching(
        [&](Watcher& w) {
            const Shown browser = w.find(ShownKind::dialog);
            if (!browser) {
                ADD_FAILURE() << "no browser appeared";
                return;
            }
            const ui::Rect& b = browser.rect;
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            const ui::Bitmap before = w.read(browser);
            w.click_at(browser, {b.left + kItemX, b.top + 46}, ui::MouseButton::right);
            if (const Shown pane = w.find(ShownKind::menu)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                selected_shown = differs(before, {0, 0}, w.read(browser), {0, 0}, kStrip);
                // Delete, the second row, lit under the pointer before the click.
                const ui::Point item{pane.rect.left + 30, pane.rect.top + 1 + 22 + 11};
                w.move_over(pane, item);
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                const ui::Bitmap shown_menu = w.read(pane);
                w.click_at(pane, item);
                const Shown box = w.find(ShownKind::dialog, browser.id);
                asked = static_cast<bool>(box);
                if (asked) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(200));
                    menu_gone = differs(shown_menu, {0, 0}, w.read(browser),
                                        {pane.rect.left - b.left, pane.rect.top - b.top},
                                        ui::Rect::from_size(2, 2, 80, 50));
                    Answer(w, box, [&] { w.type(box, {key(ui::Key::escape)}); });
                }
            }
            Answer(w, browser, [&] { w.click_at(browser, {b.right - 53, b.bottom - 23}); });
        },
        [&] { driver->click(editor, presets); });
    Pump();
    EXPECT_TRUE(selected_shown) << "the new selection was not painted while the menu ran";
    ASSERT_TRUE(asked) << "no confirmation appeared";
    EXPECT_TRUE(menu_gone) << "the menu's picture stayed on the browser under the box";
    EXPECT_TRUE(std::filesystem::exists(home.Presets() / "Another.brelwickp")) << "No keeps it";
    plugin->close_editor();
}

TEST_F(X11WindowTest, AConnectionBrokenByTheServerStopsTheEditorQuietly) {
    const xcb_window_t parent = MakeWindow(0, 0, 700, 300);
    ASSERT_EQ(Open(parent), 1);
    Pump(2);
    const std::vector<xcb_window_t> children = children_of(parent);
    ASSERT_EQ(children.size(), 1u);
    // The server drops the editor's client, as when it shuts down or runs out of resources.
    xcb_kill_client(x, children[0]);
    sync_server();
    Pump(3);
    EXPECT_TRUE(Eventually([&] { return children_of(parent).empty(); }));
    Call(effEditClose);
    ASSERT_EQ(Open(parent), 1);
    Pump(2);
    EXPECT_EQ(children_of(parent).size(), 1u) << "the next opening has a connection of its own";
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
    sync_server();
    ASSERT_EQ(Open(parent), 1);
    Pump();

    // Without a window manager the host's window, the child of the root, owns the dialog (not
    // the plug-in's window inside it).
    DialogSeen plain;
    WhileWatching([&](Watcher& w) { plain = WatchDialog(w); },
                  [&] { Click(100 + apply.x, 100 + apply.y); });
    ASSERT_TRUE(plain.found) << "no dialog window appeared";
    EXPECT_EQ(plain.transientFor, host_window);
    Pump();

    // A reparenting window manager takes the host's window over: a frame with a title bar
    // around it, the host's window marked managed (WM_STATE, Normal); the user drags the frame.
    const xcb_window_t frame = MakeWindow(100, 80, 700, 320);
    xcb_reparent_window(x, host_window, frame, 0, 20);
    const xcb_atom_t wm_state = intern_atom(x, "WM_STATE");
    const uint32_t normal[] = {1, XCB_NONE};
    xcb_change_property(x, XCB_PROP_MODE_REPLACE, host_window, wm_state, wm_state, 32, 2, normal);
    const uint32_t dragged[] = {250, 130};
    xcb_configure_window(x, frame, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, dragged);
    sync_server();
    Pump();

    DialogSeen managed;
    WhileWatching([&](Watcher& w) { managed = WatchDialog(w); },
                  [&] { Click(250 + apply.x, 150 + apply.y); });
    ASSERT_TRUE(managed.found) << "no dialog window appeared";
    EXPECT_EQ(managed.transientFor, host_window) << "not the frame " << frame;
    EXPECT_LE(std::abs(managed.left + managed.width / 2 - (250 + 331)), 1) << "centred";
    EXPECT_LE(std::abs(managed.top + managed.height / 2 - (150 + 128)), 1) << "centred";
    // What window managers group, focus and stack it by: kept above the host, which cannot
    // repaint while the dialog runs.
    EXPECT_EQ(managed.wmClass, std::string("tonvo\0Tonvo\0", 12));
    EXPECT_NE(managed.hintFlags & 1u, 0u) << "WM_HINTS carries the input field";
    EXPECT_EQ(managed.input, 1u);
    std::vector<xcb_atom_t> wanted = {intern_atom(x, "_NET_WM_STATE_ABOVE"),
                                      intern_atom(x, "_NET_WM_STATE_MODAL")};
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
    ASSERT_NE(map_spare_key(kEacute), 0);
    const xcb_window_t parent = MakeWindow(100, 100, 700, 300);
    ASSERT_EQ(Open(parent), 1);
    Pump();
    ASSERT_NE(map_spare_key(kDeadAcute), 0);
    Pump();

    InSavePresetDialog(button, [&](xcb_connection_t* w, xcb_window_t dialog) {
        Answer(w, dialog, [&] {
            type_keys(w, {'a'}, kControl);
            type_keys(w, {'c', 'a', 'f', kEacute, ' ', 'x', 0xff08 /* BackSpace */, kDeadAcute, 'e',
                          'c', 'l', 'a', 'i', 'r', kReturn});
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
        type_keys(w, {'a', 'c'}, kControl);
        const xcb_atom_t clipboard = intern_atom(w, "CLIPBOARD");
        EXPECT_TRUE(Eventually([&] {
            const auto owner = Own(
                xcb_get_selection_owner_reply(w, xcb_get_selection_owner(w, clipboard), nullptr));
            return owner && owner->owner != XCB_NONE;
        })) << "the plug-in took the selection";
        const xcb_window_t mine = xcb_generate_id(w);
        xcb_create_window(w, XCB_COPY_FROM_PARENT, mine, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        const xcb_atom_t property = intern_atom(w, "TEST_PASTE");
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
        copied = ask(intern_atom(w, "UTF8_STRING"));
        targets_seen = ask(intern_atom(w, "TARGETS"));
        Answer(w, dialog, [&] { type_keys(w, {kEscape}); });
    });
    EXPECT_EQ(copied, "Major Pentatonic");
    EXPECT_EQ(targets_seen.size(), 3 * sizeof(xcb_atom_t)) << "TARGETS, UTF8_STRING, STRING";

    // Another program's text pasted with Ctrl+V: the plug-in asks the owner, which answers
    // from its own event loop while the dialog waits.
    InSavePresetDialog(button, [&](xcb_connection_t* w, xcb_window_t dialog) {
        const xcb_window_t owner = xcb_generate_id(w);
        xcb_create_window(w, XCB_COPY_FROM_PARENT, owner, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        const xcb_atom_t clipboard = intern_atom(w, "CLIPBOARD");
        const xcb_atom_t utf8 = intern_atom(w, "UTF8_STRING");
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
        type_keys(w, {'a'}, kControl);
        // The paste waits inside the host's idle call: the owner answers from here.
        const uint8_t v = key_code_of(w, 'v');
        const uint8_t control = key_code_of(w, kControl);
        fake_input(w, XCB_KEY_PRESS, control, 0, 0, false);
        fake_input(w, XCB_KEY_PRESS, v, 0, 0, false);
        fake_input(w, XCB_KEY_RELEASE, v, 0, 0, false);
        fake_input(w, XCB_KEY_RELEASE, control, 0, 0, false);
        EXPECT_TRUE(Eventually(serve)) << "the plug-in asked for the text";
        Answer(w, dialog, [&] { type_keys(w, {kReturn}); });
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
    fake_input(x, XCB_MOTION_NOTIFY, 0, 1020, 620, false);
    const CursorImage arrow = ShownCursor(x);
    xcb_destroy_window(x, window);
    xcb_free_cursor(x, cursor);
    xcb_close_font(x, font);
    ASSERT_FALSE(arrow.pixels.empty());

    // The host's window shows the root's cursor, until the editor covers it with its own.
    const xcb_window_t parent = MakeWindow(100, 100, 700, 300);
    fake_input(x, XCB_MOTION_NOTIFY, 0, 100 + key.x, 100 + key.y, false);
    ASSERT_NE(ShownCursor(x), arrow);
    ASSERT_EQ(Open(parent), 1);
    Pump();
    // This editor's keys ask for the arrow too (no hand), as its buttons do.
    fake_input(x, XCB_MOTION_NOTIFY, 0, 100 + key.x + 1, 100 + key.y);
    EXPECT_EQ(ShownCursor(x), arrow) << "over a key";
    fake_input(x, XCB_MOTION_NOTIFY, 0, 100 + apply.x, 100 + apply.y);
    EXPECT_EQ(ShownCursor(x), arrow) << "over a button";
    Call(effEditClose);
}

} // namespace
} // namespace tonvo::test
