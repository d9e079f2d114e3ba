// The Save Preset dialog of the Windows plug-in, reached and answered as the user does it: the
// main menu's button clicked with the system's pointer, the menu's entry chosen by arrow keys,
// the name typed on the system's keyboard (SendInput), with a character no key of the layout
// gives sent as Unicode input. The user must be able to type at once: the dialog comes up as
// the active window with the keyboard focus.
#include "win32/win32_editor_fixture.h"

#include <atomic>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <thread>
#include <vector>
#include <windows.h>

namespace tonvo {
namespace {

using namespace test;

// One key of the keyboard pressed and released: a virtual key (with Shift held if asked), or
// with `unicode` set, that character as the system's Unicode input.
struct Keystroke {
    WORD key = 0;
    bool shift = false;
    wchar_t unicode = 0;
};

INPUT KeyInput(WORD key, WORD scan, DWORD flags) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = scan;
    input.ki.dwFlags = flags;
    return input;
}

// The keystrokes in one call: they reach the focused window of the thread in front, in order.
void SendKeys(const std::vector<Keystroke>& keys) {
    std::vector<INPUT> inputs;
    for (const Keystroke& k : keys) {
        if (k.unicode != 0) {
            inputs.push_back(KeyInput(0, static_cast<WORD>(k.unicode), KEYEVENTF_UNICODE));
            inputs.push_back(
                KeyInput(0, static_cast<WORD>(k.unicode), KEYEVENTF_UNICODE | KEYEVENTF_KEYUP));
            continue;
        }
        if (k.shift)
            inputs.push_back(KeyInput(VK_SHIFT, 0, 0));
        inputs.push_back(KeyInput(k.key, 0, 0));
        inputs.push_back(KeyInput(k.key, 0, KEYEVENTF_KEYUP));
        if (k.shift)
            inputs.push_back(KeyInput(VK_SHIFT, 0, KEYEVENTF_KEYUP));
    }
    EXPECT_EQ(SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)),
              inputs.size());
}

// The active and the focused window of `window`'s thread (any thread may ask).
GUITHREADINFO InputStateOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info;
}

std::set<std::filesystem::path> Files(const std::filesystem::path& folder) {
    std::set<std::filesystem::path> found;
    std::error_code missing;
    for (std::filesystem::directory_iterator it(folder, missing), end; !missing && it != end;
         it.increment(missing))
        found.insert(it->path().filename());
    return found;
}

class Win32Dialog : public Win32Editor {
protected:
    // What the watcher saw of the dialog.
    struct Seen {
        bool menu = false;
        HWND dialog = nullptr;
        HWND foreground = nullptr;
        HWND active = nullptr;
        HWND focus = nullptr;
        // The dialog went after `act`, without the watcher's forced close.
        bool answered = false;
    };

