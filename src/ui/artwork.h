// The editor's own pictures, drawn in code so no image files ship with the plug-in.
//
// - editor_background(): the "EditorBackground" tile, a dark carbon-fibre weave of greys that
//   repeats without a seam; the editor form tiles it from its origin behind its translucent
//   panels.
// - menu16_glyph(): the "menu16" glyph, 16 x 16, three horizontal bars in black on a
//   transparent ground, the classic menu icon the menu button shows (recoloured per style).
//
// Both are made once, on first use, and live for the rest of the program.
//
// Thread contract: user-interface thread only (the first call builds the bitmap).
#pragma once

#include "ui/bitmap.h"

namespace tonvo::ui {

const Bitmap& editor_background();
const Bitmap& menu16_glyph();

// The pictures' recipes, for the two functions above and for tests that want a fresh copy.
Bitmap make_editor_background();
Bitmap make_menu16_glyph();

} // namespace tonvo::ui
