#include "ui/canvas.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace tonvo::ui {
namespace {

// Samples per pixel side for smoothed edges; 64 points give 65 coverage steps.
constexpr int kSamples = 8;

// The share (0..255) of pixel (i, j) of a corner square that lies inside a quarter circle of
// radius `r` centred on the square's inner corner (r, r). Sample points sit at the centres of
// an 8 x 8 grid; the test is on integers in 1/16 pixel, so it is exact.
uint32_t corner_coverage(int64_t i, int64_t j, int64_t r) {
    const int64_t centre = 2 * kSamples * r;
    const int64_t limit = centre * centre;
    int inside = 0;
    for (int t = 0; t < kSamples; ++t) {
        const int64_t dy = centre - (2 * kSamples * j + 2 * t + 1);
        for (int s = 0; s < kSamples; ++s) {
            const int64_t dx = centre - (2 * kSamples * i + 2 * s + 1);
            if (dx * dx + dy * dy <= limit)
                ++inside;
        }
    }
    return static_cast<uint32_t>((inside * 255 + kSamples * kSamples / 2) / (kSamples * kSamples));
}

// Coverage of pixel (x, y) by the rounded rectangle `r` with corner radius `radius`: 0 outside,
// 255 well inside. The distance to the nearest vertical and horizontal edge decides, so the
// four corners are mirror images of one another.
uint32_t round_rect_coverage(const Rect& r, int64_t radius, int x, int y) {
    if (!r.contains(x, y))
        return 0;
    const int64_t i = std::min<int64_t>(int64_t{x} - r.left, int64_t{r.right} - 1 - x);
    const int64_t j = std::min<int64_t>(int64_t{y} - r.top, int64_t{r.bottom} - 1 - y);
    if (i >= radius || j >= radius)
        return 255;
    return corner_coverage(i, j, radius);
}

// The pixels from (x0, y0) to (x1, y1), both included, as a rectangle; an end at the top of
// the int range stays there rather than wrapping.
Rect span(int x0, int y0, int x1, int y1) {
    return Rect{x0, y0, static_cast<int>(std::min<int64_t>(int64_t{x1} + 1, INT32_MAX)),
                static_cast<int>(std::min<int64_t>(int64_t{y1} + 1, INT32_MAX))};
}

// floor((a * b + c) / d) without a 128-bit type (i686 has none): a and b below 2^34, c and d
// below 2^36, d > 0. Splitting a at 16 bits keeps every partial result below 2^53.
uint64_t mul_div(uint64_t a, uint64_t b, uint64_t c, uint64_t d) {
    const uint64_t high = (a >> 16) * b;
    const uint64_t low = (a & 0xFFFF) * b + c;
    return (high / d << 16) + ((high % d << 16) + low) / d;
}

int64_t clamp_radius(const Rect& r, int radius) {
    return std::clamp<int64_t>(radius, 0, std::min(r.width(), r.height()) / 2);
}

// row[x0, x1) blended with `c` at alpha `a`: blend() with the source's share worked out once
// for the whole run. An opaque colour replaces the pixels, as blend() does at a = 255.
void blend_span(Color* row, int x0, int x1, Color c, uint32_t a) {
    if (a == 255) {
        std::fill(row + x0, row + x1, c);
        return;
    }
    if (a == 0)
        return;
    const uint32_t keep = 255 - a;
    // div255(v) = (w + (w >> 8)) >> 8 with w = v + 128; the source's part of w is constant.
    const uint32_t sb = c.b * a + 128;
    const uint32_t sg = c.g * a + 128;
    const uint32_t sr = c.r * a + 128;
    auto mix = [keep](uint32_t part, uint8_t d) {
        const uint32_t w = part + d * keep;
        return static_cast<uint8_t>((w + (w >> 8)) >> 8);
    };
    for (Color* p = row + x0; p != row + x1; ++p) {
        const Color d = *p;
        *p = Color{mix(sb, d.b), mix(sg, d.g), mix(sr, d.r),
                   static_cast<uint8_t>(a + div255(d.a * keep))};
    }
}

// The columns of row y where a rounded rectangle (r, radius) surely covers the whole pixel:
// its whole width on the rows past the corners, the part between the corners on the others.
// Empty on rows outside r.
Rect full_columns(const Rect& r, int64_t radius, int y) {
    if (y < r.top || y >= r.bottom)
        return Rect{};
    const int64_t j = std::min<int64_t>(int64_t{y} - r.top, int64_t{r.bottom} - 1 - y);
    if (j >= radius)
        return Rect{r.left, y, r.right, y + 1};
    const auto inset = static_cast<int>(radius);
    return Rect{r.left + inset, y, r.right - inset, y + 1};
}

} // namespace

