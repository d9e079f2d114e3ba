// The fixture of the tests that drive the built Tonvo.dll under Wine: the DLL loaded once with
// LoadLibraryW, a plug-in instance per test opened through its VST entry, windows of the host's
// own, the host's loop and timer, and ways to read back and click what the plug-in shows.
// Menus and dialogs run loops inside the plug-in's call, so a test answers them from a watcher
// thread; the helpers here that a watcher uses may be called from any thread.
#pragma once

#include "host/vst_abi.h"
#include "support/fake_host.h"
#include "support/reference_module.h"
#include "support/temp_home.h"
#include "tonvo_host/plugin_library.h"
#include "ui/bitmap.h"
#include "ui/form.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include <windows.h>

namespace tonvo::test {

// The documents folder and the registry key the plug-in reads, cleaned for this program.
extern TempHome home;

// The built DLL, loaded once for all tests.
tools::PluginLibrary& Library();

// The plug-in's class name for a kind of window ("Editor", "Menu", "Dialog").
std::wstring ClassOf(const wchar_t* kind);

// The host's timer: idle calls to the plug-in, also while a loop of the plug-in's runs.
extern AEffect* timed_effect;
extern std::atomic<int> timed_idles;
// Set by a watcher: the timer's next call closes the editor (effEditClose) or the instance
// (effClose) instead, then opens the editor again in `timed_reopen` when that is set, and
// notes whether `timed_editor` was left there, hidden.
extern std::atomic<int32_t> timed_close;
extern HWND timed_editor;
extern HWND timed_reopen;
extern std::atomic<bool> hidden_at_close;
void CALLBACK HostTimer(HWND, UINT, UINT_PTR, DWORD);

// The left presses the host's windows received, and where the last one was (client point).
extern std::atomic<int> host_presses;
extern POINT host_press_at;
LRESULT CALLBACK HostProcedure(HWND window, UINT msg, WPARAM wp, LPARAM lp);

// The visible top-level window whose class is `name`, or null (any thread may ask).
HWND FindTopLevel(const std::wstring& name);
// Adds each window it is given to the std::vector<HWND> at `lp`.
BOOL CALLBACK CollectWindow(HWND window, LPARAM lp);

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
    // Opens the editor in `parent` and lets it show: its window, or null (a failure noted).
    HWND OpenEditor(HWND parent) {
        EXPECT_EQ(Call(effEditOpen, 0, 0, parent), 1);
        Pump();
        HWND editor = Editor(parent);
        EXPECT_NE(editor, nullptr) << "no editor window in the host's";
        return editor;
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

} // namespace tonvo::test
