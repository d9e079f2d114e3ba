// tonvo-host edit, the built tool opening the built plug-in's editor in a window of its own,
// on this system's window backend (X11 under Xvfb, Win32 under Wine with its own Xvfb; both
// started by run_with_xvfb.sh). Its screenshot must be the editor's golden image with the
// state saved as loaded, a key clicked must be counted as a preview, the window's close must
// end the session with the state saved, and wrong command lines must fail with a message and
// write nothing. The backend's bits are the tool's start and the reach into its window.
#include "platform/temp_folder.h"
#include "plugin/tonvo_module.h"
#include "support/reference_module.h"
#include "support/temp_home.h"
#include "ui/golden.h"
#include "window/window_fixture.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include "window/win32_driver.h"

#include <windows.h>
#else
#include "window/x11_driver.h"

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
extern char** environ;
#endif

namespace tonvo {
namespace {

namespace fs = std::filesystem;
using Module = test::ReferenceModule;

// The tool inherits the driver's throw-away home (on Windows, the registry key and documents
// folder of the prefix): the plug-in reads its settings and presets there.
using test::home;

using test::read_bytes;
using test::read_text;

// The golden state as a preset file in the home's presets folder (a preset's name only stays
// when its file exists), which is also the file --state loads.
fs::path golden_preset() {
    Module made;
    made.MakeGoldenState();
    return made.SaveAsPreset(home.Presets());
}

#ifdef _WIN32
constexpr const char* kMissingPlugin = "missing.dll";

// One argument for a command line as the C runtime splits it: quoted, with quotes and the
// backslashes before them escaped.
std::wstring quoted(const std::wstring& arg) {
    std::wstring out = L"\"";
    size_t slashes = 0;
    for (const wchar_t c : arg) {
        if (c == L'\\') {
            ++slashes;
            continue;
        }
        out.append(c == L'"' ? slashes * 2 + 1 : slashes, L'\\');
        slashes = 0;
        out += c;
    }
    out.append(slashes * 2, L'\\');
    return out + L"\"";
}

// The tool started with CreateProcessW, its output in files.
struct Process {
    Process(const std::vector<std::string>& args, const fs::path& out, const fs::path& err, bool) {
        const fs::path tool(TONVO_HOST_PATH);
        std::wstring line = quoted(tool.wstring());
        for (const std::string& arg : args)
            line += L" " + quoted(fs::path(arg).wstring());
        SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
        const auto open = [&](const fs::path& path) {
            return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        };
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = open(out);
        startup.hStdError = open(err);
        EXPECT_TRUE(CreateProcessW(tool.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                   nullptr, &startup, &info))
            << "CreateProcessW failed with error " << GetLastError();
        CloseHandle(startup.hStdOutput);
        CloseHandle(startup.hStdError);
    }
    // Its exit code; a tool still running after 60 seconds is ended and fails the test.
    int wait() {
        if (info.hProcess == nullptr)
            return -1;
        if (WaitForSingleObject(info.hProcess, 60000) != WAIT_OBJECT_0) {
            ADD_FAILURE() << "tonvo-host did not end";
            TerminateProcess(info.hProcess, 255);
            WaitForSingleObject(info.hProcess, INFINITE);
        }
        DWORD code = 0;
        GetExitCodeProcess(info.hProcess, &code);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
        info = {};
        return static_cast<int>(code);
    }
    // Ends the tool: false, for a failed assertion.
    bool stop() {
        TerminateProcess(info.hProcess, 255);
        wait();
        return false;
    }
    PROCESS_INFORMATION info{};
};

// The tool's window, reached with posted messages as its caption and the user's clicks do.
class ToolWindow {
public:
    // Whether the tool's window shows, waiting up to five seconds.
    bool find() {
        return test::eventually(
            [&] {
                window_ = FindWindowW(L"TonvoHostEditWindow", L"Tonvo - tonvo-host");
                return window_ != nullptr && IsWindowVisible(window_);
            },
            500);
    }
    // A left click on the editor's window at `at`.
    void click(ui::Point at) {
        HWND editor = FindWindowExW(window_, nullptr, nullptr, nullptr);
        test::post_message(editor, WM_LBUTTONDOWN, MK_LBUTTON, at);
        Sleep(200);
        test::post_message(editor, WM_LBUTTONUP, 0, at);
        Sleep(200);
    }
    // What the caption's close button sends. (Ctrl+C goes the same way, but cannot be sent
    // here: programs Wine starts from a pipe have no console.)
    void close() { PostMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0); }

private:
    HWND window_ = nullptr;
};
#else
constexpr const char* kMissingPlugin = "missing.so";

// The tool started with posix_spawn, its output in files; `no_display` takes DISPLAY away.
struct Process {
    Process(std::vector<std::string> args, const fs::path& out, const fs::path& err,
            bool no_display) {
        args.insert(args.begin(), TONVO_HOST_PATH);
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        std::vector<char*> env;
        for (char** e = environ; *e != nullptr; ++e)
            if (!no_display || std::strncmp(*e, "DISPLAY=", 8) != 0)
                env.push_back(*e);
        env.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        EXPECT_EQ(posix_spawn(&pid, TONVO_HOST_PATH, &actions, nullptr, argv.data(), env.data()),
                  0);
        posix_spawn_file_actions_destroy(&actions);
    }
    // Its exit code; a tool still running after 30 seconds is killed and fails the test.
    int wait() {
        int status = 0;
        for (int i = 0; pid > 0 && i < 3000; ++i) {
            if (waitpid(pid, &status, WNOHANG) == pid) {
                pid = 0;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (pid > 0) {
            ADD_FAILURE() << "tonvo-host did not end";
            stop();
        }
        return -1;
    }
    // Ends the tool: false, for a failed assertion.
    bool stop() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            pid = 0;
        }
        return false;
    }
    pid_t pid = 0;
};

// An X client of the test's own: finds the tool's window, clicks in it with XTest and closes
// it as a window manager does.
class ToolWindow {
public:
    ToolWindow() : c_(test::open_connection()) {}
    ~ToolWindow() {
        if (c_ != nullptr)
            xcb_disconnect(c_);
    }
    // Whether the viewable top-level window of the tool's title shows, waiting up to five
    // seconds.
    bool find() {
        return c_ != nullptr && test::eventually(
                                    [&] {
                                        for (const xcb_window_t id : test::children_of(c_, root()))
                                            if (test::property_of(c_, id, XCB_ATOM_WM_NAME) ==
                                                    "Tonvo - tonvo-host" &&
                                                test::viewable(c_, id))
                                                window_ = id;
                                        return window_ != 0;
                                    },
                                    500);
    }
    // A left click at a point of the window, each input given time for the tool's idle calls
    // (about 30 a second) to see it.
    void click(ui::Point at) {
        const auto origin = test::own(xcb_translate_coordinates_reply(
            c_, xcb_translate_coordinates(c_, window_, root(), 0, 0), nullptr));
        ASSERT_TRUE(origin);
        fake(XCB_MOTION_NOTIFY, 0, origin->dst_x + at.x, origin->dst_y + at.y);
        fake(XCB_BUTTON_PRESS, 1);
        fake(XCB_BUTTON_RELEASE, 1);
    }
    void close() { test::send_delete(c_, window_); }
    // The server cuts off the client that made the window, as when the display goes away.
    void cut_off() {
        xcb_kill_client(c_, window_);
        xcb_flush(c_);
    }

private:
    const xcb_screen_t* screen() const { return xcb_setup_roots_iterator(xcb_get_setup(c_)).data; }
    xcb_window_t root() const { return screen()->root; }
    void fake(uint8_t type, uint8_t detail, int x = 0, int y = 0) {
        test::fake_input(c_, screen(), type, detail, x, y);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }

