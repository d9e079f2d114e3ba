// Text conversion between the internal UTF-8 strings, UTF-16 and paths. None of these throws on
// malformed input: bad sequences become U+FFFD, so whatever comes out of a state block or a file
// is safe to use.
//
// Thread contract: pure functions, callable from any thread; they allocate, so not on the
// audio path.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tonvo::base {

// Each ill-formed part of the input (a stray continuation byte, a truncated sequence, an
// overlong form, an encoded surrogate, a value past U+10FFFF) becomes one U+FFFD.
std::u16string utf8_to_utf16(std::string_view utf8);

// A surrogate without its partner becomes U+FFFD.
std::string utf16_to_utf8(std::u16string_view utf16);

// A path as UTF-8 text, and UTF-8 text as a path. A plain std::string would be read and
// written in the ANSI code page on Windows, which cannot hold every name.
std::string path_to_utf8(const std::filesystem::path& path);
std::filesystem::path path_from_utf8(std::string_view utf8);

#if defined(_WIN32)
// Windows wide text (UTF-16 in wchar_t) through the same conversions, for the system's W calls.
static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide text is UTF-16");

inline std::wstring widen(std::string_view utf8) {
    const std::u16string utf16 = utf8_to_utf16(utf8);
    return std::wstring(utf16.begin(), utf16.end());
}

inline std::string narrow(std::wstring_view wide) {
    return utf16_to_utf8(std::u16string(wide.begin(), wide.end()));
}
#endif

} // namespace tonvo::base
