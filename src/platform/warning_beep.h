// The system's warning beep: the sound the system makes when a window refuses a key or a
// click. Popup dialogs switch it off while they are open and put back what they found.
//
// Thread contract: user-interface thread.
#pragma once

namespace tonvo::platform {

// Switches the warning beep on or off for the whole session and returns whether it was on
// before. Where the system has no such setting this does nothing and returns true.
bool set_warning_beep(bool on);

} // namespace tonvo::platform