    xcb_connection_t* c_;
    xcb_window_t window_ = 0;
};
#endif

class HostEdit : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* why = std::getenv("TONVO_X11_SKIP"))
            GTEST_SKIP() << why;
    }
    // Starts tonvo-host with `args`; its output goes to the files `out` and `err`.
    Process Start(const std::vector<std::string>& args, bool no_display = false) {
        static int runs = 0;
        out = logs.Path() / ("out" + std::to_string(runs));
        err = logs.Path() / ("err" + std::to_string(runs++));
        return Process(args, out, err, no_display);
    }
    int Run(const std::vector<std::string>& args, bool no_display = false) {
        return Start(args, no_display).wait();
    }

    test::TempFolder logs;
    test::TempFolder files;
    fs::path out, err;
    const std::string saved = (files.Path() / "saved.brelwickp").string();
};

TEST_F(HostEdit, TheScreenshotShowsTheGoldenEditorAndTheStateIsSavedAsLoaded) {
    const fs::path state = golden_preset();
    const fs::path shot = files.Path() / "shot.png";
    ASSERT_EQ(Run({"edit", TONVO_PLUGIN_PATH, "--state", state.string(), "--save-state", saved,
                   "--screenshot", shot.string(), "--after", "1500"}),
              0)
        << read_text(err);
    EXPECT_NE(read_text(out).find("previews sent: 0 note-ons, 0 note-offs"), std::string::npos)
        << read_text(out);
    ui::Bitmap image;
    ASSERT_TRUE(ui::decode_png(read_bytes(shot), image)) << "no PNG at " << shot;
    ui::expect_golden(image, "editor_carbon");

    Module loaded, saved_back;
    ASSERT_TRUE(loaded.Load(read_bytes(state)));
    ASSERT_TRUE(saved_back.Load(read_bytes(saved))) << "no usable state saved";
    EXPECT_EQ(saved_back.Chunk(), loaded.Chunk());
    EXPECT_EQ(saved_back.module->ScaleMap().GetScaleMap(1), 2);
}

