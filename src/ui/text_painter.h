// How the menus measure and draw a line of text. The fonts plug in behind it; tests use a
// painter of fixed-width boxes, so layout and colours can be checked to the pixel.
//
// Thread contract: user-interface thread only.
#pragma once

#include "ui/canvas.h"
#include "ui/color.h"

#include <string_view>

namespace tonvo::ui {

class TextPainter {
public:
    virtual ~TextPainter() = default;
    // The height of one line of text in pixels.
    virtual int line_height() const = 0;
    // The advance of `utf8` drawn on one line.
    virtual int text_width(std::string_view utf8) const = 0;
    // Draws `utf8` with the top of its line at `y`.
    virtual void draw_text(Canvas& canvas, int x, int y, std::string_view utf8,
                           Color color) const = 0;
};

} // namespace tonvo::ui
