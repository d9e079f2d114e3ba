#include "ui/artwork.h"

#include <array>

namespace tonvo::ui {
namespace {

// The weave is a 2 x 2 checker of 4 x 4 cells: in two cells the fibre tows run across, in
// the other two down. A tow is lit from above, so a cell's shade follows the row for the tows
// that run across and the column for those that run down, the latter a little dimmer; the
// last line of each cell is the dark gap between tows. Every cell meets its neighbours in the
// same way at the tile's edges as inside it, so the tile repeats without a seam.
constexpr int kCell = 4;
constexpr std::array<int, kCell> kAcross{46, 52, 41, 27};
constexpr std::array<int, kCell> kDown{38, 43, 34, 23};

// The menu icon's bars: rows [top, top + 2), columns [2, 14).
constexpr std::array<int, 3> kBarTops{3, 7, 11};
constexpr int kBarLeft = 2;
constexpr int kBarRight = 14;
constexpr int kBarHeight = 2;

} // namespace

Bitmap make_editor_background() {
    Bitmap tile(2 * kCell, 2 * kCell);
    for (int y = 0; y < tile.height(); ++y) {
        for (int x = 0; x < tile.width(); ++x) {
            const bool across = (x / kCell + y / kCell) % 2 == 0;
            const int grey = across ? kAcross[y % kCell] : kDown[x % kCell];
            const auto v = static_cast<uint8_t>(grey);
            tile.pixel(x, y) = Color::rgb(v, v, v);
        }
    }
    return tile;
}

Bitmap make_menu16_glyph() {
    Bitmap glyph(16, 16);
    for (int top : kBarTops)
        for (int y = top; y < top + kBarHeight; ++y)
            for (int x = kBarLeft; x < kBarRight; ++x)
                glyph.pixel(x, y) = Color::rgb(0, 0, 0);
    return glyph;
}

const Bitmap& editor_background() {
    static const Bitmap tile = make_editor_background();
    return tile;
}

const Bitmap& menu16_glyph() {
    static const Bitmap glyph = make_menu16_glyph();
    return glyph;
}

} // namespace tonvo::ui
