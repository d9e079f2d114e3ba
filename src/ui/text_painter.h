// How the menus measure and draw a line of text. FontTextPainter draws in one of the embedded
// fonts; tests may use a painter of fixed-width boxes, so layout and colours can be checked to
// the pixel without glyphs.
//
// Thread contract: user-interface thread only.
#pragma once

#include "ui/canvas.h"
#include "ui/color.h"
#include "ui/font.h"

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

// Text in a Font, which must outlive the painter.
class FontTextPainter final : public TextPainter {
public:
    explicit FontTextPainter(const Font& font) : font_(font) {}
    int line_height() const override { return font_.height(); }
    int text_width(std::string_view utf8) const override { return font_.text_width(utf8); }
    void draw_text(Canvas& canvas, int x, int y, std::string_view utf8, Color color) const override;

private:
    const Font& font_;
};

// The menus' text: Liberation Sans Regular at 12 pixels (the product's "Segoe UI" and
// "Tahoma" both map to it), made on first use.
const TextPainter& menu_text();

} // namespace tonvo::ui
