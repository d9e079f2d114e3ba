// Text forms the settings stores share: integers as decimal text, and the INI-style document
// the file-based store keeps per key.
//
// Thread contract: pure functions and plain objects; any thread, one at a time per object.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tonvo::platform {

// The value of text that, trimmed of codes 0..32, is exactly a signed 32-bit decimal integer
// (digits with an optional leading '-'); nothing otherwise.
std::optional<int32_t> parse_decimal_int32(std::string_view text);

// An INI document edited in place: "[Section]" headers and "Name=Value" lines. Section and
// value names compare without regard to letter case, as registry names do. Every line the
// edits do not touch (comments, other sections, lines that are not understood) is kept as it
// was; only line ends become those of the first line.
class IniText {
public:
    explicit IniText(std::string_view text);

    // The text after '=' of the first such value in a section of that name.
    std::optional<std::string> Find(std::string_view section, std::string_view name) const;

    // Replaces what Find would find, or adds the value to the end of the first section of that
    // name, or adds the section at the end. False (nothing changed) when the names or value
    // cannot be stored as one line that reads back the same.
    bool Set(std::string_view section, std::string_view name, std::string_view value);

    std::string Text() const;

private:
    std::vector<std::string> lines_; // without their line ends
    std::string lineEnd_ = "\n";
};

} // namespace tonvo::platform
