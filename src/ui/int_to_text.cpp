#include "ui/int_to_text.h"

#include <charconv>

namespace tonvo::ui {

std::string IntToText(int32_t value, bool with_sign) {
    char buf[16];
    char* out = buf;
    if (with_sign && value > 0)
        *out++ = '+';
    // to_chars handles INT32_MIN, whose magnitude no int32_t holds.
    out = std::to_chars(out, buf + sizeof buf, value).ptr;
    return std::string(buf, out);
}

} // namespace tonvo::ui
