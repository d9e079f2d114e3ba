// Text: one-line layout and drawing in a Font, and splitting at line breaks.
//
// A line is laid out glyph after glyph with the font's advances and kerning; the pen moves in
// font units and each glyph is placed at the nearest quarter pixel, using a coverage bitmap
// made for that quarter. "\r" and "\n" draw nothing and take no room (callers split lines
// first), and no kerning applies across them. A code point the font lacks draws the
// missing-glyph box; an ill-formed UTF-8 sequence draws U+FFFD, or '?' where the font has
// none.
#pragma once

#include "base/utf8.h"
#include "ui/canvas.h"
#include "ui/color.h"
#include "ui/font.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace tonvo::ui {

// The one UTF-8 decoder (base/utf8.h), by the names the toolkit's code uses.
using base::decode_utf8;
using base::kReplacementCharacter;

// Draws `utf8` on one line with the line's top-left at (x, y) in `c`, each glyph pixel blended
// with coverage * c.a / 255, clipped by the canvas's clip. Returns the advance width, the same
// as font.text_width(utf8), whether or not anything was visible.
int draw_text(Canvas& canvas, const Font& font, int x, int y, std::string_view utf8, Color c);

// The lines of `text`, split at CR LF, CR or LF (the breaks themselves dropped). Each break
// ends a line, so "a\n" gives "a" and "", and an empty text one empty line.
std::vector<std::string_view> split_lines(std::string_view text);

} // namespace tonvo::ui
