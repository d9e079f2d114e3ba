// tonvo-host edit in a private X server (run_with_xvfb.sh): the built tool opens the built
// Tonvo.so's editor in a window of its own. Its screenshot must be the editor's golden image,
// a key clicked with XTest must be counted as a preview, the window manager's close message
// must end the session with the state saved, and wrong command lines must leave no files.
#include "editor/editor_factory.h"
#include "editor/note_map_editor.h"
#include "platform/temp_folder.h"
#include "plugin/tonvo_module.h"
#include "support/fake_services.h"
#include "support/reference_module.h"
#include "support/temp_home.h"
#include "ui/golden.h"
#include "ui/headless/headless_editor_window.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <vector>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

extern char** environ;

namespace tonvo {
namespace {

namespace fs = std::filesystem;
using Module = test::ReferenceModule;

// The tool inherits this throw-away home: the plug-in reads its settings and presets there.
test::TempHome home;

constexpr const char* kTitle = "Tonvo - tonvo-host";

std::vector<uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
std::string ReadText(const fs::path& path) {
    const std::vector<uint8_t> bytes = ReadBytes(path);
    return {bytes.begin(), bytes.end()};
}

// The golden state as a preset file in the home's presets folder (a preset's name only stays
// when its file exists), which is also the file --state loads.
fs::path GoldenPreset() {
    Module made;
    made.MakeGoldenState();
    return made.SaveAsPreset(home.Presets());
}

class HostEdit : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* why = std::getenv("TONVO_X11_SKIP"))
            GTEST_SKIP() << why;
    }

    struct Tool {
        pid_t pid = 0;
        fs::path out, err;
    };
    // Starts tonvo-host with `args`; its output goes to files. `noDisplay` takes DISPLAY away.
    Tool Start(std::vector<std::string> args, bool noDisplay = false) {
        static int runs = 0;
        Tool tool;
        tool.out = logs.Path() / ("out" + std::to_string(runs));
        tool.err = logs.Path() / ("err" + std::to_string(runs++));
        args.insert(args.begin(), TONVO_HOST_PATH);
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        std::vector<char*> env;
        for (char** e = environ; *e != nullptr; ++e)
            if (!noDisplay || std::strncmp(*e, "DISPLAY=", 8) != 0)
                env.push_back(*e);
        env.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, tool.out.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, tool.err.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        EXPECT_EQ(
            posix_spawn(&tool.pid, TONVO_HOST_PATH, &actions, nullptr, argv.data(), env.data()), 0);
        posix_spawn_file_actions_destroy(&actions);
        return tool;
    }
    // Its exit code; a tool still running after 30 seconds is killed and fails the test.
    int Wait(const Tool& tool) {
        int status = 0;
        for (int i = 0; i < 3000; ++i) {
            if (waitpid(tool.pid, &status, WNOHANG) == tool.pid)
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ADD_FAILURE() << "tonvo-host did not end";
        kill(tool.pid, SIGKILL);
        waitpid(tool.pid, &status, 0);
        return -1;
    }
    int Run(std::vector<std::string> args, bool noDisplay = false) {
        last = Start(std::move(args), noDisplay);
        return Wait(last);
    }

    test::TempFolder logs;
    test::TempFolder files;
    Tool last;
};

TEST_F(HostEdit, TheScreenshotShowsTheGoldenEditorAndTheStateIsSavedAsLoaded) {
    const fs::path state = GoldenPreset();
    const fs::path shot = files.Path() / "shot.png";
    const fs::path saved = files.Path() / "saved.brelwickp";
    ASSERT_EQ(Run({"edit", TONVO_PLUGIN_PATH, "--state", state.string(), "--save-state",
                   saved.string(), "--screenshot", shot.string(), "--after", "1000"}),
              0)
        << ReadText(last.err);
    EXPECT_NE(ReadText(last.out).find("previews sent: 0 note-ons, 0 note-offs\n"),
              std::string::npos)
        << ReadText(last.out);
    ui::Bitmap image;
    ASSERT_TRUE(ui::decode_png(ReadBytes(shot), image)) << "no PNG at " << shot;
    ui::expect_golden(image, "editor_carbon");

    Module loaded, saved_back;
    ASSERT_TRUE(loaded.Load(ReadBytes(state)));
    ASSERT_TRUE(saved_back.Load(ReadBytes(saved))) << "no usable state saved";
    EXPECT_EQ(saved_back.Chunk(), loaded.Chunk());
    EXPECT_EQ(saved_back.module->ScaleMap().GetScaleMap(1), 2);
}