Canvas::Canvas(Bitmap& target) : target_(target), clip_(target.bounds()) {
    saved_.reserve(8);
}

void Canvas::push_clip(const Rect& r) {
    saved_.push_back(clip_);
    clip_ = clip_.intersect(r);
}

void Canvas::pop_clip() {
    if (saved_.empty()) {
        clip_ = target_.bounds();
        return;
    }
    clip_ = saved_.back();
    saved_.pop_back();
}

void Canvas::fill_rect(const Rect& r, Color c) {
    const Rect area = r.intersect(clip_);
    for (int y = area.top; y < area.bottom; ++y)
        blend_span(target_.row(y), area.left, area.right, c, c.a);
}

void Canvas::stroke_rect(const Rect& r, Color c, int width) {
    if (width <= 0 || r.empty())
        return;
    if (int64_t{width} * 2 >= r.width() || int64_t{width} * 2 >= r.height()) {
        fill_rect(r, c);
        return;
    }
    const Rect inner = r.inset(width);
    fill_rect(Rect{r.left, r.top, r.right, inner.top}, c);
    fill_rect(Rect{r.left, inner.bottom, r.right, r.bottom}, c);
    fill_rect(Rect{r.left, inner.top, inner.left, inner.bottom}, c);
    fill_rect(Rect{inner.right, inner.top, r.right, inner.bottom}, c);
}

void Canvas::fill_round_rect(const Rect& r, int radius, Color c, uint8_t alpha) {
    round_rect(r, radius, 0, c, alpha);
}

void Canvas::stroke_round_rect(const Rect& r, int radius, int border, Color c, uint8_t alpha) {
    if (border > 0)
        round_rect(r, radius, border, c, alpha);
}

// border 0 fills; otherwise the coverage of the inset shape is taken off the outer one. The
// inset shape's sample points are the outer's, and it lies inside it, so the difference is
// never negative.
void Canvas::round_rect(const Rect& r, int radius, int border, Color c, uint8_t alpha) {
    const Rect area = r.intersect(clip_);
    if (area.empty())
        return;
    const uint32_t opacity = div255(uint32_t{c.a} * alpha);
    if (opacity == 0)
        return;
    const int64_t outer_radius = clamp_radius(r, radius);
    const Rect inner = border > 0 ? r.inset(border) : Rect{};
    const bool hollow = border > 0 && !inner.empty();
    const int64_t inner_radius =
        hollow ? clamp_radius(inner, static_cast<int>(std::max<int64_t>(outer_radius - border, 0)))
               : 0;
    auto edge_pixel = [&](int x, int y) {
        uint32_t cover = round_rect_coverage(r, outer_radius, x, y);
        if (hollow)
            cover -= std::min(cover, round_rect_coverage(inner, inner_radius, x, y));
        if (cover != 0)
            put(x, y, c, div255(opacity * cover));
    };
    for (int y = area.top; y < area.bottom; ++y) {
        // Each row has one run of columns with a known coverage: full for a filled shape, none
        // inside a border's hole. Only the pixels around it need the coverage worked out.
        Rect run =
            (hollow ? full_columns(inner, inner_radius, y) : full_columns(r, outer_radius, y))
                .intersect(Rect{area.left, y, area.right, y + 1});
        if (run.empty())
            run = Rect{area.right, y, area.right, y + 1};
        for (int x = area.left; x < run.left; ++x)
            edge_pixel(x, y);
        if (!hollow)
            blend_span(target_.row(y), run.left, run.right, c, opacity);
        for (int x = run.right; x < area.right; ++x)
            edge_pixel(x, y);
    }
}

void Canvas::hline(int x0, int x1, int y, Color c) {
    if (x0 > x1)
        std::swap(x0, x1);
    fill_rect(span(x0, y, x1, y), c);
}

