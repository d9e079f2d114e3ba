// Name handling shared by every system's file code: the quote-and-trim rule for typed-in
// paths, and matching and ordering file names without regard to letter case.
//
// Thread contract: pure functions, callable from any thread; they allocate.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tonvo::base {

// Codes 0..32 removed at both ends.
std::string_view trim_controls_and_spaces(std::string_view text);

// One double quote removed at the very start and one at the very end, then trimmed of codes
// 0..32: a path pasted with its quotes names the same file.
std::string strip_quotes_and_trim(std::string_view text);

// UTF-8 text with every character folded by fold_case (case_fold.h), for sorting and
// comparisons only. Ill-formed bytes become U+FFFD.
std::string fold_case(std::string_view utf8);

// True for a file name that Windows takes for a device in every folder: CON, PRN, AUX, NUL,
// COM1 to COM9 and LPT1 to LPT9 (the digit also a superscript 1, 2 or 3), in any letter case,
// alone or followed by an extension, blanks before the extension not counting. Such a file
// name reads and writes the device, and the device "exists".
bool is_reserved_device_name(std::string_view fileName);

// True when the name is longer than the extension and ends with it, letter case aside.
bool has_extension_no_case(std::string_view name, std::string_view extension);

// Each entry is a file name in UTF-8 and its path. The paths come back ordered by name without
// regard to letter case; names equal but for case keep a fixed order (by their bytes).
std::vector<std::filesystem::path>
SortByNameNoCase(std::vector<std::pair<std::string, std::filesystem::path>> entries);

} // namespace tonvo::base