TEST_F(HostEdit, WrongCommandLinesAndNoDisplayFailWithAMessageAndWriteNothing) {
    const std::string shot = (files.Path() / "shot.png").string();
    const std::string saved = (files.Path() / "saved.brelwickp").string();
    const std::string missing = (files.Path() / "missing.so").string();
    const std::vector<std::vector<std::string>> wrong = {
        {"edit", "--save-state", saved},
        {"edit", TONVO_PLUGIN_PATH, "--save-state", saved, "--after", "1000"},
        {"edit", TONVO_PLUGIN_PATH, "--save-state", saved, "--screenshot", shot},
        {"edit", TONVO_PLUGIN_PATH, "--screenshot", shot, "--after", "soon"},
        {"edit", TONVO_PLUGIN_PATH, "--screenshot", shot, "--after", "0"},
        {"edit", missing, "--save-state", saved, "--screenshot", shot, "--after", "100"},
    };
    for (const std::vector<std::string>& args : wrong) {
        const std::string line = args.back() + " (" + std::to_string(args.size()) + " args)";
        EXPECT_NE(Run(args), 0) << line;
        EXPECT_NE(ReadText(last.err).find("tonvo-host: "), std::string::npos) << line;
    }
    EXPECT_EQ(Run({"edit", TONVO_PLUGIN_PATH, "--save-state", saved, "--screenshot", shot,
                   "--after", "100"},
                  true),
              1);
    EXPECT_NE(ReadText(last.err).find("edit: cannot open the X display"), std::string::npos)
        << ReadText(last.err);
    EXPECT_TRUE(fs::is_empty(files.Path()));
}

// An X client of the test's own: finds the tool's window, clicks in it with XTest and closes
// it as a window manager does.
class Display {
    template <typename T>
    struct Freed : std::unique_ptr<T, decltype(&std::free)> {
        explicit Freed(T* reply) : std::unique_ptr<T, decltype(&std::free)>(reply, &std::free) {}
    };

public:
    // Xvfb turns a connection away while it still tears down one just closed: a few tries.
    Display() {
        for (int i = 0; i < 100; ++i) {
            c_ = xcb_connect(nullptr, nullptr);
            if (Ok())
                break;
            xcb_disconnect(c_);
            c_ = nullptr;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (c_ == nullptr)
            c_ = xcb_connect(nullptr, nullptr);
        if (Ok())
            screen_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
    }
    ~Display() { xcb_disconnect(c_); }
    bool Ok() const { return xcb_connection_has_error(c_) == 0; }

    // The viewable top-level window of that title, or 0 after five seconds.
    xcb_window_t Find(const std::string& title) {
        for (int i = 0; i < 500; ++i) {
            const Freed<xcb_query_tree_reply_t> tree(
                xcb_query_tree_reply(c_, xcb_query_tree(c_, screen_->root), nullptr));
            const int count = tree ? xcb_query_tree_children_length(tree.get()) : 0;
            const xcb_window_t* ids = tree ? xcb_query_tree_children(tree.get()) : nullptr;
            for (int k = 0; k < count; ++k)
                if (Title(ids[k]) == title && Viewable(ids[k]))
                    return ids[k];
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return 0;
    }
    // Where the window's (0, 0) lies on the root.
    std::pair<int, int> Origin(xcb_window_t window) {
        const Freed<xcb_translate_coordinates_reply_t> at(xcb_translate_coordinates_reply(
            c_, xcb_translate_coordinates(c_, window, screen_->root, 0, 0), nullptr));
        return at ? std::pair<int, int>{at->dst_x, at->dst_y} : std::pair<int, int>{};
    }
    // Pointer input, then time for the tool's idle calls (about 30 a second) to see it.
    void Fake(uint8_t type, uint8_t detail, int x = 0, int y = 0) {
        xcb_test_fake_input(c_, type, detail, XCB_CURRENT_TIME, screen_->root,
                            static_cast<int16_t>(x), static_cast<int16_t>(y), 0);
        xcb_flush(c_);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    void SendDelete(xcb_window_t window) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = Atom("WM_PROTOCOLS");
        message.data.data32[0] = Atom("WM_DELETE_WINDOW");
        message.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(c_, 0, window, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&message));
        xcb_flush(c_);
    }
    // The server cuts off the client that made the window, as when the display goes away.
    void KillClientOf(xcb_window_t window) {
        xcb_kill_client(c_, window);
        xcb_flush(c_);
    }

private:
    std::string Title(xcb_window_t window) {
        const Freed<xcb_get_property_reply_t> name(xcb_get_property_reply(
            c_, xcb_get_property(c_, 0, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 0, 64),
            nullptr));
        if (!name)
            return {};
        const auto* text = static_cast<const char*>(xcb_get_property_value(name.get()));
        return {text, text + xcb_get_property_value_length(name.get())};
    }
    bool Viewable(xcb_window_t window) {
        const Freed<xcb_get_window_attributes_reply_t> a(
            xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, window), nullptr));
        return a && a->map_state == XCB_MAP_STATE_VIEWABLE;
    }
    xcb_atom_t Atom(const char* name) {
        const Freed<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
            c_, xcb_intern_atom(c_, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr));
        return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    }

    xcb_connection_t* c_ = nullptr;
    const xcb_screen_t* screen_ = nullptr;
};

