// The real plug-in's editor in the host's window on this system's window backend (X11 under
// Xvfb, Win32 under Wine with its own Xvfb), through the driver: what the window shows against
// the headless renderer's golden image, openings and the host's window troubles leaving
// nothing behind, a click previewing its key to the host, held keys ending when their release
// cannot come, popup menus taking clicks and keys, dialogs belonging to the host's window and
// taking typed text. What only one backend has is in x11_window_test.cpp and
// win32_window_test.cpp.
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
    GoldenState state;
    LoadGoldenState(state);
    const WindowId parent = driver->make_window(100, 100);
    ASSERT_TRUE(plugin->open_editor(driver->parent_handle(parent)));
    // The size is known once the form exists: first from the opening, as hosts ask again.
    const std::optional<ui::Point> size = plugin->editor_size();
    ASSERT_TRUE(size);
    EXPECT_EQ(size->x, 662);
    EXPECT_EQ(size->y, 256);
    Pump();

    const std::vector<WindowId> children = driver->children(parent);
    ASSERT_EQ(children.size(), 1u) << "one child of the host's window";
    const WindowId editor = children[0];
    EXPECT_EQ(driver->placement(editor), (ui::Rect{0, 0, size->x, size->y}));
    EXPECT_TRUE(driver->visible(editor)) << "shown at once";
    ui::expect_golden(driver->read(editor, size->x, size->y), "editor_carbon");

    // Spoilt as a window over it leaves it: the editor repaints it from the form.
    driver->damage(editor, size->x, size->y);
    Pump();
    ui::expect_golden(driver->read(editor, size->x, size->y), "editor_carbon");
    plugin->close_editor();
    EXPECT_TRUE(Eventually([&] { return driver->children(parent).empty(); }))
        << "the editor's window goes at the close";
}

TEST_F(EditorWindowTest, OpensAndClosesFiftyTimesLeavingNothingBehind) {
    const WindowId parent = driver->make_window(0, 0);
    ASSERT_TRUE(plugin->open_editor(driver->parent_handle(parent)));
    Pump(1);
    plugin->close_editor();
    const size_t resources = driver->resources();
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(plugin->open_editor(driver->parent_handle(parent)));
        Pump(2);
        ASSERT_EQ(driver->children(parent).size(), 1u) << "opening " << i;
        plugin->close_editor();
        ASSERT_TRUE(Eventually([&] { return driver->children(parent).empty(); }))
            << "opening " << i;
    }
    EXPECT_EQ(driver->resources(), resources) << "everything is let go with its editor";
    ASSERT_TRUE(plugin->open_editor(driver->parent_handle(parent)));
    Pump(2);
    EXPECT_EQ(driver->children(parent).size(), 1u) << "and the system still takes new ones";
    plugin->close_editor();
}

TEST_F(EditorWindowTest, HostWindowsReplacedOrDestroyedUnderTheEditor) {
    // Opened again in another window without a close: the old window goes, the new one shows.
    const WindowId first = driver->make_window(0, 0);
    const WindowId second = driver->make_window(0, 350);
    ASSERT_TRUE(plugin->open_editor(driver->parent_handle(first)));
    Pump(2);
    ASSERT_TRUE(plugin->open_editor(driver->parent_handle(second)));
    Pump(2);
    EXPECT_TRUE(Eventually([&] { return driver->children(first).empty(); }));
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
    EXPECT_TRUE(plugin->open_editor(driver->parent_handle(second)))
        << "the form is made; only its window is refused";
    Pump(1);
    plugin->close_editor();
}

TEST_F(EditorWindowTest, AClickOnAKeyPreviewsItToTheHost) {
    GoldenState state;
    LoadGoldenState(state);
    const ui::Point d = state.OnKey(2);
    ASSERT_NE(d.x, 0);
    WindowId editor = 0;
    OpenIn(100, 100, &editor);
    ASSERT_NE(editor, 0u);
    plugin->process();

    driver->pointer_to(editor, d);
    driver->pointer_press(MouseButton::left);
    EXPECT_EQ(plugin->process(), (std::vector<Delivered>{NoteOn(0, 62, 100)}));
    driver->pointer_release(MouseButton::left);
    EXPECT_EQ(plugin->process(), (std::vector<Delivered>{NoteOff(0, 62, 100)}));
    plugin->close_editor();
}

