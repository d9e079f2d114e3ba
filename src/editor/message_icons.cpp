#include "editor/message_icons.h"

#include "ui/font.h"
#include "ui/text.h"

namespace tonvo::editor {
namespace {

using ui::Color;

// Twice the signed area of (a, b, p): positive when p lies left of a -> b. In 1/8 pixels.
int64_t edge(int64_t ax, int64_t ay, int64_t bx, int64_t by, int64_t px, int64_t py) {
    return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
}

// An upright triangle filling the icon square, its edges smoothed by 8 x 8 samples a pixel.
void draw_triangle(ui::Canvas& canvas, int x, int y, Color fill, Color rim) {
    constexpr int kSub = 8;
    constexpr int64_t kSize = kMessageIconSize * kSub;
    // Apex at the top centre, base along the bottom; a second, inset triangle for the fill.
    const int64_t outer[6] = {kSize / 2,        1 * kSub, kSize - kSub,
                              kSize - 2 * kSub, kSub,     kSize - 2 * kSub};
    const int64_t inner[6] = {kSize / 2,        3 * kSub, kSize - 3 * kSub,
                              kSize - 3 * kSub, 3 * kSub, kSize - 3 * kSub};
    // Inside when on the same side of all three edges (sample points sit at 1/8-pixel
    // centres, so none lies exactly on an edge of these vertices).
    auto inside = [](const int64_t* t, int64_t px, int64_t py) {
        const int64_t a = edge(t[0], t[1], t[2], t[3], px, py);
        const int64_t b = edge(t[2], t[3], t[4], t[5], px, py);
        const int64_t c = edge(t[4], t[5], t[0], t[1], px, py);
        return (a >= 0 && b >= 0 && c >= 0) || (a <= 0 && b <= 0 && c <= 0);
    };
    for (int j = 0; j < kMessageIconSize; ++j) {
        for (int i = 0; i < kMessageIconSize; ++i) {
            int in_outer = 0;
            int in_inner = 0;
            for (int t = 0; t < kSub; ++t) {
                for (int s = 0; s < kSub; ++s) {
                    const int64_t px = i * kSub + s;
                    const int64_t py = j * kSub + t;
                    in_outer += inside(outer, px, py) ? 1 : 0;
                    in_inner += inside(inner, px, py) ? 1 : 0;
                }
            }
            const ui::Rect pixel = ui::Rect::from_size(x + i, y + j, 1, 1);
            constexpr int kAll = kSub * kSub;
            if (in_outer > 0) {
                Color c = rim;
                c.a = static_cast<uint8_t>((in_outer * 255 + kAll / 2) / kAll);
                canvas.fill_rect(pixel, c);
            }
            if (in_inner > 0) {
                Color c = fill;
                c.a = static_cast<uint8_t>((in_inner * 255 + kAll / 2) / kAll);
                canvas.fill_rect(pixel, c);
            }
        }
    }
}

void draw_disc(ui::Canvas& canvas, int x, int y, Color fill, Color rim) {
    const ui::Rect r = ui::Rect::from_size(x, y, kMessageIconSize, kMessageIconSize);
    canvas.fill_round_rect(r, kMessageIconSize / 2, rim);
    canvas.fill_round_rect(r.inset(2), kMessageIconSize / 2 - 2, fill);
}

// A mark centred on the icon, its glyph's top at `top` below the icon's.
void draw_mark(ui::Canvas& canvas, int x, int y, std::string_view mark, int top, Color c) {
    static const ui::Font font(ui::Typeface::bold, 22);
    const int w = font.text_width(mark);
    ui::draw_text(canvas, font, x + (kMessageIconSize - w) / 2, y + top, mark, c);
}

} // namespace

void draw_message_icon(ui::Canvas& canvas, int x, int y, MessageKind kind) {
    const Color white = Color::rgb(255, 255, 255);
    switch (kind) {
    case MessageKind::warning:
        draw_triangle(canvas, x, y, Color::rgb(252, 200, 20), Color::rgb(160, 110, 0));
        draw_mark(canvas, x, y, "!", 7, Color::rgb(30, 30, 30));
        break;
    case MessageKind::information:
        draw_disc(canvas, x, y, Color::rgb(30, 110, 210), Color::rgb(15, 70, 150));
        draw_mark(canvas, x, y, "i", 3, white);
        break;
    case MessageKind::confirmation:
        draw_disc(canvas, x, y, Color::rgb(30, 110, 210), Color::rgb(15, 70, 150));
        draw_mark(canvas, x, y, "?", 3, white);
        break;
    }
}

} // namespace tonvo::editor
