// The separator and the short date format the user chose in the regional settings, whatever
// the process's C locale.
#include "platform/locale.h"
#include "platform/win32/windows_text.h"

#include <cstdint>

namespace tonvo::platform {

std::string decimal_separator() {
    // The setting holds at most three characters and the terminating null.
    wchar_t buffer[8] = {};
    const int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 8);
    // The length counts the terminating null, which is no part of the separator.
    if (length <= 1)
        return ".";
    return win32::narrow(std::wstring_view(buffer, static_cast<size_t>(length - 1)));
}

} // namespace tonvo::platform

namespace tonvo::platform {

std::string short_date(std::time_t time) {
    // time_t counts seconds from 1970; a FILETIME counts 100 ns steps from 1601.
    constexpr int64_t kEpochDifference = 116444736000000000;
    constexpr int64_t kLastSecond = (INT64_MAX - kEpochDifference) / 10000000;
    if (time < 0 || static_cast<int64_t>(time) > kLastSecond)
        return {};
    const int64_t ticks = static_cast<int64_t>(time) * 10000000 + kEpochDifference;
    FILETIME utc;
    utc.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks) & 0xFFFFFFFFu);
    utc.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks) >> 32);
    SYSTEMTIME universal;
    SYSTEMTIME local;
    if (!FileTimeToSystemTime(&utc, &universal) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local))
        return {};
    wchar_t buffer[80] = {};
    const int length = GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &local, nullptr,
                                       buffer, 80, nullptr);
    if (length <= 1)
        return {};
    return win32::narrow(std::wstring_view(buffer, static_cast<size_t>(length - 1)));
}

} // namespace tonvo::platform
