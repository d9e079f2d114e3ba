// The Windows plug-in's editor under Wine with a private X server (run_with_xvfb.sh): the built
// Tonvo.dll, loaded with LoadLibraryW as a host loads it, opens its editor in a top-level window
// this test makes. What the window shows is read back and compared with the headless
// renderer's golden image. A key is clicked with the system's pointer (SendInput); other input
// is posted to the windows as messages (PostMessageW); menus and dialogs run in loops inside
// the plug-in's call, so a watcher thread finds their windows and answers them.
#include "editor/editor_factory.h"
#include "editor/note_map_editor.h"
#include "platform/temp_folder.h"
#include "plugin/tonvo_module.h"
#include "support/fake_host.h"
#include "support/fake_services.h"
#include "support/reference_module.h"
#include "support/temp_home.h"
#include "tonvo_host/plugin_library.h"
#include "ui/golden.h"
#include "ui/headless/headless_editor_window.h"
#include "ui/win32/win32_desktop.h"

#include <atomic>
#include <cstdlib>
#include <cwchar>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>
#include <windows.h>

namespace tonvo {
namespace {

using test::GoldenState;

test::TempHome home;

tools::PluginLibrary& Library() {
    static tools::PluginLibrary library(TONVO_PLUGIN_PATH);
    return library;
}

// The plug-in's class name for a kind of window ("Editor", "Menu", "Dialog").
std::wstring ClassOf(const wchar_t* kind) {
    wchar_t name[64];
    std::swprintf(name, 64, L"Tonvo.%ls.%llx", kind,
                  static_cast<unsigned long long>(
                      reinterpret_cast<uintptr_t>(GetModuleHandleW(L"Tonvo.dll"))));
    return name;
}

// The host's timer: idle calls to the plug-in, also while a loop of the plug-in's runs.
AEffect* timed_effect = nullptr;
std::atomic<int> timed_idles{0};
// Set by a watcher: the timer's next call closes the editor (effEditClose) or the instance
// (effClose) instead, and notes whether the editor's window was left there, hidden.
std::atomic<int32_t> timed_close{0};
HWND timed_editor = nullptr;
std::atomic<bool> hidden_at_close{false};
void CALLBACK HostTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (const int32_t close = timed_effect != nullptr ? timed_close.exchange(0) : 0; close != 0) {
        timed_effect->dispatcher(timed_effect, close, 0, 0, nullptr, 0.0f);
        hidden_at_close = IsWindow(timed_editor) && !IsWindowVisible(timed_editor);
        if (close == effClose) {
            timed_effect = nullptr;
        }
    } else if (timed_effect != nullptr) {
        timed_effect->dispatcher(timed_effect, effEditIdle, 0, 0, nullptr, 0.0f);
        ++timed_idles;
    }
}

// The left presses the host's windows received, and where the last one was (client point).
std::atomic<int> host_presses{0};
POINT host_press_at{};
LRESULT CALLBACK HostProcedure(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_LBUTTONDOWN) {
        host_press_at = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        ++host_presses;
    }
    return DefWindowProcW(window, msg, wp, lp);
}

