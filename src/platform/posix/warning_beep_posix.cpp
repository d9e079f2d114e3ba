#include "platform/warning_beep.h"

namespace tonvo::platform {

// X11 desktops have no session-wide warning beep our windows could set off by refusing input.
bool set_warning_beep(bool) {
    return true;
}

} // namespace tonvo::platform
