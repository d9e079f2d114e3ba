// The names preset files are given: the extension, how a typed name is cleaned, which names
// are refused, and the name a file stands for. The commands that write and read the files are
// the core's (core/preset_commands.h).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tonvo {

inline constexpr std::string_view kPresetExtension = ".brelwickp";

// Leading and trailing characters with codes 0 to 32 removed.
std::string trim_name(std::string_view text);
// Each of \ / : * ? " < > | becomes "_".
std::string MakeValidFileName(std::string_view text);
// The file name without its last extension ("a.b.brelwickp" gives "a.b"), as UTF-8.
std::string FileBaseName(const std::filesystem::path& path);
// Why a cleaned name cannot be a preset's, or empty when it can: one that begins with a dot
// would be hidden from the listing or name no ordinary file at all, and a device name of
// Windows ("CON", "lpt1.x") names a device there; both are refused on every system, so a
// preset moves between them.
std::string preset_name_problem(std::string_view name);
// False for an empty name and for one with a preset_name_problem.
bool is_usable_preset_name(std::string_view name);

} // namespace tonvo
