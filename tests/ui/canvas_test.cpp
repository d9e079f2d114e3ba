// Pixel facts of the raster: blending rounding, clipping, rounded shapes, strokes, lines,
// tiles and recoloured glyphs.
#include "golden.h"
#include "ui/canvas.h"

#include <climits>
#include <cstdlib>
#include <gtest/gtest.h>
#include <random>

namespace tonvo::ui {
namespace {

const Color kBlack = Color::rgb(0, 0, 0);
const Color kWhite = Color::rgb(255, 255, 255);
const Color kRed = Color::rgb(200, 10, 30);

TEST(Blend, RoundsHalfUpAndKeepsTheEnds) {
    for (uint32_t v = 0; v <= 255 * 255; ++v)
        ASSERT_EQ(div255(v), (2 * v + 255) / 510) << v;

    const Color dst = Color::rgb(10, 100, 250, 255);
    EXPECT_EQ(blend(dst, kRed, 0), dst);
    EXPECT_EQ(blend(dst, kRed, 255), kRed);
    EXPECT_EQ(blend(kBlack, kWhite, 128), Color::rgb(128, 128, 128));
    EXPECT_EQ(blend(kWhite, kBlack, 128), Color::rgb(127, 127, 127));
    // 1 * 255 + 0 = 255 -> 1; 100 * 77 + 200 * 178 = 43300 -> 169.80 -> 170.
    EXPECT_EQ(blend(Color::rgb(200, 0, 0), Color::rgb(100, 1, 0), 77).r, 170);
    // Alpha accumulates: over a transparent pixel it is the source's, over opaque stays 255.
    EXPECT_EQ(blend(Color{0, 0, 0, 0}, kWhite, 128).a, 128);
    EXPECT_EQ(blend(Color{0, 0, 0, 100}, kWhite, 128).a, 128 + 50);
}

TEST(Clip, NothingIsWrittenOutsideWhateverTheCoordinates) {
    Sentinel s(20, 16, 4);
    std::mt19937 rng(14);
    const int extremes[] = {INT_MIN, INT_MIN / 2, -1000000,    -30,    0,
                            30,      1000000,     INT_MAX / 2, INT_MAX};
    auto coord = [&] {
        return rng() % 3 == 0 ? extremes[rng() % std::size(extremes)]
                              : static_cast<int>(rng() % 40) - 10;
    };
    Bitmap tile(3, 2, Color::rgb(9, 9, 9));
    Bitmap glyph(5, 5, Color{0, 0, 0, 200});
    for (int round = 0; round < 3000; ++round) {
        const Rect r{coord(), coord(), coord(), coord()};
        const Color c =
            Color::rgb(static_cast<uint8_t>(round), 50, 60, static_cast<uint8_t>(rng() % 256));
        switch (round % 9) {
        case 0: s.canvas.fill_rect(r, c); break;
        case 1: s.canvas.stroke_rect(r, c, static_cast<int>(rng() % 4)); break;
        case 2: s.canvas.fill_round_rect(r, static_cast<int>(rng() % 8), c); break;
        case 3: s.canvas.stroke_round_rect(r, static_cast<int>(rng() % 8), 2, c, 180); break;
        case 4: s.canvas.line(r.left, r.top, r.right, r.bottom, c); break;
        case 5: s.canvas.hline(r.left, r.right, r.top, c); break;
        case 6: s.canvas.vline(r.left, r.top, r.bottom, c); break;
        case 7: s.canvas.draw_tile(r, tile, coord(), coord()); break;
        default: s.canvas.draw_glyph(glyph, r.left, r.top, c); break;
        }
    }
    EXPECT_EQ(s.marks_left(), s.border_size());
    // And something was drawn inside.
    EXPECT_NE(s.bmp.at(10, 8), Sentinel::kMark);
}

TEST(Clip, StackNarrowsAndPopRestores) {
    Bitmap bmp(10, 10, kBlack);
    Canvas canvas(bmp);
    canvas.push_clip(Rect{2, 2, 8, 8});
    canvas.push_clip(Rect{5, 0, 20, 20});
    EXPECT_EQ(canvas.clip(), (Rect{5, 2, 8, 8}));
    canvas.push_clip(Rect{0, 0, 1, 1});
    EXPECT_TRUE(canvas.clip().empty());
    canvas.fill_rect(bmp.bounds(), kWhite);
    EXPECT_EQ(bmp.at(0, 0), kBlack);
    canvas.pop_clip();
    canvas.fill_rect(bmp.bounds(), kWhite);
    EXPECT_EQ(bmp.at(5, 2), kWhite);
    EXPECT_EQ(bmp.at(4, 2), kBlack);
    canvas.pop_clip();
    canvas.pop_clip();
    canvas.pop_clip(); // one more than pushed: the whole bitmap
    EXPECT_EQ(canvas.clip(), bmp.bounds());
}

// Every pixel of a shape drawn on `bmp` over `r` equals its mirror images in x and y.
void expect_mirrored(const Bitmap& bmp, const Rect& r) {
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
            const int mx = r.left + r.right - 1 - x;
            const int my = r.top + r.bottom - 1 - y;
            ASSERT_EQ(bmp.at(x, y), bmp.at(mx, y)) << x << "," << y;
            ASSERT_EQ(bmp.at(x, y), bmp.at(x, my)) << x << "," << y;
        }
}

TEST(RoundRect, FilledCornersMatchAndTheInsideIsCovered) {
    for (const int radius : {1, 4, 7, 50}) {
        Bitmap bmp(30, 22, kBlack);
        Canvas canvas(bmp);
        const Rect r{3, 2, 26, 19}; // 23 x 17: odd sizes, so a middle row and column
        canvas.fill_round_rect(r, radius, kWhite);
        expect_mirrored(bmp, r);
        const int rad = std::min(radius, 17 / 2);
        for (int y = 0; y < bmp.height(); ++y)
            for (int x = 0; x < bmp.width(); ++x) {
                const bool band = (x >= r.left + rad && x < r.right - rad) ||
                                  (y >= r.top + rad && y < r.bottom - rad);
                if (!r.contains(x, y)) {
                    ASSERT_EQ(bmp.at(x, y), kBlack) << "outside " << x << "," << y;
                } else if (band) {
                    ASSERT_EQ(bmp.at(x, y), kWhite) << "middle band " << x << "," << y;
                }
            }
        // The very corner of a wide curve is mostly outside it; along the diagonal coverage grows.
        if (rad >= 4) {
            EXPECT_LT(bmp.at(r.left, r.top).r, 128);
        }
        for (int d = 0; d + 1 < rad; ++d)
            EXPECT_LE(bmp.at(r.left + d, r.top + d).r, bmp.at(r.left + d + 1, r.top + d + 1).r);
        EXPECT_GT(bmp.at(r.left + rad / 2, r.top + rad / 2).r, 0);
    }
}

TEST(RoundRect, OverallAlphaScalesTheColoursOwn) {
    Bitmap bmp(12, 12, kBlack);
    Canvas canvas(bmp);
    canvas.fill_round_rect(Rect{0, 0, 12, 12}, 3, Color::rgb(255, 255, 255, 128), 128);
    EXPECT_EQ(bmp.at(6, 6), Color::rgb(64, 64, 64)); // 255 * 128/255 * 128/255
    canvas.fill_round_rect(Rect{0, 0, 12, 12}, 3, kWhite, 0);
    EXPECT_EQ(bmp.at(6, 6), Color::rgb(64, 64, 64));
    // A corner pixel is fainter than the inside.
    EXPECT_LT(bmp.at(0, 0).r, 64);
}

TEST(RoundRect, BorderFramesTheFillWithoutSeams) {
    Bitmap bmp(24, 20, kBlack);
    Canvas canvas(bmp);
    const Rect r{2, 2, 22, 18};
    canvas.fill_round_rect(r, 5, kRed);
    canvas.stroke_round_rect(r, 5, 2, kWhite);
    expect_mirrored(bmp, bmp.bounds());
    for (int x = 8; x < 16; ++x) {
        EXPECT_EQ(bmp.at(x, 2), kWhite);
        EXPECT_EQ(bmp.at(x, 3), kWhite);
        EXPECT_EQ(bmp.at(x, 4), kRed);
        EXPECT_EQ(bmp.at(x, 17), kWhite);
        EXPECT_EQ(bmp.at(x, 15), kRed);
    }
    EXPECT_EQ(bmp.at(3, 10), kWhite);
    EXPECT_EQ(bmp.at(4, 10), kRed);
    // Inside the inner corner circle the fill is untouched by the border.
    EXPECT_EQ(bmp.at(7, 7), kRed);

    // Stroke alone leaves the inside as it was; a border wider than half fills it all.
    Bitmap plain(24, 20, kBlack);
    Canvas c2(plain);
    c2.stroke_round_rect(r, 5, 3, kWhite);
    EXPECT_EQ(plain.at(12, 10), kBlack);
    EXPECT_EQ(plain.at(12, 4), kWhite);
    EXPECT_EQ(plain.at(12, 5), kBlack);
    c2.stroke_round_rect(r, 5, 9, kWhite);
    EXPECT_EQ(plain.at(12, 10), kWhite);
}

// Fills and rounded shapes work a row at a time; the result must be blend() pixel by pixel
// and must not depend on where a clip cuts a row or a shape.
TEST(RoundRect, RowRunsGiveTheSamePixelsUnderAnyClip) {
    // The fourth pixel lies outside the filled rectangle and stays as it was.
    Bitmap bmp(4, 1, kWhite);
    Canvas canvas(bmp);
    for (uint32_t a = 0; a < 256; ++a) {
        const Color under[] = {kBlack, kRed, Color::rgb(1, 254, 128, 77)};
        const Color c = Color::rgb(250, 3, 129, static_cast<uint8_t>(a));
        for (int x = 0; x < 3; ++x)
            bmp.pixel(x, 0) = under[x];
        canvas.fill_rect(Rect{0, 0, 3, 1}, c);
        for (int x = 0; x < 3; ++x)
            ASSERT_EQ(bmp.at(x, 0), blend(under[x], c, a)) << a << " over " << x;
        ASSERT_EQ(bmp.at(3, 0), kWhite);
    }

    const Color translucent = Color::rgb(90, 200, 40, 200);
    auto draw = [&](Canvas& on, int radius) {
        on.fill_round_rect(Rect{2, 1, 28, 21}, radius, translucent, 225);
        on.stroke_round_rect(Rect{2, 1, 28, 21}, radius, 2, kWhite, 150);
    };
    for (const int radius : {0, 3, 5, 12}) {
        Bitmap whole(30, 22, kRed);
        Canvas whole_canvas(whole);
        draw(whole_canvas, radius);
        // The same shapes drawn in 3 x 4 pieces, each under its own clip.
        Bitmap pieces(30, 22, kRed);
        Canvas pieces_canvas(pieces);
        for (int y = 0; y < 22; y += 4)
            for (int x = 0; x < 30; x += 3) {
                pieces_canvas.push_clip(Rect::from_size(x, y, 3, 4));
                draw(pieces_canvas, radius);
                pieces_canvas.pop_clip();
            }
        expect_pixels(
            pieces, [&](int x, int y) { return whole.at(x, y); }, std::to_string(radius));
    }
}

TEST(StrokeRect, WidthLiesInsideAndEachPixelBlendsOnce) {
    for (const int width : {1, 3}) {
        Bitmap bmp(16, 14, kBlack);
        Canvas canvas(bmp);
        const Rect r{2, 3, 14, 12};
        const Color half = Color::rgb(255, 255, 255, 128);
        canvas.stroke_rect(r, half, width);
        const Rect inner = r.inset(width);
        expect_pixels(
            bmp,
            [&](int x, int y) {
                return r.contains(x, y) && !inner.contains(x, y) ? Color::rgb(128, 128, 128)
                                                                 : kBlack;
            },
            std::to_string(width));
    }
}

TEST(Line, HitsBothEndsInEveryDirectionWithConnectedSteps) {
    std::mt19937 rng(7);
    for (int round = 0; round < 400; ++round) {
        const int x0 = static_cast<int>(rng() % 32), y0 = static_cast<int>(rng() % 32);
        const int x1 = static_cast<int>(rng() % 32), y1 = static_cast<int>(rng() % 32);
        Bitmap bmp(32, 32, kBlack);
        Canvas canvas(bmp);
        canvas.line(x0, y0, x1, y1, kWhite);
        ASSERT_EQ(bmp.at(x0, y0), kWhite);
        ASSERT_EQ(bmp.at(x1, y1), kWhite);
        int count = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                count += bmp.at(x, y) == kWhite;
        // One pixel per step of the longer axis, so no gaps and no doubled pixels.
        ASSERT_EQ(count, std::max(std::abs(x1 - x0), std::abs(y1 - y0)) + 1);
    }
}

TEST(Line, FarEndsAndHalfwayStepsFollowTheNearestPixel) {
    Bitmap bmp(16, 16, kBlack);
    Canvas canvas(bmp);
    canvas.line(-1000000000, -1000000000, 1000000000, 1000000000, kWhite);
    canvas.line(INT_MIN, 3, INT_MAX, 3, kRed);
    canvas.line(INT_MAX, INT_MIN, INT_MIN, INT_MAX, Color::rgb(0, 0, 255));
    // x + y = -1 (exactly) on the anti-diagonal: that line misses this canvas.
    expect_pixels(bmp, [](int x, int y) { return y == 3 ? kRed : x == y ? kWhite : kBlack; });
    // Step 2 of 4 lies half-way between rows 0 and 1: the nearest-pixel rule rounds it on.
    canvas.line(8, 10, 12, 11, kRed);
    EXPECT_EQ(bmp.at(9, 10), kRed);
    EXPECT_EQ(bmp.at(10, 11), kRed);
    EXPECT_EQ(bmp.at(10, 10), kWhite); // the diagonal's pixel, not overdrawn
    EXPECT_EQ(bmp.at(11, 10), kBlack);
    canvas.vline(5, -7, 2, kRed);
    EXPECT_EQ(bmp.at(5, 0), kRed);
    EXPECT_EQ(bmp.at(5, 2), kRed);
    EXPECT_EQ(bmp.at(5, 4), kBlack);
}

TEST(Tile, RepeatsFromItsOriginAndBlendsItsAlpha) {
    Bitmap tile(3, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            tile.pixel(x, y) =
                Color::rgb(static_cast<uint8_t>(10 * x), static_cast<uint8_t>(y), 7, 255);
    tile.pixel(2, 1).a = 0; // a hole shows what is under it
    for (const auto& [ox, oy] : {std::pair{0, 0}, std::pair{5, 7}, std::pair{-4, -1}}) {
        Bitmap bmp(11, 9, kRed);
        Canvas canvas(bmp);
        const Rect r{1, 2, 10, 8};
        canvas.draw_tile(r, tile, ox, oy);
        expect_pixels(
            bmp,
            [&](int x, int y) {
                const Color t = tile.at(((x - ox) % 3 + 3) % 3, ((y - oy) % 2 + 2) % 2);
                return r.contains(x, y) && t.a != 0 ? t : kRed;
            },
            std::to_string(ox) + "," + std::to_string(oy));
    }
}

TEST(Glyph, TakesOnlyTheSourcesAlpha) {
    Bitmap glyph(4, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            glyph.pixel(x, y) =
                Color::rgb(static_cast<uint8_t>(x * 60), 200, 13, static_cast<uint8_t>(x * 85));
    Bitmap bmp(6, 5, kBlack);
    Canvas canvas(bmp);
    canvas.push_clip(Rect{0, 0, 6, 3}); // clips the glyph's last row
    canvas.draw_glyph(glyph, 2, 1, kRed);
    canvas.draw_glyph(glyph, -3, 0, Color::rgb(0, 0, 255, 128)); // only its last column shows
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(bmp.at(2 + x, 1), blend(kBlack, kRed, static_cast<uint32_t>(x * 85)));
        EXPECT_EQ(bmp.at(2 + x, 3), kBlack);
    }
    EXPECT_EQ(bmp.at(0, 0), blend(kBlack, Color::rgb(0, 0, 255), div255(255 * 128)));
    EXPECT_EQ(bmp.at(1, 0), kBlack);
}

} // namespace
} // namespace tonvo::ui