// Whatever ends a press on a key before its release can reach the form, the key's preview
// ends: the host's close, the host's window destroyed, the release made while a message box
// of ours runs.
TEST_F(EditorWindowTest, AHeldKeysPreviewEndsWhenItsReleaseCannotReachTheForm) {
    GoldenState state;
    LoadGoldenState(state);
    const ui::Point d = state.OnKey(2);
    ASSERT_NE(d.x, 0);
    const std::vector<Delivered> on{NoteOn(0, 62, 100)};
    const std::vector<Delivered> off{NoteOff(0, 62, 100)};
    // Opens the editor in a new host window and holds D there with the left button.
    const auto hold = [&] {
        WindowId editor = 0;
        const WindowId parent = OpenIn(100, 100, &editor);
        plugin->process();
        driver->pointer_to(editor, d);
        driver->pointer_press(MouseButton::left);
        EXPECT_EQ(plugin->process(), on);
        return parent;
    };

    hold();
    plugin->close_editor();
    EXPECT_EQ(plugin->process(), off) << "closed by the host";
    driver->pointer_release(MouseButton::left);

    driver->destroy_window(hold());
    Pump(2);
    EXPECT_EQ(plugin->process(), off) << "the host's window destroyed";
    driver->pointer_release(MouseButton::left);
    plugin->close_editor();

    // A state the host loads fails, and its message box runs while the key is held; the
    // release comes meanwhile.
    hold();
    bool shown = false;
    std::vector<uint8_t> broken = state.Chunk();
    for (size_t i = 8; i < broken.size(); ++i)
        broken[i] = static_cast<uint8_t>(~broken[i]);
    WhileWatching(
        [&](Watcher& w) {
            const Shown box = w.find(ShownKind::dialog);
            if (!box)
                return;
            shown = true;
            w.pointer_release(MouseButton::left);
            Answer(w, box, [&] { w.close(box); });
        },
        [&] { EXPECT_FALSE(plugin->load_state(broken)); });
    EXPECT_TRUE(shown) << "no message box appeared";
    Pump(2);
    EXPECT_EQ(plugin->process(), off) << "released while a message box ran";
    plugin->close_editor();
}

TEST_F(EditorWindowTest, APopupMenuHoldsThePointerAndAPressOutsideClosesIt) {
    GoldenState state;
    const ui::Point d = state.OnKey(2);
    ASSERT_NE(d.x, 0);
    WindowId editor = 0;
    OpenIn(100, 100, &editor);
    ASSERT_NE(editor, 0u);
    const std::vector<uint8_t> before = plugin->state();
    plugin->process();

    // A watcher finds the pane and presses far from it and from the editor.
    Shown pane;
    bool gone = false;
    WhileWatching(
        [&](Watcher& w) {
            pane = w.find(ShownKind::menu);
            if (!pane)
                return;
            Answer(w, pane, [&] { w.click_at(pane, {1200, 750}); });
            gone = !w.visible(pane.id);
        },
        [&] { driver->click(editor, d, MouseButton::right); });
    ASSERT_TRUE(pane) << "no menu pane appeared";
    EXPECT_TRUE(gone) << "the pane goes with the menu";
    const ui::Rect screen = driver->screen();
    EXPECT_GE(pane.rect.left, screen.left);
    EXPECT_GE(pane.rect.top, screen.top);
    EXPECT_LE(pane.rect.right, screen.right) << "kept on the screen";
    EXPECT_LE(pane.rect.bottom, screen.bottom);
    EXPECT_TRUE(plugin->process().empty()) << "a menu plays nothing";
    EXPECT_EQ(plugin->state(), before) << "a press outside the menu chooses nothing";

    // The menu is gone with its hold on the pointer: the editor takes the next click as ever.
    Pump();
    driver->pointer_to(editor, d);
    driver->pointer_press(MouseButton::left);
    driver->pointer_release(MouseButton::left);
    const std::vector<Delivered> played = plugin->process();
    ASSERT_FALSE(played.empty());
    EXPECT_EQ(played.front(), NoteOn(0, 62, 100));
    plugin->close_editor();
}

