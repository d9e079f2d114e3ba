// Portable name rules used by every system's file code.
#include "platform/file_names.h"

#include "platform/text.h"

#include <algorithm>
#include <tuple>

namespace tonvo::platform {
namespace {

// Lower-case partner of an upper-case letter in the scripts preset names mostly use; every
// other unit stays as it is. All of these keep their UTF-8 length, so folded text lines up
// with the original.
char16_t FoldUnit(char16_t c) {
    if (c < 0x80) {
        return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 0x20) : c;
    }
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) { // Latin-1 letters, not the multiplication sign
        return static_cast<char16_t>(c + 0x20);
    }
    if (c >= 0x100 && c <= 0x17F) { // Latin Extended-A: case pairs side by side
        const bool evenUpper = (c <= 0x137 && c != 0x130) || (c >= 0x14A && c <= 0x177);
        const bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if ((evenUpper && c % 2 == 0) || (oddUpper && c % 2 == 1)) {
            return static_cast<char16_t>(c + 1);
        }
        return c == 0x178 ? char16_t{0xFF} : c;
    }
    if (c >= 0x386 && c <= 0x3AB) { // Greek capitals, with and without accents
        if (c >= 0x391) {
            return c == 0x3A2 ? c : static_cast<char16_t>(c + 0x20);
        }
        switch (c) {
        case 0x386: return 0x3AC;
        case 0x388:
        case 0x389:
        case 0x38A: return static_cast<char16_t>(c + 0x25);
        case 0x38C: return 0x3CC;
        case 0x38E:
        case 0x38F: return static_cast<char16_t>(c + 0x3F);
        default: return c;
        }
    }
    if (c == 0x3C2) { // final sigma sorts with sigma
        return 0x3C3;
    }
    if (c >= 0x400 && c <= 0x40F) {
        return static_cast<char16_t>(c + 0x50);
    }
    if (c >= 0x410 && c <= 0x42F) {
        return static_cast<char16_t>(c + 0x20);
    }
    return c;
}

bool IsTrimmed(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

} // namespace

std::string_view TrimControlsAndSpaces(std::string_view text) {
    while (!text.empty() && IsTrimmed(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsTrimmed(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string StripQuotesAndTrim(std::string_view text) {
    if (!text.empty() && text.front() == '"') {
        text.remove_prefix(1);
    }
    if (!text.empty() && text.back() == '"') {
        text.remove_suffix(1);
    }
    return std::string(TrimControlsAndSpaces(text));
}

std::string FoldCase(std::string_view utf8) {
    // Plain ASCII, the usual case, needs no conversion.
    if (std::all_of(utf8.begin(), utf8.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        std::string out(utf8);
        std::transform(out.begin(), out.end(), out.begin(),
                       [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
        return out;
    }
    std::u16string units = Utf8ToUtf16(utf8);
    std::transform(units.begin(), units.end(), units.begin(), FoldUnit);
    return Utf16ToUtf8(units);
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    return FoldCase(a) == FoldCase(b);
}

bool HasExtensionNoCase(std::string_view name, std::string_view extension) {
    if (name.size() <= extension.size()) {
        return false;
    }
    // Folding keeps lengths of well-formed text, and a well-formed extension can only match
    // at a character boundary.
    return FoldCase(name).ends_with(FoldCase(extension));
}

std::vector<std::filesystem::path>
SortByNameNoCase(std::vector<std::pair<std::string, std::filesystem::path>> entries) {
    struct Keyed {
        std::string Key;
        std::string Name;
        std::filesystem::path Path;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(entries.size());
    for (auto& [name, path] : entries) {
        std::string key = FoldCase(name);
        keyed.push_back({std::move(key), std::move(name), std::move(path)});
    }
    // UTF-8 byte order is code point order, so this is a plain ordinal order on folded names.
    std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        return std::tie(a.Key, a.Name) < std::tie(b.Key, b.Name);
    });
    std::vector<std::filesystem::path> sorted;
    sorted.reserve(keyed.size());
    for (auto& entry : keyed) {
        sorted.push_back(std::move(entry.Path));
    }
    return sorted;
}

} // namespace tonvo::platform
