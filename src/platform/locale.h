// The user's number and date conventions, for editors that show and read numbers and dates.
//
// Thread contract: user-interface thread; the POSIX part reads the process's C locale, which
// the host may change at any time.
#pragma once

#include <ctime>
#include <string>

namespace tonvo::platform {

// The user's decimal separator in UTF-8 ("." or ",", possibly several bytes), "." when the
// system gives none. A plug-in never calls setlocale: outside Windows this is the separator of
// the locale the host process has chosen.
std::string decimal_separator();

// `time` as a date in the user's short form, in local time, in UTF-8; empty when the system
// cannot format it. Outside Windows this is strftime's "%x" in the locale the host process has
// chosen (never set here); on Windows the user's short date format.
std::string short_date(std::time_t time);

} // namespace tonvo::platform