// The visible top-level window whose class is `name`, or null (any thread may ask). The
// enumeration callbacks are plain functions: they must be CALLBACK (stdcall on 32-bit x86).
struct ClassSearch {
    const std::wstring* name;
    HWND found;
};
BOOL CALLBACK MatchClass(HWND window, LPARAM lp) {
    auto* search = reinterpret_cast<ClassSearch*>(lp);
    wchar_t class_name[64] = {};
    GetClassNameW(window, class_name, 64);
    if (*search->name == class_name && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}
HWND FindTopLevel(const std::wstring& name) {
    ClassSearch search{&name, nullptr};
    EnumWindows(&MatchClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
BOOL CALLBACK CollectWindow(HWND window, LPARAM lp) {
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(window);
    return TRUE;
}

// Polls `condition` for up to about two seconds.
template <typename Condition>
bool Eventually(Condition condition, int tries = 200) {
    for (int i = 0; i < tries; ++i) {
        if (condition())
            return true;
        Sleep(10);
    }
    return condition();
}

class Win32Editor : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* why = std::getenv("TONVO_X11_SKIP"))
            GTEST_SKIP() << why;
        ASSERT_TRUE(Library().Loaded()) << Library().Error();
        const tools::PluginMain entry = Library().Entry("VSTPluginMain");
        ASSERT_NE(entry, nullptr);
        effect = entry(&test::FakeHost::Callback);
        ASSERT_NE(effect, nullptr);
        Call(effOpen);
    }
    void TearDown() override {
        if (effect != nullptr)
            Call(effClose);
        for (HWND window : made)
            if (IsWindow(window))
                DestroyWindow(window);
        Pump(1);
    }

    intptr_t Call(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr) {
        return effect->dispatcher(effect, opcode, index, value, ptr, 0.0f);
    }
    // The host's frame: a visible top-level window whose client area starts at (left, top).
    HWND MakeWindow(int left, int top, int width = 700, int height = 300) {
        static const ATOM atom = [] {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = &HostProcedure;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"TonvoTestHost";
            return RegisterClassExW(&wc);
        }();
        EXPECT_NE(atom, 0);
        RECT frame{left, top, left + width, top + height};
        AdjustWindowRectEx(&frame, WS_POPUP | WS_CLIPCHILDREN, FALSE, 0);
        HWND window =
            CreateWindowExW(0, L"TonvoTestHost", L"Host", WS_POPUP | WS_CLIPCHILDREN, frame.left,
                            frame.top, frame.right - frame.left, frame.bottom - frame.top, nullptr,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
        ShowWindow(window, SW_SHOW);
        made.push_back(window);
        Pump(2);
        return window;
    }
    // The host's loop and idle calls.
    void Pump(int rounds = 5) {
        for (int i = 0; i < rounds; ++i) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            if (effect != nullptr)
                Call(effEditIdle);
            Sleep(10);
        }
    }
    static std::vector<HWND> Children(HWND parent) {
        std::vector<HWND> found;
        EnumChildWindows(parent, &CollectWindow, reinterpret_cast<LPARAM>(&found));
        return found;
    }
    // What the window shows, read back from its device context.
    static ui::Bitmap Read(HWND window, int width, int height) {
        ui::Bitmap out(width, height);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HDC screen = GetDC(window);
        HDC memory = CreateCompatibleDC(screen);
        HBITMAP section = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(memory, section);
        const bool copied = BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY) != FALSE;
        GdiFlush();
        EXPECT_TRUE(copied && bits != nullptr) << "the window could not be read";
        if (copied && bits != nullptr) {
            const auto* data = static_cast<const uint8_t*>(bits);
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x, data += 4)
                    out.pixel(x, y) = ui::Color{data[0], data[1], data[2], 255};
        }
        SelectObject(memory, old);
        DeleteObject(section);
        DeleteDC(memory);
        ReleaseDC(window, screen);
        return out;
    }
    void LoadGoldenState(GoldenState& state) {
        state.SaveAsPreset(home.Presets());
        std::vector<uint8_t> chunk = state.Chunk();
        ASSERT_GT(chunk.size(), 8u);
        ASSERT_EQ(Call(effSetChunk, 1, static_cast<intptr_t>(chunk.size()), chunk.data()),
                  static_cast<intptr_t>(chunk.size()));
    }
    std::vector<uint8_t> Chunk() {
        void* data = nullptr;
        const intptr_t size = Call(effGetChunk, 1, 0, &data);
        const auto* bytes = static_cast<const uint8_t*>(data);
        return size > 0 ? std::vector<uint8_t>(bytes, bytes + size) : std::vector<uint8_t>{};
    }
    std::vector<test::Delivered> Process() {
        host.Forget();
        float left[64] = {};
        float right[64] = {};
        float* outputs[2] = {left, right};
        effect->processReplacing(effect, nullptr, outputs, 64);
        return host.Events();
    }
    // The editor's window in `parent` (its only child), or null.
    HWND Editor(HWND parent) {
        const std::vector<HWND> children = Children(parent);
        return children.size() == 1 ? children[0] : nullptr;
    }
    // One input of the system's pointer; with MOUSEEVENTF_ABSOLUTE, to `at` in `window`.
    static void SendMouse(DWORD flags, HWND window = nullptr, ui::Point at = {}) {
        INPUT input{};
        input.type = INPUT_MOUSE;
        input.mi.dwFlags = flags;
        if ((flags & MOUSEEVENTF_ABSOLUTE) != 0) {
            POINT p{at.x, at.y};
            ClientToScreen(window, &p);
            // Normalised to 0..65535 across the primary screen, rounded up so that the system's
            // truncating conversion back lands on the pixel itself.
            const int width = GetSystemMetrics(SM_CXSCREEN);
            const int height = GetSystemMetrics(SM_CYSCREEN);
            input.mi.dx = (p.x * 65536 + width - 1) / width;
            input.mi.dy = (p.y * 65536 + height - 1) / height;
        }
        EXPECT_EQ(SendInput(1, &input, sizeof input), 1u);
    }
    static void Post(HWND window, UINT msg, WPARAM wp, ui::Point at) {
        PostMessageW(window, msg, wp, MAKELPARAM(at.x, at.y));
    }

    test::FakeHost host;
    AEffect* effect = nullptr;
    std::vector<HWND> made;
};

