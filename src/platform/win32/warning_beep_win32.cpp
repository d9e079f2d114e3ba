#include "platform/warning_beep.h"

#include <windows.h>

namespace tonvo::platform {

bool set_warning_beep(bool on) {
    BOOL was_on = TRUE;
    // When the setting cannot be read, report it as on: restoring then switches it on, the
    // system's default.
    if (!SystemParametersInfoW(SPI_GETBEEP, 0, &was_on, 0))
        was_on = TRUE;
    if ((was_on != FALSE) != on)
        SystemParametersInfoW(SPI_SETBEEP, on ? TRUE : FALSE, nullptr, SPIF_SENDCHANGE);
    return was_on != FALSE;
}

} // namespace tonvo::platform
