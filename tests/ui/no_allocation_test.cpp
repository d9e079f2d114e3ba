// Proves that drawing text allocates nothing once its glyphs are cached: every global
// allocation is counted while warmed-up lines are measured and drawn again.
#include "support/allocation_count.h"
#include "ui/text.h"

#include <gtest/gtest.h>

namespace tonvo::ui {
namespace {

TEST(Text, DrawingAWarmLineAllocatesNothing) {
    const Font font(Typeface::regular, 13);
    Bitmap bmp(220, 40, Color::rgb(255, 255, 255));
    Canvas canvas(bmp);
    canvas.push_clip(Rect{0, 0, 150, 40});
    const char* lines[] = {"AV To 61% C#4 \xC3\xA9\xE2\x86\x92", "\xFF broken \xE2\x82", "a\r\nb"};
    // Warm-up: each line at each of the four quarter-pixel offsets of its first glyph.
    for (const char* line : lines)
        for (int x = 0; x < 4; ++x)
            draw_text(canvas, font, x, 5, line, Color::rgb(0, 0, 0));

    const long before = tonvo::test::allocation_count();
    int total = 0;
    for (int round = 0; round < 50; ++round) {
        for (const char* line : lines) {
            total += font.text_width(line);
            total += draw_text(canvas, font, round % 4, 5, line, Color::rgb(0, 0, 0, 200));
        }
    }
    EXPECT_EQ(tonvo::test::allocation_count() - before, 0);
    EXPECT_GT(total, 0);
}

} // namespace
} // namespace tonvo::ui
