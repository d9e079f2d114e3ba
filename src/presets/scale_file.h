// The scale file "Scales.txt" in the plug-in's data folder: one scale per line, as the wizard's
// list (scale_library.h) reads it. A missing file is created with the built-in list so the user
// has one to edit.
//
// Thread contract: user-interface thread (file I/O).
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tonvo {

inline constexpr std::string_view kScaleFileName = "Scales.txt";

// Larger files are refused rather than read: no scale list comes near this size.
inline constexpr std::uintmax_t kMaxScaleFileBytes = 1024 * 1024;

// The scale list in UTF-8, or an empty list and the reason it could not be had.
struct LoadedScales {
    std::vector<std::string> Lines;
    std::string Error; // empty on success
};

// The bytes of a new scale file: the built-in list in the system's 8-bit code page, every line
// ended by CR LF.
std::vector<uint8_t> built_in_scale_file_bytes();

// The file's text in UTF-8. A byte-order mark selects UTF-8, UTF-16 LE or UTF-16 BE (ill-formed
// parts become U+FFFD, an odd last byte of UTF-16 too); without one the bytes are in the
// system's 8-bit code page.
std::string decode_scale_text(std::span<const uint8_t> bytes);

// Lines ended by CR, LF or CR LF; a last line without an ending counts, an ending after the
// last line adds none.
std::vector<std::string> split_file_lines(std::string_view text);

// Creates dataFolder/Scales.txt with the built-in list when it does not exist (with any missing
// folders), then reads it.
LoadedScales LoadScaleList(const std::filesystem::path& dataFolder);

} // namespace tonvo