// The press opens the menu inside the host's call; a watcher lets the button go where it was
// pressed, sees the menu still open, and closes it with Escape.
TEST_F(EditorWindowTest, LowOnTheScreenTheScaleMenuOpensOverItsButtonAndAClickChoosesNothing) {
    GoldenState state;
    const ui::Point scale = state.OnScale();
    ASSERT_NE(scale.x, 0);
    const int top = driver->screen().bottom - 300;
    WindowId editor = 0;
    OpenIn(100, top, &editor);
    ASSERT_NE(editor, 0u);

    Shown pane;
    bool open_after_release = false;
    WhileWatching(
        [&](Watcher& w) {
            pane = w.find(ShownKind::menu);
            if (!pane)
                return;
            w.pointer_release(MouseButton::left);
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            open_after_release = w.visible(pane.id);
            Answer(w, pane, [&] { w.type(pane, {key(Key::escape)}); });
        },
        [&] {
            driver->pointer_to(editor, scale);
            driver->pointer_press(MouseButton::left);
        });
    Pump();
    ASSERT_TRUE(pane) << "no menu pane appeared";
    EXPECT_LE(pane.rect.top, top + scale.y) << "no room below: the menu lies over the button";
    EXPECT_GT(pane.rect.bottom, top + scale.y);
    EXPECT_TRUE(open_after_release) << "the release of the opening click chose an item";
    plugin->close_editor();
}

TEST_F(EditorWindowTest, AKeysPopupMenuMapsItByClickAndByKeys) {
    GoldenState state;
    LoadGoldenState(state);
    const ui::Point c = state.OnKey(0);
    ASSERT_NE(c.x, 0);
    WindowId editor = 0;
    OpenIn(100, 100, &editor);
    ASSERT_NE(editor, 0u);
    // The same choice made headless tells where the row lies and the state expected.
    const ui::Point row = state.ChooseFromKeyMenu(0, state.Form()->ddmNote_E);
    const std::vector<uint8_t> expected = state.Chunk();
    ASSERT_EQ(state.MapOf(plugin->state(), 0), 0) << "C plays C at first";

    // A right click on C opens the note menu; a click on its row "E" maps C to E.
    const size_t automated = plugin->automations();
    bool clicked = false;
    WhileWatching(
        [&](Watcher& w) {
            const Shown pane = w.find(ShownKind::menu);
            if (!pane)
                return;
            clicked = true;
            const ui::Point at{pane.rect.left + row.x, pane.rect.top + row.y};
            Answer(w, pane, [&] {
                w.move_over(pane, at);
                w.click_at(pane, at);
            });
        },
        [&] { driver->click(editor, c, MouseButton::right); });
    Pump();
    ASSERT_TRUE(clicked) << "no menu pane appeared";
    EXPECT_EQ(plugin->state(), expected) << "as the same choice made headless";
    EXPECT_EQ(state.MapOf(plugin->state(), 0), 4) << "C plays E";
    EXPECT_EQ(plugin->automations(), automated + 1) << "the host is told once";
    EXPECT_TRUE(plugin->process().empty()) << "a menu plays nothing";

    // The keyboard, held by the menu: Down walks "-", C, C# (the separator skipped), Enter
    // chooses; Escape closes with nothing chosen. The pointer stays where the menu opened.
    const auto by_keys = [&](const std::vector<Stroke>& keys) {
        bool typed = false;
        WhileWatching(
            [&](Watcher& w) {
                const Shown pane = w.find(ShownKind::menu);
                if (!pane)
                    return;
                typed = true;
                Answer(w, pane, [&] { w.type(pane, keys); });
            },
            [&] { driver->click(editor, c, MouseButton::right); });
        Pump();
        EXPECT_TRUE(typed) << "no menu pane appeared";
    };
    by_keys({key(Key::down), key(Key::down), key(Key::down), key(Key::enter)});
    EXPECT_EQ(state.MapOf(plugin->state(), 0), 1) << "C plays C#";
    const std::vector<uint8_t> before = plugin->state();
    by_keys({key(Key::down), key(Key::escape)});
    EXPECT_EQ(plugin->state(), before) << "Escape changes nothing";
    plugin->close_editor();
}

