// An owned 32-bit BGRA pixel buffer: the back buffer a form draws into, a tile, a glyph.
//
// Pixels are stored row after row with no padding. Memory is allocated only when the bitmap
// is made or resized, so drawing into it never allocates.
#pragma once

#include "ui/color.h"
#include "ui/rect.h"

#include <cstdint>
#include <vector>

namespace tonvo::ui {

class Bitmap {
public:
    Bitmap() = default;
    // A bitmap of the given size filled with `fill`; negative sizes count as 0.
    Bitmap(int width, int height, Color fill = Color{0, 0, 0, 0});

    // The new size, every pixel set to `fill`; the old contents are not kept.
    void resize(int width, int height, Color fill = Color{0, 0, 0, 0});
    void fill(Color c);

    int width() const { return width_; }
    int height() const { return height_; }
    Rect bounds() const { return Rect{0, 0, width_, height_}; }

    // No range check: callers clip first. at() is for tests and tools that want one.
    Color& pixel(int x, int y) { return pixels_[index(x, y)]; }
    const Color& pixel(int x, int y) const { return pixels_[index(x, y)]; }
    Color at(int x, int y) const;

    Color* row(int y) { return pixels_.data() + index(0, y); }
    const Color* row(int y) const { return pixels_.data() + index(0, y); }
    // The raw bytes, blue first, for the platform's blit and the PNG writer.
    const uint8_t* bytes() const { return reinterpret_cast<const uint8_t*>(pixels_.data()); }

private:
    size_t index(int x, int y) const {
        return static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x);
    }

    int width_ = 0;
    int height_ = 0;
    std::vector<Color> pixels_;
};

static_assert(sizeof(Color) == 4, "a pixel is four bytes, blue first");

} // namespace tonvo::ui
