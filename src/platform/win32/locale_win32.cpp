// The separator the user chose in the regional settings, whatever the process's C locale.
#include "platform/locale.h"
#include "platform/win32/windows_text.h"

namespace tonvo::platform {

std::string DecimalSeparator() {
    // The setting holds at most three characters and the terminating null.
    wchar_t buffer[8] = {};
    const int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 8);
    // The length counts the terminating null, which is no part of the separator.
    if (length <= 1)
        return ".";
    return win32::Narrow(std::wstring_view(buffer, static_cast<size_t>(length - 1)));
}

} // namespace tonvo::platform
