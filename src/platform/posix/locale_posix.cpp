// The separator of the process's current C locale: the host decides which locale that is
// (a program that never called setlocale has "C", whose separator is ".").
#include "platform/locale.h"

#include <clocale>

namespace tonvo::platform {

std::string DecimalSeparator() {
    const std::lconv* conventions = std::localeconv();
    if (conventions == nullptr || conventions->decimal_point == nullptr ||
        conventions->decimal_point[0] == '\0')
        return ".";
    return conventions->decimal_point;
}

} // namespace tonvo::platform