TEST_F(Win32Editor, ShowsTheGoldenPictureInAChildOfTheHostsWindow) {
    GoldenState state;
    LoadGoldenState(state);
    HWND parent = MakeWindow(100, 100);
    ASSERT_EQ(Call(effEditOpen, 0, 0, parent), 1);
    ERect* rect = nullptr;
    ASSERT_EQ(Call(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    const int width = rect->right - rect->left;
    const int height = rect->bottom - rect->top;
    EXPECT_EQ(width, 662);
    EXPECT_EQ(height, 256);
    Pump();

    HWND editor = Editor(parent);
    ASSERT_NE(editor, nullptr) << "one child of the host's window";
    wchar_t class_name[64] = {};
    GetClassNameW(editor, class_name, 64);
    EXPECT_EQ(ClassOf(L"Editor"), class_name) << "named after the DLL's module handle";
    const LONG_PTR style = GetWindowLongPtrW(editor, GWL_STYLE);
    EXPECT_EQ(style & (WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_VISIBLE),
              WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_VISIBLE);
    RECT client{};
    GetClientRect(editor, &client);
    EXPECT_EQ(client.right, width);
    EXPECT_EQ(client.bottom, height);
    POINT origin{0, 0};
    MapWindowPoints(editor, parent, &origin, 1);
    EXPECT_EQ(origin.x, 0);
    EXPECT_EQ(origin.y, 0);
    for (int i = 0; i < 100 && GetFocus() != editor; ++i)
        Pump(1);
    EXPECT_EQ(GetFocus(), editor) << "the editor takes the keyboard focus once shown";

    ui::expect_golden(Read(editor, width, height), "editor_carbon");

    // Painted over and invalidated as another window would leave it: repainted from the form.
    HDC dc = GetDC(editor);
    PatBlt(dc, 0, 0, width, height, WHITENESS);
    ReleaseDC(editor, dc);
    InvalidateRect(editor, nullptr, TRUE);
    Pump();
    ui::expect_golden(Read(editor, width, height), "editor_carbon");

    Call(effEditClose);
    EXPECT_TRUE(Children(parent).empty()) << "the editor's window goes at the close";
    WNDCLASSEXW info{};
    info.cbSize = sizeof info;
    EXPECT_FALSE(GetClassInfoExW(GetModuleHandleW(L"Tonvo.dll"), ClassOf(L"Editor").c_str(), &info))
        << "the class goes with the last window";
}

TEST_F(Win32Editor, AClickOnAKeyPreviewsItAndWindowTroublesLeaveNothingBehind) {
    GoldenState state;
    LoadGoldenState(state);
    const ui::Point d = state.OnKey(2);
    ASSERT_NE(d.x, 0);
    HWND parent = MakeWindow(100, 100);
    ASSERT_EQ(Call(effEditOpen, 0, 0, parent), 1);
    Pump();
    HWND editor = Editor(parent);
    ASSERT_NE(editor, nullptr);
    Process();
    // Real pointer input, as the user gives it: the window in front, the pointer moved there.
    SetForegroundWindow(parent);
    Pump(2);
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, editor, d);
    Pump(2);
    POINT pointer{};
    GetCursorPos(&pointer);
    ScreenToClient(editor, &pointer);
    EXPECT_EQ(pointer.x, d.x);
    EXPECT_EQ(pointer.y, d.y);
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    Pump(2);
    EXPECT_EQ(GetCapture(), editor) << "the press holds the mouse";
    EXPECT_EQ(Process(), (std::vector<test::Delivered>{test::NoteOn(0, 62, 100)}));
    SendMouse(MOUSEEVENTF_LEFTUP);
    Pump(2);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(Process(), (std::vector<test::Delivered>{test::NoteOff(0, 62, 100)}));
    Call(effEditClose);

    for (int i = 0; i < 50; ++i) {
        ASSERT_EQ(Call(effEditOpen, 0, 0, parent), 1);
        Pump(1);
        ASSERT_EQ(Children(parent).size(), 1u) << "opening " << i;
        Call(effEditClose);
        ASSERT_TRUE(Children(parent).empty()) << "opening " << i;
    }

    // Opened again in another window without a close: the old window goes.
    HWND second = MakeWindow(100, 450);
    ASSERT_EQ(Call(effEditOpen, 0, 0, parent), 1);
    Pump(1);
    ASSERT_EQ(Call(effEditOpen, 0, 0, second), 1);
    Pump(1);
    EXPECT_TRUE(Children(parent).empty());
    EXPECT_EQ(Children(second).size(), 1u);
    // The host destroys its window before the close: idle and close go on quietly, with the
    // form's timer gone along with the window.
    DestroyWindow(second);
    Pump(3);
    Call(effEditClose);
    Pump(1);
    // A handle that is no window: the opening shows nothing and breaks nothing.
    EXPECT_EQ(Call(effEditOpen, 0, 0, second), 1) << "the form is made; only its window is refused";
    Pump(1);
    Call(effEditClose);
    // And the next opening works as ever.
    ASSERT_EQ(Call(effEditOpen, 0, 0, parent), 1);
    Pump(2);
    EXPECT_EQ(Children(parent).size(), 1u);
    Call(effEditClose);
}

TEST_F(Win32Editor, AKeysPopupIsAToolWindowWhoseEntryChangesTheMap) {
    GoldenState state;
    LoadGoldenState(state);
    const ui::Point c = state.OnKey(0);
    ASSERT_NE(c.x, 0);
    HWND parent = MakeWindow(100, 100);
    ASSERT_EQ(Call(effEditOpen, 0, 0, parent), 1);
    Pump();
    HWND editor = Editor(parent);
    ASSERT_NE(editor, nullptr);
    const std::vector<uint8_t> before = Chunk();
    // The same choice made headless gives the state expected of the plug-in.
    const ui::Point row = state.ChooseFromKeyMenu(0, state.Form()->ddmNote_Fsharp);
    const std::vector<uint8_t> expected = state.Chunk();
    ASSERT_NE(expected, before);

    // The first menu is dismissed by a press outside it, the second answered on F#.
    std::atomic<int> panes{0};
    std::atomic<LONG_PTR> ex_style{0};
    std::thread watcher([&] {
        for (int round = 0; round < 2; ++round) {
            HWND pane = nullptr;
            if (!Eventually([&] { return (pane = FindTopLevel(ClassOf(L"Menu"))) != nullptr; }))
                return;
            ++panes;
            ex_style = GetWindowLongPtrW(pane, GWL_EXSTYLE);
            if (round == 0) {
                Post(pane, WM_LBUTTONDOWN, MK_LBUTTON, {-50, -50});
                Post(pane, WM_LBUTTONUP, 0, {-50, -50});
            } else {
                Post(pane, WM_MOUSEMOVE, 0, row);
                Post(pane, WM_LBUTTONDOWN, MK_LBUTTON, row);
                Post(pane, WM_LBUTTONUP, 0, row);
            }
            Eventually([&] { return !IsWindow(pane); });
        }
    });
    for (int round = 0; round < 2; ++round) {
        Post(editor, WM_RBUTTONDOWN, MK_RBUTTON, c);
        Post(editor, WM_RBUTTONUP, 0, c);
        Pump(3);
        if (round == 0) {
            EXPECT_EQ(Chunk(), before) << "a press outside the menu chooses nothing";
        }
    }
    watcher.join();
    ASSERT_EQ(panes.load(), 2) << "no menu pane appeared";
    EXPECT_EQ(ex_style.load() & (WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE),
              WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE);
    EXPECT_EQ(FindTopLevel(ClassOf(L"Menu")), nullptr) << "the panes go with the menu";
    EXPECT_EQ(Chunk(), expected) << "C is mapped to F#";
    EXPECT_TRUE(Process().empty()) << "a menu plays nothing";
    Call(effEditClose);
}

TEST_F(Win32Editor, TheWizardsConfirmationIsAModalDialogOfTheHostsWindow) {
    GoldenState state;
    LoadGoldenState(state);
    const ui::Point apply = state.OnApply();
    ASSERT_NE(apply.x, 0);
    HWND parent = MakeWindow(100, 100);
    ASSERT_EQ(Call(effEditOpen, 0, 0, parent), 1);
    Pump();
    HWND editor = Editor(parent);
    ASSERT_NE(editor, nullptr);
    const std::vector<uint8_t> before = Chunk();

    struct Seen {
        bool found = false;
        HWND owner = nullptr;
        bool owner_enabled = true;
        RECT client{};
        int idles = 0;
    };
    // On a watcher thread while the dialog's loop runs inside the plug-in's call.
    const auto answer = [&](Seen& seen, bool with_enter) {
        HWND dialog = nullptr;
        if (!Eventually([&] { return (dialog = FindTopLevel(ClassOf(L"Dialog"))) != nullptr; }))
            return;
        seen.found = true;
        // The host's timers go on meanwhile.
        const int idles = timed_idles;
        Eventually([&] { return timed_idles > idles + 3; });
        seen.idles = timed_idles - idles;
        seen.owner = GetWindow(dialog, GW_OWNER);
        seen.owner_enabled = IsWindowEnabled(parent) != FALSE;
        GetClientRect(dialog, &seen.client);
        MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&seen.client), 2);
        if (with_enter) {
            PostMessageW(dialog, WM_KEYDOWN, VK_RETURN, 1);
            PostMessageW(dialog, WM_KEYUP, VK_RETURN, 1);
        } else {
            PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        Eventually([&] { return !IsWindow(dialog); });
    };
    const auto click_apply = [&] {
        Post(editor, WM_LBUTTONDOWN, MK_LBUTTON, apply);
        Post(editor, WM_LBUTTONUP, 0, apply);
        Pump(3);
    };

    timed_effect = effect;
    SetTimer(parent, 1, 10, &HostTimer);
    Seen closed;
    std::thread closer(answer, std::ref(closed), false);
    click_apply();
    closer.join();
    KillTimer(parent, 1);
    timed_effect = nullptr;
    EXPECT_GT(closed.idles, 3) << "the host's idle calls inside the dialog's loop are harmless";
    ASSERT_TRUE(closed.found) << "no dialog window appeared";
    EXPECT_EQ(closed.owner, parent) << "owned by the host's top-level window";
    EXPECT_FALSE(closed.owner_enabled) << "the host's window is disabled meanwhile";
    EXPECT_TRUE(IsWindowEnabled(parent)) << "and enabled again";
    const int centre_x = (closed.client.left + closed.client.right) / 2;
    const int centre_y = (closed.client.top + closed.client.bottom) / 2;
    EXPECT_LE(std::abs(centre_x - (100 + 331)), 1) << "centred over the editor";
    EXPECT_LE(std::abs(centre_y - (100 + 128)), 1);
    EXPECT_EQ(Chunk(), before) << "the close button applies nothing";

    // The host closes the editor, then the instance, from its timer while the dialog is open:
    // the dialog ends as Cancel, the window hides at once and goes once the call that ran the
    // dialog has returned; the next opening builds a new one.
    const auto close_inside = [&](int32_t opcode) {
        timed_effect = effect;
        timed_editor = editor;
        hidden_at_close = false;
        SetTimer(parent, 1, 10, &HostTimer);
        bool dialog_went = false;
        std::thread closing([&] {
            HWND dialog = nullptr;
            if (!Eventually([&] { return (dialog = FindTopLevel(ClassOf(L"Dialog"))) != nullptr; }))
                return;
            timed_close = opcode;
            dialog_went = Eventually([&] { return !IsWindow(dialog); });
        });
        if (opcode == effClose) {
            // Only the timer holds the instance now: nothing calls it after its close.
            effect = nullptr;
        }
        Post(editor, WM_LBUTTONDOWN, MK_LBUTTON, apply);
        Post(editor, WM_LBUTTONUP, 0, apply);
        Pump(3);
        closing.join();
        KillTimer(parent, 1);
        timed_effect = nullptr;
        EXPECT_TRUE(dialog_went);
        EXPECT_TRUE(hidden_at_close) << "the form was inside the call that ran the dialog";
        EXPECT_FALSE(IsWindow(editor)) << "and went once that call returned";
        EXPECT_TRUE(IsWindowEnabled(parent));
    };
    close_inside(effEditClose);
    EXPECT_EQ(Chunk(), before);
    ASSERT_EQ(Call(effEditOpen, 0, 0, parent), 1);
    Pump();
    editor = Editor(parent);
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(IsWindowVisible(editor));

    Seen confirmed;
    std::thread confirmer(answer, std::ref(confirmed), true);
    click_apply();
    confirmer.join();
    ASSERT_TRUE(confirmed.found);
    Pump();
    EXPECT_NE(Chunk(), before) << "Enter confirms the wizard's map";
    EXPECT_EQ(FindTopLevel(ClassOf(L"Dialog")), nullptr);

    close_inside(effClose);
}

