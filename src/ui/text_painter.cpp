#include "ui/text_painter.h"

#include "ui/text.h"

namespace tonvo::ui {

void FontTextPainter::draw_text(Canvas& canvas, int x, int y, std::string_view utf8,
                                Color color) const {
    ui::draw_text(canvas, font_, x, y, utf8, color);
}

const TextPainter& menu_text() {
    static const Font font(Typeface::regular, 12);
    static const FontTextPainter painter(font);
    return painter;
}

} // namespace tonvo::ui
