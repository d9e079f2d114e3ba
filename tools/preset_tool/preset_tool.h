// tonvo-preset: makes, shows and checks preset files from the command line. A preset file holds
// exactly the plug-in's state block, so every file is written and read by a plug-in instance of
// its own (default services: no documents folder, settings in memory), never by a second
// parser that could disagree with the plug-in.
//
// Exit status: 0 success, 1 a file could not be read, written or loaded, 2 a command line the
// tool cannot act on.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace tonvo::tools {

inline constexpr int kPresetToolOk = 0;
inline constexpr int kPresetToolFailed = 1;
inline constexpr int kPresetToolUsage = 2;

// A pitch class from its name, letter case aside: the twelve NoteNames, the flats Db Eb Gb Ab
// Bb, or a number 0..11 in plain decimal digits. Surrounding blanks are ignored.
std::optional<int32_t> parse_pitch_class(std::string_view text);

// The map of a --map value: comma-separated INPUT=OUTPUT pairs, each side a pitch class as
// parse_pitch_class reads it, OUTPUT "-" for blocked. Keys not listed are blocked; an empty value
// blocks every key. Error is empty on success, else says which pair is wrong (Entries are
// then meaningless).
struct NoteMapText {
    std::array<int32_t, 12> Entries{};
    std::string Error;
};
NoteMapText parse_note_map(std::string_view text);

std::string_view preset_tool_usage() noexcept;

// Runs one command line (without the program name; arguments in UTF-8). Results go to out,
// failures to err as one line each. Never throws.
int run_preset_tool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace tonvo::tools
