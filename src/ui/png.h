// PNG output of a Bitmap: screenshots of forms, and the tests' golden images.
#pragma once

#include "ui/bitmap.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace tonvo::ui {

// The bitmap as an 8-bit RGBA PNG file's bytes. Empty on failure: an empty bitmap, or one too
// large for the encoder.
std::vector<uint8_t> encode_png(const Bitmap& bitmap);

// Writes encode_png(bitmap) to `path`, replacing any file there. The path is opened as a
// path, not a narrow string, so any name works on Windows too. False when nothing or only
// part was written (a partial file may be left behind).
bool write_png(const std::filesystem::path& path, const Bitmap& bitmap);

} // namespace tonvo::ui
