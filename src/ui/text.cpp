#include "ui/text.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace tonvo::ui {
namespace {

// Walks the glyphs of one line: calls place(glyph, pen) with the pen's position in font units
// before each glyph's advance, and returns the pen after the last. Breaks are skipped and
// stop kerning; the pair (previous glyph, this glyph) adjusts the pen before this glyph.
template <class Place>
int64_t lay_out(const Font& font, std::string_view text, Place&& place) {
    int64_t pen = 0;
    int previous = -1;
    size_t pos = 0;
    while (pos < text.size()) {
        const char32_t cp = decode_utf8(text, pos);
        if (cp == U'\r' || cp == U'\n') {
            previous = -1;
            continue;
        }
        const int glyph =
            cp == kReplacementCharacter ? font.replacement_glyph() : font.glyph_index(cp);
        if (previous >= 0)
            pen += font.kern(previous, glyph);
        place(glyph, pen);
        pen += font.advance(glyph);
        previous = glyph;
    }
    return pen;
}

int clamp_to_int(int64_t v) {
    return static_cast<int>(std::clamp<int64_t>(v, INT_MIN, INT_MAX));
}

} // namespace

int Font::text_width(std::string_view utf8) const {
    return clamp_to_int(units_to_pixels(lay_out(*this, utf8, [](int, int64_t) {})));
}

int draw_text(Canvas& canvas, const Font& font, int x, int y, std::string_view utf8, Color c) {
    const Rect clip = canvas.clip();
    const bool visible = c.a != 0 && !clip.empty();
    const int64_t baseline = int64_t{y} + font.ascent();
    const int64_t end = lay_out(font, utf8, [&](int glyph, int64_t pen) {
        if (!visible)
            return;
        const int64_t quarters = font.units_to_quarters(pen);
        const Font::Glyph& g = font.glyph(glyph, static_cast<int>(quarters & 3));
        // quarters >> 2 is the floor, also for a negative pen.
        const int64_t left = int64_t{x} + (quarters >> 2) + g.left;
        const int64_t top = baseline + g.top;
        if (left >= clip.right || left + g.image.width() <= clip.left || top >= clip.bottom ||
            top + g.image.height() <= clip.top)
            return;
        // Within the clip, so both fit an int.
        canvas.draw_glyph(g.image, static_cast<int>(left), static_cast<int>(top), c);
    });
    return clamp_to_int(font.units_to_pixels(end));
}

std::vector<std::string_view> split_lines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    lines.push_back(text.substr(start));
    return lines;
}

} // namespace tonvo::ui