TEST_F(HostEdit, AClickedKeyIsCountedAndTheCloseMessageEndsTheSessionWithTheStateSaved) {
    const fs::path state = GoldenPreset();
    const fs::path saved = files.Path() / "saved.brelwickp";
    Module positions;
    const ui::Point key = positions.OnKey(2);
    ASSERT_NE(key.x, 0);
    Display x;
    ASSERT_TRUE(x.Ok()) << "no X server at DISPLAY";

    const Tool tool = Start(
        {"edit", TONVO_PLUGIN_PATH, "--state", state.string(), "--save-state", saved.string()});
    const xcb_window_t window = x.Find(kTitle);
    if (window == 0) {
        kill(tool.pid, SIGKILL);
        Wait(tool);
        FAIL() << "no window titled \"" << kTitle << "\": " << ReadText(tool.err);
    }
    const auto [left, top] = x.Origin(window);
    x.Fake(XCB_MOTION_NOTIFY, 0, left + key.x, top + key.y);
    x.Fake(XCB_BUTTON_PRESS, 1);
    x.Fake(XCB_BUTTON_RELEASE, 1);
    x.SendDelete(window);

    EXPECT_EQ(Wait(tool), 0) << ReadText(tool.err);
    EXPECT_NE(ReadText(tool.out).find("previews sent: 1 note-ons, 1 note-offs\n"),
              std::string::npos)
        << ReadText(tool.out);
    Module saved_back;
    EXPECT_TRUE(saved_back.Load(ReadBytes(saved))) << "no usable state saved";
    EXPECT_EQ(saved_back.module->ScaleMap().GetScaleMap(1), 2);
}

TEST_F(HostEdit, AConnectionTheServerCutsOffStillSavesTheStateButFails) {
    const fs::path saved = files.Path() / "saved.brelwickp";
    Display x;
    ASSERT_TRUE(x.Ok()) << "no X server at DISPLAY";
    const Tool tool = Start({"edit", TONVO_PLUGIN_PATH, "--save-state", saved.string()});
    const xcb_window_t window = x.Find(kTitle);
    if (window == 0) {
        kill(tool.pid, SIGKILL);
        Wait(tool);
        FAIL() << "no window titled \"" << kTitle << "\": " << ReadText(tool.err);
    }
    x.KillClientOf(window);
    EXPECT_EQ(Wait(tool), 1);
    EXPECT_NE(ReadText(tool.err).find("connection to the window system was lost"),
              std::string::npos)
        << ReadText(tool.err);
    Module saved_back;
    EXPECT_TRUE(saved_back.Load(ReadBytes(saved))) << "the state is kept all the same";
}

} // namespace
} // namespace tonvo
