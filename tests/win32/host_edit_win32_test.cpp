// tonvo-host.exe edit under Wine with a private X server (run_with_xvfb.sh): the built tool,
// started with CreateProcessW, opens the built Tonvo.dll's editor in its own window. Its
// screenshot must be the editor's golden image with the state saved as loaded, the close button
// must end the session with the state saved, and a wrong command line must fail
// with a message and write nothing.
#include "editor/editor_factory.h"
#include "platform/temp_folder.h"
#include "plugin/tonvo_module.h"
#include "support/fake_services.h"
#include "support/reference_module.h"
#include "support/temp_home.h"
#include "ui/golden.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>
#include <windows.h>

namespace tonvo {
namespace {

namespace fs = std::filesystem;

// The registry key and documents folder the tool's plug-in reads are this prefix's own.
test::TempHome home;

std::vector<uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
std::string ReadText(const fs::path& path) {
    const std::vector<uint8_t> bytes = ReadBytes(path);
    return {bytes.begin(), bytes.end()};
}

using Module = test::ReferenceModule;

// The golden state as a preset file in the presets folder (a preset's name only stays when its
// file exists), which is also the file --state loads.
fs::path GoldenPreset() {
    Module made;
    made.MakeGoldenState();
    return made.SaveAsPreset(home.Presets());
}

// One argument for a command line as the C runtime splits it: quoted, with quotes and the
// backslashes before them escaped.
std::wstring Quoted(const std::wstring& arg) {
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

class HostEditWin32 : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* why = std::getenv("TONVO_X11_SKIP"))
            GTEST_SKIP() << why;
    }

    // Starts tonvo-host.exe with `args`, its output in files.
    PROCESS_INFORMATION Start(const std::vector<fs::path>& args) {
        static int runs = 0;
        out = logs.Path() / ("out" + std::to_string(runs));
        err = logs.Path() / ("err" + std::to_string(runs++));
        const fs::path tool(TONVO_HOST_PATH);
        std::wstring line = Quoted(tool.wstring());
        for (const fs::path& arg : args)
            line += L" " + Quoted(arg.wstring());
        SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
        const auto open = [&](const fs::path& path) {
            return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        };
        HANDLE out_file = open(out);
        HANDLE err_file = open(err);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = out_file;
        startup.hStdError = err_file;
        PROCESS_INFORMATION process{};
        const BOOL started = CreateProcessW(tool.c_str(), line.data(), nullptr, nullptr, TRUE, 0,
                                            nullptr, nullptr, &startup, &process);
        CloseHandle(out_file);
        CloseHandle(err_file);
        EXPECT_TRUE(started) << "CreateProcessW failed with error " << GetLastError();
        return process;
    }
    // Its exit code; a tool still running after 60 seconds is ended and fails the test.
    static int Wait(const PROCESS_INFORMATION& process) {
        if (process.hProcess == nullptr)
            return -1;
        DWORD code = 0;
        if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
            ADD_FAILURE() << "tonvo-host.exe did not end";
            TerminateProcess(process.hProcess, 255);
            WaitForSingleObject(process.hProcess, INFINITE);
        }
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return static_cast<int>(code);
    }
    int Run(const std::vector<fs::path>& args) { return Wait(Start(args)); }
    // The tool's visible window, or null after five seconds.
    static HWND FindToolWindow() {
        for (int i = 0; i < 500; ++i) {
            HWND window = FindWindowW(L"TonvoHostEditWindow", L"Tonvo - tonvo-host");
            if (window != nullptr && IsWindowVisible(window))
                return window;
            Sleep(10);
        }
        return nullptr;
    }

    test::TempFolder logs;
    test::TempFolder files;
    fs::path out, err;
};

TEST_F(HostEditWin32, TheScreenshotShowsTheGoldenEditorAndTheStateIsSavedAsLoaded) {
    const fs::path state = GoldenPreset();
    const fs::path shot = files.Path() / "shot.png";
    const fs::path saved = files.Path() / "saved.brelwickp";
    ASSERT_EQ(Run({"edit", TONVO_PLUGIN_PATH, "--state", state, "--save-state", saved,
                   "--screenshot", shot, "--after", "1500"}),
              0)
        << ReadText(err);
    EXPECT_NE(ReadText(out).find("previews sent: 0 note-ons, 0 note-offs"), std::string::npos)
        << ReadText(out);
    ui::Bitmap image;
    ASSERT_TRUE(ui::decode_png(ReadBytes(shot), image)) << "no PNG at " << shot;
    ui::expect_golden(image, "editor_carbon");

    Module loaded, saved_back;
    ASSERT_TRUE(loaded.Load(ReadBytes(state)));
    ASSERT_TRUE(saved_back.Load(ReadBytes(saved))) << "no usable state saved";
    EXPECT_EQ(saved_back.Chunk(), loaded.Chunk());
}

// Ctrl+C goes the same way, but cannot be sent here: programs Wine starts from a pipe have no
// console, so GenerateConsoleCtrlEvent fails.
TEST_F(HostEditWin32, TheCloseButtonEndsTheSessionWithTheStateSaved) {
    const fs::path state = GoldenPreset();
    const fs::path saved = files.Path() / "saved.brelwickp";
    const PROCESS_INFORMATION tool =
        Start({"edit", TONVO_PLUGIN_PATH, "--state", state, "--save-state", saved});
    // What the caption's close button sends.
    HWND window = FindToolWindow();
    EXPECT_NE(window, nullptr) << "no window titled \"Tonvo - tonvo-host\"";
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(Wait(tool), 0) << ReadText(err);
    Module saved_back;
    EXPECT_TRUE(saved_back.Load(ReadBytes(saved))) << "no usable state saved";
    EXPECT_EQ(saved_back.module->ScaleMap().GetScaleMap(1), 2);
}

TEST_F(HostEditWin32, AScreenshotWithoutItsTimeFailsWithAMessageAndWritesNothing) {
    EXPECT_NE(Run({"edit", TONVO_PLUGIN_PATH, "--save-state", files.Path() / "saved.brelwickp",
                   "--screenshot", files.Path() / "shot.png"}),
              0);
    EXPECT_NE(ReadText(err).find("tonvo-host: "), std::string::npos) << ReadText(err);
    EXPECT_TRUE(fs::is_empty(files.Path()));
}

} // namespace
} // namespace tonvo
