// The file system as the plug-in uses it: the user's documents folder, existence tests,
// whole-file reads, writes that never leave a half-written file, folder listing and deletion.
// Paths are std::filesystem::path; names in any script work (wide calls on Windows).
//
// Failures throw std::runtime_error whose message names the path and the system's reason.
// Thread contract: user-interface thread (or the thread creating an instance); never the audio
// thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tonvo::platform {

// The user's documents folder without a trailing separator; empty when none can be found.
std::filesystem::path documents_folder();

// One double quote at each end is removed and the text trimmed (codes 0..32); a drive-letter
// path on Windows first needs a ready drive (asked without critical-error dialogs). True when
// the path then names an existing entry that is not a folder.
bool SafeFileExists(const std::string& path);
bool SafeFileExists(const std::filesystem::path& path);

// Creates the folder with any missing parents; nothing when it exists.
void create_folders(const std::filesystem::path& folder);

// The whole file; a file of more than maxBytes is refused unread ("File too large").
std::vector<uint8_t> read_file_bytes(const std::filesystem::path& path,
                                     size_t maxBytes = static_cast<size_t>(-1));

// Writes under a temporary name in the same folder and then replaces the target, so a failed
// write leaves any previous file intact. The target's folder must exist.
void write_file_replacing(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

// Regular, non-hidden (and on Windows non-system) files directly in the folder whose name ends
// with the extension (".brelwickp", compared without regard to letter case), sorted by name
// without regard to letter case. An absent folder lists nothing.
std::vector<std::filesystem::path> list_files(const std::filesystem::path& folder,
                                              const std::string& extension);

void remove_file(const std::filesystem::path& path);

// Renames a file in two steps through a temporary name of its own in its folder, for a change
// of letter case alone, which a file system that ignores case may refuse as a plain rename.
// When the second step fails the file gets its old name back before the failure is thrown.
void respell_file(const std::filesystem::path& from, const std::filesystem::path& to);

// Opens a document with the system's viewer, or a folder in the file manager; false when the
// system refused. Never through a shell.
bool ShellOpen(const std::filesystem::path& path);
bool show_folder(const std::filesystem::path& folder);

} // namespace tonvo::platform
