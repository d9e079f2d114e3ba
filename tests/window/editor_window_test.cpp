// The real plug-in's editor in the host's window on this system's window backend (X11 under
// Xvfb, Win32 under Wine with its own Xvfb), through the driver: what the window shows against
// the headless renderer's golden image, openings and the host's window troubles leaving
// nothing behind, a click previewing its key to the host and holding the pointer, held keys
// ending when their release cannot come, popup menus taking clicks and keys and giving the
// input back, dialogs belonging to the host's window and taking typed text, the preset browser
// on the work area, closed by a click outside it and repainting under its menu and
// confirmation. What only one backend has is in x11_window_test.cpp and win32_window_test.cpp.
#include "editor/note_map_editor.h"
#include "ui/golden.h"
#include "window/window_fixture.h"

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace tonvo::test {
namespace {

using ui::Key;
using ui::MouseButton;

TEST_F(EditorWindowTest, ShowsTheGoldenPictureInTheHostsWindowAndRepaintsWhatWasCovered) {
    LoadGoldenState();
    parent = driver->make_window(100, 100);
    ASSERT_TRUE(plugin->open_editor(driver->parent_handle(parent)));
    // The size is known once the form exists: first from the opening, as hosts ask again.
    const std::optional<ui::Point> size = plugin->editor_size();
    ASSERT_TRUE(size);
    EXPECT_EQ(size->x, 662);
    EXPECT_EQ(size->y, 256);
    Pump();

    const std::vector<WindowId> children = driver->children(parent);
    ASSERT_EQ(children.size(), 1u) << "one child of the host's window";
    editor = children[0];
    EXPECT_EQ(driver->placement(editor), (ui::Rect{0, 0, size->x, size->y}));
    EXPECT_TRUE(driver->visible(editor)) << "shown at once";
    ui::expect_golden(driver->read(editor, size->x, size->y), "editor_carbon");

    // Spoilt as a window over it leaves it: the editor repaints it from the form.
    driver->damage(editor, size->x, size->y);
    Pump();
    ui::expect_golden(driver->read(editor, size->x, size->y), "editor_carbon");
    plugin->close_editor();
    EXPECT_TRUE(eventually([&] { return driver->children(parent).empty(); }))
        << "the editor's window goes at the close";
}

TEST_F(EditorWindowTest, OpensAndClosesFiftyTimesLeavingNothingBehind) {
    parent = driver->make_window(0, 0);
    ASSERT_TRUE(plugin->open_editor(driver->parent_handle(parent)));
    Pump(1);
    plugin->close_editor();
    const size_t resources = driver->resources();
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(plugin->open_editor(driver->parent_handle(parent)));
        Pump(2);
        ASSERT_EQ(driver->children(parent).size(), 1u) << "opening " << i;
        plugin->close_editor();
        ASSERT_TRUE(eventually([&] { return driver->children(parent).empty(); }))
            << "opening " << i;
    }
    EXPECT_EQ(driver->resources(), resources) << "everything is let go with its editor";
    ASSERT_TRUE(plugin->open_editor(driver->parent_handle(parent)));
    Pump(2);
    EXPECT_EQ(driver->children(parent).size(), 1u) << "and the system still takes new ones";
}

TEST_F(EditorWindowTest, HostWindowsReplacedOrDestroyedUnderTheEditor) {
    // Opened again in another window without a close: the old window goes, the new one shows.
    const WindowId first = driver->make_window(0, 0);
    const WindowId second = driver->make_window(0, 350);
    ASSERT_TRUE(plugin->open_editor(driver->parent_handle(first)));
    Pump(2);
    ASSERT_TRUE(plugin->open_editor(driver->parent_handle(second)));
    Pump(2);
    EXPECT_TRUE(eventually([&] { return driver->children(first).empty(); }));
    EXPECT_EQ(driver->children(second).size(), 1u);

    // The host destroys its window before the close: idle and close go on quietly.
    driver->destroy_window(second);
    Pump(3);
    plugin->close_editor();
    Pump(1);

    // And the next opening works as ever.
    ASSERT_TRUE(plugin->open_editor(driver->parent_handle(first)));
    Pump(2);
    EXPECT_EQ(driver->children(first).size(), 1u);

    // A parent that is no window: the opening shows nothing and breaks nothing.
    plugin->close_editor();
    EXPECT_EQ(plugin->open_editor(driver->parent_handle(second)),
              plugin->opening_in_no_window_succeeds())
        << "the form is made; only its window is refused";
    Pump(1);
}

// A press on a key previews it to the host and holds the pointer until its release. Whatever
// ends the press before its release can reach the form, the key's preview ends: the host's
// close, the host's window destroyed, the release made while a message box of ours runs.
TEST_F(EditorWindowTest, AClickOnAKeyPreviewsItAndItEndsWhenItsReleaseCannotReachTheForm) {
    LoadGoldenState();
    const std::vector<Delivered> off{note_off(0, 62, 100)};
    ASSERT_TRUE(HoldD());
    EXPECT_TRUE(driver->input_held()) << "the press holds the pointer until its release";
    driver->pointer_release(MouseButton::left);
    EXPECT_EQ(plugin->process(), off);
    EXPECT_FALSE(driver->input_held());
    plugin->close_editor();

    ASSERT_TRUE(HoldD());
    plugin->close_editor();
    EXPECT_EQ(plugin->process(), off) << "closed by the host";
    driver->pointer_release(MouseButton::left);

    ASSERT_TRUE(HoldD());
    driver->destroy_window(parent);
    Pump(2);
    EXPECT_EQ(plugin->process(), off) << "the host's window destroyed";
    driver->pointer_release(MouseButton::left);
    plugin->close_editor();

    // A state the host loads fails, and its message box runs while the key is held; the
    // release comes meanwhile.
    if (!plugin->shows_state_failures())
        return;
    ASSERT_TRUE(HoldD());
    std::vector<uint8_t> broken = state.Chunk();
    for (size_t i = 8; i < broken.size(); ++i)
        broken[i] = static_cast<uint8_t>(~broken[i]);
    EXPECT_TRUE(WhenShown(
        ShownKind::dialog,
        [&](Watcher& w, const Shown& box) {
            w.pointer_release(MouseButton::left);
            Answer(w, box, [&] { w.close(box); });
        },
        [&] { EXPECT_FALSE(plugin->load_state(broken)); }));
    EXPECT_EQ(plugin->process(), off) << "released while a message box ran";
}

TEST_F(EditorWindowTest, APopupMenuHoldsThePointerAndAPressOutsideClosesIt) {
    ASSERT_TRUE(Open());
    const ui::Point d = state.OnKey(2);
    const std::vector<uint8_t> before = plugin->state();
    plugin->process();

    // A watcher finds the pane and presses far from it and from the editor.
    Shown pane;
    bool gone = false;
    ASSERT_TRUE(WhenShown(
        ShownKind::menu,
        [&](Watcher& w, const Shown& shown) {
            pane = shown;
            Answer(w, pane, [&] { w.click_at(pane, {1200, 750}); });
            gone = !w.visible(pane.id);
        },
        [&] { driver->click(editor, d, MouseButton::right); }));
    EXPECT_TRUE(gone) << "the pane goes with the menu";
    EXPECT_EQ(pane.rect.intersect(driver->screen()), pane.rect) << "kept on the screen";
    EXPECT_TRUE(plugin->process().empty()) << "a menu plays nothing";
    EXPECT_EQ(plugin->state(), before) << "a press outside the menu chooses nothing";
    EXPECT_FALSE(driver->input_held()) << "the menu gives the pointer and keyboard back";

    // The menu is gone with its hold on the pointer: the editor takes the next click as ever.
    driver->pointer_to(editor, d);
    driver->pointer_press(MouseButton::left);
    driver->pointer_release(MouseButton::left);
    const std::vector<Delivered> played = plugin->process();
    ASSERT_FALSE(played.empty());
    EXPECT_EQ(played.front(), note_on(0, 62, 100));
}

// The press opens the menu inside the host's call; a watcher lets the button go where it was
// pressed, sees the menu still open, and closes it with Escape.
TEST_F(EditorWindowTest, LowOnTheScreenTheScaleMenuOpensOverItsButtonAndAClickChoosesNothing) {
    const int top = driver->screen().bottom - 300;
    ASSERT_TRUE(Open(100, top));
    const ui::Point scale = state.OnScale();

    Shown pane;
    bool open_after_release = false;
    ASSERT_TRUE(WhenShown(
        ShownKind::menu,
        [&](Watcher& w, const Shown& shown) {
            pane = shown;
            w.pointer_release(MouseButton::left);
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            open_after_release = w.visible(pane.id);
            Answer(w, pane, [&] { w.type(pane, {key(Key::escape)}); });
        },
        [&] {
            driver->pointer_to(editor, scale);
            driver->pointer_press(MouseButton::left);
        }));
    EXPECT_LE(pane.rect.top, top + scale.y) << "no room below: the menu lies over the button";
    EXPECT_GT(pane.rect.bottom, top + scale.y);
    EXPECT_TRUE(open_after_release) << "the release of the opening click chose an item";
}

TEST_F(EditorWindowTest, AKeysPopupMenuMapsItByClickAndByKeys) {
    LoadGoldenState();
    ASSERT_TRUE(Open());
    const ui::Point c = state.OnKey(0);
    // The same choice made headless tells where the row lies and the state expected.
    const ui::Point row = state.ChooseFromKeyMenu(0, state.Form()->ddmNote_E);
    const std::vector<uint8_t> expected = state.Chunk();
    ASSERT_EQ(state.MapOf(plugin->state(), 0), 0) << "C plays C at first";

    // A right click on C opens the note menu; a click on its row "E" maps C to E.
    const size_t automated = plugin->automations();
    const auto open_menu = [&] { driver->click(editor, c, MouseButton::right); };
    ASSERT_TRUE(WhenShown(
        ShownKind::menu,
        [&](Watcher& w, const Shown& pane) {
            const ui::Point at{pane.rect.left + row.x, pane.rect.top + row.y};
            Answer(w, pane, [&] {
                w.move_over(pane, at);
                w.click_at(pane, at);
            });
        },
        open_menu));
    EXPECT_EQ(plugin->state(), expected) << "as the same choice made headless";
    EXPECT_EQ(state.MapOf(plugin->state(), 0), 4) << "C plays E";
    EXPECT_EQ(plugin->automations(), automated + 1) << "the host is told once";
    EXPECT_TRUE(plugin->process().empty()) << "a menu plays nothing";

    // The keyboard, held by the menu: Down walks "-", C, C# (the separator skipped), Enter
    // chooses; Escape closes with nothing chosen. The pointer stays where the menu opened.
    const auto by_keys = [&](const std::vector<Stroke>& keys) {
        EXPECT_TRUE(WhenShown(
            ShownKind::menu,
            [&](Watcher& w, const Shown& pane) { Answer(w, pane, [&] { w.type(pane, keys); }); },
            open_menu));
    };
    by_keys({key(Key::down), key(Key::down), key(Key::down), key(Key::enter)});
    EXPECT_EQ(state.MapOf(plugin->state(), 0), 1) << "C plays C#";
    const std::vector<uint8_t> before = plugin->state();
    by_keys({key(Key::down), key(Key::escape)});
    EXPECT_EQ(plugin->state(), before) << "Escape changes nothing";
    EXPECT_FALSE(driver->input_held()) << "the menu gives the keyboard back";
}

TEST_F(EditorWindowTest, TheWizardsConfirmationIsADialogOfTheHostsWindow) {
    LoadGoldenState();
    ASSERT_TRUE(Open());
    const ui::Point apply = state.OnApply();
    const std::vector<uint8_t> before = plugin->state();

    // The host's thread is inside the plug-in's call serving the dialog: a watcher finds it
    // among the top-level windows and answers it with its close button, then with Enter.
    const auto answer = [&](bool with_enter) {
        Shown seen;
        WindowId owner = 0;
        EXPECT_TRUE(WhenShown(
            ShownKind::dialog,
            [&](Watcher& w, const Shown& dialog) {
                seen = dialog;
                owner = w.owner(seen);
                Answer(w, seen, [&] {
                    if (with_enter)
                        w.type(seen, {key(Key::enter)});
                    else
                        w.close(seen);
                });
            },
            [&] { driver->click(editor, apply); }));
        return std::pair{seen, owner};
    };
    const auto [closed, owner] = answer(false);
    EXPECT_EQ(owner, parent) << "owned by the host's top-level window";
    EXPECT_LE(std::abs(closed.centre().x - (100 + 331)), 1) << "centred over the editor";
    EXPECT_LE(std::abs(closed.centre().y - (100 + 128)), 1);
    EXPECT_EQ(plugin->state(), before) << "closing the dialog applies nothing";

    answer(true);
    EXPECT_NE(plugin->state(), before) << "Enter confirms the wizard's map";
}

// The Save Preset dialog reached and answered as the user does it: the main menu's button
// clicked, the menu's entry chosen by arrow keys (Init, Load Preset, Save Preset), the name
// typed on the keyboard, a letter of a foreign layout among it.
TEST_F(EditorWindowTest, TheSavePresetDialogTakesTheTypedName) {
    LoadGoldenState();
    ASSERT_TRUE(Open());
    const std::vector<uint8_t> before = plugin->state();
    const auto files = [] {
        size_t count = 0;
        for ([[maybe_unused]] const auto& entry :
             std::filesystem::directory_iterator(home.Presets()))
            ++count;
        return count;
    };
    // A file of that name would be asked about before it is overwritten.
    const std::filesystem::path file = home.Presets() / u8"Caf\u00e9 w.brelwickp";
    std::filesystem::remove(file);
    const size_t files_before = files();

    const auto save = [&](const std::vector<Stroke>& name) {
        InSavePresetDialog(
            [&](Watcher& w, const Shown& box) { Answer(w, box, [&] { w.type(box, name); }); });
    };

    // Escape in the fresh dialog: nothing saved, nothing renamed.
    save({key(Key::escape)});
    EXPECT_EQ(files(), files_before);
    EXPECT_EQ(plugin->state(), before);

    // The shown name is selected: typing replaces it. "Café x", one Backspace, "w", Enter.
    std::vector<Stroke> name = strokes(U"Caf\u00e9 x");
    name.push_back(key(Key::backspace));
    name.push_back(Stroke{std::nullopt, U'w'});
    name.push_back(key(Key::enter));
    save(name);
    ASSERT_TRUE(std::filesystem::exists(file)) << "the preset file, named in UTF-8 as typed";
    EXPECT_EQ(files(), files_before + 1);
    EXPECT_EQ(state.PresetNameOf(plugin->state(), file), "Caf\u00e9 w");
}

// Whether the `area` of `a` differs from the same area of `b`, each moved by its offset.
bool differs(const ui::Bitmap& a, ui::Point a_at, const ui::Bitmap& b, ui::Point b_at,
             const ui::Rect& area) {
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (!(a.pixel(a_at.x + x, a_at.y + y) == b.pixel(b_at.x + x, b_at.y + y)))
                return true;
    return false;
}

// The browser is taller than the editor: over an editor at the top of the screen it opens
// moved down, its title bar and all on the work area. It closes with Cancel on a short click
// on the bare screen or on the editor itself (the browser is 32 pixels narrower than the
// editor: its left edge shows), shorter than the browser's check interval; the editor drops
// the press with the rest of its input while the browser runs.
TEST_F(EditorWindowTest, ThePresetBrowserOpensOnTheWorkAreaAndAClickOutsideClosesIt) {
    LoadGoldenState();
    ASSERT_TRUE(Open(100, 0));
    const std::vector<uint8_t> before = plugin->state();
    const ui::Rect work = driver->screen();

    for (const ui::Point outside : {ui::Point{1200, 700}, ui::Point{100 + 5, 100}}) {
        ui::Rect frame;
        bool went = false;
        ASSERT_TRUE(WhenShown(
            ShownKind::dialog,
            [&](Watcher& w, const Shown& browser) {
                frame = w.frame(browser);
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                w.pointer_move(outside);
                w.pointer_press(MouseButton::left);
                std::this_thread::sleep_for(std::chrono::milliseconds(30));
                w.pointer_release(MouseButton::left);
                went = eventually([&] { return !w.visible(browser.id); });
                // Else its Cancel button, so that a failure leaves no dialog behind.
                if (!went)
                    Answer(w, browser, [&] {
                        w.click_at(browser, {browser.rect.right - 53, browser.rect.bottom - 23});
                    });
            },
            [&] { driver->click(editor, state.OnPresets()); }));
        EXPECT_TRUE(went) << "a click at " << outside.x << "," << outside.y
                          << " left the browser open";
        EXPECT_GE(frame.top, work.top) << "its title bar lies above the work area";
        EXPECT_GE(frame.left, work.left);
        EXPECT_LE(frame.bottom, work.bottom);
    }
    EXPECT_EQ(plugin->state(), before) << "Cancel loads nothing";
}

// A right click in the browser selects the item and opens the list's menu over it; Delete asks
// in a box over the browser. The browser's window shows the new selection under the menu, and
// no leftover of the menu under the box.
TEST_F(EditorWindowTest, TheBrowserRepaintsUnderItsMenuAndItsConfirmation) {
    LoadGoldenState();
    std::filesystem::copy_file(home.Presets() / "Major Pentatonic.brelwickp",
                               home.Presets() / "Another.brelwickp",
                               std::filesystem::copy_options::overwrite_existing);
    ASSERT_TRUE(Open());

    // "Another" and "Major Pentatonic" down the first column (items 20 high from 36, the list
    // 12 from the left), the second selected; a strip left of the point where the menu opens
    // shows both rows.
    constexpr int kItemX = 62;
    constexpr ui::Rect kStrip = ui::Rect::from_size(14, 38, kItemX - 2 - 14, 36);
    bool selected_shown = false;
    bool menu_gone = false;
    bool asked = false;
    ASSERT_TRUE(WhenShown(
        ShownKind::dialog,
        [&](Watcher& w, const Shown& browser) {
            const ui::Rect& b = browser.rect;
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            const ui::Bitmap before = w.read(browser);
            w.click_at(browser, {b.left + kItemX, b.top + 46}, MouseButton::right);
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
                    Answer(w, box, [&] { w.type(box, {key(Key::escape)}); });
                }
            }
            Answer(w, browser, [&] { w.click_at(browser, {b.right - 53, b.bottom - 23}); });
        },
        [&] { driver->click(editor, state.OnPresets()); }));
    EXPECT_TRUE(selected_shown) << "the new selection was not painted while the menu ran";
    ASSERT_TRUE(asked) << "no confirmation appeared";
    EXPECT_TRUE(menu_gone) << "the menu's picture stayed on the browser under the box";
    EXPECT_TRUE(std::filesystem::exists(home.Presets() / "Another.brelwickp")) << "No keeps it";
}

} // namespace
} // namespace tonvo::test
