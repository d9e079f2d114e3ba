#include "base/utf.h"
#include "tonvo_host/plugin_library.h"

#include <string>
#include <windows.h>

namespace tonvo::tools {

namespace {

// A relative path is taken from the test program's own folder, where the build puts the DLL.
std::wstring resolve(const std::string& path) {
    const std::u16string utf16 = base::utf8_to_utf16(path);
    std::wstring wide(utf16.begin(), utf16.end());
    if (wide.find(L'\\') != std::wstring::npos || wide.find(L'/') != std::wstring::npos) {
        return wide;
    }
    wchar_t own[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, own, MAX_PATH);
    std::wstring folder(own, length);
    folder.erase(folder.find_last_of(L"\\/") + 1);
    return folder + wide;
}

} // namespace

PluginLibrary::PluginLibrary(const std::string& path) {
    handle_ = LoadLibraryW(resolve(path).c_str());
    if (handle_ == nullptr) {
        error_ = "LoadLibraryW failed with error " + std::to_string(GetLastError());
    }
}

PluginLibrary::~PluginLibrary() {
    if (handle_ != nullptr) {
        FreeLibrary(static_cast<HMODULE>(handle_));
    }
}

PluginMain PluginLibrary::Entry(const char* name) const {
    if (handle_ == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<PluginMain>(
        reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name)));
}

const void* PluginLibrary::Symbol(const char* name) const {
    return reinterpret_cast<const void*>(Entry(name));
}

} // namespace tonvo::tools
