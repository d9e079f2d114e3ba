// The Windows plug-in's editor under Wine with a private X server (run_with_xvfb.sh): the built
// Tonvo.dll, loaded with LoadLibraryW as a host loads it, opens its editor in a top-level window
// this test makes. What the window shows is read back and compared with the headless
// renderer's golden image. A key is clicked with the system's pointer (SendInput); other input
// is posted to the windows as messages (PostMessageW); menus and dialogs run in loops inside
// the plug-in's call, so a watcher thread finds their windows and answers them.
#include "editor/note_map_editor.h"
#include "ui/golden.h"
#include "ui/win32/win32_desktop.h"
#include "win32/win32_editor_fixture.h"

#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>
#include <windows.h>

namespace tonvo {
namespace {

using namespace test;

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
    HWND editor = OpenEditor(parent);
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

// Whatever ends a press on a key before its release can reach the form, the key's preview
// ends: the host's close, the host's window destroyed, the release made while a message box of
// ours runs.
TEST_F(Win32Editor, AHeldKeysPreviewEndsWhenItsReleaseCannotReachTheForm) {
    GoldenState state;
    LoadGoldenState(state);
    const ui::Point d = state.OnKey(2);
    ASSERT_NE(d.x, 0);
    const std::vector<test::Delivered> on{test::NoteOn(0, 62, 100)};
    const std::vector<test::Delivered> off{test::NoteOff(0, 62, 100)};
    // Opens the editor in a new host window and holds D there with the left button.
    const auto hold = [&] {
        HWND parent = MakeWindow(100, 100);
        HWND editor = OpenEditor(parent);
        Process();
        SetForegroundWindow(parent);
        Pump(2);
        SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, editor, d);
        Pump(2);
        SendMouse(MOUSEEVENTF_LEFTDOWN);
        Pump(2);
        EXPECT_EQ(Process(), on);
        return parent;
    };
    const auto release = [&] {
        SendMouse(MOUSEEVENTF_LEFTUP);
        Pump(2);
    };

    hold();
    Call(effEditClose);
    EXPECT_EQ(Process(), off) << "closed by the host";
    release();

    DestroyWindow(hold());
    Pump(2);
    EXPECT_EQ(Process(), off) << "the host's window destroyed";
    release();
    Call(effEditClose);

    // A state the host loads fails, and its message box runs while the key is held; the
    // release comes meanwhile, and the box is closed once the editor has let go of the mouse.
    hold();
    const DWORD host_thread = GetCurrentThreadId();
    bool shown = false;
    std::thread watcher([&] {
        HWND box = nullptr;
        if (!Eventually([&] { return (box = FindTopLevel(ClassOf(L"Dialog"))) != nullptr; }))
            return;
        shown = true;
        SendMouse(MOUSEEVENTF_LEFTUP);
        Eventually([&] {
            GUITHREADINFO info{};
            info.cbSize = sizeof info;
            return GetGUIThreadInfo(host_thread, &info) && info.hwndCapture == nullptr;
        });
        PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);
        Eventually([&] { return !IsWindow(box); });
    });
    std::vector<uint8_t> broken = state.Chunk();
    for (size_t i = 8; i < broken.size(); ++i)
        broken[i] = static_cast<uint8_t>(~broken[i]);
    EXPECT_EQ(Call(effSetChunk, 1, static_cast<intptr_t>(broken.size()), broken.data()), 0);
    watcher.join();
    EXPECT_TRUE(shown) << "no message box appeared";
    Pump(2);
    EXPECT_EQ(Process(), off) << "released while a message box ran";
    Call(effEditClose);
}