    // Clicks the main menu's button at `button` in `editor` with the pointer, chooses Save
    // Preset by keys (Init, Load Preset, Save Preset) and runs `act` on the watcher's thread
    // while the dialog shows. A menu or dialog the keys did not end is closed by messages, so
    // a failure never leaves the test inside the plug-in's loop.
    template <typename Act>
    Seen InSavePresetDialog(HWND editor, ui::Point button, Act act) {
        Seen seen;
        std::atomic<bool> done{false};
        std::thread watcher([&] {
            HWND pane = nullptr;
            if (Eventually([&] { return (pane = FindTopLevel(ClassOf(L"Menu"))) != nullptr; })) {
                seen.menu = true;
                SendKeys({{VK_DOWN}, {VK_DOWN}, {VK_DOWN}, {VK_RETURN}});
                HWND dialog = nullptr;
                if (Eventually(
                        [&] { return (dialog = FindTopLevel(ClassOf(L"Dialog"))) != nullptr; })) {
                    seen.dialog = dialog;
                    // The activation and the focus come with the showing, a moment after the
                    // window is visible to another thread.
                    Eventually(
                        [&] {
                            return GetForegroundWindow() == dialog &&
                                   InputStateOf(dialog).hwndFocus == dialog;
                        },
                        50);
                    seen.foreground = GetForegroundWindow();
                    seen.active = InputStateOf(dialog).hwndActive;
                    seen.focus = InputStateOf(dialog).hwndFocus;
                    act();
                    // Typed keys and the file write take a while under Wine on a busy
                    // machine: wait long enough that only a dialog that ignores them stays.
                    seen.answered = Eventually([&] { return !IsWindow(dialog); }, 1000);
                    if (!seen.answered) {
                        PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
                        Eventually([&] { return !IsWindow(dialog); });
                    }
                } else if (IsWindow(pane)) {
                    PostMessageW(pane, WM_KEYDOWN, VK_ESCAPE, 1);
                }
            }
            done = true;
        });
        SetForegroundWindow(GetAncestor(editor, GA_ROOT));
        Pump(2);
        SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, editor, button);
        SendMouse(MOUSEEVENTF_LEFTDOWN);
        SendMouse(MOUSEEVENTF_LEFTUP);
        for (int i = 0; i < 1000 && !done; ++i)
            Pump(1);
        watcher.join();
        Pump();
        return seen;
    }
};

TEST_F(Win32Dialog, TheSavePresetDialogTakesTheKeyboardAtOnce) {
    GoldenState state;
    LoadGoldenState(state);
    const ui::Point button = state.OnMenuButton();
    ASSERT_NE(button.x, 0);
    HWND parent = MakeWindow(100, 100);
    HWND editor = OpenEditor(parent);
    ASSERT_NE(editor, nullptr);
    const std::vector<uint8_t> before = Chunk();
    const std::set<std::filesystem::path> files = Files(home.Presets());

    // Escape in the fresh dialog: nothing saved, nothing renamed.
    Seen seen = InSavePresetDialog(editor, button, [] { SendKeys({{VK_ESCAPE}}); });
    ASSERT_TRUE(seen.menu) << "no menu appeared";
    ASSERT_NE(seen.dialog, nullptr) << "no Save Preset dialog appeared";
    EXPECT_EQ(seen.foreground, seen.dialog) << "the dialog is the window in front";
    EXPECT_EQ(seen.active, seen.dialog);
    EXPECT_EQ(seen.focus, seen.dialog) << "the dialog has the keyboard focus";
    EXPECT_TRUE(seen.answered) << "Escape closes the dialog";
    EXPECT_EQ(Files(home.Presets()), files);
    EXPECT_EQ(Chunk(), before);
    EXPECT_TRUE(IsWindowEnabled(parent));
    EXPECT_EQ(GetForegroundWindow(), parent) << "the host's window is in front again";

    // The shown name is selected: typing replaces it. "Café x", one Backspace, "y", Enter.
    seen = InSavePresetDialog(editor, button, [] {
        SendKeys({{'C', true},
                  {'A'},
                  {'F'},
                  {0, false, L'\u00e9'},
                  {VK_SPACE},
                  {'X'},
                  {VK_BACK},
                  {'Y'},
                  {VK_RETURN}});
    });
    ASSERT_NE(seen.dialog, nullptr) << "no Save Preset dialog appeared";
    EXPECT_EQ(seen.foreground, seen.dialog);
    EXPECT_EQ(seen.focus, seen.dialog);
    EXPECT_TRUE(seen.answered) << "Enter confirms the dialog";
    const std::filesystem::path file = home.Presets() / u8"Caf\u00e9 y.brelwickp";
    ASSERT_TRUE(std::filesystem::exists(file)) << "the preset file, named in UTF-8 as typed";
    EXPECT_EQ(Files(home.Presets()).size(), files.size() + 1);
    EXPECT_EQ(state.PresetNameOf(Chunk(), file), "Caf\u00e9 y");
    Call(effEditClose);
}

} // namespace
} // namespace tonvo