TEST_F(Win32Editor, APressOutsideThePresetBrowserClosesItAndReachesTheWindowUnderThePointer) {
    GoldenState state;
    LoadGoldenState(state);
    const ui::Point presets = state.OnPresets();
    ASSERT_NE(presets.x, 0);
    HWND parent = MakeWindow(100, 100);
    ASSERT_EQ(Call(effEditOpen, 0, 0, parent), 1);
    Pump();
    HWND editor = Editor(parent);
    ASSERT_NE(editor, nullptr);
    SetForegroundWindow(parent);
    Pump(2);

    // The host's own area right of the editor and below it: the browser never covers it.
    const POINT outside{690, 290};
    bool browser_seen = false, browser_went = false;
    std::thread presser([&] {
        HWND dialog = nullptr;
        if (!Eventually([&] { return (dialog = FindTopLevel(ClassOf(L"Dialog"))) != nullptr; }))
            return;
        browser_seen = true;
        POINT at = outside;
        ClientToScreen(parent, &at);
        SetCursorPos(at.x, at.y);
        Sleep(50);
        // The user's press, held until the browser has gone: the disabled host's window does
        // not get it then.
        SendMouse(MOUSEEVENTF_LEFTDOWN);
        // Under Wine the held button shows to the dialog's thread only after a moment.
        Sleep(100);
        browser_went = Eventually([&] { return !IsWindow(dialog); });
        Sleep(50);
        SendMouse(MOUSEEVENTF_LEFTUP);
    });
    host_presses = 0;
    Post(editor, WM_LBUTTONDOWN, MK_LBUTTON, presets);
    Post(editor, WM_LBUTTONUP, 0, presets);
    Pump(3);
    presser.join();
    Pump(10);
    ASSERT_TRUE(browser_seen) << "no browser window appeared";
    EXPECT_TRUE(browser_went) << "a press outside closes the browser";
    EXPECT_EQ(host_presses.load(), 1)
        << "the press the disabled window missed is passed on once, after the browser went";
    EXPECT_EQ(host_press_at.x, outside.x);
    EXPECT_EQ(host_press_at.y, outside.y);
    EXPECT_TRUE(IsWindowEnabled(parent));
    Call(effEditClose);
}