TEST_F(Win32Editor, AKeysPopupIsAToolWindowWhoseEntryChangesTheMap) {
    GoldenState state;
    LoadGoldenState(state);
    const ui::Point c = state.OnKey(0);
    ASSERT_NE(c.x, 0);
    HWND parent = MakeWindow(100, 100);
    HWND editor = OpenEditor(parent);
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
    HWND editor = OpenEditor(parent);
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
    // dialog has returned; the next opening builds a new one, also one from the same timer
    // call (the old form is still inside that call).
    const auto close_inside = [&](int32_t opcode, HWND reopen = nullptr) {
        timed_effect = effect;
        timed_editor = editor;
        timed_reopen = reopen;
        hidden_at_close = false;
        SetTimer(parent, 1, 10, &HostTimer);
        bool dialog_went = false;
        std::thread closing([&] {
            HWND dialog = nullptr;
            if (!Eventually([&] { return (dialog = FindTopLevel(ClassOf(L"Dialog"))) != nullptr; }))
                return;
            timed_close = opcode;
            // Under load Wine takes seconds to re-enable the owner and destroy the dialog.
            dialog_went = Eventually([&] { return !IsWindow(dialog); }, 1000);
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
        timed_reopen = nullptr;
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
    close_inside(effEditClose, parent);
    Pump();
    editor = Editor(parent);
    ASSERT_NE(editor, nullptr) << "the opening inside the dialog's loop shows the new one";
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
    HWND editor = OpenEditor(parent);
    ASSERT_NE(editor, nullptr);
    SetForegroundWindow(parent);
    Pump(2);

    // The host's own area right of the editor and below it: the browser never covers it.
    const POINT outside{690, 290};
    bool browser_seen = false, browser_stayed = false, browser_went = false;
    std::thread presser([&] {
        HWND dialog = nullptr;
        if (!Eventually([&] { return (dialog = FindTopLevel(ClassOf(L"Dialog"))) != nullptr; }))
            return;
        browser_seen = true;
        POINT at = outside;
        ClientToScreen(parent, &at);
        SetCursorPos(at.x, at.y);
        Sleep(50);
        // A middle press there is no click elsewhere. (Closing would enable the host's window
        // at once; under Wine the dialog itself may take a while longer to go.)
        SendMouse(MOUSEEVENTF_MIDDLEDOWN);
        browser_stayed = !Eventually([&] { return IsWindowEnabled(parent) || !IsWindow(dialog); });
        SendMouse(MOUSEEVENTF_MIDDLEUP);
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
    EXPECT_TRUE(browser_stayed) << "a middle press outside closed the browser";
    EXPECT_TRUE(browser_went) << "a press outside closes the browser";
    EXPECT_EQ(host_presses.load(), 1)
        << "the press the disabled window missed is passed on once, after the browser went";
    EXPECT_EQ(host_press_at.x, outside.x);
    EXPECT_EQ(host_press_at.y, outside.y);
    EXPECT_TRUE(IsWindowEnabled(parent));
    Call(effEditClose);
}

// The browser is taller than the editor: over an editor at the top of the screen it opens
// moved down, its title bar and all on the work area.
TEST_F(Win32Editor, ThePresetBrowserOpensWhollyOnTheWorkArea) {
    GoldenState state;
    LoadGoldenState(state);
    const ui::Point presets = state.OnPresets();
    ASSERT_NE(presets.x, 0);
    HWND parent = MakeWindow(100, 0);
    HWND editor = OpenEditor(parent);
    ASSERT_NE(editor, nullptr);
    RECT work{};
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));

    RECT seen{};
    bool found = false;
    std::thread closer([&] {
        HWND dialog = nullptr;
        if (!Eventually([&] { return (dialog = FindTopLevel(ClassOf(L"Dialog"))) != nullptr; }))
            return;
        found = GetWindowRect(dialog, &seen) != FALSE;
        PostMessageW(dialog, WM_CLOSE, 0, 0);
        Eventually([&] { return !IsWindow(dialog); });
    });
    Post(editor, WM_LBUTTONDOWN, MK_LBUTTON, presets);
    Post(editor, WM_LBUTTONUP, 0, presets);
    Pump(3);
    closer.join();
    Pump();
    ASSERT_TRUE(found) << "no browser window appeared";
    EXPECT_GE(seen.top, work.top) << "its title bar lies above the work area";
    EXPECT_GE(seen.left, work.left);
    EXPECT_LE(seen.bottom, work.bottom);
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
