// The two embedded typefaces and the few TrueType queries text layout needs.
//
// A thin layer over stb_truetype, whose functions are static in font_face.cpp (so no stb symbol
// leaves the plug-in). Each font file is parsed once per process, on first use, from the bytes
// embedded at build time; a parsed face is immutable and may be shared by any thread.
// Rasterising allocates: callers cache the results.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

struct stbtt_fontinfo;

namespace tonvo::ui {

enum class Typeface { regular, bold };

class FontFace {
public:
    // The face's parsed font. Throws std::runtime_error if the embedded file cannot be parsed.
    static const FontFace& get(Typeface face);

    FontFace(const unsigned char* data, size_t size);
    ~FontFace();
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;

    // Vertical metrics in font units (the horizontal header's); descent is negative.
    int units_per_em() const { return units_per_em_; }
    int ascent() const { return ascent_; }
    int descent() const { return descent_; }
    int line_gap() const { return line_gap_; }

    // The glyph for `codepoint`, 0 (the missing-glyph box) when the font has none.
    int glyph_index(char32_t codepoint) const;
    bool has_glyph(char32_t codepoint) const { return glyph_index(codepoint) != 0; }
    // Horizontal advance of a glyph and the kerning adjustment between two, in font units.
    int advance(int glyph) const;
    int kern(int left, int right) const;

    // A glyph's anti-aliased coverage (0..255, row after row) at `scale` pixels per font unit,
    // the outline moved right by `shift_x` pixels (0 <= shift_x < 1). left and top place the
    // bitmap's top-left pixel relative to the pen's pixel on the baseline (top is negative
    // for ink above the baseline). An empty outline gives a 0 x 0 bitmap.
    struct Coverage {
        int left = 0;
        int top = 0;
        int width = 0;
        int height = 0;
        std::vector<uint8_t> values;
    };
    Coverage rasterize(int glyph, float scale, float shift_x) const;

private:
    std::unique_ptr<stbtt_fontinfo> info_;
    int units_per_em_ = 0;
    int ascent_ = 0;
    int descent_ = 0;
    int line_gap_ = 0;
};

} // namespace tonvo::ui
