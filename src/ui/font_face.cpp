// The stb_truetype implementation lives in this file only, with static linkage. Its code is
// compiled with tonvo_ui's floating-point flags, so glyphs rasterise to the same bytes on
// every target; the file's warning relaxations are set in CMakeLists.txt.
#include "ui/font_face.h"

#include "ui/embedded_fonts.h"

#include <stdexcept>

#define STBTT_STATIC
#define STB_TRUETYPE_IMPLEMENTATION
#include <stb_truetype.h>

namespace tonvo::ui {

const FontFace& FontFace::get(Typeface face) {
    if (face == Typeface::bold) {
        static const FontFace bold(embedded::sans_bold, embedded::sans_bold_size);
        return bold;
    }
    static const FontFace regular(embedded::sans_regular, embedded::sans_regular_size);
    return regular;
}

FontFace::FontFace(const unsigned char* data, size_t size) : info_(new stbtt_fontinfo{}) {
    // stb_truetype trusts the tables' offsets; a file too short for its header is refused
    // here, and the embedded files are known fonts.
    if (size < 12 || stbtt_InitFont(info_.get(), data, 0) == 0)
        throw std::runtime_error("embedded font cannot be parsed");
    units_per_em_ = data[info_->head + 18] << 8 | data[info_->head + 19];
    if (units_per_em_ <= 0)
        throw std::runtime_error("embedded font has no em size");
    stbtt_GetFontVMetrics(info_.get(), &ascent_, &descent_, &line_gap_);
}

FontFace::~FontFace() = default;

int FontFace::glyph_index(char32_t codepoint) const {
    return stbtt_FindGlyphIndex(info_.get(), static_cast<int>(codepoint));
}

int FontFace::advance(int glyph) const {
    int advance = 0;
    int left_bearing = 0;
    stbtt_GetGlyphHMetrics(info_.get(), glyph, &advance, &left_bearing);
    return advance;
}

int FontFace::kern(int left, int right) const {
    return stbtt_GetGlyphKernAdvance(info_.get(), left, right);
}

FontFace::Coverage FontFace::rasterize(int glyph, float scale, float shift_x) const {
    Coverage out;
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    stbtt_GetGlyphBitmapBoxSubpixel(info_.get(), glyph, scale, scale, shift_x, 0.0f, &x0, &y0, &x1,
                                    &y1);
    if (x1 <= x0 || y1 <= y0)
        return out;
    out.left = x0;
    out.top = y0;
    out.width = x1 - x0;
    out.height = y1 - y0;
    out.values.assign(static_cast<size_t>(out.width) * static_cast<size_t>(out.height), 0);
    stbtt_MakeGlyphBitmapSubpixel(info_.get(), out.values.data(), out.width, out.height, out.width,
                                  scale, scale, shift_x, 0.0f, glyph);
    return out;
}

} // namespace tonvo::ui
