// A typeface at one pixel size: its metrics, and its glyphs' coverage bitmaps cached as they
// are first drawn. Text is laid out and drawn by text.h.
//
// Sizes are em sizes in pixels, as a Windows font made with a negative height. Positions
// along a line are kept in font units and rounded to quarter pixels only where a glyph is
// placed, so rounding never adds up along a line.
//
// The glyph cache fills lazily and is not guarded: a Font belongs to the user-interface thread.
// Once a text has been drawn, drawing it again at the same sub-pixel offset allocates nothing.
#pragma once

#include "ui/bitmap.h"
#include "ui/font_face.h"

#include <cstdint>
#include <string_view>
#include <unordered_map>

namespace tonvo::ui {

class Font {
public:
    // pixel_height is held to [1, kMaxPixelHeight].
    static constexpr int kMaxPixelHeight = 256;
    Font(Typeface face, int pixel_height);

    Typeface typeface() const { return typeface_; }
    int pixel_height() const { return pixel_height_; }
    // The line's height in pixels: ascent - descent + line gap, rounded.
    int height() const { return height_; }
    // The baseline's offset from the line's top, rounded.
    int ascent() const { return ascent_; }
    // The advance of the whole UTF-8 text in pixels: exactly what draw_text returns for it.
    // Defined in text.cpp, next to draw_text, from the same layout.
    int text_width(std::string_view utf8) const;

    // The pieces of layout, for text.cpp.
    //
    // The glyph a code point draws with: the font's own, or the missing-glyph box.
    int glyph_index(char32_t codepoint) const { return face_->glyph_index(codepoint); }
    // The glyph standing for an ill-formed UTF-8 sequence: U+FFFD, or '?' if the font lacks it.
    int replacement_glyph() const { return replacement_; }
    int advance(int glyph) const { return face_->advance(glyph); }
    int kern(int left, int right) const { return face_->kern(left, right); }
    // A pen position in font units as pixels, rounded to nearest (halves up), and as quarter
    // pixels rounded the same way.
    int64_t units_to_pixels(int64_t units) const { return scale_units(units, 1); }
    int64_t units_to_quarters(int64_t units) const { return scale_units(units, 4); }

    // A glyph drawn with its pen `quarter` quarter pixels (0..3) right of a pixel's left edge:
    // coverage in the bitmap's alpha, placed at (left, top) from the pen's pixel on the
    // baseline.
    struct Glyph {
        Bitmap image;
        int left = 0;
        int top = 0;
    };
    const Glyph& glyph(int index, int quarter) const;

private:
    int64_t scale_units(int64_t units, int64_t steps) const;

    Typeface typeface_;
    const FontFace* face_;
    int pixel_height_;
    int ascent_ = 0;
    int height_ = 0;
    int replacement_ = 0;
    mutable std::unordered_map<uint32_t, Glyph> cache_;
};

} // namespace tonvo::ui