TEST_F(EditorWindowTest, TheWizardsConfirmationIsADialogOfTheHostsWindow) {
    GoldenState state;
    LoadGoldenState(state);
    const ui::Point apply = state.OnApply();
    ASSERT_NE(apply.x, 0);
    WindowId editor = 0;
    const WindowId parent = OpenIn(100, 100, &editor);
    ASSERT_NE(editor, 0u);
    const std::vector<uint8_t> before = plugin->state();

    // The host's thread is inside the plug-in's call serving the dialog: a watcher finds it
    // among the top-level windows and answers it with its close button, then with Enter.
    const auto answer = [&](bool with_enter) {
        Shown seen;
        WindowId owner = 0;
        WhileWatching(
            [&](Watcher& w) {
                seen = w.find(ShownKind::dialog);
                if (!seen)
                    return;
                owner = w.owner(seen);
                Answer(w, seen, [&] {
                    if (with_enter)
                        w.type(seen, {key(Key::enter)});
                    else
                        w.close(seen);
                });
            },
            [&] { driver->click(editor, apply); });
        Pump();
        EXPECT_TRUE(seen) << "no dialog window appeared";
        return std::pair{seen, owner};
    };
    const auto [closed, owner] = answer(false);
    EXPECT_EQ(owner, parent) << "owned by the host's top-level window";
    EXPECT_LE(std::abs(closed.centre().x - (100 + 331)), 1) << "centred over the editor";
    EXPECT_LE(std::abs(closed.centre().y - (100 + 128)), 1);
    EXPECT_EQ(plugin->state(), before) << "closing the dialog applies nothing";

    answer(true);
    EXPECT_NE(plugin->state(), before) << "Enter confirms the wizard's map";
    plugin->close_editor();
}

// The Save Preset dialog reached and answered as the user does it: the main menu's button
// clicked, the menu's entry chosen by arrow keys (Init, Load Preset, Save Preset), the name
// typed on the keyboard, a letter of a foreign layout among it.
TEST_F(EditorWindowTest, TheSavePresetDialogTakesTheTypedName) {
    GoldenState state;
    LoadGoldenState(state);
    const ui::Point button = state.OnMenuButton();
    ASSERT_NE(button.x, 0);
    WindowId editor = 0;
    OpenIn(100, 100, &editor);
    ASSERT_NE(editor, 0u);
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
        bool menu = false;
        bool dialog = false;
        WhileWatching(
            [&](Watcher& w) {
                const Shown pane = w.find(ShownKind::menu);
                if (!pane)
                    return;
                menu = true;
                Answer(w, pane, [&] {
                    w.type(pane, {key(Key::down), key(Key::down), key(Key::down), key(Key::enter)});
                });
                const Shown box = w.find(ShownKind::dialog);
                if (!box)
                    return;
                dialog = true;
                Answer(w, box, [&] { w.type(box, name); });
            },
            [&] { driver->click(editor, button); });
        Pump();
        EXPECT_TRUE(menu) << "no menu appeared";
        EXPECT_TRUE(dialog) << "no Save Preset dialog appeared";
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
    plugin->close_editor();
}

} // namespace
} // namespace tonvo::test