void Canvas::vline(int x, int y0, int y1, Color c) {
    if (y0 > y1)
        std::swap(y0, y1);
    fill_rect(span(x, y0, x, y1), c);
}

// Steps only over the part of the longer axis inside the clip, so a line with far-away end
// points costs no more than one across the bitmap. Step k's offset on the shorter axis is
// round(k * minor / major), halves up, computed directly rather than by accumulated error.
void Canvas::line(int x0, int y0, int x1, int y1, Color c) {
    if (y0 == y1) {
        hline(x0, x1, y0, c);
        return;
    }
    if (x0 == x1) {
        vline(x0, y0, y1, c);
        return;
    }
    if (clip_.empty())
        return;
    const int64_t dx = int64_t{x1} - x0;
    const int64_t dy = int64_t{y1} - y0;
    const bool x_major = std::llabs(dx) >= std::llabs(dy);
    const int64_t major = x_major ? std::llabs(dx) : std::llabs(dy);
    const int64_t minor = x_major ? std::llabs(dy) : std::llabs(dx);
    const int64_t major_start = x_major ? x0 : y0;
    const int64_t minor_start = x_major ? y0 : x0;
    const int64_t major_step = (x_major ? dx : dy) < 0 ? -1 : 1;
    const int64_t minor_step = (x_major ? dy : dx) < 0 ? -1 : 1;
    const int64_t lo = x_major ? clip_.left : clip_.top;
    const int64_t hi = (x_major ? clip_.right : clip_.bottom) - 1;
    // The steps k in [0, major] whose coordinate on the longer axis lies in [lo, hi].
    int64_t k_first = major_step > 0 ? lo - major_start : major_start - hi;
    int64_t k_last = major_step > 0 ? hi - major_start : major_start - lo;
    k_first = std::max<int64_t>(k_first, 0);
    k_last = std::min(k_last, major);
    for (int64_t k = k_first; k <= k_last; ++k) {
        const int64_t along = major_start + k * major_step;
        const int64_t across =
            minor_start +
            minor_step * static_cast<int64_t>(mul_div(
                             2 * static_cast<uint64_t>(k), static_cast<uint64_t>(minor),
                             static_cast<uint64_t>(major), 2 * static_cast<uint64_t>(major)));
        const int64_t x = x_major ? along : across;
        const int64_t y = x_major ? across : along;
        if (x >= clip_.left && x < clip_.right && y >= clip_.top && y < clip_.bottom)
            put(static_cast<int>(x), static_cast<int>(y), c, c.a);
    }
}

void Canvas::draw_tile(const Rect& r, const Bitmap& tile, int origin_x, int origin_y) {
    if (tile.width() == 0 || tile.height() == 0)
        return;
    const Rect area = r.intersect(clip_);
    const int64_t w = tile.width();
    const int64_t h = tile.height();
    for (int y = area.top; y < area.bottom; ++y) {
        const int64_t ty = ((int64_t{y} - origin_y) % h + h) % h;
        const Color* src = tile.row(static_cast<int>(ty));
        Color* dst = target_.row(y);
        int64_t tx = ((int64_t{area.left} - origin_x) % w + w) % w;
        // One stretch of the tile's row at a time; an opaque stretch is a plain copy, which is
        // what blending at alpha 255 writes.
        for (int x = area.left; x < area.right;) {
            const int n = static_cast<int>(std::min<int64_t>(w - tx, area.right - x));
            const Color* from = src + tx;
            if (std::all_of(from, from + n, [](Color s) { return s.a == 255; })) {
                std::copy(from, from + n, dst + x);
            } else {
                for (int i = 0; i < n; ++i)
                    put(x + i, y, from[i], from[i].a);
            }
            x += n;
            tx = 0;
        }
    }
}

void Canvas::draw_glyph(const Bitmap& glyph, int x, int y, Color c) {
    const Rect placed = Rect::from_size(x, y, glyph.width(), glyph.height());
    const Rect area = placed.intersect(clip_);
    for (int py = area.top; py < area.bottom; ++py) {
        const Color* src = glyph.row(py - y);
        for (int px = area.left; px < area.right; ++px) {
            const uint32_t a = div255(uint32_t{src[px - x].a} * c.a);
            if (a != 0)
                put(px, py, c, a);
        }
    }
}

} // namespace tonvo::ui
