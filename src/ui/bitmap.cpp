#include "ui/bitmap.h"

#include <algorithm>
#include <stdexcept>

namespace tonvo::ui {

Bitmap::Bitmap(int width, int height, Color fill) {
    resize(width, height, fill);
}

void Bitmap::resize(int width, int height, Color fill) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    pixels_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), fill);
}

void Bitmap::fill(Color c) {
    std::fill(pixels_.begin(), pixels_.end(), c);
}

Color Bitmap::at(int x, int y) const {
    if (!bounds().contains(x, y))
        throw std::out_of_range("Bitmap::at: pixel outside the bitmap");
    return pixel(x, y);
}

} // namespace tonvo::ui
