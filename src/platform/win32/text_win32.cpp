// The 8-bit code page on Windows is the process's ANSI code page (CP_ACP), the one the Windows
// "A" functions use.
#include "base/utf.h"
#include "platform/text.h"
#include "platform/win32/windows_text.h"

#include <climits>
#include <stdexcept>
#include <string>

namespace tonvo::platform {
namespace {

// The Windows converters take int lengths.
int checked_length(size_t size) {
    if (size > static_cast<size_t>(INT_MAX)) {
        throw std::length_error("Text too long to convert");
    }
    return static_cast<int>(size);
}

// Without MB_ERR_INVALID_CHARS / WC_ERR_INVALID_CHARS undefined bytes and unmappable
// characters still convert (to a default character), so a failing call is a system fault and
// must not pass for an empty or partial text.
[[noreturn]] void ConversionFailed() {
    throw std::runtime_error("Text conversion failed (" + std::to_string(GetLastError()) + ")");
}

} // namespace

std::string code_page8_to_utf8(std::string_view bytes) {
    if (bytes.empty()) {
        return {};
    }
    const int length = checked_length(bytes.size());
    const int units = MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
    if (units <= 0) {
        ConversionFailed();
    }
    std::wstring wide(static_cast<size_t>(units), L'\0');
    if (MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, wide.data(), units) != units) {
        ConversionFailed();
    }
    return base::utf16_to_utf8(std::u16string(wide.begin(), wide.end()));
}

std::string utf8_to_code_page8(std::string_view utf8) {
    const std::u16string utf16 = base::utf8_to_utf16(utf8);
    if (utf16.empty()) {
        return {};
    }
    // No 8-bit code page holds a character beyond the first plane: each becomes one '?' (the
    // system would give one per half of its surrogate pair).
    std::wstring wide;
    wide.reserve(utf16.size());
    for (size_t i = 0; i < utf16.size(); ++i) {
        const char16_t unit = utf16[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            wide.push_back(L'?');
            ++i;
        } else {
            wide.push_back(static_cast<wchar_t>(unit));
        }
    }
    const int length = checked_length(wide.size());
    // Characters the code page cannot hold become its default character, '?'.
    const int bytes =
        WideCharToMultiByte(CP_ACP, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) {
        ConversionFailed();
    }
    std::string out(static_cast<size_t>(bytes), '\0');
    if (WideCharToMultiByte(CP_ACP, 0, wide.data(), length, out.data(), bytes, nullptr, nullptr) !=
        bytes) {
        ConversionFailed();
    }
    return out;
}

} // namespace tonvo::platform
