// Portable name rules used by every system's file code.
#include "base/file_names.h"

#include "base/case_fold.h"
#include "base/utf.h"

#include <algorithm>
#include <tuple>

namespace tonvo::base {
namespace {

// Every UTF-16 unit but a surrogate is a code point of its own; fold_case maps such a code point
// to one of the same plane.
char16_t fold_unit(char16_t c) {
    if (c >= 0xD800 && c <= 0xDFFF) {
        return c;
    }
    return static_cast<char16_t>(fold_case(char32_t{c}));
}

bool is_trimmed(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

} // namespace

std::string_view trim_controls_and_spaces(std::string_view text) {
    while (!text.empty() && is_trimmed(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && is_trimmed(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string strip_quotes_and_trim(std::string_view text) {
    if (!text.empty() && text.front() == '"') {
        text.remove_prefix(1);
    }
    if (!text.empty() && text.back() == '"') {
        text.remove_suffix(1);
    }
    return std::string(trim_controls_and_spaces(text));
}

std::string fold_case(std::string_view utf8) {
    // Plain ASCII, the usual case, needs no conversion.
    if (std::all_of(utf8.begin(), utf8.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        std::string out(utf8);
        std::transform(out.begin(), out.end(), out.begin(),
                       [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
        return out;
    }
    std::u16string units = utf8_to_utf16(utf8);
    std::transform(units.begin(), units.end(), units.begin(), fold_unit);
    return utf16_to_utf8(units);
}

bool is_reserved_device_name(std::string_view fileName) {
    std::string_view stem = fileName.substr(0, fileName.find('.'));
    while (!stem.empty() && stem.back() == ' ') {
        stem.remove_suffix(1);
    }
    const std::string lower = fold_case(stem);
    if (lower == "con" || lower == "prn" || lower == "aux" || lower == "nul") {
        return true;
    }
    if (!lower.starts_with("com") && !lower.starts_with("lpt")) {
        return false;
    }
    const std::string_view number = std::string_view(lower).substr(3);
    // The superscripts in UTF-8.
    return (number.size() == 1 && number[0] >= '1' && number[0] <= '9') || number == "\xC2\xB9" ||
           number == "\xC2\xB2" || number == "\xC2\xB3";
}

bool has_extension_no_case(std::string_view name, std::string_view extension) {
    // Lengths compare folded: a letter such as the Kelvin sign folds to fewer bytes, and a name
    // that is nothing but the extension has no stem however it is spelt. Folded text is
    // well-formed, and an extension starts with an ASCII dot, so it can only match at a
    // character boundary.
    const std::string folded = fold_case(name);
    const std::string ending = fold_case(extension);
    return folded.size() > ending.size() && folded.ends_with(ending);
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
        std::string key = fold_case(name);
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

} // namespace tonvo::base
