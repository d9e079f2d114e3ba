// The fixture of the window tests: a plug-in instance through the format under test, the
// backend's driver, a throw-away home for the plug-in's settings and presets, and what the
// cases share (opening the editor, watchers, answering a window until it goes).
#pragma once

#include "support/reference_module.h"
#include "support/temp_home.h"
#include "window/window_driver.h"

#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <vector>

namespace tonvo::test {

// The documents folder (and, on Windows, the registry key) the plug-in reads.
extern TempHome home;

// Polls `condition` for up to about two seconds (`tries` times 10 ms).
template <typename Condition>
bool eventually(Condition condition, int tries = 200) {
    for (int i = 0; i < tries; ++i) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

class EditorWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        plugin = make_editor_host();
        ASSERT_TRUE(plugin->error().empty()) << plugin->error();
        driver = make_window_driver(*plugin);
        if (const std::string why = driver->skip_reason(); !why.empty())
            GTEST_SKIP() << why;
    }
    // The editor is closed before the instance, as hosts do (the cases end with it open).
    void TearDown() override {
        if (plugin)
            plugin->close_editor();
        plugin.reset();
        driver.reset();
    }

    void Pump(int rounds = 5) { driver->pump(rounds); }
    // The plug-in in the golden image's state, saved as its preset file too.
    void LoadGoldenState() {
        state.SaveAsPreset(home.Presets());
        ASSERT_TRUE(plugin->load_state(state.Chunk()));
    }
    // Opens the editor in a new host window `parent` at (left, top) and lets it show: whether
    // its window, `editor`, showed there (failures noted), and the reference form that tells
    // where keys and buttons lie exists.
    bool Open(int left = 100, int top = 100) {
        parent = driver->make_window(left, top);
        EXPECT_TRUE(plugin->open_editor(driver->parent_handle(parent)));
        Pump();
        const std::vector<WindowId> children = driver->children(parent);
        EXPECT_EQ(children.size(), 1u) << "no editor window in the host's";
        editor = children.size() == 1 ? children[0] : 0;
        EXPECT_NE(state.Form(), nullptr) << "no reference form";
        return editor != 0 && state.Form() != nullptr;
    }
    // Opens the editor and holds D there with the left button: whether D's preview, and only
    // that, reached the host.
    bool HoldD() {
        if (!Open())
            return false;
        plugin->process();
        driver->pointer_to(editor, state.OnKey(2));
        driver->pointer_press(ui::MouseButton::left);
        const std::vector<Delivered> played = plugin->process();
        EXPECT_EQ(played, std::vector<Delivered>{note_on(0, 62, 100)});
        return played == std::vector<Delivered>{note_on(0, 62, 100)};
    }
    // On a watcher thread while the host's thread serves a menu or dialog: `act` until the
    // window goes; as a last resort it is forced away.
    template <typename Act>
    static void Answer(Watcher& w, const Shown& shown, Act act) {
        for (int i = 0; i < 5; ++i) {
            act();
            if (eventually([&] { return !w.visible(shown.id); }, 100))
                return;
        }
        ADD_FAILURE() << "the window did not go";
        w.force_away(shown);
    }
    // Runs `watch` on a watcher thread with a Watcher of its own while `host_side` runs here.
    template <typename Watch, typename HostSide>
    void WhileWatching(Watch watch, HostSide host_side) {
        std::thread watcher([&] {
            const std::unique_ptr<Watcher> w = driver->watch();
            watch(*w);
        });
        host_side();
        watcher.join();
    }

    // `act(w, shown)` on a watcher thread once a window of `kind` shows, while `host_side` runs
    // here: whether one showed (a failure that says which kind did not).
    template <typename Act, typename HostSide>
    ::testing::AssertionResult WhenShown(ShownKind kind, Act act, HostSide host_side) {
        bool shown = false;
        WhileWatching(
            [&](Watcher& w) {
                if (const Shown window = w.find(kind)) {
                    shown = true;
                    act(w, window);
                }
            },
            host_side);
        Pump();
        if (shown)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "no " << (kind == ShownKind::menu ? "menu pane" : "dialog window") << " appeared";
    }
    // The main menu's button clicked and Save Preset chosen by keys (Init, Load Preset, Save
    // Preset): `act(w, dialog)` on the watcher thread while the dialog shows.
    template <typename Act>
    void InSavePresetDialog(Act act) {
        bool dialog = false;
        const Stroke down = key(ui::Key::down);
        EXPECT_TRUE(WhenShown(
            ShownKind::menu,
            [&](Watcher& w, const Shown& pane) {
                Answer(w, pane, [&] { w.type(pane, {down, down, down, key(ui::Key::enter)}); });
                if (const Shown box = w.find(ShownKind::dialog)) {
                    dialog = true;
                    act(w, box);
                }
            },
            [&] { driver->click(editor, state.OnMenuButton()); }));
        EXPECT_TRUE(dialog) << "no Save Preset dialog appeared";
    }

    std::unique_ptr<EditorHost> plugin;
    std::unique_ptr<WindowDriver> driver;
    // The reference module: the golden state, and where things lie on the editor.
    GoldenState state;
    WindowId parent = 0;
    WindowId editor = 0;
};

} // namespace tonvo::test
