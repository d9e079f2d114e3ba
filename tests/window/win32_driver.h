// The window driver on Win32 (under Wine with a private Xvfb): host windows of the test's own
// class, the host's loop and idle calls, the system's pointer and keyboard through SendInput,
// messages posted to the plug-in's windows, pixels read back from their device contexts. The
// win32-only cases use its helpers and the host's timer directly.
#pragma once

#include "formats/vst2/vst_abi.h"
#include "window/window_driver.h"

#include <atomic>
#include <string>
#include <vector>
#include <windows.h>

namespace tonvo::test {

// The file name of the plug-in library whose classes these are: the VST 2.4 DLL unless the test
// program names another (the CLAP file).
#if !defined(TONVO_PLUGIN_MODULE)
#define TONVO_PLUGIN_MODULE L"Tonvo.dll"
#endif
// The plug-in's class name for a kind of window ("Editor", "Menu", "Dialog").
std::wstring class_of(const wchar_t* kind);

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

// One input of the system's pointer; with MOUSEEVENTF_ABSOLUTE, to `at` in `window`.
void send_mouse(DWORD flags, HWND window = nullptr, ui::Point at = {});
// The active and the focused window of `window`'s thread (any thread may ask).
GUITHREADINFO input_state_of(HWND window);
void post_message(HWND window, UINT msg, WPARAM wp, ui::Point at);

inline HWND as_window(WindowId id) {
    return reinterpret_cast<HWND>(id);
}
inline WindowId id_of(HWND window) {
    return reinterpret_cast<WindowId>(window);
}

} // namespace tonvo::test
