// Text conversion between the internal UTF-8 strings and the system's 8-bit code page, which
// only the system knows on Windows (UTF-16 and path conversion are pure: base/utf.h). Neither
// throws on malformed input: ill-formed UTF-8 and characters the code page cannot hold become
// '?'.
//
// Thread contract: pure functions, callable from any thread; they allocate, so not on the
// audio path.
#pragma once

#include <string>
#include <string_view>

namespace tonvo::platform {

// Decodes bytes in the system's 8-bit code page: the ANSI code page on Windows, Windows-1252
// elsewhere.
std::string code_page8_to_utf8(std::string_view bytes);

// Encodes into the system's 8-bit code page; characters it cannot hold become '?'.
std::string utf8_to_code_page8(std::string_view utf8);

} // namespace tonvo::platform
