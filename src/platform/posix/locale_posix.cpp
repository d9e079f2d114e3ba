// The separator and the date format of the process's current C locale: the host decides which
// locale that is (a program that never called setlocale has "C": "." and "12/31/26").
#include "platform/locale.h"

#include <clocale>
#include <ctime>

namespace tonvo::platform {

std::string decimal_separator() {
    const std::lconv* conventions = std::localeconv();
    if (conventions == nullptr || conventions->decimal_point == nullptr ||
        conventions->decimal_point[0] == '\0')
        return ".";
    return conventions->decimal_point;
}

} // namespace tonvo::platform

namespace tonvo::platform {

std::string short_date(std::time_t time) {
    std::tm local{};
    if (localtime_r(&time, &local) == nullptr)
        return {};
    char buffer[64];
    const size_t length = std::strftime(buffer, sizeof buffer, "%x", &local);
    return std::string(buffer, length);
}

} // namespace tonvo::platform
