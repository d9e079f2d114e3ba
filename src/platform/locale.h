// The user's number conventions, for editors that show and read numbers.
//
// Thread contract: user-interface thread; the POSIX part reads the process's C locale, which
// the host may change at any time.
#pragma once

#include <string>

namespace tonvo::platform {

// The user's decimal separator in UTF-8 ("." or ",", possibly several bytes), "." when the
// system gives none. A plug-in never calls setlocale: outside Windows this is the separator of
// the locale the host process has chosen.
std::string DecimalSeparator();

} // namespace tonvo::platform