// Typed text and the clipboard, where UTF-16 meets the toolkit's characters and UTF-8.
TEST(Win32Text, SurrogatePairsAndTheClipboardKeepEveryCharacter) {
    ui::CharDecoder chars;
    EXPECT_EQ(chars.take(L'a'), U'a');
    EXPECT_EQ(chars.take(static_cast<wchar_t>(0xD83C)), 0u) << "waits for the low half";
    EXPECT_EQ(chars.take(static_cast<wchar_t>(0xDFB5)), U'\U0001F3B5');
    EXPECT_EQ(chars.take(static_cast<wchar_t>(0xDFB5)), U'\xFFFD') << "a low half alone";
    chars.take(static_cast<wchar_t>(0xD83C));
    EXPECT_EQ(chars.take(static_cast<wchar_t>(0xD83C)), U'\xFFFD') << "a high half left alone";
    EXPECT_EQ(chars.take(static_cast<wchar_t>(0xDFB5)), U'\U0001F3B5');
    EXPECT_FALSE(ui::is_typed_text(U'\r'));
    EXPECT_FALSE(ui::is_typed_text(U'\b'));
    EXPECT_TRUE(ui::is_typed_text(ui::chars::ctrl_v));

    ui::Win32Clipboard clipboard;
    const std::string text = "C\xE2\x99\xAF \xF0\x9F\x8E\xB5 do-r\xC3\xA9";
    clipboard.set_text(text);
    EXPECT_EQ(clipboard.text(), text);
    clipboard.set_text("");
    EXPECT_EQ(clipboard.text(), "");
}

} // namespace
} // namespace tonvo
