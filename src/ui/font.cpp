#include "ui/font.h"

#include <algorithm>

namespace tonvo::ui {
namespace {

// floor(a / b) for b > 0, whatever a's sign.
int64_t floor_div(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

} // namespace

Font::Font(Typeface face, int pixel_height)
    : typeface_(face), face_(&FontFace::get(face)),
      pixel_height_(std::clamp(pixel_height, 1, kMaxPixelHeight)) {
    ascent_ = static_cast<int>(units_to_pixels(face_->ascent()));
    height_ = static_cast<int>(
        units_to_pixels(int64_t{face_->ascent()} - face_->descent() + face_->line_gap()));
    replacement_ = face_->glyph_index(U'\uFFFD');
    if (replacement_ == 0)
        replacement_ = face_->glyph_index(U'?');
}

// units * pixel_height * steps / units_per_em, rounded half up. Integer arithmetic, so a
// position is the same on every target however long the text.
int64_t Font::scale_units(int64_t units, int64_t steps) const {
    const int64_t em = face_->units_per_em();
    return floor_div(2 * units * pixel_height_ * steps + em, 2 * em);
}

const Font::Glyph& Font::glyph(int index, int quarter) const {
    const uint32_t key = static_cast<uint32_t>(index) << 2 | static_cast<uint32_t>(quarter & 3);
    const auto found = cache_.find(key);
    if (found != cache_.end())
        return found->second;

    // The rasteriser works in floating point; tonvo_ui's flags (no contraction, SSE on
    // i686) make it give the same coverage on every target.
    const float scale =
        static_cast<float>(pixel_height_) / static_cast<float>(face_->units_per_em());
    const FontFace::Coverage coverage =
        face_->rasterize(index, scale, static_cast<float>(quarter & 3) * 0.25f);
    Glyph g;
    g.left = coverage.left;
    g.top = coverage.top;
    g.image.resize(coverage.width, coverage.height);
    for (int y = 0; y < coverage.height; ++y) {
        Color* row = g.image.row(y);
        const uint8_t* src = coverage.values.data() + static_cast<size_t>(y) * coverage.width;
        for (int x = 0; x < coverage.width; ++x)
            row[x] = Color{0, 0, 0, src[x]};
    }
    return cache_.emplace(key, std::move(g)).first->second;
}

} // namespace tonvo::ui
