// What only the Win32 backend has, on the fixture of the shared window tests: the editor's
// window class, style and keyboard focus, the mouse captured by a press, the menu's tool
// windows, the host's timers running (and closing the editor) inside a dialog's loop with the
// host's window disabled meanwhile, a press outside the preset browser handed on to the window
// under the pointer, the browser kept on the work area, the Save Preset dialog in front with
// the focus, and UTF-16 text and the clipboard.
#include "editor/note_map_editor.h"
#include "ui/win32/win32_desktop.h"
#include "window/win32_driver.h"
#include "window/window_fixture.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <thread>
#include <vector>
#include <windows.h>

namespace tonvo::test {
namespace {

// The shared fixture with the Win32 names the cases here use.
class Win32WindowTest : public EditorWindowTest {
protected:
    intptr_t Call(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr) {
        return plugin->call(opcode, index, value, ptr);
    }
    std::vector<uint8_t> Chunk() { return plugin->state(); }
    std::vector<Delivered> Process() { return plugin->process(); }
    HWND MakeWindow(int left, int top) { return as_window(driver->make_window(left, top)); }
    std::vector<HWND> children_of(HWND parent) {
        std::vector<HWND> out;
        for (const WindowId id : driver->children(id_of(parent)))
            out.push_back(as_window(id));
        return out;
    }
    // The editor's window in `parent` (its only child), or null.
    HWND Editor(HWND parent) {
        const std::vector<HWND> children = children_of(parent);
        return children.size() == 1 ? children[0] : nullptr;
    }
    // Opens the editor in `parent` and lets it show: its window, or null (a failure noted).
    HWND OpenEditor(HWND parent) {
        EXPECT_EQ(Call(effEditOpen, 0, 0, parent), 1);
        Pump();
        HWND editor = Editor(parent);
        EXPECT_NE(editor, nullptr) << "no editor window in the host's";
        return editor;
    }
};

TEST_F(Win32WindowTest, TheEditorIsAChildOfOurClassThatTakesTheFocus) {
    HWND parent = MakeWindow(100, 100);
    HWND editor = OpenEditor(parent);
    ASSERT_NE(editor, nullptr);
    wchar_t class_name[64] = {};
    GetClassNameW(editor, class_name, 64);
    EXPECT_EQ(ClassOf(L"Editor"), class_name) << "named after the DLL's module handle";
    const LONG_PTR style = GetWindowLongPtrW(editor, GWL_STYLE);
    EXPECT_EQ(style & (WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_VISIBLE),
              WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_VISIBLE);
    for (int i = 0; i < 100 && GetFocus() != editor; ++i)
        Pump(1);
    EXPECT_EQ(GetFocus(), editor) << "the editor takes the keyboard focus once shown";
    Call(effEditClose);
    WNDCLASSEXW info{};
    info.cbSize = sizeof info;
    EXPECT_FALSE(GetClassInfoExW(GetModuleHandleW(L"Tonvo.dll"), ClassOf(L"Editor").c_str(), &info))
        << "the class goes with the last window";
}

TEST_F(Win32WindowTest, APressOnAKeyHoldsTheMouseUntilItsRelease) {
    GoldenState state;
    LoadGoldenState(state);
    const ui::Point d = state.OnKey(2);
    ASSERT_NE(d.x, 0);
    HWND parent = MakeWindow(100, 100);
    HWND editor = OpenEditor(parent);
    ASSERT_NE(editor, nullptr);
    driver->pointer_to(id_of(editor), d);
    POINT pointer{};
    GetCursorPos(&pointer);
    ScreenToClient(editor, &pointer);
    EXPECT_EQ(pointer.x, d.x);
    EXPECT_EQ(pointer.y, d.y);
    driver->pointer_press(ui::MouseButton::left);
    EXPECT_EQ(GetCapture(), editor) << "the press holds the mouse";
    driver->pointer_release(ui::MouseButton::left);
    EXPECT_EQ(GetCapture(), nullptr);
    Call(effEditClose);
}

TEST_F(Win32WindowTest, AMenuPaneIsATopmostToolWindowNeverActivated) {
    GoldenState state;
    const ui::Point c = state.OnKey(0);
    ASSERT_NE(c.x, 0);
    HWND parent = MakeWindow(100, 100);
    HWND editor = OpenEditor(parent);
    ASSERT_NE(editor, nullptr);
    std::atomic<LONG_PTR> ex_style{0};
    bool found = false;
    WhileWatching(
        [&](Watcher& w) {
            const Shown pane = w.find(ShownKind::menu);
            if (!pane)
                return;
            found = true;
            ex_style = GetWindowLongPtrW(as_window(pane.id), GWL_EXSTYLE);
            Answer(w, pane, [&] { w.click_at(pane, {pane.rect.left - 50, pane.rect.top - 50}); });
        },
        [&] { driver->click(id_of(editor), c, ui::MouseButton::right); });
    ASSERT_TRUE(found) << "no menu pane appeared";
    EXPECT_EQ(ex_style.load() & (WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE),
              WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE);
    EXPECT_EQ(FindTopLevel(ClassOf(L"Menu")), nullptr) << "the panes go with the menu";
    Call(effEditClose);
}

TEST_F(Win32WindowTest, TheWizardsConfirmationIsAModalDialogOfTheHostsWindow) {
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
        post_message(editor, WM_LBUTTONDOWN, MK_LBUTTON, apply);
        post_message(editor, WM_LBUTTONUP, 0, apply);
        Pump(3);
    };

