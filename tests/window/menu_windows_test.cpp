// The menu loop every backend runs (ui/menu_windows.h), over a scripted window system: one
// window per open pane in step with the session, the ways the loop ends, and what it gives
// back.
#include "ui/headless/headless_desktop.h"
#include "ui/menu_session.h"
#include "ui/menu_windows.h"
#include "ui/style.h"
#include "ui/text_painter.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tonvo::ui {
namespace {

class BoxText final : public TextPainter {
public:
    int line_height() const override { return 14; }
    int text_width(std::string_view utf8) const override {
        return 7 * static_cast<int>(utf8.size());
    }
    void draw_text(Canvas&, int, int, std::string_view, Color) const override {}
};

// Records what the loop asks of it; each turn's events come from `turns` (none left: the
// session is closed from outside, as when the editor goes).
class ScriptedSystem final : public MenuWindowSystem {
public:
    using Turn = std::function<void(MenuSession&, const MenuWindows&)>;

    bool begin() override {
        log.push_back("begin");
        return begin_ok;
    }
    PaneWindowId create_pane(MenuPane& pane) override {
        if (fail_create_at == next_id) {
            return 0;
        }
        open.push_back(next_id);
        log.push_back("create " + std::to_string(next_id) + " at " +
                      std::to_string(pane.screen_rect().left));
        return next_id++;
    }
    void destroy_pane(PaneWindowId window) override {
        log.push_back("destroy " + std::to_string(window));
        std::erase(open, window);
    }
    void paint_pane(PaneWindowId, MenuPane& pane) override {
        painted += !pane.paint_invalid().empty();
    }
    bool hold(PaneWindowId root) override {
        held = root;
        return hold_ok;
    }
    bool serve_events(MenuSession& session, const MenuWindows& windows) override {
        if (turn >= turns.size()) {
            return false;
        }
        turns[turn++](session, windows);
        return true;
    }
    void end_turn() override { ++ended; }
    void release() override { log.push_back("release"); }

    std::vector<Turn> turns;
    size_t turn = 0;
    bool begin_ok = true;
    bool hold_ok = true;
    PaneWindowId fail_create_at = 0;
    PaneWindowId next_id = 1;
    PaneWindowId held = 0;
    std::vector<PaneWindowId> open;
    std::vector<std::string> log;
    int painted = 0;
    int ended = 0;
};

class MenuWindowsTest : public ::testing::Test {
protected:
    MenuWindowsTest() {
        root.add("One", 1);
        MenuItem& sub = root.add("Sub", 0);
        sub.add("Inner", 2);
        root.add("Two", 3);
    }
    MenuSession& open_session() {
        session = std::make_unique<MenuSession>(desktop, root, system_style(), text, Millis{0});
        EXPECT_TRUE(session->open(100, 100));
        return *session;
    }

    HeadlessDesktop desktop;
    BoxText text;
    MenuItem root;
    std::unique_ptr<MenuSession> session;
    ScriptedSystem system;
};

TEST_F(MenuWindowsTest, KeepsOneWindowPerOpenPaneAndGivesEverythingBackAtTheEnd) {
    MenuSession& s = open_session();
    std::vector<size_t> windows_seen;
    system.turns = {
        // Down, Down to "Sub"; Right opens its pane.
        [&](MenuSession& m, const MenuWindows& w) {
            windows_seen.push_back(w.count());
            m.key_down(Key::down);
            m.key_down(Key::down);
            m.key_down(Key::right);
        },
        [&](MenuSession& m, const MenuWindows& w) {
            windows_seen.push_back(w.count());
            // The submenu's window names its level; Left closes it, and its window names none
            // at once, before the next sync destroys it.
            EXPECT_EQ(w.level_of(m, 2), 1);
            EXPECT_EQ(w.level_of(m, 1), 0);
            m.key_down(Key::left);
            EXPECT_EQ(w.level_of(m, 2), -1) << "the pane is closed: its window shows none";
            EXPECT_EQ(w.level_of(m, 99), -1);
        },
        [&](MenuSession& m, const MenuWindows& w) {
            windows_seen.push_back(w.count());
            m.key_down(Key::escape);
        },
    };
    run_menu_windows(s, system);
    EXPECT_TRUE(s.finished());
    EXPECT_EQ(s.chosen(), nullptr);
    EXPECT_EQ(windows_seen, (std::vector<size_t>{1, 2, 1}));
    EXPECT_EQ(system.held, 1u) << "the root pane's window holds the input";
    EXPECT_TRUE(system.open.empty()) << "every window goes";
    ASSERT_GE(system.log.size(), 3u);
    EXPECT_EQ(system.log.front(), "begin") << "the input is held before any pane shows";
    EXPECT_EQ(system.log[1].rfind("create 1", 0), 0u);
    EXPECT_EQ(system.log[system.log.size() - 2], "release") << "given back before the windows go";
    EXPECT_EQ(system.log.back(), "destroy 1");
    EXPECT_GT(system.painted, 0);
}

TEST_F(MenuWindowsTest, AChoiceEndsTheLoopWithTheItemChosen) {
    MenuSession& s = open_session();
    system.turns = {[](MenuSession& m, const MenuWindows&) {
        m.key_down(Key::down);
        m.key_down(Key::enter);
    }};
    run_menu_windows(s, system);
    ASSERT_NE(s.chosen(), nullptr);
    EXPECT_EQ(s.chosen()->Caption, "One");
    EXPECT_EQ(system.ended, 0) << "no turn is waited out after the choice";
}

// Whatever keeps the menu from holding the input or showing its panes closes it with nothing
// chosen, and nothing is left behind.
TEST_F(MenuWindowsTest, TheMenuClosesWhenItCannotHoldTheInputOrShowAPane) {
    const auto run = [&](auto setup) {
        system = ScriptedSystem{};
        setup();
        MenuSession& s = open_session();
        system.turns = {[](MenuSession& m, const MenuWindows&) {
            m.key_down(Key::down);
            m.key_down(Key::down);
            m.key_down(Key::right);
        }};
        run_menu_windows(s, system);
        EXPECT_TRUE(s.finished());
        EXPECT_EQ(s.chosen(), nullptr);
        EXPECT_TRUE(system.open.empty());
        EXPECT_EQ(system.log.back() == "release" || system.log.back().rfind("destroy", 0) == 0,
                  true);
        return system.turn;
    };
    EXPECT_EQ(run([&] { system.begin_ok = false; }), 0u) << "no grab: no turn";
    EXPECT_EQ(run([&] { system.hold_ok = false; }), 0u) << "no capture: no turn";
    EXPECT_EQ(run([&] { system.fail_create_at = 1; }), 0u) << "no root window";
    EXPECT_EQ(run([&] { system.fail_create_at = 2; }), 1u) << "no submenu window";
    // The backend ends it (the editor went): serve_events answers false.
    EXPECT_EQ(run([] {}), 1u);
}

} // namespace
} // namespace tonvo::ui
