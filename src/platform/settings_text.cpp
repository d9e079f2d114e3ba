// Decimal integers and the INI document shared by the settings stores.
#include "platform/settings_text.h"

#include "base/case_fold.h"
#include "base/file_names.h"

#include <algorithm>
#include <charconv>

namespace tonvo::platform {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::optional<std::string_view> section_name(std::string_view line) {
    line = base::trim_controls_and_spaces(line);
    if (!line.starts_with('[')) {
        return std::nullopt;
    }
    const size_t close = line.find(']');
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    return base::trim_controls_and_spaces(line.substr(1, close - 1));
}

struct Entry {
    std::string_view Name;
    size_t ValueStart; // offset of the text after '=' in the line
};

std::optional<Entry> entry_of(std::string_view line) {
    const std::string_view trimmed = base::trim_controls_and_spaces(line);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#' ||
        trimmed.front() == '[') {
        return std::nullopt;
    }
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view name = base::trim_controls_and_spaces(line.substr(0, equals));
    if (name.empty()) {
        return std::nullopt;
    }
    return Entry{name, equals + 1};
}

bool has_controls(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 32; });
}

// A name reads back the same only when trimming leaves it whole and nothing in it would make
// the line a header, a comment or split it.
bool is_storable_section(std::string_view section) {
    return !section.empty() && base::trim_controls_and_spaces(section) == section &&
           !has_controls(section) && section.find(']') == std::string_view::npos;
}

bool is_storable_name(std::string_view name) {
    return !name.empty() && base::trim_controls_and_spaces(name) == name && !has_controls(name) &&
           name.find('=') == std::string_view::npos && name.front() != ';' && name.front() != '#' &&
           name.front() != '[';
}

} // namespace

// The four pieces one after the other. Built by appending into reserved storage: GCC 12 at
// -O3 misreads a chain of `std::string + ...` as an overlapping copy and warns.
std::string joined(std::string_view a, std::string_view b, std::string_view c, std::string_view d) {
    std::string text;
    text.reserve(a.size() + b.size() + c.size() + d.size());
    text.append(a).append(b).append(c).append(d);
    return text;
}

std::optional<int32_t> parse_decimal_int32(std::string_view text) {
    text = base::trim_controls_and_spaces(text);
    if (text.empty() || text.front() == '+') {
        return std::nullopt;
    }
    int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, 10);
    if (error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

IniText::IniText(std::string_view text) {
    // A byte order mark stays part of the first line; Find and Set look past it.
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(start, end - start);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
            if (lines_.empty()) {
                lineEnd_ = "\r\n";
            }
        }
        lines_.emplace_back(line);
        start = end + 1;
    }
}

std::optional<std::string> IniText::Find(std::string_view section, std::string_view name) const {
    bool inSection = false;
    for (size_t i = 0; i < lines_.size(); ++i) {
        std::string_view line = lines_[i];
        if (i == 0 && line.starts_with(kByteOrderMark)) {
            line.remove_prefix(kByteOrderMark.size());
        }
        if (const auto header = section_name(line)) {
            inSection = base::equal_ignoring_case(*header, section);
        } else if (inSection) {
            if (const auto entry = entry_of(line);
                entry && base::equal_ignoring_case(entry->Name, name)) {
                return std::string(line.substr(entry->ValueStart));
            }
        }
    }
    return std::nullopt;
}

bool IniText::Set(std::string_view section, std::string_view name, std::string_view value) {
    if (!is_storable_section(section) || !is_storable_name(name) || has_controls(value)) {
        return false;
    }
    bool inSection = false;
    std::optional<size_t> insertAt; // after the last entry (or header) of the first section
    bool firstSectionOpen = false;
    for (size_t i = 0; i < lines_.size(); ++i) {
        std::string_view line = lines_[i];
        size_t skipped = 0;
        if (i == 0 && line.starts_with(kByteOrderMark)) {
            skipped = kByteOrderMark.size();
            line.remove_prefix(skipped);
        }
        if (const auto header = section_name(line)) {
            inSection = base::equal_ignoring_case(*header, section);
            firstSectionOpen = inSection && !insertAt;
            if (firstSectionOpen) {
                insertAt = i + 1;
            }
        } else if (inSection) {
            if (const auto entry = entry_of(line)) {
                if (base::equal_ignoring_case(entry->Name, name)) {
                    // The name keeps its spelling and the line its indentation.
                    lines_[i].resize(skipped + entry->ValueStart);
                    lines_[i].append(value);
                    return true;
                }
                if (firstSectionOpen) {
                    insertAt = i + 1;
                }
            }
        }
    }
    std::string entry = joined("", name, "=", value);
    if (insertAt) {
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(*insertAt), std::move(entry));
        return true;
    }
    if (!lines_.empty() && !base::trim_controls_and_spaces(lines_.back()).empty()) {
        lines_.emplace_back();
    }
    lines_.push_back(joined("[", section, "]", ""));
    lines_.push_back(std::move(entry));
    return true;
}

std::string IniText::Text() const {
    std::string text;
    for (const std::string& line : lines_) {
        text += line;
        text += lineEnd_;
    }
    return text;
}

} // namespace tonvo::platform