    timed_effect = plugin->effect();
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
        timed_effect = plugin->effect();
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
            plugin->forget_effect();
        }
        post_message(editor, WM_LBUTTONDOWN, MK_LBUTTON, apply);
        post_message(editor, WM_LBUTTONUP, 0, apply);
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

TEST_F(Win32WindowTest, APressOutsideThePresetBrowserClosesItAndReachesTheWindowUnderThePointer) {
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
        send_mouse(MOUSEEVENTF_MIDDLEDOWN);
        browser_stayed = !Eventually([&] { return IsWindowEnabled(parent) || !IsWindow(dialog); });
        send_mouse(MOUSEEVENTF_MIDDLEUP);
        Sleep(50);
        // The user's press, held until the browser has gone: the disabled host's window does
        // not get it then.
        send_mouse(MOUSEEVENTF_LEFTDOWN);
        // Under Wine the held button shows to the dialog's thread only after a moment.
        Sleep(100);
        browser_went = Eventually([&] { return !IsWindow(dialog); });
        Sleep(50);
        send_mouse(MOUSEEVENTF_LEFTUP);
    });
    host_presses = 0;
    post_message(editor, WM_LBUTTONDOWN, MK_LBUTTON, presets);
    post_message(editor, WM_LBUTTONUP, 0, presets);
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
TEST_F(Win32WindowTest, ThePresetBrowserOpensWhollyOnTheWorkArea) {
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
    post_message(editor, WM_LBUTTONDOWN, MK_LBUTTON, presets);
    post_message(editor, WM_LBUTTONUP, 0, presets);
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

std::set<std::filesystem::path> Files(const std::filesystem::path& folder) {
    std::set<std::filesystem::path> found;
    std::error_code missing;
    for (std::filesystem::directory_iterator it(folder, missing), end; !missing && it != end;
         it.increment(missing))
        found.insert(it->path().filename());
    return found;
}

// What a watcher saw as the Save Preset dialog showed: the window in front, the active and the
// focused window of the dialog's thread.
struct DialogFocus {
    HWND dialog = nullptr;
    HWND foreground = nullptr;
    HWND active = nullptr;
    HWND focus = nullptr;
};

class Win32Dialog : public Win32WindowTest {
protected:
    // Clicks the main menu's button at `button` in `editor`, chooses Save Preset by keys (Init,
    // Load Preset, Save Preset), notes where the focus is as the dialog shows and types `keys`
    // into it with the system's keyboard.
    DialogFocus save_preset_by_keys(WindowId editor, ui::Point button,
                                    const std::vector<Stroke>& keys) {
        DialogFocus seen;
        WhileWatching(
            [&](Watcher& w) {
                const Shown pane = w.find(ShownKind::menu);
                if (!pane)
                    return;
                const Stroke down = key(ui::Key::down);
                Answer(w, pane, [&] { w.type(pane, {down, down, down, key(ui::Key::enter)}); });
                const Shown box = w.find(ShownKind::dialog);
                if (!box)
                    return;
                HWND dialog = as_window(box.id);
                // The activation and the focus come with the showing, a moment after the
                // window is visible to another thread.
                Eventually(
                    [&] {
                        return GetForegroundWindow() == dialog &&
                               InputStateOf(dialog).hwndFocus == dialog;
                    },
                    50);
                seen = {dialog, GetForegroundWindow(), InputStateOf(dialog).hwndActive,
                        InputStateOf(dialog).hwndFocus};
                Answer(w, box, [&] { w.type(box, keys); });
            },
            [&] { driver->click(editor, button); });
        Pump();
        return seen;
    }
};

// The dialog is in front with the keyboard focus as it shows (typed keys reach it at once) and
// gives the host's window back when it goes.
TEST_F(Win32Dialog, TheSavePresetDialogTakesTheKeyboardAtOnce) {
    GoldenState state;
    LoadGoldenState(state);
    const ui::Point button = state.OnMenuButton();
    ASSERT_NE(button.x, 0);
    WindowId editor = 0;
    HWND parent = as_window(OpenIn(100, 100, &editor));
    ASSERT_NE(editor, 0u);
    const std::vector<uint8_t> before = Chunk();
    const std::set<std::filesystem::path> files = Files(home.Presets());

    // Escape in the fresh dialog: nothing saved, nothing renamed.
    DialogFocus seen = save_preset_by_keys(editor, button, {key(ui::Key::escape)});
    ASSERT_NE(seen.dialog, nullptr) << "no Save Preset dialog appeared";
    EXPECT_EQ(seen.foreground, seen.dialog) << "the dialog is the window in front";
    EXPECT_EQ(seen.active, seen.dialog);
    EXPECT_EQ(seen.focus, seen.dialog) << "the dialog has the keyboard focus";
    EXPECT_EQ(Files(home.Presets()), files);
    EXPECT_EQ(Chunk(), before);
    EXPECT_TRUE(IsWindowEnabled(parent));
    EXPECT_EQ(GetForegroundWindow(), parent) << "the host's window is in front again";

    // The shown name is selected: typing replaces it. "Café x", one Backspace, "y", Enter.
    std::vector<Stroke> name = strokes(U"Caf\u00e9 x");
    name.push_back(key(ui::Key::backspace));
    name.push_back(Stroke{std::nullopt, U'y'});
    name.push_back(key(ui::Key::enter));
    seen = save_preset_by_keys(editor, button, name);
    ASSERT_NE(seen.dialog, nullptr) << "no Save Preset dialog appeared";
    EXPECT_EQ(seen.foreground, seen.dialog);
    EXPECT_EQ(seen.focus, seen.dialog);
    const std::filesystem::path file = home.Presets() / u8"Caf\u00e9 y.brelwickp";
    ASSERT_TRUE(std::filesystem::exists(file)) << "the preset file, named in UTF-8 as typed";
    EXPECT_EQ(Files(home.Presets()).size(), files.size() + 1);
    EXPECT_EQ(state.PresetNameOf(Chunk(), file), "Caf\u00e9 y");
    Call(effEditClose);
}

} // namespace
} // namespace tonvo::test