TEST_F(HostEdit, WrongCommandLinesAndNoDisplayFailWithAMessageAndWriteNothing) {
    const std::string shot = (files.Path() / "shot.png").string();
    const std::string missing = (files.Path() / kMissingPlugin).string();
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
        EXPECT_NE(read_text(err).find("tonvo-host: "), std::string::npos) << line;
    }
#ifndef _WIN32
    EXPECT_EQ(Run({"edit", TONVO_PLUGIN_PATH, "--save-state", saved, "--screenshot", shot,
                   "--after", "100"},
                  true),
              1);
    EXPECT_NE(read_text(err).find("edit: cannot open the X display"), std::string::npos)
        << read_text(err);
#endif
    EXPECT_TRUE(fs::is_empty(files.Path()));
}

TEST_F(HostEdit, AClickedKeyIsCountedAndTheCloseEndsTheSessionWithTheStateSaved) {
    const fs::path state = golden_preset();
    Module positions;
    const ui::Point key = positions.OnKey(2);
    ASSERT_NE(key.x, 0);
    ToolWindow window;
    Process tool =
        Start({"edit", TONVO_PLUGIN_PATH, "--state", state.string(), "--save-state", saved});
    ASSERT_TRUE(window.find() || tool.stop()) << "no window of the tool's: " << read_text(err);
    window.click(key);
    window.close();
    EXPECT_EQ(tool.wait(), 0) << read_text(err);
    EXPECT_NE(read_text(out).find("previews sent: 1 note-ons, 1 note-offs"), std::string::npos)
        << read_text(out);
    Module saved_back;
    EXPECT_TRUE(saved_back.Load(read_bytes(saved))) << "no usable state saved";
    EXPECT_EQ(saved_back.module->ScaleMap().GetScaleMap(1), 2);
}

#ifndef _WIN32
TEST_F(HostEdit, AConnectionTheServerCutsOffStillSavesTheStateButFails) {
    ToolWindow window;
    Process tool = Start({"edit", TONVO_PLUGIN_PATH, "--save-state", saved});
    ASSERT_TRUE(window.find() || tool.stop()) << "no window of the tool's: " << read_text(err);
    window.cut_off();
    EXPECT_EQ(tool.wait(), 1);
    EXPECT_NE(read_text(err).find("connection to the window system was lost"), std::string::npos)
        << read_text(err);
    Module saved_back;
    EXPECT_TRUE(saved_back.Load(read_bytes(saved))) << "the state is kept all the same";
}
#endif

} // namespace
} // namespace tonvo
