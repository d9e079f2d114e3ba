// Draws shapes into a Bitmap: the raster every editor form paints with.
//
// All coordinates are bitmap pixels; a shape may lie partly or wholly outside and nothing is
// ever written outside the current clip, which never reaches past the bitmap. Every write is
// a source-over blend (see color.h), so translucent colours mix and an opaque one replaces.
// Shapes are integer code: the same bytes on every target. Drawing never allocates, except a
// clip stack deeper than any seen before.
#pragma once

#include "ui/bitmap.h"
#include "ui/color.h"
#include "ui/rect.h"

#include <vector>

namespace tonvo::ui {

class Canvas {
public:
    explicit Canvas(Bitmap& target);

    Bitmap& target() { return target_; }

    // Clipping. push_clip narrows the clip to its intersection with `r`; pop_clip restores
    // the one before. Popping with nothing pushed leaves the whole bitmap.
    void push_clip(const Rect& r);
    void pop_clip();
    const Rect& clip() const { return clip_; }

    void fill_rect(const Rect& r, Color c);
    // A border `width` pixels wide lying inside `r`; each pixel is written once, so a
    // translucent border has no darker corners.
    void stroke_rect(const Rect& r, Color c, int width = 1);

    // Rounded rectangles. The corners are quarter circles of `radius` (held to half the
    // shorter side), their edges smoothed by the share of 8 x 8 sample points inside. The
    // colour's own alpha is scaled by `alpha` (0..255), the whole shape's opacity. All four
    // corners come from one computation mirrored, so they match pixel for pixel.
    void fill_round_rect(const Rect& r, int radius, Color c, uint8_t alpha = 255);
    // Only the border: the shape less the same shape inset by `border` with radius less by
    // `border`. Drawn after fill_round_rect it frames it without a seam.
    void stroke_round_rect(const Rect& r, int radius, int border, Color c, uint8_t alpha = 255);

    // One-pixel lines; both end points are drawn.
    void hline(int x0, int x1, int y, Color c);
    void vline(int x, int y0, int y1, Color c);
    // Any direction: the pixel on each step of the longer axis is the one nearest the exact
    // line, halves rounded away from the start. The same pixels in both directions but for
    // such ties.
    void line(int x0, int y0, int x1, int y1, Color c);

    // Fills `r` with `tile` repeated so that one copy's top-left pixel falls on
    // (origin_x, origin_y); the tile's alpha blends as any source.
    void draw_tile(const Rect& r, const Bitmap& tile, int origin_x, int origin_y);
    // Draws `glyph` with its top-left at (x, y), every pixel in `c` with the glyph pixel's
    // alpha (times c's): a single-colour icon recoloured for the current style.
    void draw_glyph(const Bitmap& glyph, int x, int y, Color c);

private:
    void put(int x, int y, Color c, uint32_t a) {
        Color& d = target_.pixel(x, y);
        d = blend(d, c, a);
    }
    void round_rect(const Rect& r, int radius, int border, Color c, uint8_t alpha);

    Bitmap& target_;
    Rect clip_;
    std::vector<Rect> saved_;
};

} // namespace tonvo::ui
