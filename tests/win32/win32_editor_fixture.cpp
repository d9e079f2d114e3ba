#include "win32/win32_editor_fixture.h"

#include <cwchar>

namespace tonvo::test {

TempHome home;

tools::PluginLibrary& Library() {
    static tools::PluginLibrary library(TONVO_PLUGIN_PATH);
    return library;
}

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
std::atomic<int32_t> timed_close{0};
HWND timed_editor = nullptr;
HWND timed_reopen = nullptr;
std::atomic<bool> hidden_at_close{false};
void CALLBACK HostTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (const int32_t close = timed_effect != nullptr ? timed_close.exchange(0) : 0; close != 0) {
        timed_effect->dispatcher(timed_effect, close, 0, 0, nullptr, 0.0f);
        if (timed_reopen != nullptr && close == effEditClose) {
            timed_effect->dispatcher(timed_effect, effEditOpen, 0, 0, timed_reopen, 0.0f);
        }
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

namespace {

// The enumeration callbacks are plain functions: they must be CALLBACK (stdcall on 32-bit x86).
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

} // namespace

HWND FindTopLevel(const std::wstring& name) {
    ClassSearch search{&name, nullptr};
    EnumWindows(&MatchClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
BOOL CALLBACK CollectWindow(HWND window, LPARAM lp) {
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(window);
    return TRUE;
}

} // namespace tonvo::test
