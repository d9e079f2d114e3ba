// widen-text helpers and system error messages shared by the Windows file and settings code.
#pragma once

#include "base/utf.h"

#include <string>
#include <string_view>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace tonvo::platform::win32 {

using base::narrow;
using base::widen;

// The system's sentence for an error code, without its trailing line break and full stop.
inline std::string system_message(DWORD error) {
    wchar_t buffer[512] = {};
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, error, 0, buffer, 512, nullptr);
    while (length > 0 && (buffer[length - 1] == L'\r' || buffer[length - 1] == L'\n' ||
                          buffer[length - 1] == L' ' || buffer[length - 1] == L'.')) {
        --length;
    }
    if (length == 0) {
        return "error " + std::to_string(error);
    }
    return narrow(std::wstring_view(buffer, length));
}

} // namespace tonvo::platform::win32
