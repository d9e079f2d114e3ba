// Golden images: a test's rendering compared with a PNG kept in tests/ui/golden.
//
// expect_golden(bitmap, "name") compares `bitmap` with tests/ui/golden/name.png: the same
// width, height and every RGBA byte. Rendering is integer arithmetic plus a rasteriser built
// with deterministic floating-point flags, so all three builds (Linux, Windows i686 and
// x86_64) must produce the very same bytes; any tolerance would hide a target that drifts.
//
// On a mismatch, or when the golden file is missing or unreadable, the test fails (without
// stopping) and leaves name.actual.png and name.diff.png in the build tree's
// tests/golden-output folder; the diff shows matching pixels dimmed and differing ones red.
// Run with TONVO_UPDATE_GOLDEN=1 in the environment to write the golden files from the
// current rendering instead of comparing.
#pragma once

#include "ui/bitmap.h"
#include "ui/canvas.h"

#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>
#include <string_view>
#include <vector>

namespace tonvo::ui {

void expect_golden(const Bitmap& actual, std::string_view name);
// The same comparison, silent: for a test waiting until a window shows the picture.
bool matches_golden(const Bitmap& actual, std::string_view name);

// Every pixel of `actual` against `expected(x, y)`; fails at the first that differs, naming it
// after `what`.
template <typename Expected>
void expect_pixels(const Bitmap& actual, Expected expected, const std::string& what = {}) {
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x)
            ASSERT_EQ(actual.at(x, y), expected(x, y)) << what << " at " << x << "," << y;
}

// `r` moved by (dx, dy).
inline Rect shifted(const Rect& r, int dx, int dy) {
    return Rect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

// A bitmap whose border of `margin` pixels holds a mark colour the canvas is clipped away
// from; after any drawing, the border must still be intact.
struct Sentinel {
    static constexpr Color kMark = Color{1, 2, 3, 4};
    Bitmap bmp;
    Canvas canvas{bmp};
    Rect inner;

    Sentinel(int width, int height, int margin)
        : bmp(width, height, kMark), inner(bmp.bounds().inset(margin)) {
        canvas.push_clip(inner);
    }
    int marks_left() const {
        int count = 0;
        for (int y = 0; y < bmp.height(); ++y)
            for (int x = 0; x < bmp.width(); ++x)
                count += !inner.contains(x, y) && bmp.at(x, y) == kMark;
        return count;
    }
    int border_size() const { return bmp.width() * bmp.height() - inner.width() * inner.height(); }
};

// The build-tree folder that receives actual and difference images.
std::filesystem::path golden_output_folder();

// Decodes the bytes of a PNG file into a BGRA bitmap; false if they are not one.
bool decode_png(const std::vector<uint8_t>& png, Bitmap& out);

} // namespace tonvo::ui
