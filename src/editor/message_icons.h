// The 32 x 32 icons of the message box, drawn in code: a yellow warning triangle with "!", a
// blue disc with "i" for information and a blue disc with "?" for a question.
#pragma once

#include "editor/message_box.h"
#include "ui/canvas.h"

namespace tonvo::editor {

inline constexpr int kMessageIconSize = 32;

void draw_message_icon(ui::Canvas& canvas, int x, int y, MessageKind kind);

} // namespace tonvo::editor
