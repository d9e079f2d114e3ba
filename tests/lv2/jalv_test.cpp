// Tonvo.lv2 in jalv, a real LV2 host, under a private X server (tests/x11/run_with_xvfb.sh) and
// a private JACK server on its dummy driver: jalv.gtk3 loads the bundle by URI with a saved
// state in the golden image's state, and embeds the editor through its own UI wrapper. The
// window it embeds is read back and must equal the golden image; a click on a key, made with
// XTest, must reach JACK as that key's preview, read by jack_midi_dump; a choice in a key's
// popup menu must re-map what jack_midiseq then plays into Tonvo.
#include "lv2/lilv_host.h"
#include "support/reference_module.h"
#include "support/temp_home.h"
#include "ui/golden.h"
#include "window/x11_driver.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include <xcb/xtest.h>

extern char** environ;

namespace tonvo::test {

// The throw-away home of the X11 driver's programs (x11_driver.cpp).
extern TempHome home;

namespace {

constexpr int kWidth = 662;
constexpr int kHeight = 256;

bool on_path(const std::string& program) {
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

// A program started for the test, its output into a file; stopped and reaped at the end.
class Child {
public:
    Child(std::vector<std::string> argv, const std::filesystem::path& output) {
        std::vector<char*> args;
        for (std::string& arg : argv) {
            args.push_back(arg.data());
        }
        args.push_back(nullptr);
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_adddup2(&files, 1, 2);
        if (posix_spawnp(&pid_, args[0], &files, nullptr, args.data(), environ) != 0) {
            pid_ = 0;
        }
        posix_spawn_file_actions_destroy(&files);
    }
    ~Child() { stop(); }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool running() const { return pid_ != 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }
    // Asked to end, then made to after five seconds; answers whether it ended when asked.
    bool stop() {
        if (pid_ == 0) {
            return true;
        }
        kill(pid_, SIGTERM);
        bool asked = false;
        for (int i = 0; i < 500 && !asked; ++i) {
            asked = waitpid(pid_, nullptr, WNOHANG) == pid_;
            if (!asked) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
        if (!asked) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        pid_ = 0;
        return asked;
    }

private:
    pid_t pid_ = 0;
};

std::string read_text(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

template <typename Condition>
bool within_seconds(int seconds, Condition condition) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

// The window of the editor's size that carries _XEMBED_INFO, anywhere under `window`.
xcb_window_t find_editor(xcb_connection_t* c, xcb_window_t window, xcb_atom_t xembed) {
    for (const xcb_window_t child : children_of(c, window)) {
        const auto geometry = own(xcb_get_geometry_reply(c, xcb_get_geometry(c, child), nullptr));
        if (geometry && geometry->width == kWidth && geometry->height == kHeight &&
            !property_of(c, child, xembed).empty()) {
            return child;
        }
        if (const xcb_window_t found = find_editor(c, child, xembed)) {
            return found;
        }
    }
    return 0;
}

// A top-level window of jalv's that bypasses the window manager (a popup menu pane) and was
// not in `before`.
xcb_window_t find_new_popup(xcb_connection_t* c, xcb_window_t root,
                            const std::vector<xcb_window_t>& before) {
    for (const xcb_window_t child : children_of(c, root)) {
        if (std::find(before.begin(), before.end(), child) != before.end() || !viewable(c, child)) {
            continue;
        }
        const auto attributes =
            own(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, child), nullptr));
        if (attributes && attributes->override_redirect != 0) {
            return child;
        }
    }
    return 0;
}

TEST(Jalv, EmbedsTheEditorThatShowsTheGoldenPicturePreviewsAKeyAndRemapsOne) {
    if (const char* why = std::getenv("TONVO_X11_SKIP")) {
        GTEST_SKIP() << why;
    }
    for (const char* program :
         {"jalv.gtk3", "jackd", "jack_wait", "jack_midi_dump", "jack_connect"}) {
        ASSERT_TRUE(on_path(program))
            << program << " is missing; scripts/install-deps.sh installs it";
    }
    const std::filesystem::path work = home.Documents().parent_path() / "jalv";
    std::filesystem::create_directories(work / "lv2");
    std::filesystem::create_symlink(TONVO_LV2_BUNDLE, work / "lv2" / "Tonvo.lv2");

    // The golden image's state, saved by lilv as a state folder jalv loads (-l), with the
    // preset file whose name it carries.
    GoldenState golden;
    golden.SaveAsPreset(home.Presets());
    {
        Lv2World world;
        Lv2Instance instance(world, "urn:brelwick:tonvo");
        ASSERT_TRUE(instance.made());
        ASSERT_EQ(instance.restore_block(golden.Chunk()), LV2_STATE_SUCCESS);
        LilvState* state = instance.save_state();
        ASSERT_EQ(lilv_state_save(world.world(), world.map_feature(), world.unmap_feature(), state,
                                  nullptr, (work / "state").c_str(), "state.ttl"),
                  0);
        lilv_state_free(state);
    }

    setenv("LV2_PATH", ((work / "lv2").string() + ":/usr/lib/lv2").c_str(), 1);
    // JACK's registry of servers outlives them and holds eight: a server killed before it
    // signed off keeps its entry until a server of the same name starts. The test's server
    // takes the first of eight names of its own that starts, so that runs cut short never
    // fill the registry; a name another run's server holds now fails at once.
    std::unique_ptr<Child> jack;
    const std::filesystem::path jack_log = work / "jackd.log";
    for (int slot = 0; slot < 8 && !jack; ++slot) {
        const std::string server = "tonvo-test-" + std::to_string(slot);
        setenv("JACK_DEFAULT_SERVER", server.c_str(), 1);
        auto started = std::make_unique<Child>(std::vector<std::string>{"jackd", "--no-realtime",
                                                                        "-n", server, "-d", "dummy",
                                                                        "-r", "48000", "-p", "256"},
                                               jack_log);
        // Printed once the name is the server's; a refused one ends before it.
        const bool named = within_seconds(10, [&] {
            return !started->running() ||
                   read_text(jack_log).find("JACK server starting") != std::string::npos;
        });
        if (named && started->running() && std::system("jack_wait -w -t 10 >/dev/null 2>&1") == 0) {
            jack = std::move(started);
        }
    }
    ASSERT_TRUE(jack) << "the JACK server did not start: " << read_text(jack_log);
    Child dump({"jack_midi_dump"}, work / "dump.txt");
    Child jalv({"jalv.gtk3", "-l", (work / "state").string(), "urn:brelwick:tonvo"},
               work / "jalv.log");

    xcb_connection_t* c = open_connection();
    ASSERT_NE(c, nullptr);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_atom_t xembed = intern_atom(c, "_XEMBED_INFO");
    xcb_window_t editor = 0;
    ASSERT_TRUE(within_seconds(20,
                               [&] {
                                   editor = find_editor(c, screen->root, xembed);
                                   return editor != 0 && viewable(c, editor);
                               }))
        << "jalv shows no editor: " << read_text(work / "jalv.log");
    ASSERT_TRUE(within_seconds(10, [&] {
        return std::system("jack_connect Tonvo:events_out midi-monitor:input >/dev/null 2>&1") == 0;
    })) << "Tonvo's output port never showed in JACK";

    // jalv pumps the editor from its own idle timer: the picture settles within a second.
    ui::Bitmap shown;
    within_seconds(5, [&] {
        shown = read_window(c, editor, kWidth, kHeight);
        return ui::matches_golden(shown, "editor_carbon");
    });
    ui::expect_golden(shown, "editor_carbon");

    // A click on D: its preview, on and off, reaches JACK through Tonvo's output.
    const auto on_screen = [&](ui::Point point) {
        const auto at = own(xcb_translate_coordinates_reply(
            c,
            xcb_translate_coordinates(c, editor, screen->root, static_cast<int16_t>(point.x),
                                      static_cast<int16_t>(point.y)),
            nullptr));
        return at ? ui::Point{at->dst_x, at->dst_y} : ui::Point{};
    };
    const auto click = [&](ui::Point root, uint8_t button) {
        fake_input(c, screen, XCB_MOTION_NOTIFY, 0, root.x, root.y);
        fake_input(c, screen, XCB_BUTTON_PRESS, button);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        fake_input(c, screen, XCB_BUTTON_RELEASE, button);
    };
    const auto dumped = [&](const std::string& bytes) {
        std::string text = read_text(work / "dump.txt");
        for (char& ch : text) {
            ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        }
        return text.find(bytes) != std::string::npos;
    };
    click(on_screen(golden.OnKey(2)), 1);
    EXPECT_TRUE(within_seconds(5, [&] { return dumped("90 3e 64") && dumped("80 3e 64"); }))
        << "no preview of D in JACK's MIDI: " << read_text(work / "dump.txt");

    // A right click on C opens its note menu; a click on the row "E" maps C to E (the row's
    // place from the same choice made headless). C played into Tonvo through JACK then comes
    // out as E.
    const ui::Point row = golden.ChooseFromKeyMenu(0, golden.Form()->ddmNote_E);
    const std::vector<xcb_window_t> before = children_of(c, screen->root);
    click(on_screen(golden.OnKey(0)), 3);
    xcb_window_t pane = 0;
    ASSERT_TRUE(within_seconds(5, [&] { return (pane = find_new_popup(c, screen->root, before)); }))
        << "no note menu showed";
    const auto place = own(xcb_get_geometry_reply(c, xcb_get_geometry(c, pane), nullptr));
    ASSERT_TRUE(place);
    click({place->x + row.x, place->y + row.y}, 1);
    EXPECT_TRUE(within_seconds(5, [&] { return !viewable(c, pane); })) << "the menu stayed";
    Child sequencer({"jack_midiseq", "seq", "24000", "0", "60", "12000"}, work / "seq.log");
    ASSERT_TRUE(within_seconds(10, [&] {
        return std::system("jack_connect seq:out Tonvo:events_in >/dev/null 2>&1") == 0;
    })) << "the sequencer's port never showed in JACK";
    EXPECT_TRUE(within_seconds(5, [&] { return dumped("90 40 40") && dumped("80 40 40"); }))
        << "C did not come out as E: " << read_text(work / "dump.txt");
    EXPECT_FALSE(dumped("90 3c 40")) << "C came out unmapped";
    sequencer.stop();
    xcb_disconnect(c);

    EXPECT_TRUE(jalv.stop()) << "jalv did not end when asked: " << read_text(work / "jalv.log");
    dump.stop();
    jack->stop();
}

} // namespace
} // namespace tonvo::test
